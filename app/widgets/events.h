// Event slots of the controls. A slot carries the handler's stored name (the
// layout writes it back) and the bound member of the window. Handlers run on
// the GUI thread; a control raises an event either from user input, through
// the handler guard (controls/handler_guard.h, which the application points
// at its dispatch point, dispatch.h), or from a setter called
// by program, directly and nested in the caller, so that a handler's failure
// ends the handler that made the change as well.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include <Qt>

#include "controls/stored_component.h"

class QKeyEvent;

namespace vistrel::app {

using Sender = layout::Component;

using NotifyHandler = std::function<void(Sender* sender)>;
// `key` is Windows' virtual-key code; a handler that sets it to 0
// keeps the control from reacting to the key.
using KeyHandler = std::function<void(Sender* sender, int& key, Qt::KeyboardModifiers shift)>;
using MouseHandler = std::function<void(Sender* sender, Qt::MouseButton button,
                                        Qt::KeyboardModifiers shift, int x, int y)>;

template <typename Handler>
struct EventSlot {
  std::string name;  // as stored, e.g. "ListBox1Click"; empty when unassigned
  Handler handler;
  explicit operator bool() const { return static_cast<bool>(handler); }
};

using NotifyEvent = EventSlot<NotifyHandler>;
using KeyEvent = EventSlot<KeyHandler>;
using MouseEvent = EventSlot<MouseHandler>;

// Binds `slot` to the handler named by `value` ("ListBox1Click") in the
// window being read. Throws vistrel::Exception when it has none of that kind.
// Defined for the three slot types above.
template <typename Handler>
void bindEvent(EventSlot<Handler>& slot, const layout::Value& value, layout::ReadContext& context);

// The stored event property `name` of class C, held in the slot that
// `slotOf` picks out of a C: a member pointer, or a callable that takes a C
// (const or not) and returns the slot.
template <typename C, typename SlotOf>
controls::StoredProperty eventProperty(std::string name, SlotOf slotOf) {
  return controls::Stored<C>::property(
      std::move(name),
      [slotOf](const C& c) { return layout::Value::Identifier{std::invoke(slotOf, c).name}; },
      [slotOf](C& c, const layout::Value& value, layout::ReadContext& context) {
        bindEvent(std::invoke(slotOf, c), value, context);
      });
}

// Windows' virtual-key code of a key event (Escape 27, Enter 13,
// arrows 37 to 40, letters and digits as their upper-case character); 0 for
// keys without one.
int virtualKeyCode(const QKeyEvent& event);
// The same for a Qt key code.
int virtualKeyCode(int qtKey);
// The codes that the window's handlers test for.
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyEscape = 27;
inline constexpr int kKeyDelete = 46;
inline constexpr int kKeyF2 = 113;

}  // namespace vistrel::app
