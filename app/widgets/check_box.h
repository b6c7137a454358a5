// A check box. A left click toggles it on release; the mouse-up handler runs
// after that toggle. The space bar and assistive technology's toggle action
// toggle it without any mouse event; they raise the key-toggle handler
// instead, so that a box whose meaning lives in its mouse-up handler can
// follow them. Setting the checked state by program raises OnClick nested in
// the caller when the state changes.
#pragma once

#include <string>
#include <utility>

#include <QCheckBox>

#include "app/widgets/event_control.h"

namespace vistrel::app {

class TCheckBox : public QCheckBox, public EventControl {
 public:
  explicit TCheckBox(QWidget* parent = nullptr);

  std::string className() const override { return "TCheckBox"; }
  bool checked() const { return isChecked(); }
  void setChecked(bool checked);

  // Raised from user input after a toggle that no mouse button made (the
  // space bar, the accessible toggle action). Not stored: the window binds it.
  void setOnKeyboardToggle(NotifyHandler handler) { onKeyboardToggle_ = {{}, std::move(handler)}; }

 protected:
  const controls::PropertyTable& propertyTable() const override;

  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // The whole control is the button, not only the mark and the text.
  bool hitButton(const QPoint& position) const override { return rect().contains(position); }
  // The box itself stays white with a black mark, whatever the colours.
  void applyPalette() override;
  // The keyboard focus is the dotted rectangle around the caption, drawn
  // whenever the box has the focus, not the style's mark.
  void paintEvent(QPaintEvent* event) override;

 private:
  bool byProgram_ = false;
  bool inMouseRelease_ = false;
  NotifyEvent onKeyboardToggle_;
};

}  // namespace vistrel::app
