#include "app/controls/panel.h"

#include <QMouseEvent>

namespace vistrel::app {

TPanel::TPanel(QWidget* parent) : QLabel(parent), EventControl(this) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignCenter);
  setAutoFillBackground(true);
  setColor(controls::clBtnFace);
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

const controls::PropertyTable& TPanel::propertyTable() const {
  using P = controls::Stored<TPanel>;
  static const controls::PropertyTable table(
      {&controlProperties(), &mouseProperties()},
      {
          P::property("Caption", &TPanel::caption, &TPanel::setCaption),
          P::identifier("BevelOuter", &TPanel::bevelOuter_, &TPanel::applyFrame),
          P::identifier("BorderStyle", &TPanel::borderStyle_, &TPanel::applyFrame),
      });
  return table;
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
