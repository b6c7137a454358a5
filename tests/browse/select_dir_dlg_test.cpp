// The folder selection dialog: where it opens, how it is laid out, what OK
// does with a typed folder, and the folder chain it creates.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "browse/confirm_box.h"
#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"
#include "browse/file_list_box.h"
#include "browse/folder_chain.h"
#include "browse/path_label.h"
#include "browse/select_dir_dlg.h"
#include "platform/exception.h"
#include "platform/file_system.h"
#include "temporary_drives.h"

namespace vistrel::browse {
namespace {

namespace fs = std::filesystem;
using platform::DriveType;
using testing::TemporaryDrives;

const std::string kHour = "C:\\Records\\2026-12-06\\07";
constexpr std::uint8_t kAllOptions = pfTypedName | pfCreate | pfAskCreate;

class SelectDirDlgTest : public ::testing::Test {
 protected:
  SelectDirDlgTest() {
    c_ = drives_.add(testing::drive('C', DriveType::Fixed, "System"));
    d_ = drives_.add(testing::drive('D', DriveType::Fixed, "Data"));
    TemporaryDrives::makeFile(c_, "Records/2026-12-06/07/b.jpg");
    TemporaryDrives::makeFile(c_, "Records/2026-12-06/07/A.txt");
    TemporaryDrives::makeFile(c_, "Records/2026-12-06/07/.hidden");
    TemporaryDrives::makeFolder(c_, "Records/2026-12-06/07/sub");
    TemporaryDrives::makeFolder(c_, "Program");
    TemporaryDrives::makeFolder(d_, "Camera");
    drives_.install(kHour);
    setConfirmFunction([this](const std::string& message) {
      questions_.push_back(message);
      return answer_;
    });
  }
  ~SelectDirDlgTest() override {
    setFolderDialogRunner({});
    setConfirmFunction({});
  }

  TemporaryDrives drives_;
  fs::path c_;
  fs::path d_;
  std::vector<std::string> questions_;
  bool answer_ = true;
};

TEST_F(SelectDirDlgTest, OpensAtTheDrivesFolderInItsStoredLayout) {
  bool ran = false;
  setFolderDialogRunner([&](TSelectDirDlg& dialog) {
    ran = true;
    dialog.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "Select Directory");
    EXPECT_EQ(dialog.size(), QSize(424, 255));
    EXPECT_EQ(QApplication::focusWidget(), dialog.DirList);
    // "C:\" opens at drive C's current directory, the edit box holds it all selected.
    EXPECT_EQ(dialog.DirList->CurrentDirectory(), kHour);
    EXPECT_TRUE(dialog.DirEdit->isVisible());
    EXPECT_FALSE(dialog.DirLabel->isVisible());
    EXPECT_EQ(dialog.DirEdit->text().toStdString(), kHour);
    EXPECT_EQ(dialog.DirEdit->selectedText(), dialog.DirEdit->text());
    EXPECT_EQ(dialog.DirEdit->geometry(), QRect(8, 24, 313, 20));
    EXPECT_EQ(dialog.DirLabel->geometry(), dialog.DirEdit->geometry());
    // Whole entries of 17 pixels, no taller than the stored 138.
    EXPECT_EQ(dialog.DirList->itemHeight(), 17);
    const int inside = dialog.DirList->height() - 2 * dialog.DirList->frameWidth();
    EXPECT_EQ(inside % 17, 0);
    EXPECT_GT(dialog.DirList->height(), 138 - 17);
    EXPECT_LE(dialog.DirList->height(), 138);
    EXPECT_EQ(dialog.DriveList->geometry(), QRect(232, 192, 185, 19));
    EXPECT_EQ(dialog.FileList->geometry(), QRect(232, 72, 185, 93));
    // Normal files only, sorted ignoring case.
    EXPECT_EQ(dialog.FileList->names(), (std::vector<std::string>{"A.txt", "b.jpg"}));
    EXPECT_EQ(dialog.FileList->palette().color(QPalette::Text), QColor(0x80, 0x80, 0x80));
    // Help context 0: Help hidden, OK and Cancel moved right; no Network button.
    EXPECT_FALSE(dialog.HelpButton->isVisible());
    EXPECT_FALSE(dialog.NetButton->isVisible());
    EXPECT_EQ(dialog.OKButton->geometry(), QRect(256, 224, 77, 27));
    EXPECT_EQ(dialog.CancelButton->geometry(), QRect(340, 224, 77, 27));
    std::set<std::string> captions;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
      if (label->buddy() != nullptr) captions.insert(label->text().toStdString());
    }
    EXPECT_EQ(captions, (std::set<std::string>{
                            "Directory &Name:", "D&rives:", "&Directories:", "&Files: (*.*)"}));
    return static_cast<int>(QDialog::Rejected);
  });
  std::string path = "C:\\";
  EXPECT_FALSE(PickFolder(path, kAllOptions, 0));
  EXPECT_TRUE(ran);
  EXPECT_EQ(path, "C:\\");
}

TEST_F(SelectDirDlgTest, PresetsFromThePathGiven) {
  struct Row {
    std::string preset;
    std::string opensAt;
  } rows[] = {
      {"C:\\Program\\", "C:\\Program"},
      {"d:\\camera", "D:\\Camera"},
      {"D:\\", "D:\\"},
      {"", kHour},
  };
  for (const Row& row : rows) {
    drives_.install(kHour);
    std::string opened;
    setFolderDialogRunner([&](TSelectDirDlg& dialog) {
      opened = dialog.DirList->CurrentDirectory();
      EXPECT_EQ(std::toupper(dialog.DriveList->DriveLetter()), row.opensAt[0]);
      dialog.OKButton->click();
      return dialog.result();
    });
    std::string path = row.preset;
    EXPECT_TRUE(PickFolder(path, 0, 0)) << row.preset;
    EXPECT_EQ(opened, row.opensAt) << row.preset;
    // Without typed-name mode the result is the folder shown.
    EXPECT_EQ(path, row.opensAt) << row.preset;
  }
}

TEST_F(SelectDirDlgTest, TypedFoldersAreCreatedAfterAskingAndRelativeOnesFollowTheDialog) {
  int clicks = 0;
  std::string typed = "C:\\new\\deeper";
  setFolderDialogRunner([&](TSelectDirDlg& dialog) {
    dialog.DirEdit->setText(QString::fromStdString(typed));
    answer_ = false;
    dialog.OKButton->click();
    ++clicks;
    EXPECT_NE(dialog.result(), QDialog::Accepted);  // No: the dialog stays open
    EXPECT_EQ(dialog.DirEdit->text().toStdString(), typed);
    answer_ = true;
    dialog.OKButton->click();
    return dialog.result();
  });
  std::string path = "C:\\";
  ASSERT_TRUE(PickFolder(path, kAllOptions, 0));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(questions_, (std::vector<std::string>(2, kAskCreateQuestion)));
  EXPECT_EQ(path, typed);
  EXPECT_TRUE(fs::is_directory(c_ / "new/deeper"));

  // A relative name resolves against the folder the dialog showed last, which
  // stays the process's current directory afterwards.
  typed = "rel\\inner";
  setFolderDialogRunner([&](TSelectDirDlg& dialog) {
    dialog.DirList->SetCurrentDirectory("C:\\Program");
    dialog.DirEdit->setText(QString::fromStdString(typed));
    dialog.OKButton->click();
    return dialog.result();
  });
  path = "C:\\";
  ASSERT_TRUE(PickFolder(path, kAllOptions, 0));
  EXPECT_EQ(path, typed);
  EXPECT_TRUE(fs::is_directory(c_ / "Program/rel/inner"));
  EXPECT_EQ(platform::FileSystem::instance().currentDirectory(), "C:\\Program");

  // An existing folder is not asked about.
  questions_.clear();
  typed = "C:\\Records";
  setFolderDialogRunner([&](TSelectDirDlg& dialog) {
    dialog.DirEdit->setText(QString::fromStdString(typed));
    dialog.OKButton->click();
    return dialog.result();
  });
  EXPECT_TRUE(PickFolder(path, kAllOptions, 0));
  EXPECT_TRUE(questions_.empty());
}

TEST_F(SelectDirDlgTest, CreateFolderChain) {
  EXPECT_TRUE(CreateFolderChain("C:"));
  EXPECT_TRUE(CreateFolderChain("C:\\a\\b\\c\\"));
  EXPECT_TRUE(fs::is_directory(c_ / "a/b/c"));
  EXPECT_TRUE(FolderExists("c:\\A\\B"));
  EXPECT_FALSE(FolderExists("C:\\Records\\2026-12-06\\07\\b.jpg"));
  // Below a file nothing can be made.
  EXPECT_FALSE(CreateFolderChain("C:\\Records\\2026-12-06\\07\\b.jpg\\x"));
  EXPECT_THROW(CreateFolderChain(""), Exception);
}

}  // namespace
}  // namespace vistrel::browse
