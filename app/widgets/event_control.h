// Base of the window's visible controls: the stored control of controls/
// with the window's event model on top (handlers bound to members of the
// window, raised from user input through the handler guard or nested in a
// setter called by program).
//
// Thread: the GUI thread. The QWidget parent owns the control.
#pragma once

#include <string>
#include <utility>

#include "app/widgets/events.h"
#include "controls/control.h"
#include "controls/handler_guard.h"

class QMouseEvent;
class QWidget;

namespace vistrel::app {

class EventControl : public controls::Control {
 public:
  using Control::Control;

 protected:
  // Raises an event that user input caused: through the handler guard.
  template <typename Slot, typename... Args>
  void raiseFromUser(const Slot& slot, Args&&... args) {
    if (!slot) return;
    controls::runGuarded([&] { slot.handler(this, std::forward<Args>(args)...); });
  }
  // Raises an event that a setter called by program caused: nested in the
  // caller, failures propagate to it.
  template <typename Slot, typename... Args>
  void raiseFromProgram(const Slot& slot, Args&&... args) {
    if (slot) slot.handler(this, std::forward<Args>(args)...);
  }

  // The click and mouse handlers of the controls that take them.
  struct MouseHandlers {
    NotifyEvent onClick;
    MouseEvent onMouseDown;
    MouseEvent onMouseUp;
  };
  // "OnClick", "OnMouseDown" and "OnMouseUp", for the tables of the
  // controls that take them.
  static const controls::PropertyTable& mousePropertyTable();
  // Raises `slot` from user input with the button, modifiers and position
  // (widget pixels) of `event`.
  void raiseMouse(const MouseEvent& slot, const QMouseEvent& event);

  MouseHandlers mouse_;
};

}  // namespace vistrel::app
