#include "browse/control_properties.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QFont>
#include <QFontMetricsF>
#include <QPalette>
#include <QWidget>

#include "platform/exception.h"

namespace vistrel::browse {

int textMetricHeight(const QFont& font) {
  // Ascent and descent each round up, as Windows' text metrics
  // do; rounding them to the nearest pixel loses a line on small faces.
  const QFontMetricsF metrics(font);
  return static_cast<int>(std::ceil(metrics.ascent() - 0.01) + std::ceil(metrics.descent() - 0.01));
}

namespace {

struct NamedColor {
  const char* name;
  QRgb rgb;
};

// Named colours and the system colours as the classic desktop scheme has them.
constexpr NamedColor kNamedColors[] = {
    {"clBlack", 0x000000},     {"clMaroon", 0x800000},        {"clGreen", 0x008000},
    {"clOlive", 0x808000},     {"clNavy", 0x000080},          {"clPurple", 0x800080},
    {"clTeal", 0x008080},      {"clGray", 0x808080},          {"clSilver", 0xc0c0c0},
    {"clRed", 0xff0000},       {"clLime", 0x00ff00},          {"clYellow", 0xffff00},
    {"clBlue", 0x0000ff},      {"clFuchsia", 0xff00ff},       {"clAqua", 0x00ffff},
    {"clWhite", 0xffffff},     {"clWindow", 0xffffff},        {"clWindowText", 0x000000},
    {"clBtnFace", 0xc0c0c0},   {"clBtnText", 0x000000},       {"clGrayText", 0x808080},
    {"clHighlight", 0x000080}, {"clHighlightText", 0xffffff},
};

int pixelsFromPoints(double points) { return static_cast<int>(std::lround(points * 96.0 / 72.0)); }

}  // namespace

QColor colorFromValue(const layout::Value& value) {
  if (value.is<std::int64_t>()) {
    const auto bgr = static_cast<std::uint32_t>(value.asInteger());
    return QColor(bgr & 0xff, (bgr >> 8) & 0xff, (bgr >> 16) & 0xff);
  }
  const std::string& name = value.asIdentifier();
  for (const NamedColor& color : kNamedColors) {
    if (name == color.name) return QColor::fromRgb(color.rgb);
  }
  throw Exception("Invalid property value: colour " + name);
}

ControlProperties::ControlProperties(QWidget& widget, std::vector<std::string> events)
    : widget_(widget), events_(std::move(events)) {}

bool ControlProperties::read(const std::string& name, const layout::Value& value) {
  QRect geometry = widget_.geometry();
  QFont font = widget_.font();
  QPalette palette = widget_.palette();
  if (name == "Left") {
    geometry.moveLeft(static_cast<int>(value.asInteger()));
    widget_.setGeometry(geometry);
  } else if (name == "Top") {
    geometry.moveTop(static_cast<int>(value.asInteger()));
    widget_.setGeometry(geometry);
  } else if (name == "Width") {
    widget_.resize(static_cast<int>(value.asInteger()), widget_.height());
  } else if (name == "Height") {
    widget_.resize(widget_.width(), static_cast<int>(value.asInteger()));
  } else if (name == "Color") {
    const QColor color = colorFromValue(value);
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button}) {
      palette.setColor(role, color);
    }
    widget_.setPalette(palette);
  } else if (name == "Font.Color") {
    const QColor color = colorFromValue(value);
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText}) {
      palette.setColor(role, color);
    }
    widget_.setPalette(palette);
  } else if (name == "Font.Name") {
    font.setFamily(QString::fromStdString(value.asString()));
    font.setStyleHint(QFont::SansSerif);
    widget_.setFont(font);
  } else if (name == "Font.Height") {
    // Negative: the character height in pixels; positive: the cell height,
    // which we take as the same size.
    font.setPixelSize(std::max(1, static_cast<int>(std::abs(value.asInteger()))));
    widget_.setFont(font);
  } else if (name == "Font.Size") {
    font.setPixelSize(std::max(1, pixelsFromPoints(value.asFloat())));
    widget_.setFont(font);
  } else if (name == "Font.Style") {
    const auto& members = value.asSet().members;
    auto has = [&](const char* style) {
      return std::find(members.begin(), members.end(), style) != members.end();
    };
    font.setBold(has("fsBold"));
    font.setItalic(has("fsItalic"));
    font.setUnderline(has("fsUnderline"));
    font.setStrikeOut(has("fsStrikeOut"));
    widget_.setFont(font);
  } else if (name == "Font.Charset" || name == "Font.Pitch" || name == "ParentFont" ||
             name == "ParentColor" || name == "Ctl3D" || name == "ParentCtl3D") {
    // Kept for writing back; the host draws with its own character sets.
  } else if (name == "TabOrder") {
    tabOrder_ = static_cast<int>(value.asInteger());
  } else if (name == "TabStop") {
    widget_.setFocusPolicy(value.asBoolean() ? Qt::StrongFocus : Qt::NoFocus);
  } else if (name == "Visible") {
    widget_.setVisible(value.asBoolean());
  } else if (name == "Enabled") {
    widget_.setEnabled(value.asBoolean());
  } else if (std::find(events_.begin(), events_.end(), name) != events_.end()) {
    handlers_[name] = value.asIdentifier();
  } else {
    return false;
  }
  remember(name, value);
  return true;
}

void ControlProperties::remember(const std::string& name, const layout::Value& value) {
  for (layout::Property& property : read_) {
    if (property.name == name) {
      property = layout::makeProperty(name, value);
      return;
    }
  }
  read_.push_back(layout::makeProperty(name, value));
}

void ControlProperties::store(std::vector<layout::Property>& out) const {
  const QRect geometry = widget_.geometry();
  out.push_back(layout::makeProperty("Left", geometry.left()));
  out.push_back(layout::makeProperty("Top", geometry.top()));
  out.push_back(layout::makeProperty("Width", geometry.width()));
  out.push_back(layout::makeProperty("Height", geometry.height()));
  for (const layout::Property& property : read_) {
    if (property.name == "Left" || property.name == "Top" || property.name == "Width" ||
        property.name == "Height") {
      continue;
    }
    out.push_back(property);
  }
}

std::string ControlProperties::handlerName(const std::string& event) const {
  const auto found = handlers_.find(event);
  return found == handlers_.end() ? std::string() : found->second;
}

}  // namespace vistrel::browse
