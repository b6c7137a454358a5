#include "app/widgets/dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include "browse/confirm_box.h"

namespace vistrel::app {
namespace {

// A plain-text box with one OK button over the active window.
void showPlainBox(QMessageBox::Icon icon, const char* caption, const std::string& message) {
  QMessageBox box(icon, caption, QString::fromStdString(message), QMessageBox::Ok,
                  QApplication::activeWindow());
  // Messages carry file and folder names: never read them as markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

std::unique_ptr<Dialogs>& current() {
  static std::unique_ptr<Dialogs> dialogs = std::make_unique<QtDialogs>();
  return dialogs;
}

// Qt's progress dialog over a folder copy. The copy runs on this thread, so
// every report lets the event loop turn once for the Cancel button.
class QtCopyProgress : public platform::CopyObserver {
 public:
  explicit QtCopyProgress(const std::string& folder)
      : dialog_(QString::fromStdString("Copying " + folder), "Cancel", 0, kSteps,
                QApplication::activeWindow()) {
    dialog_.setWindowTitle("Copying...");
    dialog_.setWindowModality(Qt::ApplicationModal);
    dialog_.setMinimumDuration(kShowAfterMs);
    dialog_.setValue(0);
  }

  bool progress(std::uint64_t bytesDone, std::uint64_t bytesTotal,
                const std::string& fileName) override {
    dialog_.setLabelText(QString::fromStdString("Copying " + fileName));
    const double share =
        bytesTotal == 0 ? 0.0 : static_cast<double>(bytesDone) / static_cast<double>(bytesTotal);
    dialog_.setValue(static_cast<int>(share * (kSteps - 1)));
    QCoreApplication::processEvents();
    return !dialog_.wasCanceled();
  }

  platform::CollisionAnswer collision(const std::string& targetPath) override {
    // Up before the question, so that the question stacks above it and not
    // the other way round when the display's delay runs out meanwhile.
    dialog_.show();
    QCoreApplication::processEvents();
    return Dialogs::instance().askCollision(targetPath);
  }

 private:
  static constexpr int kSteps = 1000;
  static constexpr int kShowAfterMs = 500;
  QProgressDialog dialog_;
};

}  // namespace

Dialogs& Dialogs::instance() { return *current(); }

std::unique_ptr<Dialogs> Dialogs::install(std::unique_ptr<Dialogs> dialogs) {
  if (!dialogs) dialogs = std::make_unique<QtDialogs>();
  current().swap(dialogs);
  return dialogs;
}

void QtDialogs::showError(const std::string& message) {
  showPlainBox(QMessageBox::Critical, kApplicationTitle, message);
}

void QtDialogs::showMessage(const std::string& message) {
  QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, QString::fromStdString(message),
                  QMessageBox::Ok);
  browse::execCentred(box);
}

void QtDialogs::showShellError(const std::string& message) {
  showPlainBox(QMessageBox::Warning, "File Operation", message);
}

platform::CollisionAnswer QtDialogs::askCollision(const std::string& targetPath) {
  using platform::CollisionAnswer;
  const std::size_t slash = targetPath.find_last_of('\\');
  const std::string name = slash == std::string::npos ? targetPath : targetPath.substr(slash + 1);
  QMessageBox box(QMessageBox::Question, "Confirm File Replace",
                  QString::fromStdString("This folder already contains a file named \"" + name +
                                         "\".\n\nWould you like to replace it?\n\n" + targetPath),
                  QMessageBox::NoButton,
                  QApplication::activeModalWidget() != nullptr ? QApplication::activeModalWidget()
                                                               : QApplication::activeWindow());
  QPushButton* yes = box.addButton("&Yes", QMessageBox::YesRole);
  QPushButton* yesToAll = box.addButton("Yes to &All", QMessageBox::YesRole);
  QPushButton* no = box.addButton("&No", QMessageBox::NoRole);
  QPushButton* noToAll = box.addButton("No to A&ll", QMessageBox::NoRole);
  QPushButton* cancel = box.addButton("Cancel", QMessageBox::RejectRole);
  box.setDefaultButton(yes);
  box.setEscapeButton(cancel);
  box.setTextFormat(Qt::PlainText);
  box.exec();
  if (box.clickedButton() == yes) return CollisionAnswer::Replace;
  if (box.clickedButton() == yesToAll) return CollisionAnswer::ReplaceAll;
  if (box.clickedButton() == no) return CollisionAnswer::Skip;
  if (box.clickedButton() == noToAll) return CollisionAnswer::SkipAll;
  return CollisionAnswer::Cancel;
}

std::unique_ptr<platform::CopyObserver> QtDialogs::copyProgress(const std::string& folder) {
  return std::make_unique<QtCopyProgress>(folder);
}

bool QtDialogs::confirm(const std::string& message) { return browse::showConfirmationBox(message); }

}  // namespace vistrel::app
