// Base of the window's visible controls: the properties every control stores
// (geometry, colour, font, tab order, anchors, enabled, visible) on top of a
// QWidget that the concrete class derives from.
//
// Thread: the GUI thread. The QWidget parent owns the control.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/controls/colors.h"
#include "app/controls/dispatch.h"
#include "app/controls/stored_component.h"

class QMouseEvent;
class QWidget;

namespace vistrel::app {

// A stored font: Font.Charset, Font.Color, Font.Height (negative: character
// height in pixels), Font.Name, Font.Style.
struct StoredFont {
  std::string charset = "DEFAULT_CHARSET";
  TColor color = clWindowText;
  int height = -11;
  std::string name = "MS Sans Serif";
  std::vector<std::string> style;
};

// Makes "MS Sans Serif" fall back to a metric-compatible sans face where it is
// not installed. Idempotent.
void installFontSubstitutes();

class Control : public StoredComponent {
 public:
  explicit Control(QWidget* widget);

  QWidget* widget() const { return widget_; }
  TColor color() const { return color_; }
  void setColor(TColor color);
  TColor fontColor() const { return font_.color; }
  void setFontColor(TColor color);
  int tabOrder() const { return tabOrder_; }

 protected:
  bool applyProperty(const std::string& name, const layout::Value& value,
                     layout::ReadContext& context) override;
  layout::Value propertyValue(const std::string& name) const override;

  // Raises an event that user input caused: through the dispatch point.
  template <typename Slot, typename... Args>
  void raiseFromUser(const Slot& slot, Args&&... args) {
    if (!slot) return;
    dispatchHandler([&] { slot.handler(this, std::forward<Args>(args)...); });
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
  // Binds "OnClick", "OnMouseDown" or "OnMouseUp"; false for any other name.
  static bool bindMouseHandler(MouseHandlers& handlers, const std::string& name,
                               const layout::Value& value, layout::ReadContext& context);
  // The stored value of one of those three properties; nullopt for any other name.
  static std::optional<layout::Value> mouseHandlerValue(const MouseHandlers& handlers,
                                                        const std::string& name);
  // Raises `slot` from user input with the button, modifiers and position
  // (widget pixels) of `event`.
  void raiseMouse(const MouseEvent& slot, const QMouseEvent& event);

  // Applies colour and font to the widget's palette; subclasses whose
  // background is not the Window role override it.
  virtual void applyPalette();

 private:
  void applyFont();

  QWidget* widget_;
  TColor color_ = clBtnFace;
  bool hasColor_ = false;
  StoredFont font_;
  bool hasFont_ = false;
  bool parentFont_ = true;
  int tabOrder_ = -1;
  bool tabStop_ = true;
  layout::Value::Set anchors_{{"akLeft", "akTop"}};
};

}  // namespace vistrel::app
