#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <QFont>
#include <QWidget>

#include "controls/control.h"
#include "platform/exception.h"

namespace vistrel::controls {
namespace {

// A control with one property of its own and one that replaces an inherited
// one, read without a layout around it.
class Probe : public QWidget, public Control {
 public:
  Probe() : Control(this) {}
  std::string className() const override { return "TProbe"; }
  std::string caption;
  int ctl3DReads = 0;

 protected:
  const PropertyTable& propertyTable() const override {
    using P = Stored<Probe>;
    static const PropertyTable table({&controlPropertyTable()},
                                     {P::field("Caption", &Probe::caption),
                                      P::property(
                                          "Ctl3D", [](const Probe&) { return true; },
                                          [](Probe& probe, bool) { ++probe.ctl3DReads; })});
    return table;
  }
};

class NoContext : public layout::ReadContext {
 public:
  layout::Component& root() override { throw Exception("no root"); }
  void addFixup(std::function<void()>) override {}
};

std::vector<std::string> names(const std::vector<layout::Property>& properties) {
  std::vector<std::string> out;
  for (const layout::Property& property : properties) out.push_back(property.name);
  return out;
}

TEST(StoredControlTest, ReadsThroughTheTableAndWritesLiveValuesInReadOrder) {
  Probe probe;
  NoContext context;
  const std::vector<layout::Property> stored = {
      layout::makeProperty("Caption", "first"),
      layout::makeProperty("Width", 40),
      layout::makeProperty("Ctl3D", false),
      layout::makeProperty("Color", layout::Value::Identifier{"clNavy"}),
      layout::makeProperty("Caption", "second"),
  };
  for (const layout::Property& property : stored) {
    ASSERT_TRUE(probe.readProperty(property.name, property.value(), context)) << property.name;
  }
  EXPECT_FALSE(probe.readProperty("Sorted", true, context));
  EXPECT_THROW(probe.readProperty("Color", layout::Value::Identifier{"clMauve"}, context),
               Exception);
  EXPECT_EQ(probe.ctl3DReads, 1);  // the class's own entry, not the inherited one
  probe.setColor(clWhite);
  const std::vector<layout::Property> written = probe.storedProperties();
  EXPECT_EQ(names(written), (std::vector<std::string>{"Caption", "Width", "Ctl3D", "Color"}));
  EXPECT_EQ(written[0].value(), layout::Value("second"));
  EXPECT_EQ(written[1].value(), layout::Value(40));
  EXPECT_EQ(written[3].value(), layout::Value(layout::Value::Identifier{"clWhite"}));
}

// The rules where Windows' own behaviour decides.
TEST(StoredControlTest, ColourFontAndFocusRules) {
  // System colours in the classic scheme; integers are $00BBGGRR.
  EXPECT_EQ(toQColor(clBtnFace), QColor(192, 192, 192));
  EXPECT_EQ(toQColor(colorFromValue(layout::Value::Identifier{"clGrayText"})),
            QColor(128, 128, 128));
  EXPECT_EQ(toQColor(colorFromValue(std::int64_t{0x0080FF})), QColor(255, 128, 0));
  EXPECT_EQ(colorToValue(clBtnFace), layout::Value(layout::Value::Identifier{"clBtnFace"}));

  // A negative height is the character height, a positive one the cell.
  StoredFont font;
  font.style.members = {"fsBold"};
  EXPECT_EQ(faceOf(font).pixelSize(), 11);
  EXPECT_TRUE(faceOf(font).bold());
  EXPECT_EQ(textMetricHeight(faceOf(font)), 13);
  font.height = 13;  // the cell of that same face
  EXPECT_EQ(faceOf(font).pixelSize(), 11);

  // Out of the tab order, a control still takes the focus on a click.
  Probe probe;
  NoContext context;
  probe.readProperty("TabStop", false, context);
  EXPECT_EQ(probe.focusPolicy(), Qt::ClickFocus);
  probe.readProperty("TabStop", true, context);
  EXPECT_EQ(probe.focusPolicy(), Qt::StrongFocus);
}

}  // namespace
}  // namespace vistrel::controls
