#include "app/controls/dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace vistrel::app {
namespace {

std::unique_ptr<Dialogs>& current() {
  static std::unique_ptr<Dialogs> dialogs = std::make_unique<QtDialogs>();
  return dialogs;
}

// Shows `box` centred on the primary screen and waits for it to close.
int execCentred(QMessageBox& box) {
  box.adjustSize();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = box.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    box.move(frame.topLeft());
  }
  return box.exec();
}

}  // namespace

Dialogs& Dialogs::instance() { return *current(); }

std::unique_ptr<Dialogs> Dialogs::install(std::unique_ptr<Dialogs> dialogs) {
  if (!dialogs) dialogs = std::make_unique<QtDialogs>();
  current().swap(dialogs);
  return dialogs;
}

void QtDialogs::showError(const std::string& message) {
  QMessageBox box(QMessageBox::Critical, kApplicationTitle, QString::fromStdString(message),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

void QtDialogs::showMessage(const std::string& message) {
  QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, QString::fromStdString(message),
                  QMessageBox::Ok);
  execCentred(box);
}

bool QtDialogs::confirm(const std::string& message) {
  QMessageBox box(QMessageBox::Question, "Confirm", QString::fromStdString(message),
                  QMessageBox::NoButton);
  QPushButton* yes = box.addButton("&Yes", QMessageBox::YesRole);
  QPushButton* no = box.addButton("&No", QMessageBox::NoRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(no);
  execCentred(box);
  return box.clickedButton() == yes;
}

}  // namespace vistrel::app
