// Builds recording graphs the way the recorder does: a test source, an
// optional compressor, the AVI multiplexer and the file writer.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "avi_probe.h"
#include "platform/media/filter_graph.h"
#include "temp_folder.h"
#include "test_source_filter.h"

namespace vistrel::media::test {

struct RecordingGraph {
  Ref<FilterGraph> graph;
  Ref<MediaControl> control;
  Ref<CaptureGraphBuilder> builder;
  Ref<BaseFilter> mux;
  Ref<FileSinkFilter> writer;
  Ref<TestSource> source;

  // Source → compressor (may be null) → multiplexer → `path`.
  Status build(const std::string& path, int width, int height, BaseFilter* compressor,
               const Guid& subType = MEDIASUBTYPE_RGB24) {
    graph = createFilterGraph();
    control = queryInterface<MediaControl>(graph);
    builder = createCaptureGraphBuilder();
    Status status = builder->setFiltergraph(graph.get());
    if (failed(status)) return status;
    status = builder->setOutputFileName(MEDIASUBTYPE_Avi, path, &mux, &writer);
    if (failed(status)) return status;
    source = makeRef<TestSource>(width, height, subType);
    status = graph->addFilter(source.get(), "VideoSource");
    if (failed(status)) return status;
    if (compressor) {
      status = graph->addFilter(compressor, "VideoCompressor");
      if (failed(status)) return status;
    }
    return builder->renderStream(nullptr, &MEDIATYPE_Video, source.get(), compressor, mux.get());
  }

  // Runs the graph, delivers `frames` pictures of one period each and stops.
  Status record(int frames, ReferenceTime period) {
    Status status = control->run();
    if (failed(status)) return status;
    for (int i = 0; i < frames && succeeded(status); ++i) {
      const Picture picture = pictureOf(i);
      status = source->deliver(picture, i * period, (i + 1) * period);
    }
    const Status stopped = control->stop();
    return failed(status) ? status : stopped;
  }

  Picture pictureOf(int index) const {
    const MediaType type = source->output()->connectionMediaType();
    return makePicture(type.videoInfo->header.width, type.videoInfo->header.height, index);
  }
};

class RecordingTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return (dir_.path() / name).string(); }

  vistrel::test::TempFolder dir_;
};

}  // namespace vistrel::media::test
