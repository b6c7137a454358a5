#include "app/widgets/timer.h"

#include "app/widgets/dispatch.h"

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

const controls::PropertyTable& TTimer::propertyTable() const {
  using P = controls::Stored<TTimer>;
  static const controls::PropertyTable table(
      {},
      {
          P::field("Enabled", &TTimer::enabled_, &TTimer::update),
          P::field("Interval", &TTimer::interval_, &TTimer::update),
          P::property(
              "OnTimer", [](const TTimer& c) { return layout::Value::Identifier{c.onTimer_.name}; },
              [](TTimer& c, const layout::Value& value, layout::ReadContext& context) {
                bindEvent(c.onTimer_, value, context);
                c.update();
              }),
      });
  return table;
}

}  // namespace vistrel::app
