#include "app/controls/timer.h"

#include "app/controls/dispatch.h"

namespace vistrel::app {

TTimer::TTimer(QObject* parent) : QObject(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] { fire(); });
}

void TTimer::update() {
  timer_.stop();
  if (enabled_ && interval_ > 0 && onTimer_) timer_.start(interval_);
}

void TTimer::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  update();
}

void TTimer::setInterval(int intervalMs) {
  if (intervalMs == interval_) return;
  interval_ = intervalMs;
  update();
}

void TTimer::fire() {
  if (ticking_ || !enabled_ || interval_ <= 0 || !onTimer_) return;
  ticking_ = true;
  std::optional<std::string> failure = runCatching([this] { onTimer_.handler(this); });
  ticking_ = false;
  // Reported after the tick has ended, so the timer keeps ticking while the box is up.
  if (failure) reportError(*failure);
}

bool TTimer::applyProperty(const std::string& name, const layout::Value& value,
                           layout::ReadContext& context) {
  if (name == "Enabled") {
    enabled_ = value.asBoolean();
  } else if (name == "Interval") {
    interval_ = static_cast<int>(value.asInteger());
  } else if (name == "OnTimer") {
    bindEvent(onTimer_, value, context);
  } else {
    return false;
  }
  update();
  return true;
}

layout::Value TTimer::propertyValue(const std::string& name) const {
  if (name == "Enabled") return enabled_;
  if (name == "Interval") return interval_;
  return eventValue(onTimer_.name);
}

}  // namespace vistrel::app
