#include "app/widgets/spin_edit.h"

#include <algorithm>
#include <charconv>

#include <QKeyEvent>
#include <QLineEdit>

namespace vistrel::app {
namespace {

// The text as a decimal integer with an optional sign; nullopt otherwise.
std::optional<int> parseInteger(const std::string& text) {
  std::string_view digits = text;
  bool negative = false;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  // from_chars would take a second sign ("--5" read as 5).
  if (digits.empty() || digits.front() < '0' || digits.front() > '9') return std::nullopt;
  long long result = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), result);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  if (negative) result = -result;
  if (result < INT32_MIN || result > INT32_MAX) return std::nullopt;
  return static_cast<int>(result);
}

}  // namespace

TSpinEdit::TSpinEdit(QWidget* parent) : QAbstractSpinBox(parent), EventControl(this) {
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
  setKeyboardTracking(true);
  setColor(controls::clWindow);
  replaceText(0);
  connect(lineEdit(), &QLineEdit::textChanged, this, [this] {
    if (!byProgram_) raiseFromUser(onChange_);
  });
}

std::string TSpinEdit::text() const { return lineEdit()->text().toStdString(); }

int TSpinEdit::value() const { return parseInteger(text()).value_or(minValue_); }

int TSpinEdit::clamped(int value) const {
  if (maxValue_ == 0 && minValue_ == 0) return value;  // no range set
  return std::clamp(value, minValue_, std::max(minValue_, maxValue_));
}

void TSpinEdit::replaceText(int value) {
  byProgram_ = true;
  lineEdit()->setText(QString::number(value));
  byProgram_ = false;
}

void TSpinEdit::setValue(int value) {
  const QString before = lineEdit()->text();
  replaceText(clamped(value));
  if (lineEdit()->text() != before) raiseFromProgram(onChange_);
}

void TSpinEdit::stepBy(int steps) {
  const QString before = lineEdit()->text();
  replaceText(clamped(value() + steps * increment_));
  if (lineEdit()->text() != before) raiseFromUser(onChange_);
}

QValidator::State TSpinEdit::validate(QString& input, int& position) const {
  if (maxLength_ > 0 && input.size() > maxLength_) return QValidator::Invalid;
  for (QChar c : input) {
    if (!c.isDigit() && c != '+' && c != '-' && c != '.') return QValidator::Invalid;
  }
  return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const {
  return StepUpEnabled | StepDownEnabled;
}

void TSpinEdit::keyPressEvent(QKeyEvent* event) {
  // Only Up and Down step; Page Up/Down do nothing here.
  if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown) {
    event->accept();
    return;
  }
  QAbstractSpinBox::keyPressEvent(event);
}

void TSpinEdit::focusOutEvent(QFocusEvent* event) {
  QAbstractSpinBox::focusOutEvent(event);
  const int current = value();
  if (clamped(current) != current) {
    replaceText(clamped(current));
    raiseFromUser(onChange_);
  }
}

const controls::PropertyTable& TSpinEdit::propertyTable() const {
  using P = controls::Stored<TSpinEdit>;
  static const controls::PropertyTable table(
      {&controlPropertyTable()},
      {
          P::field("MinValue", &TSpinEdit::minValue_),
          P::field("MaxValue", &TSpinEdit::maxValue_),
          P::field("Increment", &TSpinEdit::increment_),
          P::property(
              "MaxLength", [](const TSpinEdit& c) { return c.maxLength_; },
              [](TSpinEdit& c, int maxLength) {
                c.maxLength_ = maxLength;
                c.lineEdit()->setMaxLength(maxLength > 0 ? maxLength : 32767);
              }),
          P::property("Value", &TSpinEdit::value, &TSpinEdit::replaceText),
          P::field("AutoSize", &TSpinEdit::autoSize_),
          eventProperty<TSpinEdit>("OnChange", &TSpinEdit::onChange_),
      });
  return table;
}

}  // namespace vistrel::app
