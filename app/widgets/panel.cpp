#include "app/widgets/panel.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "app/widgets/accessibility.h"

namespace vistrel::app {

TPanel::TPanel(QWidget* parent) : QLabel(parent), EventControl(this) {
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignCenter);
  setAutoFillBackground(true);
  setColor(controls::clBtnFace);
  applyFrame();
  setFocusPolicy(Qt::TabFocus);
  installAccessibleInterfaces();
}

void TPanel::setCaption(const std::string& caption) {
  setText(QString::fromStdString(caption));
  QAccessibleEvent changed(this, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&changed);
}

void TPanel::setSpokenCaption(const std::string& caption, const std::string& spoken) {
  spokenCaptions_[caption] = spoken;
}

std::string TPanel::spokenCaption() const {
  const auto found = spokenCaptions_.find(caption());
  return found == spokenCaptions_.end() ? caption() : found->second;
}

void TPanel::click() { raiseFromUser(mouse_.onClick); }

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
      {&controlPropertyTable(), &mousePropertyTable()},
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

void TPanel::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    if (!event->isAutoRepeat()) click();
    return;
  }
  QLabel::keyPressEvent(event);
}

void TPanel::focusInEvent(QFocusEvent* event) {
  QLabel::focusInEvent(event);
  update();
}

void TPanel::focusOutEvent(QFocusEvent* event) {
  QLabel::focusOutEvent(event);
  update();
}

void TPanel::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (!hasFocus()) return;
  QStylePainter painter(this);
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.rect = contentsRect().adjusted(1, 1, -1, -1);
  option.backgroundColor = palette().color(QPalette::Window);
  painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

}  // namespace vistrel::app
