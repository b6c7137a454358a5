// A scroll bar with Windows' position semantics. Setting the
// position, minimum or maximum by program clamps the position into the range
// and raises OnChange at once, nested in the caller, when the position
// actually changes. The user moves it by dragging (OnChange for every new
// position), by the arrows and the trough, and by the keys Left/Up and
// Right/Down (small change), Page Up/Down (large change), Home and End. The
// key-down handler runs before the bar reacts to the key.
#pragma once

#include <string>

#include <QScrollBar>

#include "app/widgets/event_control.h"

namespace vistrel::app {

class TScrollBar : public QScrollBar, public EventControl {
 public:
  explicit TScrollBar(QWidget* parent = nullptr);

  std::string className() const override { return "TScrollBar"; }

  int position() const { return value(); }
  void setPosition(int position);
  int max() const { return maximum(); }
  void setMax(int max);

 protected:
  const controls::PropertyTable& propertyTable() const override;

  void keyPressEvent(QKeyEvent* event) override;
  // With the keyboard focus the thumb carries a dotted focus rectangle.
  void paintEvent(QPaintEvent* event) override;

 private:
  // Applies new parameters without events, then raises OnChange when the
  // position moved.
  void setParams(int position, int min, int max);

  bool byProgram_ = false;
  int pageSize_ = 0;
  std::string kind_ = "sbHorizontal";
  NotifyEvent onChange_;
  KeyEvent onKeyDown_;
};

}  // namespace vistrel::app
