#include "app/controls/check_box.h"

#include <QMouseEvent>

namespace vistrel::app {

TCheckBox::TCheckBox(QWidget* parent) : QCheckBox(parent), Control(this) {
  setAutoFillBackground(true);
  connect(this, &QCheckBox::clicked, this, [this] {
    if (!byProgram_) raiseFromUser(onClick_);
  });
}

void TCheckBox::applyPalette() {
  Control::applyPalette();
  QPalette boxPalette = palette();
  boxPalette.setColor(QPalette::Base, QColor(255, 255, 255));
  boxPalette.setColor(QPalette::Text, QColor(0, 0, 0));
  setPalette(boxPalette);
}

void TCheckBox::setChecked(bool checked) {
  if (checked == isChecked()) return;
  byProgram_ = true;
  QCheckBox::setChecked(checked);
  byProgram_ = false;
  raiseFromProgram(onClick_);
}

bool TCheckBox::applyProperty(const std::string& name, const layout::Value& value,
                              layout::ReadContext& context) {
  if (name == "Caption") {
    setText(QString::fromStdString(value.asString()));
  } else if (name == "Checked") {
    byProgram_ = true;
    QCheckBox::setChecked(value.asBoolean());
    byProgram_ = false;
  } else if (name == "State") {
    byProgram_ = true;
    QCheckBox::setChecked(value.asIdentifier() == "cbChecked");
    byProgram_ = false;
  } else if (name == "OnClick") {
    bindEvent(onClick_, value, context);
  } else if (name == "OnMouseDown") {
    bindEvent(onMouseDown_, value, context);
  } else if (name == "OnMouseUp") {
    bindEvent(onMouseUp_, value, context);
  } else {
    return Control::applyProperty(name, value, context);
  }
  return true;
}

layout::Value TCheckBox::propertyValue(const std::string& name) const {
  if (name == "Caption") return text().toStdString();
  if (name == "Checked") return isChecked();
  if (name == "State") {
    return layout::Value::Identifier{isChecked() ? "cbChecked" : "cbUnchecked"};
  }
  if (name == "OnClick") return eventValue(onClick_.name);
  if (name == "OnMouseDown") return eventValue(onMouseDown_.name);
  if (name == "OnMouseUp") return eventValue(onMouseUp_.name);
  return Control::propertyValue(name);
}

void TCheckBox::mousePressEvent(QMouseEvent* event) {
  QCheckBox::mousePressEvent(event);
  const QPoint at = event->position().toPoint();
  raiseFromUser(onMouseDown_, event->button(), event->modifiers(), at.x(), at.y());
}

void TCheckBox::mouseReleaseEvent(QMouseEvent* event) {
  QCheckBox::mouseReleaseEvent(event);  // toggles on a left release inside
  const QPoint at = event->position().toPoint();
  raiseFromUser(onMouseUp_, event->button(), event->modifiers(), at.x(), at.y());
}

}  // namespace vistrel::app
