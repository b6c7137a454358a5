// Builds recording graphs the way the recorder does: a test source, an
// optional compressor and the AVI sink.
#pragma once

#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "avi_probe.h"
#include "platform/media/filter_graph.h"
#include "temp_folder.h"
#include "test_source_filter.h"

namespace vistrel::media::test {

constexpr ReferenceTime kPeriod5fps = kUnitsPerSecond / 5;
// A PSNR that only the very same pixels reach.
constexpr double kExact = std::numeric_limits<double>::infinity();

struct RecordingGraph {
  Ref<FilterGraph> graph;
  Ref<MediaControl> control;
  Ref<CaptureGraphBuilder> builder;
  Ref<BaseFilter> mux;
  Ref<TestSource> source;

  // Source → compressor (may be null) → multiplexer → `path`.
  Status build(const std::string& path, int width, int height, BaseFilter* compressor,
               const Guid& subType = MEDIASUBTYPE_RGB24) {
    graph = createFilterGraph();
    control = queryInterface<MediaControl>(graph);
    builder = createCaptureGraphBuilder();
    Status status = builder->setFiltergraph(graph.get());
    if (failed(status)) return status;
    status = builder->setOutputFileName(MEDIASUBTYPE_Avi, path, &mux);
    if (failed(status)) return status;
    source = makeRef<TestSource>(width, height, subType);
    status = graph->addFilter(source.get(), "VideoSource");
    if (failed(status)) return status;
    if (compressor) {
      status = graph->addFilter(compressor, "VideoCompressor");
      if (failed(status)) return status;
    }
    return builder->renderStream(source.get(), compressor, mux.get());
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
    const MediaType type = source->output()->connectionType();
    return makePicture(type.videoInfo->header.width, type.videoInfo->header.height, index);
  }
};

class RecordingTest : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return (dir_.path() / name).string(); }

  // Records `frames` test pictures into the file `name` and closes it;
  // `connected` runs once the graph is built (to hand the compressor settings).
  void recordFile(const std::string& name, int width, int height, BaseFilter* compressor,
                  int frames, ReferenceTime period = kPeriod5fps,
                  const std::function<void()>& connected = {}) {
    RecordingGraph recording;
    ASSERT_EQ(recording.build(path(name), width, height, compressor), S_OK);
    if (connected) connected();
    const Status status = recording.record(frames, period);
    ASSERT_EQ(status, S_OK) << status.detail();
  }

  // The file's frames as ffmpeg decodes them: `count` of them, each at least
  // `minimumPsnr` dB from the picture sent (infinity: the very same pixels).
  void expectFrames(const std::string& name, int width, int height, int count, double minimumPsnr) {
    const std::vector<Picture> frames = decodeFrames(path(name), width, height);
    ASSERT_EQ(frames.size(), static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
      EXPECT_GE(psnr(frames[i], makePicture(width, height, i)), minimumPsnr) << "frame " << i;
  }

  vistrel::test::TempFolder dir_;
};

}  // namespace vistrel::media::test
