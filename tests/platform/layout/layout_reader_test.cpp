#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <QObject>

#include "platform/layout/layout_reader.h"
#include "test_components.h"

namespace vistrel::testing {
namespace {

using layout::Value;

class LayoutReaderTest : public ::testing::Test {
 protected:
  LayoutReaderTest() {
    registerTestClasses(registry_, &log_);
    registry_.registerClass("TBroken",
                            [](layout::Component&) -> std::unique_ptr<layout::Component> {
                              throw Exception("no device");
                            });
  }

  void read(const std::string& text) { layout::readLayout(form_, text, registry_); }

  // The message of the EReadError that reading `text` throws.
  std::string readError(const std::string& text) {
    try {
      read(text);
    } catch (const layout::EReadError& error) {
      return error.what();
    }
    ADD_FAILURE() << "no error for:\n" << text;
    return {};
  }

  const Value& valueOf(const std::string& property) {
    auto* control = static_cast<TestComponent*>(form_.findComponent("Control1"));
    if (control == nullptr) throw Exception("Control1 missing");
    const Value* value = control->find(property);
    if (value == nullptr) throw Exception(property + " missing");
    return *value;
  }

  std::vector<std::string> log_;
  layout::ClassRegistry registry_;
  TestComponent form_{"TTestForm", &log_};
};

TEST_F(LayoutReaderTest, ReadsEveryValueShape) {
  read(R"(object Form1: TTestForm
  object Control1: TTestControl
    Left = 297
    Top = -12
    Mask = $1F
    Big = -9223372036854775808
    HexMin = -$8000000000000000
    Ratio = 1.5
    Tiny = -2.5e-3
    Caption = 'It''s '#13#10'ok' +
      ' (continued) '#8364
    Utf = 'Grüße → ok'
    Empty = ''
    Color = clNavy
    Path = Form1.Control1.InputPin
    Visible = True
    Sorted = False
    Style = [fsBold, fsItalic]
    NoStyle = []
    Pins = ('Form1.A.InputPin' Form1.B.InputPin (x 'y') 3)
    Lines = (
      'one'
      'two')
    Data = {0A54 4A50
            4547}
    Items = <
      item
        Name = 'XviD MPEG-4 Codec'
        Params = {24000000}
      end
      item
      end>
    NoItems = <>
  end
end
)");
  EXPECT_EQ(valueOf("Left"), Value(297));
  EXPECT_EQ(valueOf("Top").asInteger(), -12);
  EXPECT_EQ(valueOf("Mask").asInteger(), 31);
  EXPECT_EQ(valueOf("Big").asInteger(), INT64_MIN);
  EXPECT_EQ(valueOf("HexMin").asInteger(), INT64_MIN);
  EXPECT_DOUBLE_EQ(valueOf("Ratio").asFloat(), 1.5);
  EXPECT_DOUBLE_EQ(valueOf("Tiny").asFloat(), -0.0025);
  EXPECT_EQ(valueOf("Caption").asString(), "It's \r\nok (continued) €");
  EXPECT_EQ(valueOf("Utf").asString(), "Grüße → ok");
  EXPECT_EQ(valueOf("Empty").asString(), "");
  EXPECT_EQ(valueOf("Color").asIdentifier(), "clNavy");
  EXPECT_FALSE(valueOf("Color").is<std::string>());
  EXPECT_EQ(valueOf("Path").asIdentifier(), "Form1.Control1.InputPin");
  EXPECT_TRUE(valueOf("Visible").asBoolean());
  EXPECT_FALSE(valueOf("Sorted").asBoolean());
  EXPECT_EQ(valueOf("Style").asSet().members, (std::vector<std::string>{"fsBold", "fsItalic"}));
  EXPECT_TRUE(valueOf("NoStyle").asSet().members.empty());

  const auto& pins = valueOf("Pins").asList().items;
  ASSERT_EQ(pins.size(), 4u);
  EXPECT_EQ(pins[0].asString(), "Form1.A.InputPin");
  EXPECT_EQ(pins[1].asIdentifier(), "Form1.B.InputPin");
  EXPECT_EQ(pins[2].asList().items, (std::vector<Value>{Value::Identifier{"x"}, "y"}));
  EXPECT_EQ(pins[3].asInteger(), 3);
  EXPECT_EQ(valueOf("Lines").asList().items, (std::vector<Value>{"one", "two"}));

  EXPECT_EQ(valueOf("Data").asBinary().bytes,
            (std::vector<std::uint8_t>{0x0A, 0x54, 0x4A, 0x50, 0x45, 0x47}));
  const auto& items = valueOf("Items").asCollection().items;
  ASSERT_EQ(items.size(), 2u);
  ASSERT_EQ(items[0].size(), 2u);
  EXPECT_EQ(items[0][0].name, "Name");
  EXPECT_EQ(items[0][0].value().asString(), "XviD MPEG-4 Codec");
  EXPECT_EQ(items[0][1].value().asBinary().bytes, (std::vector<std::uint8_t>{0x24, 0, 0, 0}));
  EXPECT_TRUE(items[1].empty());
  EXPECT_TRUE(valueOf("NoItems").asCollection().items.empty());
}

TEST_F(LayoutReaderTest, TypedAccessRejectsAnotherKind) {
  read("object Form1: TTestForm\n object Control1: TTestControl\n Color = clNavy\n end\nend\n");
  EXPECT_THROW(valueOf("Color").asString(), Exception);
  EXPECT_THROW(valueOf("Color").asInteger(), Exception);
}

TEST_F(LayoutReaderTest, BuildsTheTreeWithNamesOwnersAndPaths) {
  read(R"(object Main: TTestForm
  Caption = 'x'
  object Panel1: TTestPanel
    object Button1: TTestControl
    end
  end
  object Control1: TTestControl
  end
end
)");
  EXPECT_EQ(form_.componentName(), "Main");
  ASSERT_EQ(form_.childComponents().size(), 2u);
  layout::Component* button = form_.findComponent("Button1");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->owner(), form_.findComponent("Panel1"));
  EXPECT_EQ(&button->rootComponent(), &form_);
  EXPECT_EQ(button->componentPath(), "Main.Panel1.Button1");
}

TEST_F(LayoutReaderTest, FixupsRunBeforeLoadedAndLoadedRunsChildrenFirst) {
  read(R"(object Form1: TTestForm
  object Panel1: TTestPanel
    object Control1: TTestControl
      Buddy = Control2
    end
  end
  object Control2: TTestControl
  end
end
)");
  EXPECT_EQ(log_, (std::vector<std::string>{"fixup Control1", "loaded Control1", "loaded Panel1",
                                            "loaded Control2", "loaded Form1"}));
  auto* control = static_cast<TestComponent*>(form_.findComponent("Control1"));
  EXPECT_EQ(control->buddy(), form_.findComponent("Control2"));
}

struct ErrorCase {
  const char* what;
  const char* text;
  const char* message;
};

class LayoutReaderErrorTest : public LayoutReaderTest,
                              public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(LayoutReaderErrorTest, NamesTheFaultAndItsLine) {
  EXPECT_EQ(readError(GetParam().text), GetParam().message);
  EXPECT_TRUE(log_.empty()) << "no loaded() after a failed read";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, LayoutReaderErrorTest,
    ::testing::Values(
        ErrorCase{"unregistered class",
                  "object Form1: TTestForm\n  object Foo1: TFoo\n  end\nend\n",
                  "Class TFoo not found (line 2)"},
        ErrorCase{"unknown property",
                  "object Form1: TTestForm\n  object ListBox1: TTestControl\n    Left = 1\n"
                  "    UnknownFoo = 3\n  end\nend\n",
                  "Error reading Form1.ListBox1.UnknownFoo: Property UnknownFoo does not exist "
                  "(line 4)"},
        ErrorCase{"value rejected by the component", "object Form1: TTestForm\n  Width = -4\nend\n",
                  "Error reading Form1.Width: Width must not be negative (line 2)"},
        ErrorCase{"constructor fails",
                  "object Form1: TTestForm\n  object Panel1: TTestPanel\n    object Cam1: TBroken\n"
                  "    end\n  end\nend\n",
                  "Error creating Form1.Panel1.Cam1: no device (line 3)"},
        ErrorCase{"duplicate name",
                  "object Form1: TTestForm\n  object A: TTestPanel\n    object B: TTestControl\n"
                  "    end\n  end\n  object B: TTestControl\n  end\nend\n",
                  "A component named B already exists (line 6)"},
        ErrorCase{"wrong root class", "object Form1: TOther\nend\n",
                  "Layout of class TOther cannot be read into TTestForm (line 1)"},
        ErrorCase{"missing equals", "object Form1: TTestForm\n  Left 3\nend\n",
                  "'=' expected but number found (line 2)"},
        ErrorCase{"unterminated string", "object Form1: TTestForm\n\n  Caption = 'abc\nend\n",
                  "Unterminated string (line 3)"},
        ErrorCase{"odd hex digits", "object Form1: TTestForm\n  Data = {0A5\n  }\nend\n",
                  "Odd number of hexadecimal digits in binary block (line 3)"},
        ErrorCase{"bad hex digit", "object Form1: TTestForm\n  Data = {0A\n   5G}\nend\n",
                  "Invalid character 'G' in binary block (line 3)"},
        ErrorCase{"integer overflow", "object Form1: TTestForm\n  Big = 9223372036854775808\nend\n",
                  "Number out of range (line 2)"},
        ErrorCase{"missing end", "object Form1: TTestForm\n  Left = 1\n",
                  "'end' expected but end of text found (line 3)"},
        ErrorCase{"text after root", "object Form1: TTestForm\nend\nobject X: TTestForm\nend\n",
                  "End of text expected after the root object (line 3)"},
        ErrorCase{"item without end",
                  "object Form1: TTestForm\n  Items = <\n    item\n    >\nend\n",
                  "'end' expected but '>' found (line 4)"},
        ErrorCase{"string continuation", "object Form1: TTestForm\n  Caption = 'a' +\n  3\nend\n",
                  "String expected after '+' (line 3)"}),
    [](const auto& info) {
      std::string name = info.param.what;
      for (char& c : name) {
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return name;
    });

TEST_F(LayoutReaderTest, UnregisteredClassIsEClassNotFound) {
  EXPECT_THROW(read("object Form1: TTestForm\n  object X: TNope\n  end\nend\n"),
               layout::EClassNotFound);
}

// Components that are QObjects, as widgets are: the Qt parent deletes its
// children, so the parent records them as unowned and no child is deleted
// twice (the sanitizer build checks that).
class QtComponent : public QObject, public TestComponent {
 public:
  QtComponent(const char* className, QObject* parent, std::vector<std::string>* log)
      : QObject(parent), TestComponent(className, log), log_(log) {}
  ~QtComponent() override {
    if (log_) log_->push_back("destroyed " + componentName());
  }
  void insertChild(std::unique_ptr<layout::Component> child) override {
    auto* object = dynamic_cast<QObject*>(child.get());
    if (object == nullptr) return TestComponent::insertChild(std::move(child));
    object->setParent(this);
    // The window keeps its own list (as a form class may); panels use the base's.
    if (className() == "TTestForm") {
      kept_.push_back(child.release());
    } else {
      addUnownedChild(*child.release());
    }
  }

 private:
  std::vector<std::string>* log_;
  std::vector<layout::Component*> kept_;

 public:
  std::vector<layout::Component*> childComponents() const override {
    auto all = TestComponent::childComponents();
    all.insert(all.end(), kept_.begin(), kept_.end());
    return all;
  }
};

TEST_F(LayoutReaderTest, QtParentsDeleteTheirChildrenExactlyOnce) {
  layout::ClassRegistry registry;
  std::vector<std::string> log;
  registry.registerClass("TQtChild", [&log](layout::Component& owner) {
    return std::make_unique<QtComponent>("TQtChild", dynamic_cast<QObject*>(&owner), &log);
  });
  registry.registerClass("TPlain", [](layout::Component&) {
    return std::make_unique<TestComponent>("TPlain", nullptr);
  });
  auto form = std::make_unique<QtComponent>("TTestForm", nullptr, &log);
  layout::readLayout(*form, R"(object Form1: TTestForm
  object Panel1: TQtChild
    object Edit1: TQtChild
    end
    object Plain1: TPlain
    end
  end
end
)",
                     registry);
  layout::Component* panel = form->findComponent("Panel1");
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(dynamic_cast<QObject*>(panel)->parent(), form.get());
  EXPECT_EQ(panel->childComponents().size(), 2u);
  // owner() and paths hold even though insertChild kept the child to itself.
  EXPECT_EQ(form->findComponent("Edit1")->componentPath(), "Form1.Panel1.Edit1");
  EXPECT_EQ(form->findComponent("Plain1")->owner(), panel);
  form.reset();
  EXPECT_EQ(std::count(log.begin(), log.end(), "destroyed Edit1"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "destroyed Panel1"), 1);
}

}  // namespace
}  // namespace vistrel::testing
