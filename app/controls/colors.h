// Colours as the stored layout writes them: a name such as clNavy, or an
// integer $00BBGGRR (blue in the high byte, red in the low byte). System
// colours (clWindow, clBtnFace, ...) are negative and map to fixed values.
#pragma once

#include <cstdint>

#include <QColor>

#include "platform/layout/value.h"

namespace vistrel::app {

using TColor = std::int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clWindow = -16777211;
inline constexpr TColor clWindowText = -16777208;
inline constexpr TColor clBtnFace = -16777201;

QColor toQColor(TColor color);
// Throws vistrel::Exception for an unknown colour name.
TColor colorFromValue(const layout::Value& value);
// The name when the colour has one, else the integer.
layout::Value colorToValue(TColor color);

}  // namespace vistrel::app
