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
  } else if (name == "OnClick") {
    bindEvent(onClick_, value, context);
  } else if (name == "OnMouseDown") {
    bindEvent(onMouseDown_, value, context);
  } else if (name == "OnMouseUp") {
    bindEvent(onMouseUp_, value, context);
  } else {
    return Control::applyProperty(name, value, context);
  }
  return true;
}

layout::Value TPanel::propertyValue(const std::string& name) const {
  if (name == "Caption") return caption();
  if (name == "BevelOuter") return layout::Value::Identifier{bevelOuter_};
  if (name == "BorderStyle") return layout::Value::Identifier{borderStyle_};
  if (name == "OnClick") return eventValue(onClick_.name);
  if (name == "OnMouseDown") return eventValue(onMouseDown_.name);
  if (name == "OnMouseUp") return eventValue(onMouseUp_.name);
  return Control::propertyValue(name);
}

void TPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) clickArmed_ = true;
  const QPoint at = event->position().toPoint();
  raiseFromUser(onMouseDown_, event->button(), event->modifiers(), at.x(), at.y());
}

void TPanel::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second press of a double click: mouse down, but no click on release.
  if (event->button() == Qt::LeftButton) clickArmed_ = false;
  const QPoint at = event->position().toPoint();
  raiseFromUser(onMouseDown_, event->button(), event->modifiers(), at.x(), at.y());
}

void TPanel::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    const bool click = clickArmed_ && rect().contains(at);
    clickArmed_ = false;
    if (click) raiseFromUser(onClick_);
  }
  raiseFromUser(onMouseUp_, event->button(), event->modifiers(), at.x(), at.y());
}

}  // namespace vistrel::app
