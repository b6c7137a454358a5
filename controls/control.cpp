#include "controls/control.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QFont>
#include <QFontMetricsF>
#include <QPalette>
#include <QWidget>

namespace vistrel::controls {
namespace {

bool hasMember(const layout::Value::Set& set, const char* member) {
  return std::find(set.members.begin(), set.members.end(), member) != set.members.end();
}

// The four geometry properties: `change` moves or sizes the rectangle.
template <typename Get, typename Change>
StoredProperty geometryProperty(std::string name, Get get, Change change) {
  return Stored<Control>::property(
      std::move(name), [get](const Control& c) { return get(c.widget()->geometry()); },
      [change](Control& c, int value) {
        QRect geometry = c.widget()->geometry();
        change(geometry, value);
        c.widget()->setGeometry(geometry);
      });
}

}  // namespace

QFont faceOf(const StoredFont& stored) {
  installFontSubstitutes();
  QFont font(QString::fromStdString(stored.name));
  font.setStyleHint(QFont::SansSerif);
  font.setBold(hasMember(stored.style, "fsBold"));
  font.setItalic(hasMember(stored.style, "fsItalic"));
  font.setUnderline(hasMember(stored.style, "fsUnderline"));
  font.setStrikeOut(hasMember(stored.style, "fsStrikeOut"));
  if (stored.height <= 0) {
    font.setPixelSize(std::max(1, -stored.height));
    return font;
  }
  // The cell is ascent plus descent; measure them once at a large size, where
  // rounding does not matter, and take the largest face whose cell fits, as
  // Windows' font mapper does.
  constexpr int kReference = 100;
  font.setPixelSize(kReference);
  const QFontMetricsF metrics(font);
  const double cell = metrics.ascent() + metrics.descent();
  font.setPixelSize(std::max(1, static_cast<int>(stored.height * kReference / cell + 1e-6)));
  return font;
}

int textMetricHeight(const QFont& font) {
  // Ascent and descent each round up, as Windows' text metrics do; rounding
  // them to the nearest pixel loses a line on small faces.
  const QFontMetricsF metrics(font);
  return static_cast<int>(std::ceil(metrics.ascent() - 0.01) + std::ceil(metrics.descent() - 0.01));
}

Qt::FocusPolicy focusPolicyFor(bool tabStop) { return tabStop ? Qt::StrongFocus : Qt::ClickFocus; }

void installFontSubstitutes() {
  static const bool installed = [] {
    QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "Arimo", "DejaVu Sans"});
    return true;
  }();
  (void)installed;
}

Control::Control(QWidget* widget) : widget_(widget) { installFontSubstitutes(); }

void Control::setColor(TColor color) {
  color_ = color;
  hasColor_ = true;
  applyPalette();
}

void Control::setFontColor(TColor color) {
  font_.color = color;
  hasFont_ = true;
  applyPalette();
}

std::string Control::handlerName(const std::string& event) const {
  const auto found = handlerNames_.find(event);
  return found == handlerNames_.end() ? std::string() : found->second;
}

void Control::applyPalette() {
  QPalette palette = widget_->palette();
  if (hasColor_) {
    const QColor background = toQColor(color_);
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
      palette.setColor(role, background);
    }
    widget_->setAutoFillBackground(true);
  }
  if (hasFont_) {
    const QColor text = toQColor(font_.color);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
      palette.setColor(role, text);
    }
  }
  widget_->setPalette(palette);
}

void Control::applyFont() {
  hasFont_ = true;
  widget_->setFont(faceOf(font_));
  applyPalette();
}

StoredProperty Control::namedHandler(std::string event) {
  const std::string key = event;
  return Stored<Control>::property(
      std::move(event),
      [key](const Control& c) { return layout::Value::Identifier{c.handlerName(key)}; },
      [key](Control& c, const layout::Value::Identifier& name) {
        c.handlerNames_[key] = name.name;
      });
}

const PropertyTable& Control::controlPropertyTable() {
  using P = Stored<Control>;
  // A field of the font, applied to the widget when read.
  auto font = []<typename T>(std::string name, T StoredFont::*member) {
    return P::property(
        std::move(name), [member](const Control& c) { return c.font_.*member; },
        [member](Control& c, const T& value) {
          c.font_.*member = value;
          c.applyFont();
        });
  };
  static const PropertyTable table(
      {},
      {
          geometryProperty(
              "Left", [](const QRect& r) { return r.left(); },
              [](QRect& r, int v) { r.moveLeft(v); }),
          geometryProperty(
              "Top", [](const QRect& r) { return r.top(); }, [](QRect& r, int v) { r.moveTop(v); }),
          geometryProperty(
              "Width", [](const QRect& r) { return r.width(); },
              [](QRect& r, int v) { r.setWidth(v); }),
          geometryProperty(
              "Height", [](const QRect& r) { return r.height(); },
              [](QRect& r, int v) { r.setHeight(v); }),
          P::property(
              "Color", [](const Control& c) { return colorToValue(c.color_); },
              [](Control& c, const layout::Value& v, layout::ReadContext&) {
                c.setColor(colorFromValue(v));
              }),
          font("Font.Charset", &StoredFont::charset),
          P::property(
              "Font.Color", [](const Control& c) { return colorToValue(c.font_.color); },
              [](Control& c, const layout::Value& v, layout::ReadContext&) {
                c.font_.color = colorFromValue(v);
                c.applyFont();
              }),
          font("Font.Height", &StoredFont::height),
          font("Font.Name", &StoredFont::name),
          font("Font.Pitch", &StoredFont::pitch),
          // Points at 96 pixels per inch; kept as the character height.
          P::property(
              "Font.Size",
              [](const Control& c) {
                return static_cast<int>(std::lround(std::abs(c.font_.height) * 0.75));
              },
              [](Control& c, const layout::Value& v, layout::ReadContext&) {
                c.font_.height = -static_cast<int>(std::lround(v.asFloat() / 0.75));
                c.applyFont();
              }),
          font("Font.Style", &StoredFont::style),
          P::field("ParentFont", &Control::parentFont_),
          P::field("ParentColor", &Control::parentColor_),
          P::field("Ctl3D", &Control::ctl3D_),
          P::field("ParentCtl3D", &Control::parentCtl3D_),
          P::field("TabOrder", &Control::tabOrder_),
          P::property(
              "TabStop", [](const Control& c) { return c.tabStop_; },
              [](Control& c, bool tabStop) {
                c.tabStop_ = tabStop;
                c.widget_->setFocusPolicy(focusPolicyFor(tabStop));
              }),
          P::field("Anchors", &Control::anchors_),
          P::property(
              "Enabled", [](const Control& c) { return c.widget_->isEnabled(); },
              [](Control& c, bool enabled) { c.widget_->setEnabled(enabled); }),
          P::property(
              "Visible",
              [](const Control& c) { return c.widget_->isVisibleTo(c.widget_->parentWidget()); },
              [](Control& c, bool visible) { c.widget_->setVisible(visible); }),
      });
  return table;
}

}  // namespace vistrel::controls
