// The recording graph's push source: its one media type, what it accepts,
// and how a frame becomes a sample (bottom-up, both row paddings, times).
#include <cstddef>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include <QImage>

#include "pipeline/image_buffer.h"
#include "platform/media/filter_graph.h"
#include "recording/video_source_filter.h"

namespace vistrel {
namespace {

using namespace media;

// A sink that keeps a copy of every sample it receives.
class CaptureFilter final : public BaseFilter {
 public:
  struct Captured {
    std::vector<std::uint8_t> bytes;
    bool timed = false;
    ReferenceTime start = 0, stop = 0;
    bool sync = false;
  };
  CaptureFilter() : BaseFilter(Guid{}) { input_ = makeRef<Pin>(this, "In"); }
  ~CaptureFilter() override { disconnectAll(); }
  Pin* input() { return input_.get(); }
  std::vector<Captured> samples;

 protected:
  Status checkInput(const MediaType&) const override { return S_OK; }
  Status onReceive(MediaSample* sample) override {
    Captured captured;
    captured.bytes.assign(sample->pointer(), sample->pointer() + sample->actualDataLength());
    captured.timed = succeeded(sample->getTime(&captured.start, &captured.stop));
    captured.sync = sample->isSyncPoint();
    samples.push_back(captured);
    return S_OK;
  }
};

TEST(VideoSourceTest, OneTypeDescribingTheFrameSize) {
  Ref<TDSVideoSourceFilter> source(new TDSVideoSourceFilter(MEDIASUBTYPE_RGB24));
  EXPECT_EQ(source->Pin().Width(), 320);
  EXPECT_EQ(source->Pin().Height(), 240);
  EXPECT_EQ(source->Pin().ImageSize(), 230400u);
  source->SetFrameSize(640, 480);
  EXPECT_EQ(source->Pin().ImageSize(), 921600u);
  MediaType type;
  ASSERT_TRUE(source->Pin().outputType(&type));
  EXPECT_EQ(type.majorType, MEDIATYPE_Video);
  EXPECT_TRUE(type.fixedSizeSamples);
  EXPECT_FALSE(type.temporalCompression);
  EXPECT_EQ(type.sampleSize, 921600u);
  ASSERT_TRUE(type.videoInfo);
  EXPECT_EQ(type.videoInfo->avgTimePerFrame, 0);
  EXPECT_EQ(type.videoInfo->header.height, 480);
  EXPECT_EQ(type.videoInfo->header.bitCount, 24);
  EXPECT_EQ(source->Pin().name(), "VideoOutput");
  EXPECT_EQ(source->classId().toString(), "{E436EBB3-524F-4EDE-AFCD-8302E1BEAC35}");

  Ref<TDSVideoSourceFilter> yuy2(new TDSVideoSourceFilter(MEDIASUBTYPE_YUY2));
  yuy2->SetFrameSize(640, 480);
  EXPECT_EQ(yuy2->Pin().ImageSize(), 614400u);
}

class DeliveryTest : public ::testing::Test {
 protected:
  void Connect(int width, int height) {
    source->SetFrameSize(width, height);
    ASSERT_EQ(source->Pin().connect(sink->input()), S_OK);
    ASSERT_EQ(source->Pin().connect(sink->input()), VFW_E_ALREADY_CONNECTED);
    ASSERT_EQ(sink->run(), S_OK);
    ASSERT_EQ(source->run(), S_OK);
  }
  void TearDown() override {
    source->stop();
    sink->stop();
  }
  Ref<TDSVideoSourceFilter> source{new TDSVideoSourceFilter(MEDIASUBTYPE_RGB24)};
  Ref<CaptureFilter> sink{new CaptureFilter};
};

TEST_F(DeliveryTest, NotConnectedFails) {
  const std::uint8_t pixels[12] = {};
  EXPECT_EQ(source->DeliverRGBFrame(pixels, 1, 1, 12, 0, 0), VFW_E_NOT_CONNECTED);
}

TEST_F(DeliveryTest, RowsArriveBottomUpWithEachSidesPadding) {
  // Width 5: the frame's rows are 8 pixels (24 bytes) apart, the sample's
  // rows 16 bytes.
  Connect(5, 2);
  std::vector<std::uint8_t> frame(2 * 24, 0xEE);
  for (int y = 0; y < 2; ++y)
    for (int i = 0; i < 15; ++i) frame[y * 24 + i] = static_cast<std::uint8_t>(y * 100 + i);
  ASSERT_EQ(source->DeliverRGBFrame(frame.data(), 5, 2, 24, 0, 0), S_OK);
  ASSERT_EQ(sink->samples.size(), 1u);
  const auto& sample = sink->samples[0];
  ASSERT_EQ(sample.bytes.size(), 32u);
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(sample.bytes[16 + i], i);  // the first frame row is the last sample row
    EXPECT_EQ(sample.bytes[i], 100 + i);
  }
  EXPECT_EQ(sample.bytes[15], 0);
  EXPECT_FALSE(sample.timed);
  EXPECT_FALSE(sample.sync);

  ASSERT_EQ(source->DeliverRGBFrame(frame.data(), 5, 2, 24, 2000000, 4000000), S_OK);
  ASSERT_EQ(sink->samples.size(), 2u);
  EXPECT_TRUE(sink->samples[1].timed);
  EXPECT_EQ(sink->samples[1].start, 2000000);
  EXPECT_EQ(sink->samples[1].stop, 4000000);
  EXPECT_TRUE(sink->samples[1].sync);
}

TEST_F(DeliveryTest, ALateLoadedPictureGoesStraightIntoTheSampleBottomUp) {
  Connect(5, 2);
  QImage picture(5, 2, QImage::Format_RGB888);  // as snapshots are decoded
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) picture.setPixel(x, y, qRgb(10 * x, 100 + y, 200));
  TVLImageBuffer frame;
  frame.LoadFromBitmapLater(picture);
  const auto write = [&frame](std::uint8_t* firstRow, std::ptrdiff_t step) {
    frame.CopyRowsTo(firstRow, step);
  };
  ASSERT_EQ(source->DeliverRGBFrame(write, 5, 2, 0, 0), S_OK);
  const auto& bytes = sink->samples.at(0).bytes;
  ASSERT_EQ(bytes.size(), 32u);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 5; ++x) {
      const std::uint8_t* pixel = &bytes[(1 - y) * 16 + x * 3];
      EXPECT_EQ(pixel[0], 200) << x << "," << y;
      EXPECT_EQ(pixel[1], 100 + y) << x << "," << y;
      EXPECT_EQ(pixel[2], 10 * x) << x << "," << y;
    }
  }
  EXPECT_EQ(bytes[15], 0);
  EXPECT_EQ(bytes[31], 0);
  EXPECT_EQ(frame.Pixel(4, 1), 40u | (101u << 8) | (200u << 16));  // the frame itself agrees
}

TEST_F(DeliveryTest, SmallerFrameIsScaledToThePinNeverOverread) {
  Connect(4, 2);
  const std::vector<std::uint8_t> frame(6, 0x80);  // one row of 2 pixels, nothing beyond
  ASSERT_EQ(source->DeliverRGBFrame(frame.data(), 2, 1, 6, 0, 0), S_OK);
  const auto& bytes = sink->samples.at(0).bytes;
  ASSERT_EQ(bytes.size(), 24u);
  for (std::uint8_t byte : bytes) EXPECT_NEAR(byte, 0x80, 2);
}

}  // namespace
}  // namespace vistrel
