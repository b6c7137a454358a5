// The message timer: OnTimer every Interval milliseconds while Enabled (and
// Interval > 0 and a handler is assigned). Enabling it, or changing the
// interval while it runs, starts a new full period. Ticks never queue up: a
// tick that comes while the previous one is still running (inside a modal
// box it opened) is dropped, and a late tick is not made up.
//
// Thread: the GUI thread. Not a widget; the window owns it as a QObject child.
#pragma once

#include <string>

#include <QObject>
#include <QTimer>

#include "app/widgets/events.h"
#include "controls/stored_component.h"

namespace vistrel::app {

class TTimer : public QObject, public controls::StoredComponent {
 public:
  explicit TTimer(QObject* parent = nullptr);

  std::string className() const override { return "TTimer"; }

  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);
  int interval() const { return interval_; }
  // Milliseconds; 0 stops the timer while keeping it enabled.
  void setInterval(int intervalMs);
  // Whether ticks are being produced now.
  bool running() const { return timer_.isActive(); }
  // Runs one tick as if the period had elapsed, when the timer runs (tests
  // drive the show with it).
  void fire();

 protected:
  const controls::PropertyTable& propertyTable() const override;

 private:
  void update();

  QTimer timer_;
  bool enabled_ = true;
  int interval_ = 1000;
  bool ticking_ = false;
  NotifyEvent onTimer_;
};

}  // namespace vistrel::app
