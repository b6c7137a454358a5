// TPanel: a label with a centred caption that the window uses as a button.
// QLabel has no click, so we make one from a left press and release inside
// the panel and raise it before the mouse-up handler, which therefore sees
// what the click changed. We swallow the second press of a double click, so
// that a double click acts once, not twice. The panel does not change its
// own colour when pressed; the window's handlers do.
#pragma once

#include <string>

#include <QLabel>

#include "app/controls/event_control.h"

namespace vistrel::app {

class TPanel : public QLabel, public EventControl {
 public:
  explicit TPanel(QWidget* parent = nullptr);

  std::string className() const override { return "TPanel"; }
  std::string caption() const { return text().toStdString(); }
  void setCaption(const std::string& caption) { setText(QString::fromStdString(caption)); }

 protected:
  const controls::PropertyTable& propertyTable() const override;

  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void applyFrame();

  std::string bevelOuter_ = "bvRaised";
  std::string borderStyle_ = "bsNone";
  bool clickArmed_ = false;
};

}  // namespace vistrel::app
