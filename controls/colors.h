// Colours as the stored layout writes them: a name such as clNavy, or an
// integer $00BBGGRR (blue in the high byte, red in the low byte). System
// colours (clWindow, clBtnFace, ...) are negative and map to the classic
// Windows scheme: one table for every control.
#pragma once

#include <cstdint>

#include <QColor>

#include "platform/layout/value.h"

namespace vistrel::controls {

using TColor = std::int32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clHighlight = -16777203;
inline constexpr TColor clHighlightText = -16777202;
inline constexpr TColor clWindow = -16777211;
inline constexpr TColor clWindowText = -16777208;
inline constexpr TColor clBtnFace = -16777201;
inline constexpr TColor clGrayText = -16777199;
inline constexpr TColor clBtnText = -16777198;

QColor toQColor(TColor color);
// Throws vistrel::Exception for an unknown colour name.
TColor colorFromValue(const layout::Value& value);
// The name when the colour has one, else the integer.
layout::Value colorToValue(TColor color);

}  // namespace vistrel::controls
