#include "app/controls/control.h"

#include <algorithm>

#include <QFont>
#include <QMouseEvent>
#include <QPalette>
#include <QWidget>

namespace vistrel::app {
namespace {

bool hasMember(const std::vector<std::string>& set, const char* member) {
  return std::find(set.begin(), set.end(), member) != set.end();
}

}  // namespace

void installFontSubstitutes() {
  static const bool installed = [] {
    QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "Arimo", "DejaVu Sans"});
    return true;
  }();
  (void)installed;
}

Control::Control(QWidget* widget) : widget_(widget) { installFontSubstitutes(); }

bool Control::bindMouseHandler(MouseHandlers& handlers, const std::string& name,
                               const layout::Value& value, layout::ReadContext& context) {
  if (name == "OnClick") {
    bindEvent(handlers.onClick, value, context);
  } else if (name == "OnMouseDown") {
    bindEvent(handlers.onMouseDown, value, context);
  } else if (name == "OnMouseUp") {
    bindEvent(handlers.onMouseUp, value, context);
  } else {
    return false;
  }
  return true;
}

std::optional<layout::Value> Control::mouseHandlerValue(const MouseHandlers& handlers,
                                                        const std::string& name) {
  if (name == "OnClick") return eventValue(handlers.onClick.name);
  if (name == "OnMouseDown") return eventValue(handlers.onMouseDown.name);
  if (name == "OnMouseUp") return eventValue(handlers.onMouseUp.name);
  return std::nullopt;
}

void Control::raiseMouse(const MouseEvent& slot, const QMouseEvent& event) {
  const QPoint at = event.position().toPoint();
  raiseFromUser(slot, event.button(), event.modifiers(), at.x(), at.y());
}

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
  QFont font(QString::fromStdString(font_.name));
  // A negative height is the character height in pixels; a positive one the
  // cell height, of which the character takes about four fifths.
  font.setPixelSize(font_.height < 0 ? -font_.height : std::max(1, font_.height * 4 / 5));
  font.setBold(hasMember(font_.style, "fsBold"));
  font.setItalic(hasMember(font_.style, "fsItalic"));
  font.setUnderline(hasMember(font_.style, "fsUnderline"));
  font.setStrikeOut(hasMember(font_.style, "fsStrikeOut"));
  widget_->setFont(font);
  applyPalette();
}

bool Control::applyProperty(const std::string& name, const layout::Value& value,
                            layout::ReadContext& context) {
  QRect geometry = widget_->geometry();
  if (name == "Left") {
    geometry.moveLeft(static_cast<int>(value.asInteger()));
  } else if (name == "Top") {
    geometry.moveTop(static_cast<int>(value.asInteger()));
  } else if (name == "Width") {
    geometry.setWidth(static_cast<int>(value.asInteger()));
  } else if (name == "Height") {
    geometry.setHeight(static_cast<int>(value.asInteger()));
  } else if (name == "Color") {
    setColor(colorFromValue(value));
    return true;
  } else if (name.rfind("Font.", 0) == 0) {
    const std::string field = name.substr(5);
    if (field == "Charset") {
      font_.charset = value.asIdentifier();
    } else if (field == "Color") {
      font_.color = colorFromValue(value);
    } else if (field == "Height") {
      font_.height = static_cast<int>(value.asInteger());
    } else if (field == "Name") {
      font_.name = value.asString();
    } else if (field == "Style") {
      font_.style = value.asSet().members;
    } else {
      return false;
    }
    hasFont_ = true;
    applyFont();
    return true;
  } else if (name == "ParentFont") {
    parentFont_ = value.asBoolean();
    return true;
  } else if (name == "TabOrder") {
    tabOrder_ = static_cast<int>(value.asInteger());
    return true;
  } else if (name == "TabStop") {
    tabStop_ = value.asBoolean();
    if (!tabStop_) widget_->setFocusPolicy(Qt::ClickFocus);
    return true;
  } else if (name == "Anchors") {
    anchors_ = value.asSet();
    return true;
  } else if (name == "Enabled") {
    widget_->setEnabled(value.asBoolean());
    return true;
  } else if (name == "Visible") {
    widget_->setVisible(value.asBoolean());
    return true;
  } else {
    return false;
  }
  widget_->setGeometry(geometry);
  return true;
}

layout::Value Control::propertyValue(const std::string& name) const {
  const QRect geometry = widget_->geometry();
  if (name == "Left") return geometry.left();
  if (name == "Top") return geometry.top();
  if (name == "Width") return geometry.width();
  if (name == "Height") return geometry.height();
  if (name == "Color") return colorToValue(color_);
  if (name == "Font.Charset") return layout::Value::Identifier{font_.charset};
  if (name == "Font.Color") return colorToValue(font_.color);
  if (name == "Font.Height") return font_.height;
  if (name == "Font.Name") return font_.name;
  if (name == "Font.Style") return layout::Value::Set{font_.style};
  if (name == "ParentFont") return parentFont_;
  if (name == "TabOrder") return tabOrder_;
  if (name == "TabStop") return tabStop_;
  if (name == "Anchors") return anchors_;
  if (name == "Enabled") return widget_->isEnabled();
  return widget_->isVisibleTo(widget_->parentWidget());
}

}  // namespace vistrel::app
