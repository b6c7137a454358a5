#include "app/controls/check_box.h"

#include <QMouseEvent>

namespace vistrel::app {

TCheckBox::TCheckBox(QWidget* parent) : QCheckBox(parent), Control(this) {
  setAutoFillBackground(true);
  connect(this, &QCheckBox::clicked, this, [this] {
    if (!byProgram_) raiseFromUser(mouse_.onClick);
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
  raiseFromProgram(mouse_.onClick);
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
  } else if (!bindMouseHandler(mouse_, name, value, context)) {
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
  if (auto handler = mouseHandlerValue(mouse_, name)) return *handler;
  return Control::propertyValue(name);
}

void TCheckBox::mousePressEvent(QMouseEvent* event) {
  QCheckBox::mousePressEvent(event);
  raiseMouse(mouse_.onMouseDown, *event);
}

void TCheckBox::mouseReleaseEvent(QMouseEvent* event) {
  QCheckBox::mouseReleaseEvent(event);  // toggles on a left release inside
  raiseMouse(mouse_.onMouseUp, *event);
}

}  // namespace vistrel::app
