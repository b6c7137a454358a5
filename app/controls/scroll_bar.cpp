#include "app/controls/scroll_bar.h"

#include <algorithm>

#include <QApplication>
#include <QKeyEvent>

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

TScrollBar::TScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent), Control(this) {
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
void TScrollBar::setMin(int min) { setParams(value(), min, maximum()); }
void TScrollBar::setMax(int max) { setParams(value(), minimum(), max); }

bool TScrollBar::applyProperty(const std::string& name, const layout::Value& value,
                               layout::ReadContext& context) {
  // Stored values are applied without events: the window is still being built.
  const bool saved = byProgram_;
  byProgram_ = true;
  bool known = true;
  if (name == "Kind") {
    kind_ = value.asIdentifier();
    setOrientation(kind_ == "sbVertical" ? Qt::Vertical : Qt::Horizontal);
  } else if (name == "Min") {
    setMinimum(static_cast<int>(value.asInteger()));
  } else if (name == "Max") {
    setMaximum(static_cast<int>(value.asInteger()));
  } else if (name == "Position") {
    setValue(static_cast<int>(value.asInteger()));
  } else if (name == "PageSize") {
    pageSize_ = static_cast<int>(value.asInteger());
  } else if (name == "SmallChange") {
    setSingleStep(static_cast<int>(value.asInteger()));
  } else if (name == "LargeChange") {
    setPageStep(static_cast<int>(value.asInteger()));
  } else if (name == "OnChange") {
    bindEvent(onChange_, value, context);
  } else if (name == "OnKeyDown") {
    bindEvent(onKeyDown_, value, context);
  } else {
    known = Control::applyProperty(name, value, context);
  }
  byProgram_ = saved;
  return known;
}

layout::Value TScrollBar::propertyValue(const std::string& name) const {
  if (name == "Kind") return layout::Value::Identifier{kind_};
  if (name == "Min") return minimum();
  if (name == "Max") return maximum();
  if (name == "Position") return value();
  if (name == "PageSize") return pageSize_;
  if (name == "SmallChange") return singleStep();
  if (name == "LargeChange") return pageStep();
  if (name == "OnChange") return eventValue(onChange_.name);
  if (name == "OnKeyDown") return eventValue(onKeyDown_.name);
  return Control::propertyValue(name);
}

void TScrollBar::keyPressEvent(QKeyEvent* event) {
  int key = virtualKeyCode(*event);
  const int original = key;
  raiseFromUser(onKeyDown_, key, event->modifiers());
  if (original != 0 && key == 0) return;  // the handler consumed it
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      triggerAction(SliderSingleStepSub);
      break;
    case Qt::Key_Right:
    case Qt::Key_Down:
      triggerAction(SliderSingleStepAdd);
      break;
    case Qt::Key_PageUp:
      triggerAction(SliderPageStepSub);
      break;
    case Qt::Key_PageDown:
      triggerAction(SliderPageStepAdd);
      break;
    case Qt::Key_Home:
      triggerAction(SliderToMinimum);
      break;
    case Qt::Key_End:
      triggerAction(SliderToMaximum);
      break;
    default:
      event->ignore();
      return;
  }
  event->accept();
}

}  // namespace vistrel::app
