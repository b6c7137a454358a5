// Pin connections stored in a layout: reading them back in any component
// order, under a renamed form, and writing them in the stored shapes.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "pipeline/errors.h"
#include "pipeline/image_gen.h"
#include "pipeline/unloaded_pin.h"
#include "platform/layout/component.h"
#include "platform/layout/value.h"
#include "test_components.h"

namespace vistrel {
namespace {

using layout::Value;
using test::PlainSource;
using test::RecordingSink;

Value Ident(const std::string& name) { return Value::Identifier{name}; }
Value List(std::vector<Value> items) { return Value::List{std::move(items)}; }

class TestForm : public layout::Component {
 public:
  explicit TestForm(const std::string& name) { setComponentName(name); }
  std::string className() const override { return "TTestForm"; }
  bool readProperty(const std::string&, const Value&, layout::ReadContext&) override {
    return false;
  }
  std::vector<layout::Property> storedProperties() const override { return {}; }
};

// Stands in for the layout reader: the root form and the fix-ups it runs
// once every component exists.
class FakeContext : public layout::ReadContext {
 public:
  explicit FakeContext(layout::Component& root) : root_(root) {}
  layout::Component& root() override { return root_; }
  void addFixup(std::function<void()> fixup) override { fixups_.push_back(std::move(fixup)); }
  void Finish() {
    for (auto& fixup : fixups_) fixup();
    fixups_.clear();
  }

 private:
  layout::Component& root_;
  std::vector<std::function<void()>> fixups_;
};

class StoredConnectionTest : public ::testing::Test {
 protected:
  void TearDown() override { TOWUnloadedPin::DiscardPlaceholders(); }
  TestForm form{"Form1"};
  FakeContext context{form};
};

TEST_F(StoredConnectionTest, ASinkNamedBeforeItExistsIsConnectedWhenLoadingEnds) {
  TVLImageGen gen;
  gen.setComponentName("VLImageGen1");
  gen.readProperty("OutputPin.Form", Ident("Form1"), context);
  gen.readProperty("OutputPin.SinkPins", List({Ident("Form1.VLDSVideoLogger1.InputPin")}), context);
  gen.readProperty("Enabled", false, context);
  gen.readProperty("ClockSource", Ident("csExternal"), context);
  EXPECT_EQ(TOWUnloadedPin::PlaceholderCount(), 1);

  RecordingSink logger{"VLDSVideoLogger1"};
  logger.SetPinRoot(&form);
  context.Finish();
  gen.loaded();

  ASSERT_EQ(gen.OutputPin().SinkCount(), 1);
  EXPECT_EQ(gen.OutputPin().Sink(0), logger.inputPin.get());
  EXPECT_EQ(logger.inputPin->Source(), &gen.OutputPin());
  EXPECT_EQ(TOWUnloadedPin::PlaceholderCount(), 0);
  EXPECT_EQ(gen.OutputPin().Path(), "Form1.VLImageGen1.OutputPin");
  EXPECT_EQ(logger.agreedType, kDefaultStreamType);  // nothing delivered yet
  gen.GenerateFrame();                               // disabled: nothing
  EXPECT_TRUE(logger.received.empty());
}

TEST_F(StoredConnectionTest, BothSidesStoredInEitherOrderMakeOneConnection) {
  RecordingSink sink{"Sink1"};
  sink.readProperty("InputPin.Form", Ident("Form1"), context);
  sink.readProperty("InputPin.SourcePin", Ident("Form1.Source1.OutputPin"), context);
  EXPECT_EQ(TOWUnloadedPin::PlaceholderCount(), 1);  // stands for the source

  PlainSource source{"Source1"};
  source.readProperty("OutputPin.Form", Ident("Form1"), context);
  source.readProperty("OutputPin.SinkPins", List({Ident("Form1.Sink1.InputPin")}), context);
  context.Finish();

  EXPECT_EQ(source.outputPin->SinkCount(), 1);
  EXPECT_EQ(sink.inputPin->Source(), source.outputPin.get());
  EXPECT_EQ(TOWUnloadedPin::PlaceholderCount(), 0);
}

TEST_F(StoredConnectionTest, TheStoredFormNameIsRewrittenButOtherFormsAreNot) {
  TestForm renamed{"MainForm"};
  FakeContext renamedContext{renamed};
  RecordingSink sink{"Sink1"};
  sink.SetPinRoot(&renamed);
  PlainSource source{"Source1"};
  source.readProperty("OutputPin.Form", Ident("Form1"), renamedContext);
  source.readProperty("OutputPin.SinkPins",
                      List({Ident("Form1.Sink1.InputPin"), Ident("OtherForm.Sink1.InputPin")}),
                      renamedContext);
  renamedContext.Finish();

  ASSERT_EQ(source.outputPin->SinkCount(), 2);
  EXPECT_EQ(source.outputPin->Sink(0), sink.inputPin.get());
  auto* unresolved = dynamic_cast<TOWUnloadedPin*>(source.outputPin->Sink(1));
  ASSERT_NE(unresolved, nullptr);
  EXPECT_EQ(unresolved->IndexPathText(), "OtherForm.Sink1.InputPin");
  EXPECT_EQ(unresolved->ReaderPath(), "MainForm.Source1.OutputPin");
  source.outputPin->Notify(std::make_shared<TOWStopOperation>());  // a placeholder gets nothing
  EXPECT_EQ(sink.received.size(), 1u);
}

TEST_F(StoredConnectionTest, ConnectionsAreWrittenInTheStoredShapesAndReadBack) {
  PlainSource source{"Source1"};
  RecordingSink first{"First"};
  RecordingSink second{"Second"};
  for (TOWComponent* component : std::initializer_list<TOWComponent*>{&source, &first, &second}) {
    component->SetPinRoot(&form);
  }
  source.outputPin->Connect(first.inputPin.get());
  source.outputPin->Connect(second.inputPin.get(), first.inputPin.get());

  const auto stored = source.storedProperties();
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0].name, "OutputPin.Form");
  EXPECT_EQ(stored[0].value(), Ident("Form1"));
  EXPECT_EQ(stored[1].name, "OutputPin.SinkPins");
  EXPECT_EQ(stored[1].value(),
            List({Ident("Form1.First.InputPin"),
                  List({Ident("Form1.Second.InputPin"), Ident("Form1.First.InputPin")})}));
  const auto sinkStored = first.storedProperties();
  ASSERT_EQ(sinkStored.size(), 2u);
  EXPECT_EQ(sinkStored[1].name, "InputPin.SourcePin");
  EXPECT_EQ(sinkStored[1].value(), Ident("Form1.Source1.OutputPin"));
  EXPECT_TRUE(RecordingSink{"Idle"}.storedProperties().empty());

  // Read back into a copy of the form loaded under another name.
  TestForm copy{"Form2"};
  FakeContext copyContext{copy};
  PlainSource source2{"Source1"};
  RecordingSink first2{"First"};
  RecordingSink second2{"Second"};
  first2.SetPinRoot(&copy);
  second2.SetPinRoot(&copy);
  for (const auto& property : stored) {
    ASSERT_TRUE(source2.readProperty(property.name, property.value(), copyContext));
  }
  copyContext.Finish();
  ASSERT_EQ(source2.outputPin->SinkCount(), 2);
  EXPECT_EQ(source2.outputPin->SinkEntries()[1].dependency, first2.inputPin.get());
}

TEST_F(StoredConnectionTest, ANameFormPathIsTriedBeforeTheIndexForm) {
  RecordingSink sink{"Sink1"};
  sink.SetPinRoot(&form);
  PlainSource source{"Source1"};
  source.readProperty("OutputPin.Form", Ident("Form1"), context);
  source.readProperty("OutputPin.SinkPins",
                      List({List({Ident("Form1.Sink1.Inputs._Pin0"), "Form1.Sink1.InputPin"})}),
                      context);
  context.Finish();
  EXPECT_EQ(source.outputPin->Sink(0), sink.inputPin.get());
}

TEST_F(StoredConnectionTest, MisshapenValuesAreRejected) {
  PlainSource source{"Source1"};
  EXPECT_THROW(source.readProperty("OutputPin.SinkPins", Value(5), context), EOWException);
  EXPECT_THROW(source.readProperty("OutputPin.SinkPins", List({Value(true)}), context),
               EOWException);
  EXPECT_FALSE(source.readProperty("OutputPin.Colour", Value(5), context));
  EXPECT_EQ(source.outputPin->SinkCount(), 0);
  TVLImageGen gen;
  EXPECT_THROW(gen.readProperty("ClockSource", Ident("csSometimes"), context), Exception);
  EXPECT_THROW(gen.readProperty("FrameRate", Value("fast"), context), Exception);
}

}  // namespace
}  // namespace vistrel

#include "platform/layout/class_registry.h"
#include "platform/layout/layout_reader.h"
#include "platform/layout/layout_writer.h"

namespace vistrel {
namespace {

class TestWindow : public layout::Component {
 public:
  std::string className() const override { return "TTestWindow"; }
  bool readProperty(const std::string&, const layout::Value&, layout::ReadContext&) override {
    return false;
  }
  std::vector<layout::Property> storedProperties() const override { return {}; }
};

constexpr const char* kWindowLayout = R"(object Form1: TTestWindow
  object VLImageGen1: TVLImageGen
    OutputPin.Form = Form1
    OutputPin.SinkPins = (Form1.VLDSVideoLogger1.InputPin)
    FrameRate = 1
    Enabled = False
    PumpPriority = 0
    ClockSource = csExternal
  end
  object VLDSVideoLogger1: TRecordingSink
    InputPin.Form = Form1
    InputPin.SourcePin = Form1.VLImageGen1.OutputPin
  end
end
)";

class WindowLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterImageGenClass();
    layout::registerClass("TRecordingSink", [](layout::Component&) {
      return std::unique_ptr<layout::Component>(std::make_unique<RecordingSink>());
    });
  }
  void TearDown() override { TOWUnloadedPin::DiscardPlaceholders(); }

  static void expectGeneratorFeedsLogger(TestWindow& window) {
    auto* gen = dynamic_cast<TVLImageGen*>(window.findComponent("VLImageGen1"));
    auto* logger = dynamic_cast<RecordingSink*>(window.findComponent("VLDSVideoLogger1"));
    ASSERT_TRUE(gen && logger);
    ASSERT_EQ(gen->OutputPin().SinkCount(), 1);
    EXPECT_EQ(gen->OutputPin().Sink(0), logger->inputPin.get());
    EXPECT_EQ(logger->inputPin->Source(), &gen->OutputPin());
    EXPECT_EQ(logger->inputPin->Path(), "Form1.VLDSVideoLogger1.InputPin");
    EXPECT_FALSE(gen->Enabled());
    EXPECT_EQ(gen->FrameRate(), 1);
    EXPECT_EQ(gen->ClockSource(), TSLClockSource::csExternal);
    EXPECT_EQ(TOWUnloadedPin::PlaceholderCount(), 0);
  }
};

TEST_F(WindowLayoutTest, AfterLoadingTheGeneratorFeedsExactlyTheLogger) {
  TestWindow window;
  layout::readLayout(window, kWindowLayout);
  expectGeneratorFeedsLogger(window);

  // Written back and read into a second window: the same single connection.
  const std::string written = layout::writeLayout(window);
  EXPECT_NE(written.find("OutputPin.SinkPins = (Form1.VLDSVideoLogger1.InputPin)"),
            std::string::npos)
      << written;
  TestWindow copy;
  layout::readLayout(copy, written);
  expectGeneratorFeedsLogger(copy);
  auto* gen = dynamic_cast<TVLImageGen*>(window.findComponent("VLImageGen1"));
  EXPECT_EQ(gen->OutputPin().SinkCount(), 1);  // the copy did not take the first window's pins
}

}  // namespace
}  // namespace vistrel
