#include "app/controls/panel.h"

#include <QMouseEvent>

namespace vistrel::app {

TPanel::TPanel(QWidget* parent) : QLabel(parent), Control(this) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignCenter);
  setAutoFillBackground(true);
  setColor(clBtnFace);
  applyFrame();
}

void TPanel::applyFrame() {
  if (borderStyle_ == "bsSingle") {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
  } else if (bevelOuter_ == "bvNone") {
    setFrameStyle(QFrame::NoFrame);
  } else {
    setFrameStyle(QFrame::Panel | (bevelOuter_ == "bvLowered" ? QFrame::Sunken : QFrame::Raised));
    setLineWidth(1);
  }
}

bool TPanel::applyProperty(const std::string& name, const layout::Value& value,
                           layout::ReadContext& context) {
  if (name == "Caption") {
    setCaption(value.asString());
  } else if (name == "BevelOuter") {
    bevelOuter_ = value.asIdentifier();
    applyFrame();
  } else if (name == "BorderStyle") {
    borderStyle_ = value.asIdentifier();
    applyFrame();
  } else if (!bindMouseHandler(mouse_, name, value, context)) {
    return Control::applyProperty(name, value, context);
  }
  return true;
}

layout::Value TPanel::propertyValue(const std::string& name) const {
  if (name == "Caption") return caption();
  if (name == "BevelOuter") return layout::Value::Identifier{bevelOuter_};
  if (name == "BorderStyle") return layout::Value::Identifier{borderStyle_};
  if (auto handler = mouseHandlerValue(mouse_, name)) return *handler;
  return Control::propertyValue(name);
}

void TPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) clickArmed_ = true;
  raiseMouse(mouse_.onMouseDown, *event);
}

void TPanel::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click: mouse down, but no click on release.
  if (event->button() == Qt::LeftButton) clickArmed_ = false;
  raiseMouse(mouse_.onMouseDown, *event);
}

void TPanel::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    const bool click = clickArmed_ && rect().contains(at);
    clickArmed_ = false;
    if (click) raiseFromUser(mouse_.onClick);
  }
  raiseMouse(mouse_.onMouseUp, *event);
}

}  // namespace vistrel::app
