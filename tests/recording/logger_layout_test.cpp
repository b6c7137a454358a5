// The video logger as the main window's layout stores it: read through the
// class registry, connected to the generator, written back unchanged, and
// recording with the stored compressor item.
#include <QDir>

#include "avi_reader.h"
#include "pipeline/unloaded_pin.h"
#include "platform/layout/layout_reader.h"
#include "platform/layout/layout_writer.h"
#include "recording_fixture.h"

namespace vistrel::test {
namespace {

class RecordingWindow : public layout::Component {
 public:
  std::string className() const override { return "TRecordingWindow"; }
  bool readProperty(const std::string&, const layout::Value&, layout::ReadContext&) override {
    return false;
  }
  std::vector<layout::Property> storedProperties() const override { return {}; }
};

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t b : bytes) text += {digits[b >> 4], digits[b & 15]};
  return text;
}

std::string windowLayout() {
  std::vector<std::uint8_t> params{32, 0, 0, 0};
  for (std::uint8_t b : StoredXvidParams()) params.push_back(b);
  return R"(object Form1: TRecordingWindow
  object VLImageGen1: TVLImageGen
    OutputPin.Form = Form1
    OutputPin.SinkPins = (Form1.VLDSVideoLogger1.InputPin)
    FrameRate = 1
    Enabled = False
    PumpPriority = 0
    ClockSource = csExternal
  end
  object VLDSVideoLogger1: TVLDSVideoLogger
    InputPin.Form = Form1
    InputPin.SourcePin = Form1.VLImageGen1.OutputPin
    FileName = 'C:\Design\vistrel.avi'
    Enabled = False
    Graph.Register = False
    Graph.AdditionalFilters = <>
    VideoCompression.Enabled = True
    VideoCompression.Compressions = <
      item
        Data = ('@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\xvid' 'XviD MPEG-4 Codec')
        Params.Data = {)" +
         Hex(params) + R"(}
        Quality = 0
        KeyFrameRate = 0
        WindowSize = 1
        PFramesPerKeyFrame = 0
      end>
    AudioCompression.Enabled = False
    AudioCompression.Compressions = <
      item
        Channels = 1
        BitsPerSample = 16
        SamplesPerSec = 8000
        ChannelMask = 0
      end>
  end
end
)";
}

class LoggerLayoutTest : public RecordingFixture {
 protected:
  void SetUp() override {
    RecordingFixture::SetUp();
    RegisterImageGenClass();
    recording::registerClasses();
    layout::registerClass("TRecordingWindow", [](layout::Component&) {
      return std::unique_ptr<layout::Component>(std::make_unique<RecordingWindow>());
    });
  }
  void TearDown() override {
    TOWUnloadedPin::DiscardPlaceholders();
    RecordingFixture::TearDown();
  }
};

TEST_F(LoggerLayoutTest, StoredLoggerReadsWritesBackAndRecords) {
  RecordingWindow window;
  layout::readLayout(window, windowLayout());
  auto* loaded = dynamic_cast<TVLDSVideoLogger*>(window.findComponent("VLDSVideoLogger1"));
  auto* source = dynamic_cast<TVLImageGen*>(window.findComponent("VLImageGen1"));
  ASSERT_TRUE(loaded && source);
  EXPECT_EQ(loaded->InputPin().Source(), &source->OutputPin());
  EXPECT_FALSE(loaded->Enabled());
  EXPECT_EQ(loaded->FileName(), "C:\\Design\\vistrel.avi");
  EXPECT_TRUE(loaded->VideoCompression().Enabled());
  ASSERT_EQ(loaded->VideoCompression().Compressions().Count(), 1u);
  EXPECT_EQ(loaded->VideoCompression().Compressions().Item(0).Params(), StoredXvidParams());
  EXPECT_FALSE(loaded->AudioCompression().Enabled());
  EXPECT_EQ(loaded->AudioCompression().Item(0).samplesPerSec, 8000);

  const std::string written = layout::writeLayout(window);
  RecordingWindow copy;
  layout::readLayout(copy, written);
  auto* copied = dynamic_cast<TVLDSVideoLogger*>(copy.findComponent("VLDSVideoLogger1"));
  ASSERT_TRUE(copied);
  EXPECT_EQ(copied->storedProperties().size(), loaded->storedProperties().size());
  EXPECT_EQ(layout::writeLayout(copy), written);

  // Start-up replaces the design-time name; export runs as the viewer runs it.
  const QImage picture = TestPicture(320, 240, 0);
  loadPicture(source->Picture(), picture);
  source->SetFrameRate(5);
  loaded->SetFileName("C:\\vistrel.avi");
  loaded->SetEnabled(true);
  source->SetEnabled(true);
  for (int i = 0; i < 3; ++i) {
    loadPicture(source->Picture(), TestPicture(320, 240, i));
    source->GenerateFrame();
    QCoreApplication::processEvents();
  }
  source->SetEnabled(false);
  loaded->SetEnabled(false);
  const auto facts = probeAvi(HostPath("vistrel.avi"));
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->codecTag, "XVID");
  EXPECT_EQ(facts->frames, 3);
}

}  // namespace
}  // namespace vistrel::test
