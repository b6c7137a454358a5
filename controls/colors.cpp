#include "controls/colors.h"

#include <array>
#include <map>
#include <string_view>

#include "platform/exception.h"

namespace vistrel::controls {
namespace {

struct NamedColor {
  std::string_view name;
  TColor color;
};

constexpr std::array<NamedColor, 23> kNamedColors{{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clWindow", clWindow},
    {"clWindowText", clWindowText},
    {"clBtnFace", clBtnFace},
    {"clBtnText", clBtnText},
    {"clGrayText", clGrayText},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
}};

}  // namespace

QColor toQColor(TColor color) {
  // The system colours of the classic Windows scheme.
  static const std::map<TColor, QColor> kSystem = {
      {clWindow, QColor(255, 255, 255)},  {clHighlightText, QColor(255, 255, 255)},
      {clWindowText, QColor(0, 0, 0)},    {clBtnText, QColor(0, 0, 0)},
      {clBtnFace, QColor(192, 192, 192)}, {clGrayText, QColor(128, 128, 128)},
      {clHighlight, QColor(0, 0, 128)},
  };
  if (const auto system = kSystem.find(color); system != kSystem.end()) return system->second;
  const auto bgr = static_cast<std::uint32_t>(color);
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

TColor colorFromValue(const layout::Value& value) {
  if (value.is<std::int64_t>()) return static_cast<TColor>(value.asInteger());
  const std::string& name = value.asIdentifier();
  for (const NamedColor& named : kNamedColors) {
    if (named.name == name) return named.color;
  }
  throw Exception("Invalid property value: colour " + name);
}

layout::Value colorToValue(TColor color) {
  for (const NamedColor& named : kNamedColors) {
    if (named.color == color) return layout::Value::Identifier{std::string(named.name)};
  }
  return layout::Value(std::int64_t{color});
}

}  // namespace vistrel::controls
