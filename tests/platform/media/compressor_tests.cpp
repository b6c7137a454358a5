// Compressed AVI recordings and the compressor settings interfaces.

#include <atomic>
#include <cstring>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "platform/media/devices.h"
#include "recording_fixture.h"

namespace vistrel::media::test {
namespace {

const std::string kXvid = "@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\\xvid";

// The settings block the window layout stores with the compressor: a
// version of twelve UTF-16 characters, the number 8 and "xvid".
std::vector<std::uint8_t> storedSettingsBlock() {
  std::vector<std::uint8_t> block;
  for (char c : std::string("00000000000 ")) {
    block.push_back(static_cast<std::uint8_t>(c));
    block.push_back(0);
  }
  for (int b : {8, 0, 0, 0, int('x'), int('v'), int('i'), int('d')})
    block.push_back(static_cast<std::uint8_t>(b));
  return block;
}

// What the recorder does with its stored item (Quality 0, key frame rate 0,
// P-frames 0, window 1 and the block) once the compressor is connected.
void applyStoredSettings(BaseFilter* compressor) {
  Ref<VideoCompression> settings = queryInterface<VideoCompression>(compressor);
  ASSERT_TRUE(settings);
  VideoCompressionInfo info;
  ASSERT_EQ(settings->getInfo(&info), S_OK);
  if (info.capabilities & CompressionCaps_CanQuality) settings->putQuality(0 / 100000.0);
  if (info.capabilities & CompressionCaps_CanKeyFrame) settings->putKeyFrameRate(0);
  if (info.capabilities & CompressionCaps_CanBFrame) settings->putPFramesPerKeyFrame(0);
  if (info.capabilities & CompressionCaps_CanWindow) settings->putWindowSize(1);

  EXPECT_EQ(settings->setSettingsBlock(storedSettingsBlock()), S_OK);
}

using CompressedRecording = RecordingTest;

TEST_F(CompressedRecording, StoredXvidSettingsGiveTenFramesAtFivePerSecondAbove30dB) {
  Ref<BaseFilter> compressor = createDevice(kXvid);
  ASSERT_TRUE(compressor);
  recordFile("xvid.avi", 640, 480, compressor.get(), 10, kPeriod5fps,
             [&] { applyStoredSettings(compressor.get()); });

  std::string error;
  const auto probed = probe(path("xvid.avi"), &error);
  ASSERT_TRUE(probed) << error;
  EXPECT_EQ(probed->codecName, "mpeg4");
  EXPECT_EQ(probed->codecTag, "XVID");
  EXPECT_EQ(probed->width, 640);
  EXPECT_EQ(probed->height, 480);
  EXPECT_EQ(probed->frameRate, "5/1");
  EXPECT_EQ(probed->frames, 10);
  EXPECT_DOUBLE_EQ(probed->duration, 2.0);

  expectFrames("xvid.avi", 640, 480, 10, 30.0);
}

// Rows of 641 pixels: a wrong stride shears the picture and a wrong row
// order flips it; either drops the PSNR far below 30 dB.
TEST_F(CompressedRecording, OddWidthStaysUprightAndUnskewed) {
  Ref<BaseFilter> compressor = createDevice(kXvid);
  ASSERT_TRUE(compressor);
  recordFile("odd.avi", 641, 97, compressor.get(), 3);
  expectFrames("odd.avi", 641, 97, 3, 30.0);
}

struct CompressorRow {
  const char* code;
  const char* codecName;
  const char* codecTag;
  double minimumPsnr;
};

class EveryCompressor : public RecordingTest,
                        public ::testing::WithParamInterface<CompressorRow> {};

TEST_P(EveryCompressor, WritesFramesThatFfmpegDecodes) {
  const CompressorRow& row = GetParam();
  Ref<BaseFilter> compressor =
      createDevice(deviceDisplayName(CLSID_VideoCompressorCategory, row.code));
  ASSERT_TRUE(compressor) << row.code;
  recordFile("clip.avi", 96, 64, compressor.get(), 4, kUnitsPerSecond / 10);

  std::string error;
  const auto probed = probe(path("clip.avi"), &error);
  ASSERT_TRUE(probed) << error;
  EXPECT_EQ(probed->codecName, row.codecName);
  EXPECT_EQ(probed->codecTag, row.codecTag);
  EXPECT_EQ(probed->frameRate, "10/1");
  EXPECT_EQ(probed->frames, 4);
  expectFrames("clip.avi", 96, 64, 4, row.minimumPsnr);
}

INSTANTIATE_TEST_SUITE_P(Compressors, EveryCompressor,
                         ::testing::Values(CompressorRow{"xvid", "mpeg4", "XVID", 30.0},
                                           CompressorRow{"cvid", "cinepak", "cvid", 20.0},
                                           CompressorRow{"mjpg", "mjpeg", "MJPG", 30.0}),
                         [](const auto& info) { return std::string(info.param.code); });

TEST(CompressorSettings, ReportDefaultsAndKeepWhatIsPut) {
  Ref<BaseFilter> compressor = createDevice(kXvid);
  ASSERT_TRUE(compressor);
  Ref<VideoCompression> settings = queryInterface<VideoCompression>(compressor);
  ASSERT_TRUE(settings);
  VideoCompressionInfo info;
  ASSERT_EQ(settings->getInfo(&info), S_OK);
  EXPECT_EQ(info.description, "XviD MPEG-4 Codec");
  EXPECT_EQ(info.defaultKeyFrameRate, kDefaultKeyFrameRate);
  EXPECT_NEAR(info.defaultQuality, 28.0 / 29.0, 1e-9);
  EXPECT_TRUE(info.capabilities & CompressionCaps_CanQuality);
  EXPECT_TRUE(info.capabilities & CompressionCaps_CanKeyFrame);

  EXPECT_EQ(settings->quality(), -1.0);
  EXPECT_EQ(settings->putQuality(0.5), S_OK);
  EXPECT_EQ(settings->quality(), 0.5);
  EXPECT_EQ(settings->putQuality(1.5), E_INVALIDARG);
  settings->putKeyFrameRate(12);
  EXPECT_EQ(settings->keyFrameRate(), 12);
}

TEST(CompressorSettings, QualityMapsToQuantiser) {
  EXPECT_EQ(quantiserForQuality(-1), 3);
  EXPECT_EQ(quantiserForQuality(0), 3);  // the stored, never tuned setting
  EXPECT_EQ(quantiserForQuality(kDefaultCompressorQuality), 3);
  EXPECT_EQ(quantiserForQuality(1.0), 2);
  EXPECT_EQ(quantiserForQuality(0.5), 17);
  EXPECT_EQ(quantiserForQuality(0.001), 31);
}

TEST(CompressorSettings, GivenBlockIsKeptAndHandedBackUnchanged) {
  Ref<BaseFilter> compressor = createDevice(kXvid);
  ASSERT_TRUE(compressor);
  Ref<VideoCompression> settings = queryInterface<VideoCompression>(compressor);
  ASSERT_TRUE(settings);
  // Without a block the compressor gives one of the same shape.
  EXPECT_EQ(settings->settingsBlock(), storedSettingsBlock());

  std::vector<std::uint8_t> block = storedSettingsBlock();
  block[0] = '7';  // another version: kept as it is
  ASSERT_EQ(settings->setSettingsBlock(block), S_OK);
  EXPECT_EQ(settings->settingsBlock(), block);
  EXPECT_EQ(settings->setSettingsBlock(std::vector<std::uint8_t>((1 << 20) + 1)), E_INVALIDARG);
  EXPECT_EQ(settings->settingsBlock(), block);
}

// A source thread keeps delivering while the graph is stopped from another
// thread: delivery ends with a failure instead of hanging, and the file
// holds every frame that was accepted.
TEST_F(CompressedRecording, StopWhileAnotherThreadDeliversEndsDeliveryCleanly) {
  Ref<BaseFilter> compressor = createDevice(kXvid);
  ASSERT_TRUE(compressor);
  RecordingGraph recording;
  ASSERT_EQ(recording.build(path("race.avi"), 64, 48, compressor.get()), S_OK);
  ASSERT_EQ(recording.control->run(), S_OK);
  std::atomic<int> accepted{0};
  std::atomic<StatusCode> last{S_OK};
  std::thread feeder([&] {
    const Picture picture = makePicture(64, 48, 0);
    for (int i = 0;; ++i) {
      const Status status =
          recording.source->deliver(picture, i * kPeriod5fps, (i + 1) * kPeriod5fps);
      if (failed(status)) {
        last = status;
        return;
      }
      ++accepted;
    }
  });
  while (accepted < 5) std::this_thread::yield();
  EXPECT_EQ(recording.control->stop(), S_OK);
  feeder.join();
  EXPECT_TRUE(last == VFW_E_NOT_COMMITTED || last == VFW_E_WRONG_STATE) << std::hex << last;
  recording = RecordingGraph();

  const auto probed = probe(path("race.avi"));
  ASSERT_TRUE(probed);
  EXPECT_GE(probed->frames, 5);
  EXPECT_LE(probed->frames, accepted.load());
}

// Where libxvid is missing, FFmpeg's own MPEG-4 encoder stands in and the
// file still says XVID.
TEST_F(CompressedRecording, NativeMpeg4StandInWritesXvid) {
  const CompressorDescription nativeOnly{
      "xvid", "XviD MPEG-4 Codec", {"mpeg4"}, makeFourCC('X', 'V', 'I', 'D'), true};
  Ref<BaseFilter> compressor = createCompressorFilter(nativeOnly);
  ASSERT_TRUE(compressor);
  recordFile("native.avi", 640, 480, compressor.get(), 3, kPeriod5fps,
             [&] { applyStoredSettings(compressor.get()); });
  const auto probed = probe(path("native.avi"));
  ASSERT_TRUE(probed);
  EXPECT_EQ(probed->codecTag, "XVID");
  EXPECT_EQ(probed->frames, 3);
  expectFrames("native.avi", 640, 480, 3, 30.0);
}

// A compressor whose encoder refuses the picture size fails to connect and
// leaves nothing connected, so the recorder can drop it and record
// uncompressed.
TEST_F(CompressedRecording, CompressorThatCannotTakeTheSizeFailsToConnect) {
  if (!avcodec_find_encoder_by_name("libxvid")) GTEST_SKIP() << "no libxvid in this FFmpeg";
  const CompressorDescription xvidOnly{
      "xvid", "XviD MPEG-4 Codec", {"libxvid"}, makeFourCC('X', 'V', 'I', 'D'), true};
  Ref<BaseFilter> compressor = createCompressorFilter(xvidOnly);
  ASSERT_TRUE(compressor);
  RecordingGraph recording;
  EXPECT_TRUE(failed(recording.build(path("fallback.avi"), 641, 97, compressor.get())));
  EXPECT_FALSE(recording.source->output()->connectedTo());
  ASSERT_EQ(recording.graph->removeFilter(compressor.get()), S_OK);
  ASSERT_EQ(recording.builder->renderStream(recording.source.get(), nullptr, recording.mux.get()),
            S_OK);
  ASSERT_EQ(recording.record(2, kPeriod5fps), S_OK);
  recording = RecordingGraph();
  const auto probed = probe(path("fallback.avi"));
  ASSERT_TRUE(probed);
  EXPECT_EQ(probed->codecName, "rawvideo");
  EXPECT_EQ(probed->frames, 2);
}

TEST(CompressorPins, OutputConnectsOnlyAfterTheInput) {
  Ref<BaseFilter> compressor = createDevice(kXvid);
  ASSERT_TRUE(compressor);
  Ref<FilterGraph> graph = createFilterGraph();
  Ref<CaptureGraphBuilder> builder = createCaptureGraphBuilder();
  builder->setFiltergraph(graph.get());
  vistrel::test::TempFolder dir;
  Ref<BaseFilter> mux;
  ASSERT_EQ(builder->setOutputFileName(MEDIASUBTYPE_Avi, (dir.path() / "a.avi").string(), &mux),
            S_OK);
  graph->addFilter(compressor.get(), "VideoCompressor");
  const Ref<Pin> output = compressor->pins()[1], muxInput = mux->pins()[0];
  EXPECT_EQ(output->connect(muxInput.get()), VFW_E_NO_ACCEPTABLE_TYPES);
  EXPECT_FALSE(muxInput->connectedTo());
}

}  // namespace
}  // namespace vistrel::media::test
