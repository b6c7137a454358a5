#include "app/widgets/event_control.h"

#include <QMouseEvent>

namespace vistrel::app {

const controls::PropertyTable& EventControl::mousePropertyTable() {
  using C = EventControl;
  static const controls::PropertyTable table(
      {}, {
              eventProperty<C>(
                  "OnClick", [](auto& c) -> auto& { return c.mouse_.onClick; }),
              eventProperty<C>(
                  "OnMouseDown", [](auto& c) -> auto& { return c.mouse_.onMouseDown; }),
              eventProperty<C>(
                  "OnMouseUp", [](auto& c) -> auto& { return c.mouse_.onMouseUp; }),
          });
  return table;
}

void EventControl::raiseMouse(const MouseEvent& slot, const QMouseEvent& event) {
  const QPoint at = event.position().toPoint();
  raiseFromUser(slot, event.button(), event.modifiers(), at.x(), at.y());
}

}  // namespace vistrel::app
