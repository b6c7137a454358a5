// A check box. A left click toggles it on release; the mouse-up handler runs
// after that toggle. The space bar toggles it without any mouse event.
// Setting the checked state by program raises OnClick nested in the caller
// when the state changes.
#pragma once

#include <string>

#include <QCheckBox>

#include "app/controls/control.h"

namespace vistrel::app {

class TCheckBox : public QCheckBox, public Control {
 public:
  explicit TCheckBox(QWidget* parent = nullptr);

  std::string className() const override { return "TCheckBox"; }
  bool checked() const { return isChecked(); }
  void setChecked(bool checked);

 protected:
  bool applyProperty(const std::string& name, const layout::Value& value,
                     layout::ReadContext& context) override;
  layout::Value propertyValue(const std::string& name) const override;

  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // The whole control is the button, not only the mark and the text.
  bool hitButton(const QPoint& position) const override { return rect().contains(position); }
  // The box itself stays white with a black mark, whatever the colours.
  void applyPalette() override;

 private:
  bool byProgram_ = false;
  MouseHandlers mouse_;
};

}  // namespace vistrel::app
