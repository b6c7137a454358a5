// The image generator as its sink sees it: announcements, frames sharing the
// picture's pixels, stops, pump negotiation, clock pulses and stored values.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include <QColor>
#include <QImage>

#include "pipeline/image_gen.h"
#include "pipeline/state_pin.h"
#include "platform/exception.h"
#include "platform/layout/value.h"
#include "test_components.h"

namespace vistrel {
namespace {

using test::PlainSource;
using test::RecordingSink;

QImage solid(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

class ImageGenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gen->setComponentName("VLImageGen1");
    gen->SetClockSource(TSLClockSource::csExternal);
  }
  void connectDisabled() {
    gen->SetEnabled(false);
    gen->OutputPin().Connect(sink.inputPin.get());
    sink.received.clear();
  }
  std::shared_ptr<TVLImageBuffer> frameAt(std::size_t index) {
    auto supplied = OperationAs<TOWSuppliedBufferOperation>(sink.received.at(index).operation);
    if (!supplied) return nullptr;
    return std::dynamic_pointer_cast<TVLImageBuffer>(supplied->buffer);
  }

  RecordingSink sink{"VLDSVideoLogger1"};
  std::unique_ptr<TVLImageGen> gen = std::make_unique<TVLImageGen>();
};

TEST_F(ImageGenTest, OneWholeRecordingAsTheSinkReceivesIt) {
  connectDisabled();
  gen->SetFrameRate(5);
  test::setPictureImage(gen->Picture(), solid(641, 480, qRgb(10, 20, 30)));
  gen->SetEnabled(true);
  gen->GenerateFrame();
  gen->GenerateFrame();
  gen->SetEnabled(false);
  gen.reset();

  const auto& got = sink.received;
  ASSERT_EQ(got.size(), 9u);
  auto pump1 = OperationAs<TOWPumpRequestOperation>(got[0].operation);
  auto pump2 = OperationAs<TOWPumpRequestOperation>(got[1].operation);
  ASSERT_TRUE(pump1 && pump2);
  EXPECT_FLOAT_EQ(pump1->rate, 1.0f);
  EXPECT_FLOAT_EQ(pump2->rate, 5.0f);
  EXPECT_EQ(pump1->pumpKind, 2);
  auto start = OperationAs<TOWStartFrameOperation>(got[2].operation);
  ASSERT_TRUE(start);
  EXPECT_EQ(start->width, 641);
  EXPECT_EQ(start->height, 480);
  EXPECT_EQ(start->framePeriod100ns, 2'000'000);
  EXPECT_EQ(start->formatCode, 0);
  EXPECT_TRUE(OperationAs<TOWStartPumpOperation>(got[3].operation));
  auto frame1 = frameAt(4);
  auto frame2 = frameAt(5);
  ASSERT_TRUE(frame1 && frame2);
  EXPECT_EQ(frame1->BlockId(), frame2->BlockId());  // no copy per frame
  EXPECT_EQ(frame1->Width(), 641);
  EXPECT_EQ(frame1->RowStep(), 644);
  EXPECT_EQ(frame1->Pixel(640, 479), 0x1E140Au);
  for (std::size_t i : {6u, 7u, 8u}) {
    EXPECT_TRUE(OperationAs<TOWStopOperation>(got[i].operation))
        << i;  // disable, destroy, disconnect
  }
  for (const auto& entry : got) EXPECT_EQ(entry.flags, 2u);
  EXPECT_EQ(sink.inputPin->Source(), nullptr);
}

TEST_F(ImageGenTest, AFrameKeepsItsPixelsWhenTheNextPictureIsLoaded) {
  connectDisabled();
  test::setPictureImage(gen->Picture(), solid(8, 8, qRgb(255, 0, 0)));
  gen->SetEnabled(true);
  gen->GenerateFrame();
  auto first = frameAt(sink.received.size() - 1);
  ASSERT_TRUE(first);
  test::setPictureImage(gen->Picture(), solid(8, 8, qRgb(0, 0, 255)));
  gen->GenerateFrame();
  auto second = frameAt(sink.received.size() - 1);
  ASSERT_TRUE(second);
  EXPECT_EQ(first->Pixel(4, 4), 0x0000FFu);
  EXPECT_EQ(second->Pixel(4, 4), 0xFF0000u);
  EXPECT_NE(first->BlockId(), second->BlockId());
}

// The recorder reads frames on its own thread while the window loads the next
// pictures and reads the generator's buffer.
TEST_F(ImageGenTest, FramesReadOnAnotherThreadKeepTheirOwnPicture) {
  connectDisabled();
  gen->SetEnabled(true);
  std::vector<std::shared_ptr<TVLImageBuffer>> frames;
  for (int i = 0; i < 8; ++i) {
    test::setPictureImage(gen->Picture(), solid(33, 9, qRgb(i * 30, 0, 0)));
    gen->GenerateFrame();
    frames.push_back(frameAt(sink.received.size() - 1));
    ASSERT_TRUE(frames.back());
  }
  std::vector<std::uint32_t> seen;
  std::thread recorder([&] {
    for (int pass = 0; pass < 2; ++pass)
      for (std::size_t i = frames.size(); i-- > 0;) seen.push_back(frames[i]->Pixel(32, 8));
  });
  const std::uint32_t shown = gen->InternalBuffer().Pixel(0, 0);  // shares the last frame's block
  test::setPictureImage(gen->Picture(), solid(33, 9, qRgb(0, 255, 0)));
  gen->GenerateFrame();
  recorder.join();
  EXPECT_EQ(shown, 7u * 30);
  ASSERT_EQ(seen.size(), 16u);
  for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], (7 - i % 8) * 30) << i;
  EXPECT_EQ(frameAt(sink.received.size() - 1)->Pixel(32, 8), 0x00FF00u);
}

TEST_F(ImageGenTest, NothingIsSentWithoutAConnectionOrWhileDisabled) {
  gen->SetEnabled(false);
  gen->SetEnabled(true);  // not connected: not streaming
  gen->OutputPin().Connect(sink.inputPin.get());
  EXPECT_TRUE(sink.received.empty());  // a later connection starts nothing

  gen->SetEnabled(false);
  sink.received.clear();
  gen->GenerateFrame();
  EXPECT_TRUE(sink.received.empty());
  gen->SetEnabled(false);  // unchanged: nothing
  EXPECT_TRUE(sink.received.empty());
}

TEST_F(ImageGenTest, EnablePinFollowsChangesOnlyAndDrivesEnabled) {
  int peerChanges = 0;
  TOWBoolStatePin peer(nullptr, [&](bool) { ++peerChanges; });
  gen->EnablePin().Link(peer);
  gen->SetEnabled(true);  // already true
  EXPECT_EQ(peerChanges, 0);
  gen->SetEnabled(false);
  EXPECT_EQ(peerChanges, 0);  // peer already false
  gen->SetEnabled(true);
  EXPECT_EQ(peerChanges, 1);
  EXPECT_TRUE(peer.State());
  peer.SetState(false);
  EXPECT_FALSE(gen->Enabled());
}

struct RateRow {
  int frameRate;
  std::int64_t period;
  friend void PrintTo(const RateRow& row, std::ostream* out) { *out << row.frameRate << " fps"; }
};

class FrameRateTest : public ImageGenTest, public ::testing::WithParamInterface<RateRow> {};

TEST_P(FrameRateTest, StartAnnouncesTheFramePeriod) {
  connectDisabled();
  gen->SetFrameRate(GetParam().frameRate);
  gen->SetEnabled(true);
  ASSERT_EQ(sink.Count<TOWStartFrameOperation>(), 1);
  auto start = OperationAs<TOWStartFrameOperation>(sink.received[2].operation);
  EXPECT_EQ(start->framePeriod100ns, GetParam().period);
  EXPECT_EQ(start->width, 1);  // an empty picture gives 1 x 1
  EXPECT_EQ(gen->FrameRate(), GetParam().frameRate);
}

INSTANTIATE_TEST_SUITE_P(Rates, FrameRateTest,
                         ::testing::Values(RateRow{5, 2'000'000}, RateRow{30, 333'333},
                                           RateRow{1, 10'000'000}, RateRow{0, 10'000'000},
                                           RateRow{-4, 10'000'000}));

TEST_F(ImageGenTest, SinksTalkBackUpstream) {
  connectDisabled();
  gen->SetEnabled(true);
  sink.received.clear();
  sink.inputPin->Notify(std::make_shared<TOWStopOperation>());
  EXPECT_EQ(sink.Count<TOWStopOperation>(), 1);

  sink.inputPin->Notify(std::make_shared<TOWQueryStreamOperation>());
  EXPECT_EQ(sink.Count<TOWIgnoreStreamOperation>(), 0);  // enabled: no answer
  gen->SetEnabled(false);
  sink.inputPin->Notify(std::make_shared<TOWQueryStreamOperation>());
  EXPECT_EQ(sink.Count<TOWIgnoreStreamOperation>(), 1);
}

TEST_F(ImageGenTest, AnotherPumpDrivesFramesWithOneFramePerTick) {
  connectDisabled();
  int otherPump = 0;
  sink.onReceive = [&](const TOWOperationPtr& operation) {
    if (auto request = OperationAs<TOWPumpRequestOperation>(operation)) request->pump = &otherPump;
  };
  gen->SetEnabled(true);
  EXPECT_FALSE(gen->IsMaster());
  sink.received.clear();

  auto tick = std::make_shared<TOWMasterPumpOperation>(&otherPump);
  sink.inputPin->Notify(tick);
  sink.inputPin->Notify(tick);  // the same tick along a second path
  EXPECT_EQ(sink.Count<TOWSuppliedBufferOperation>(), 1);
  sink.inputPin->Notify(std::make_shared<TOWMasterPumpOperation>(&otherPump));
  EXPECT_EQ(sink.Count<TOWSuppliedBufferOperation>(), 2);
  sink.inputPin->Notify(std::make_shared<TOWMasterPumpOperation>(nullptr));  // not our pump
  EXPECT_EQ(sink.Count<TOWSuppliedBufferOperation>(), 2);
}

TEST_F(ImageGenTest, ClockPinPulsesProduceFramesWhileMasterOnAnExternalClock) {
  connectDisabled();
  PlainSource clock{"Clock1"};
  clock.outputPin->Connect(&gen->ClockPin());
  clock.outputPin->Notify(std::make_shared<TOWClockOperation>());
  EXPECT_EQ(sink.Count<TOWSuppliedBufferOperation>(), 0);  // disabled
  gen->SetEnabled(true);
  EXPECT_TRUE(gen->IsMaster());
  clock.outputPin->Notify(std::make_shared<TOWClockOperation>());
  clock.outputPin->Notify(std::make_shared<TOWStopOperation>());  // not a pulse
  EXPECT_EQ(sink.Count<TOWSuppliedBufferOperation>(), 1);
  EXPECT_FALSE(gen->HasClockSubscription());
}

TEST_F(ImageGenTest, StoredValuesLeaveOutDefaults) {
  auto names = [](const std::vector<layout::Property>& properties) {
    std::vector<std::string> out;
    for (const auto& property : properties) out.push_back(property.name);
    return out;
  };
  TVLImageGen fresh;
  EXPECT_EQ(names(fresh.storedProperties()),
            (std::vector<std::string>{"PumpPriority", "ClockSource"}));
  gen->SetFrameRate(1);
  gen->SetEnabled(false);
  const auto stored = gen->storedProperties();
  ASSERT_EQ(names(stored),
            (std::vector<std::string>{"FrameRate", "Enabled", "PumpPriority", "ClockSource"}));
  EXPECT_EQ(stored[0].value(), layout::Value(1));
  EXPECT_EQ(stored[3].value(), layout::Value(layout::Value::Identifier{"csExternal"}));
}

}  // namespace
}  // namespace vistrel

#include <fstream>

#include "picture/jpeg_codec.h"
#include "temp_folder.h"

namespace vistrel {
namespace {

class JpegPictureTest : public ImageGenTest {
 protected:
  std::string WriteJpeg(const std::string& name, std::vector<std::uint8_t> bytes) {
    return dir.file(name, std::string(bytes.begin(), bytes.end())).string();
  }
  test::TempFolder dir;
};

TEST_F(JpegPictureTest, ASnapshotFileBecomesFramesOfItsSize) {
  connectDisabled();
  // Already 24-bit, so the encoder converts nothing (Qt would convert this
  // size on its worker threads).
  QImage image(641, 480, QImage::Format_RGB888);
  image.fill(QColor(200, 100, 50));
  const auto bytes = jpeg::Encode(image, {});
  gen->Picture().LoadFromFile(WriteJpeg("snap.jpg", bytes));
  gen->SetEnabled(true);
  auto start = OperationAs<TOWStartFrameOperation>(sink.received.at(2).operation);
  ASSERT_TRUE(start);
  EXPECT_EQ(start->width, 641);
  gen->GenerateFrame();
  auto frame = frameAt(sink.received.size() - 1);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->RowStep(), 644);
  EXPECT_NEAR(frame->Red(640, 479), 200, 3);
  EXPECT_NEAR(frame->Green(0, 0), 100, 3);
  EXPECT_NEAR(frame->Blue(320, 240), 50, 3);
}

TEST_F(JpegPictureTest, DamagedDataIsReportedAndTheGeneratorGoesOn) {
  connectDisabled();
  QImage noise(64, 48, QImage::Format_RGB888);
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x)
      noise.setPixel(x, y, qRgb(x * 37 % 256, y * 91 % 256, x * y % 256));
  }
  auto bytes = jpeg::Encode(noise, {});
  // A good header, then the data breaks off inside a scan and is followed
  // by a marker libjpeg cannot accept there.
  bytes.resize(bytes.size() * 3 / 4);
  bytes.insert(bytes.end(), {0xFF, 0xD8, 0xFF, 0xD8});
  try {
    gen->Picture().LoadFromFile(WriteJpeg("broken.jpg", bytes));
    ADD_FAILURE() << "the damage was not reported";
  } catch (const Exception& error) {
    EXPECT_EQ(std::string(error.what()).rfind("JPEG error #", 0), 0u) << error.what();
  }
  gen->SetEnabled(true);
  gen->GenerateFrame();
  auto frame = frameAt(sink.received.size() - 1);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->Width(), 64);
  EXPECT_EQ(frame->Height(), 48);

  EXPECT_THROW(gen->Picture().LoadFromFile(WriteJpeg("missing.txt", {})), Exception);
  EXPECT_EQ(gen->InternalBuffer().Width(), 64);  // the failed load kept the picture
}

}  // namespace
}  // namespace vistrel

#include "platform/layout/component.h"

namespace vistrel {
namespace {

class NoFixups : public layout::ReadContext {
 public:
  explicit NoFixups(layout::Component& root) : root_(root) {}
  layout::Component& root() override { return root_; }
  void addFixup(std::function<void()> fixup) override { fixup(); }

 private:
  layout::Component& root_;
};

TEST_F(ImageGenTest, AStoredPictureIsReadIntoTheFrameBuffer) {
  test::setPictureImage(gen->Picture(), solid(9, 7, qRgb(1, 2, 3)));
  const auto stored = gen->storedProperties();
  ASSERT_EQ(stored.back().name, "Picture.Data");

  TVLImageGen copy;
  NoFixups context(copy);
  ASSERT_TRUE(copy.readProperty("Picture.Data", stored.back().value(), context));
  EXPECT_EQ(copy.InternalBuffer().Width(), 9);
  EXPECT_EQ(copy.InternalBuffer().Pixel(8, 6), 0x030201u);
  EXPECT_THROW(copy.readProperty("Picture.Data", layout::Value(3), context), Exception);
}

}  // namespace
}  // namespace vistrel
