#include "browse/select_dir_dlg.h"

#include <cmath>
#include <iterator>
#include <utility>

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "browse/confirm_box.h"
#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"
#include "browse/file_list_box.h"
#include "browse/folder_chain.h"
#include "browse/path_label.h"
#include "browse/path_text.h"
#include "controls/colors.h"
#include "platform/file_system.h"

namespace vistrel::browse {
namespace {

constexpr int kTreeItemHeight = 17;
constexpr int kFileItemHeight = 13;
constexpr int kDesignPixelsPerInch = 96;

FolderDialogRunner& runner() {
  static FolderDialogRunner function;
  return function;
}

QLabel* addLabel(QWidget* parent, const char* caption, QRect bounds, QWidget* buddy) {
  auto* label = new QLabel(caption, parent);
  label->setGeometry(bounds);
  label->setBuddy(buddy);
  return label;
}

QPushButton* addButton(QWidget* parent, const char* caption, int left) {
  auto* button = new QPushButton(caption, parent);
  button->setGeometry(left, 224, 77, 27);
  button->setAutoDefault(false);
  return button;
}

void grayText(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Text, controls::toQColor(controls::clGrayText));
  widget->setPalette(palette);
}

}  // namespace

TSelectDirDlg::TSelectDirDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setWindowTitle("Select Directory");
  QFont font("MS Sans Serif");
  font.setPixelSize(11);
  setFont(font);
  setFixedSize(kClientWidth, kClientHeight);

  DirEdit = new QLineEdit(this);
  DirEdit->setGeometry(8, 24, 313, 20);
  DirEdit->hide();
  DriveList = new TDriveComboBox(this);
  DriveList->setGeometry(232, 192, 185, 19);
  DirLabel = new TPathLabel(this);
  DirLabel->setGeometry(120, 8, 213, 13);
  DirList = new TDirectoryListBox(this);
  DirList->setItemHeight(kTreeItemHeight);
  // Whole items only: the list shrinks to a whole number of entries.
  const int frame = 2 * DirList->frameWidth();
  DirList->setGeometry(8, 72, 213, frame + (138 - frame) / kTreeItemHeight * kTreeItemHeight);
  FileList = new TFileListBox(this);
  FileList->setGeometry(232, 72, 185, 93);
  FileList->setItemHeight(kFileItemHeight);
  FileList->setMask("*.*");
  grayText(FileList);

  addLabel(this, "Directory &Name:", {8, 8, 92, 13}, DirEdit);
  addLabel(this, "D&rives:", {232, 176, 41, 13}, DriveList);
  addLabel(this, "&Directories:", {8, 56, 66, 13}, DirList);
  addLabel(this, "&Files: (*.*)", {232, 56, 57, 13}, FileList);

  NetButton = addButton(this, "Ne&twork...", 8);
  NetButton->hide();
  OKButton = addButton(this, "OK", 172);
  OKButton->setDefault(true);
  CancelButton = addButton(this, "Cancel", 256);
  HelpButton = addButton(this, "&Help", 340);

  QWidget* const tabOrder[] = {DirList,  DirEdit,      DriveList, NetButton,
                               OKButton, CancelButton, FileList,  HelpButton};
  for (std::size_t i = 1; i < std::size(tabOrder); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  DirList->OnChange = [this] { DirListChange(); };
  DriveList->OnChange = [this] { DriveListChange(); };
  connect(NetButton, &QPushButton::clicked, this, [this] { NetClick(); });
  connect(HelpButton, &QPushButton::clicked, this, [this] { HelpButtonClick(); });
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(OKButton, &QPushButton::clicked, this, [this] {
    setResult(QDialog::Accepted);
    OKClick();
    if (result() == QDialog::Accepted) accept();
  });
  FormCreate();
}

void TSelectDirDlg::FormCreate() {
  // The network connect dialog is a service this platform does not offer, so
  // NetButton stays hidden and NetClick has nothing to call.
  setTypedName(false);
  DirLabel->setGeometry(DirEdit->geometry());
  DirListChange();
}

void TSelectDirDlg::setTypedName(bool on) {
  typedName_ = on;
  DirLabel->setVisible(!on);
  DirEdit->setVisible(on);
}

void TSelectDirDlg::DirListChange() {
  DirLabel->setCaption(DirList->CurrentDirectory());
  FileList->setFolder(DirList->CurrentDirectory());
  DirEdit->setText(QString::fromStdString(DirLabel->caption()));
  DirEdit->selectAll();
}

void TSelectDirDlg::DriveListChange() { DirList->SetDriveLetter(DriveList->DriveLetter()); }

void TSelectDirDlg::NetClick() {}

void TSelectDirDlg::OKClick() {
  if (!typedName_ || !askCreate_ || FolderExists(chosenFolder())) return;
  if (!confirm(kAskCreateQuestion)) setResult(0);  // stays open with the typed text
}

void TSelectDirDlg::HelpButtonClick() {
  // The program has no help system; the button shows only for a nonzero
  // context, which no caller passes.
}

std::string TSelectDirDlg::chosenFolder() const {
  return typedName_ ? DirEdit->text().toStdString() : DirLabel->caption();
}

void TSelectDirDlg::preset(const std::string& path) {
  if (path.empty()) return;
  std::string full = joinPath(platform::FileSystem::instance().fullPath(path), "*.*");
  if (full.size() <= 2 || full[1] != ':') return;
  DriveList->SetDriveLetter(full[0]);
  full = folderPart(full);
  // "C:\" becomes "C:": the drive's own current directory.
  DirList->SetCurrentDirectory(full.substr(0, full.size() - 1));
}

void TSelectDirDlg::scaleToScreen(double factor) {
  auto scaled = [factor](int value) { return static_cast<int>(std::lround(value * factor)); };
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const QRect r = child->geometry();
    child->setGeometry(scaled(r.left()), scaled(r.top()), scaled(r.width()), scaled(r.height()));
  }
  setFixedSize(scaled(width()), scaled(height()));
  FileList->setFont(font());
  grayText(FileList);
}

void TSelectDirDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  DirList->setFocus(Qt::OtherFocusReason);
}

void setFolderDialogRunner(FolderDialogRunner function) { runner() = std::move(function); }

bool PickFolder(std::string& path, std::uint8_t options, int helpContext) {
  TSelectDirDlg dialog;
  dialog.preset(path);
  dialog.setTypedName((options & pfTypedName) != 0);
  dialog.setAskCreate((options & pfAskCreate) != 0);
  QScreen* screen = QGuiApplication::primaryScreen();
  const int pixelsPerInch = screen != nullptr
                                ? static_cast<int>(std::lround(screen->logicalDotsPerInch()))
                                : kDesignPixelsPerInch;
  if (pixelsPerInch != kDesignPixelsPerInch) {
    dialog.scaleToScreen(static_cast<double>(pixelsPerInch) / kDesignPixelsPerInch);
  }
  if (screen != nullptr) {
    const QRect area = screen->geometry();
    dialog.move(area.width() / 2 - dialog.width() / 2, area.height() / 2 - dialog.height() / 2);
  }
  if (helpContext == 0) {
    dialog.HelpButton->hide();
    dialog.OKButton->move(dialog.CancelButton->x(), dialog.OKButton->y());
    dialog.CancelButton->move(dialog.HelpButton->x(), dialog.CancelButton->y());
  }
  const FolderDialogRunner& run = runner();
  const int result = run ? run(dialog) : dialog.exec();
  if (result != QDialog::Accepted) return false;
  path = dialog.chosenFolder();
  if ((options & pfCreate) != 0) CreateFolderChain(path);
  return true;
}

}  // namespace vistrel::browse
