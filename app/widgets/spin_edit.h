// An integer edit with up and down buttons. Typing is free (digits, signs and
// the decimal separator, at most MaxLength characters); the value is the
// text read as a decimal integer, or MinValue when it is not one. A typed
// value outside MinValue..MaxValue is kept until the field loses the focus,
// which clamps it (changing the text). The buttons and the Up/Down keys step
// by Increment within the range. Every change of the text raises OnChange:
// from typing, buttons and focus loss through the dispatch point, from
// setValue nested in the caller.
#pragma once

#include <string>

#include <QAbstractSpinBox>

#include "app/widgets/event_control.h"

namespace vistrel::app {

class TSpinEdit : public QAbstractSpinBox, public EventControl {
 public:
  explicit TSpinEdit(QWidget* parent = nullptr);

  std::string className() const override { return "TSpinEdit"; }

  int value() const;
  // Sets the text to the value clamped into the range.
  void setValue(int value);
  std::string text() const;
  // The inner editor that takes the typing.
  using QAbstractSpinBox::lineEdit;

  void stepBy(int steps) override;
  QValidator::State validate(QString& input, int& position) const override;

 protected:
  StepEnabled stepEnabled() const override;
  const controls::PropertyTable& propertyTable() const override;

  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  int clamped(int value) const;
  // Replaces the text without raising OnChange.
  void replaceText(int value);

  bool byProgram_ = false;
  int minValue_ = 0;
  int maxValue_ = 0;
  int increment_ = 1;
  int maxLength_ = 0;
  bool autoSize_ = true;
  NotifyEvent onChange_;
};

}  // namespace vistrel::app
