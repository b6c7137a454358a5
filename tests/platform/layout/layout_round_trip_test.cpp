#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "platform/layout/layout_reader.h"
#include "platform/layout/layout_writer.h"
#include "test_components.h"

namespace vistrel::testing {
namespace {

class LayoutRoundTripTest : public ::testing::Test {
 protected:
  LayoutRoundTripTest() { registerTestClasses(registry_, nullptr); }

  std::string readAndWrite(const std::string& text) {
    TestComponent form("TTestForm", nullptr);
    layout::readLayout(form, text, registry_);
    return layout::writeLayout(form);
  }

  layout::ClassRegistry registry_;
};

std::string hexBytes(std::size_t count) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string hex;
  for (std::size_t i = 0; i < count; ++i) {
    hex += kHex[(i * 7 / 16) % 16];
    hex += kHex[(i * 7) % 16];
  }
  return hex;
}

// The canonical text of a layout with every value shape: writing what was
// read gives these bytes back exactly.
std::string canonicalLayout() {
  std::string picture = "    Picture.Data = {";
  const std::string hex = hexBytes(32 * 40 + 5);  // 40 full lines and a short one
  for (std::size_t at = 0; at < hex.size(); at += 64) picture += "\n      " + hex.substr(at, 64);
  picture += "}\n";
  return R"(object Form1: TTestForm
  Left = 297
  Top = -139
  Caption = 'Vistrel Records Preview'
  Color = clNavy
  Font.Style = [fsBold]
  Scale = 0.1
  Offset = -2.5e-07
  Whole = 3.0
  Huge = 1e+300
  Min = -9223372036854775808
  OnCreate = FormCreate
  object Image1: TTestControl
    Left = 8
    Stretch = True
)" + picture +
         R"(  end
  object Label1: TTestControl
    Caption = ' Slide: 0/0 '
    Quote = 'It''s ''quoted'''
    Control = 'tab'#9'line'#13#10'bell'#7#127
    Utf = 'Grüße, Ђорђе → ✓'
    Empty = ''
    Long = 'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa' +
      'bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb' +
      'cc'
    AutoSize = False
    Anchors = []
  end
  object Panel1: TTestPanel
    object VLImageGen1: TTestControl
      OutputPin.Form = Form1
      OutputPin.SinkPins = (Form1.VLDSVideoLogger1.InputPin)
      Nested = (
        (a b)
        (Form1.X 'Form1.X.Pin')
        1
        -2
        2.5)
      Flat = (a 'b' 1 -2 2.5 [x] {00FF} True)
      LongList = (
        'xxxxxxxxxxxxxxxxxxxx'
        'yyyyyyyyyyyyyyyyyyyy'
        'zzzzzzzzzzzzzzzzzzzz'
        'wwwwwwwwwwwwwwwwwwww')
      BlockList = (
        {0102}
        {
          00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF
          00}
        <>)
      ClockSource = csExternal
    end
  end
  object VLDSVideoLogger1: TTestControl
    InputPin.Form = Form1
    InputPin.SourcePin = Form1.VLImageGen1.OutputPin
    VideoCompression.Compressors = <
      item
        Data = (
          '@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\xvid'
          'XviD MPEG-4 Codec')
        Params.Data = {
          2400000030003000300030003000300030003000300030003000200008000000
          78766964}
        Quality = 0
        KeyFrameRate = 0
        Inner = <
          item
            Flag = True
          end>
      end
      item
      end>
    Empty = {}
  end
end
)";
}

TEST_F(LayoutRoundTripTest, CanonicalTextComesBackByteForByte) {
  const std::string text = canonicalLayout();
  EXPECT_EQ(readAndWrite(text), text);
}

TEST_F(LayoutRoundTripTest, FreeFormTextBecomesStableAfterOneWrite) {
  const std::string text =
      "\xEF\xBB\xBF"
      R"(// comments, hex, splits and spacing are not kept
object Form1: TTestForm   // the window
  Mask = $FF
  Neg = -$10
  Caption = 'ab' + 'cd'#10 + #65
  Style=[ a,b ]
  Pins = (
    'x' y
  )
  Data = {
    0a0b 0c
  }
  Items = <item Name = 'n' end>
end)";
  const std::string once = readAndWrite(text);
  EXPECT_EQ(once, R"(object Form1: TTestForm
  Mask = 255
  Neg = -16
  Caption = 'abcd'#10'A'
  Style = [a, b]
  Pins = ('x' y)
  Data = {0A0B0C}
  Items = <
    item
      Name = 'n'
    end>
end
)");
  EXPECT_EQ(readAndWrite(once), once);
}

TEST(LayoutWriter, FloatsReadBackExactly) {
  for (double number : {0.1, 1.0 / 3, -0.0, 1e-310, 123456789.125, 5e22}) {
    const std::string text = layout::formatValue(layout::Value(number));
    EXPECT_TRUE(text.find_first_of(".e") != std::string::npos) << text;
    double back = 0;
    std::from_chars(text.data(), text.data() + text.size(), back);
    EXPECT_EQ(back, number) << text;
    EXPECT_EQ(std::signbit(back), std::signbit(number)) << text;
  }
}

TEST(LayoutWriter, RefusesWhatTheTextCannotCarry) {
  using layout::Value;
  EXPECT_THROW(layout::formatValue(Value(std::numeric_limits<double>::infinity())), Exception);
  EXPECT_THROW(layout::formatValue(Value(Value::Identifier{"two words"})), Exception);
  EXPECT_THROW(layout::formatValue(Value(Value::Identifier{"True"})), Exception);
  EXPECT_THROW(layout::formatValue(Value(Value::Set{{"ok", "1bad"}})), Exception);
}

}  // namespace
}  // namespace vistrel::testing
