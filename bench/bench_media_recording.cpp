// Cost of recording one 640 × 480 frame through the media graph: copy into a
// sample, compress (or not) and write into the AVI file, on the caller's
// thread as the recorder does.

#include <unistd.h>

#include <cstdio>
#include <string>

#include <benchmark/benchmark.h>

#include "platform/media/devices.h"
#include "test_source_filter.h"

namespace vistrel::media {
namespace {

void recordFrames(benchmark::State& state, const char* compressorCode) {
  char name[] = "/tmp/bench_media_XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) {
    state.SkipWithError("no temporary file");
    return;
  }
  close(fd);
  {
    Ref<FilterGraph> graph = createFilterGraph();
    Ref<MediaControl> control = queryInterface<MediaControl>(graph);
    Ref<CaptureGraphBuilder> builder = createCaptureGraphBuilder();
    builder->setFiltergraph(graph.get());
    Ref<BaseFilter> mux;
    builder->setOutputFileName(MEDIASUBTYPE_Avi, name, &mux);
    Ref<test::TestSource> source = makeRef<test::TestSource>(640, 480);
    graph->addFilter(source.get(), "VideoSource");
    Ref<BaseFilter> compressor;
    if (compressorCode) {
      for (const CategoryEntry& entry : listCategory(CLSID_VideoCompressorCategory))
        if (entry.displayName.ends_with(std::string("\\") + compressorCode))
          compressor = createDevice(entry.displayName);
      graph->addFilter(compressor.get(), "VideoCompressor");
    }
    if (failed(builder->renderStream(source.get(), compressor.get(), mux.get())) ||
        failed(control->run())) {
      state.SkipWithError("graph did not build");
    } else {
      const test::Picture pictures[2] = {test::makePicture(640, 480, 0),
                                         test::makePicture(640, 480, 1)};
      const ReferenceTime period = kUnitsPerSecond / 25;
      std::int64_t frame = 0;
      for (auto _ : state) {
        source->deliver(pictures[frame % 2], frame * period, (frame + 1) * period);
        ++frame;
      }
      control->stop();
    }
  }
  std::remove(name);
}

void BM_RecordFrameUncompressed(benchmark::State& state) { recordFrames(state, nullptr); }
void BM_RecordFrameXvid(benchmark::State& state) { recordFrames(state, "xvid"); }
void BM_RecordFrameMotionJpeg(benchmark::State& state) { recordFrames(state, "mjpg"); }

BENCHMARK(BM_RecordFrameUncompressed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordFrameXvid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordFrameMotionJpeg)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vistrel::media

BENCHMARK_MAIN();
