#include "app/widgets/check_box.h"

#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "controls/focus_rect.h"

#include "app/widgets/accessibility.h"

namespace vistrel::app {

TCheckBox::TCheckBox(QWidget* parent) : QCheckBox(parent), EventControl(this) {
  setAutoFillBackground(true);
  installAccessibleInterfaces();
  // Qt's clicked() comes from a mouse release, the space bar and click()
  // alike; only the mouse release also raises the mouse-up handler.
  connect(this, &QCheckBox::clicked, this, [this] {
    if (byProgram_) return;
    raiseFromUser(mouse_.onClick);
    if (!inMouseRelease_) raiseFromUser(onKeyboardToggle_);
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

const controls::PropertyTable& TCheckBox::propertyTable() const {
  using P = controls::Stored<TCheckBox>;
  // Stored values set the box without raising OnClick.
  auto check = [](TCheckBox& c, bool checked) {
    c.byProgram_ = true;
    c.QCheckBox::setChecked(checked);
    c.byProgram_ = false;
  };
  static const controls::PropertyTable table(
      {&controlPropertyTable(), &mousePropertyTable()},
      {
          P::property(
              "Caption", [](const TCheckBox& c) { return c.text().toStdString(); },
              [](TCheckBox& c, const std::string& caption) {
                c.setText(QString::fromStdString(caption));
              }),
          P::property("Checked", &TCheckBox::isChecked, check),
          P::property(
              "State",
              [](const TCheckBox& c) {
                return layout::Value::Identifier{c.isChecked() ? "cbChecked" : "cbUnchecked"};
              },
              [check](TCheckBox& c, const layout::Value::Identifier& state) {
                check(c, state.name == "cbChecked");
              }),
      });
  return table;
}

void TCheckBox::mousePressEvent(QMouseEvent* event) {
  QCheckBox::mousePressEvent(event);
  raiseMouse(mouse_.onMouseDown, *event);
}

void TCheckBox::mouseReleaseEvent(QMouseEvent* event) {
  inMouseRelease_ = true;
  QCheckBox::mouseReleaseEvent(event);  // toggles on a left release inside
  inMouseRelease_ = false;
  raiseMouse(mouse_.onMouseUp, *event);
}

void TCheckBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.state &= ~QStyle::State_HasFocus;
  painter.drawControl(QStyle::CE_CheckBox, option);
  if (!hasFocus()) return;
  const QRect caption = style()->subElementRect(QStyle::SE_CheckBoxFocusRect, &option, this);
  controls::drawFocusRect(painter, caption, palette().color(QPalette::Active, backgroundRole()));
}

}  // namespace vistrel::app
