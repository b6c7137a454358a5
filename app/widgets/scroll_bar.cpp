#include "app/widgets/scroll_bar.h"

#include <algorithm>
#include <map>

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

#include "controls/focus_rect.h"

namespace vistrel::app {
namespace {

// The style's own scroll bar colours, every role marked as set so that the
// window's navy does not reach the bar through palette inheritance.
QPalette standardScrollBarPalette() {
  const QPalette standard = QApplication::palette("QScrollBar");
  QPalette palette;
  for (int group = 0; group < QPalette::NColorGroups; ++group) {
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
      const auto g = static_cast<QPalette::ColorGroup>(group);
      const auto r = static_cast<QPalette::ColorRole>(role);
      if (r == QPalette::NoRole) continue;
      palette.setBrush(g, r, standard.brush(g, r));
    }
  }
  return palette;
}

}  // namespace

TScrollBar::TScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent), EventControl(this) {
  setRange(0, 100);
  setSingleStep(1);
  setPageStep(1);
  setTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setPalette(standardScrollBarPalette());
  connect(this, &QAbstractSlider::valueChanged, this, [this] {
    if (!byProgram_) raiseFromUser(onChange_);
  });
}

void TScrollBar::setParams(int position, int min, int max) {
  const int old = value();
  position = std::clamp(position, min, std::max(min, max));
  byProgram_ = true;
  setRange(min, max);
  setValue(position);
  byProgram_ = false;
  if (value() != old) raiseFromProgram(onChange_);
}

void TScrollBar::setPosition(int position) { setParams(position, minimum(), maximum()); }
void TScrollBar::setMax(int max) { setParams(value(), minimum(), max); }

const controls::PropertyTable& TScrollBar::propertyTable() const {
  using P = controls::Stored<TScrollBar>;
  // Stored values are applied without events: the window is still being built.
  auto quietly = [](void (QAbstractSlider::*set)(int)) {
    return [set](TScrollBar& c, int value) {
      const bool saved = c.byProgram_;
      c.byProgram_ = true;
      (c.*set)(value);
      c.byProgram_ = saved;
    };
  };
  static const controls::PropertyTable table(
      {&controlPropertyTable()},
      {
          P::property(
              "Kind", [](const TScrollBar& c) { return layout::Value::Identifier{c.kind_}; },
              [](TScrollBar& c, const layout::Value::Identifier& kind) {
                c.kind_ = kind.name;
                c.setOrientation(kind.name == "sbVertical" ? Qt::Vertical : Qt::Horizontal);
              }),
          P::property("Min", &TScrollBar::minimum, quietly(&QAbstractSlider::setMinimum)),
          P::property("Max", &TScrollBar::maximum, quietly(&QAbstractSlider::setMaximum)),
          P::property("Position", &TScrollBar::value, quietly(&QAbstractSlider::setValue)),
          P::field("PageSize", &TScrollBar::pageSize_),
          P::property("SmallChange", &TScrollBar::singleStep, &TScrollBar::setSingleStep),
          P::property("LargeChange", &TScrollBar::pageStep, &TScrollBar::setPageStep),
          eventProperty<TScrollBar>("OnChange", &TScrollBar::onChange_),
          eventProperty<TScrollBar>("OnKeyDown", &TScrollBar::onKeyDown_),
      });
  return table;
}

void TScrollBar::keyPressEvent(QKeyEvent* event) {
  int key = virtualKeyCode(*event);
  const int original = key;
  raiseFromUser(onKeyDown_, key, event->modifiers());
  if (original != 0 && key == 0) return;  // the handler consumed it
  static const std::map<int, SliderAction> actions = {
      {Qt::Key_Left, SliderSingleStepSub},  {Qt::Key_Up, SliderSingleStepSub},
      {Qt::Key_Right, SliderSingleStepAdd}, {Qt::Key_Down, SliderSingleStepAdd},
      {Qt::Key_PageUp, SliderPageStepSub},  {Qt::Key_PageDown, SliderPageStepAdd},
      {Qt::Key_Home, SliderToMinimum},      {Qt::Key_End, SliderToMaximum},
  };
  const auto action = actions.find(event->key());
  if (action == actions.end()) {
    event->ignore();  // keys the bar does not use go on to its parent
    return;
  }
  triggerAction(action->second);
  event->accept();
}

void TScrollBar::paintEvent(QPaintEvent* event) {
  QScrollBar::paintEvent(event);
  if (!hasFocus()) return;
  QStyleOptionSlider option;
  initStyleOption(&option);
  const QRect thumb =
      style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
  QPainter painter(this);
  controls::drawFocusRect(painter, thumb.adjusted(2, 2, -2, -2),
                          palette().color(QPalette::Active, QPalette::Button));
}

}  // namespace vistrel::app
