#include "browse/confirm_box.h"

#include <utility>

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace vistrel::browse {
namespace {

ConfirmFunction& installed() {
  static ConfirmFunction function;
  return function;
}

}  // namespace

int execCentred(QMessageBox& box) {
  box.setTextFormat(Qt::PlainText);  // names in the text are never markup
  box.adjustSize();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = box.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    box.move(frame.topLeft());
  }
  return box.exec();
}

bool showConfirmationBox(const std::string& message) {
  QMessageBox box(QMessageBox::Question, "Confirm", QString::fromStdString(message),
                  QMessageBox::NoButton);
  QPushButton* yes = box.addButton("&Yes", QMessageBox::YesRole);
  QPushButton* no = box.addButton("&No", QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  execCentred(box);
  return box.clickedButton() == yes;
}

void setConfirmFunction(ConfirmFunction confirm) { installed() = std::move(confirm); }

bool confirm(const std::string& message) {
  if (const ConfirmFunction& function = installed()) return function(message);
  return showConfirmationBox(message);
}

}  // namespace vistrel::browse
