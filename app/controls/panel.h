// A panel with a centred caption, used as a button. A click is a press and a
// release of the left button inside the panel; it is raised before the
// mouse-up handler. The second press of a double click raises no click, so a
// double click activates once. Press visuals are left to the handlers.
#pragma once

#include <string>

#include <QLabel>

#include "app/controls/control.h"

namespace vistrel::app {

class TPanel : public QLabel, public Control {
 public:
  explicit TPanel(QWidget* parent = nullptr);

  std::string className() const override { return "TPanel"; }
  std::string caption() const { return text().toStdString(); }
  void setCaption(const std::string& caption) { setText(QString::fromStdString(caption)); }

 protected:
  bool applyProperty(const std::string& name, const layout::Value& value,
                     layout::ReadContext& context) override;
  layout::Value propertyValue(const std::string& name) const override;

  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void applyFrame();

  std::string bevelOuter_ = "bvRaised";
  std::string borderStyle_ = "bsNone";
  bool clickArmed_ = false;
  MouseHandlers mouse_;
};

}  // namespace vistrel::app
