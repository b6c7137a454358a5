#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QAbstractItemView>
#include <QTest>

#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"
#include "controls/control.h"
#include "platform/file_system.h"
#include "temporary_drives.h"

namespace vistrel::browse {
namespace {

using platform::DriveType;
using testing::TemporaryDrives;

class DriveComboBoxTest : public ::testing::Test {
 protected:
  DriveComboBoxTest() {
    drives_.add(testing::drive('A', DriveType::Removable, "Floppy"));
    const auto c = drives_.add(testing::drive('C', DriveType::Fixed, "System"));
    drives_.add(testing::drive('D', DriveType::CdRom, std::nullopt));
    drives_.add(testing::drive('N', DriveType::Remote, "Net", "\\\\Server\\Share"));
    drives_.add(testing::drive('R', DriveType::Remote, "Net"));
    drives_.add(testing::drive('S', DriveType::RamDisk, "Swap"));
    TemporaryDrives::makeFolder(c, "Windows");
    drives_.install("C:\\Windows");
    combo_ = std::make_unique<TDriveComboBox>();
    combo_->OnChange = [this] { ++changes_; };
  }

  std::vector<std::string> texts() const {
    std::vector<std::string> result;
    for (int i = 0; i < combo_->count(); ++i) result.push_back(combo_->itemText(i));
    return result;
  }

  TemporaryDrives drives_;
  std::unique_ptr<TDriveComboBox> combo_;
  int changes_ = 0;
};

TEST_F(DriveComboBoxTest, EntriesInBothTextCases) {
  EXPECT_EQ(combo_->count(), 0);  // built when the window is created
  combo_->windowCreated();
  EXPECT_EQ(texts(), (std::vector<std::string>{"a:", "c: [system]", "d: []", "n: \\\\server\\share",
                                               "r: [net]", "s: [swap]"}));
  EXPECT_EQ(combo_->DriveLetter(), 'c');
  EXPECT_EQ(combo_->itemIndex(), 1);
  EXPECT_EQ(changes_, 1);

  combo_->SetTextCase(TTextCase::tcUpperCase);
  EXPECT_EQ(texts(), (std::vector<std::string>{"A:", "C: [SYSTEM]", "D: []", "N: \\\\SERVER\\SHARE",
                                               "R: [NET]", "S: [SWAP]"}));
  EXPECT_EQ(combo_->DriveLetter(), 'C');
  EXPECT_EQ(combo_->itemIndex(), 1);
  combo_->SetDriveLetter('d');
  EXPECT_EQ(combo_->DriveLetter(), 'D');
}

TEST_F(DriveComboBoxTest, SameLetterInOtherCaseChangesNothing) {
  combo_->windowCreated();
  combo_->SetDriveLetter('C');
  EXPECT_EQ(combo_->DriveLetter(), 'c');
  EXPECT_EQ(changes_, 1);
}

TEST_F(DriveComboBoxTest, LetterWithoutEntryStillRaisesTheChange) {
  combo_->windowCreated();
  combo_->SetDriveLetter('q');
  EXPECT_EQ(combo_->DriveLetter(), 'q');
  EXPECT_EQ(combo_->itemIndex(), -1);
  EXPECT_EQ(changes_, 2);
  combo_->SetDriveLetter('\0');
  EXPECT_EQ(combo_->DriveLetter(), '\0');
  EXPECT_EQ(changes_, 3);
}

TEST_F(DriveComboBoxTest, FirstShowRaisesTheChangeOnce) {
  combo_->show();
  EXPECT_EQ(changes_, 1);
  EXPECT_EQ(combo_->itemIndex(), 1);
  combo_->hide();
  combo_->show();
  EXPECT_EQ(changes_, 1);
}

TEST_F(DriveComboBoxTest, UserPickRaisesClickThenTwoChanges) {
  combo_->show();
  std::vector<std::string> events;
  combo_->OnClick = [&] { events.push_back("click " + std::string(1, combo_->DriveLetter())); };
  combo_->OnChange = [&] { events.push_back("change " + std::string(1, combo_->DriveLetter())); };
  QTest::keyClick(combo_.get(), Qt::Key_Down);
  EXPECT_EQ(events, (std::vector<std::string>{"click c", "change d", "change d"}));
  EXPECT_EQ(combo_->itemIndex(), 2);

  // Picking the selected drive again in the drop-down raises it once.
  events.clear();
  combo_->showPopup();
  QAbstractItemView* view = combo_->view();
  const QRect item = view->visualRect(view->model()->index(2, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
  EXPECT_EQ(events, (std::vector<std::string>{"click d", "change d"}));
}

TEST_F(DriveComboBoxTest, SelectHandlerReplacesTheSecondChange) {
  combo_->show();
  int selects = 0;
  combo_->OnSelect = [&] { ++selects; };
  combo_->setCurrentIndex(4);
  combo_->userChoice();
  EXPECT_EQ(selects, 1);
  EXPECT_EQ(changes_, 2);
  EXPECT_EQ(combo_->DriveLetter(), 'r');
}

TEST_F(DriveComboBoxTest, LinkedTreeListFollowsAndLeads) {
  auto list = std::make_unique<TDirectoryListBox>();
  int listChanges = 0;
  list->OnChange = [&] { ++listChanges; };
  combo_->SetDirList(list.get());
  EXPECT_EQ(list->driveCombo(), combo_.get());
  combo_->show();
  EXPECT_EQ(listChanges, 0);  // already on drive C

  combo_->setCurrentIndex(2);
  combo_->userChoice();
  EXPECT_EQ(list->CurrentDirectory(), "D:\\");
  EXPECT_EQ(listChanges, 1);

  // A directory change across drives moves the selector, rebuilding once.
  changes_ = 0;
  list->SetCurrentDirectory("c:\\windows");
  EXPECT_EQ(list->CurrentDirectory(), "C:\\Windows");
  EXPECT_EQ(combo_->DriveLetter(), 'c');
  EXPECT_EQ(combo_->itemIndex(), 1);
  EXPECT_EQ(changes_, 1);
  EXPECT_EQ(listChanges, 2);

  list.reset();
  EXPECT_EQ(combo_->DirList(), nullptr);
  combo_->SetDriveLetter('a');  // no list to tell
  EXPECT_EQ(combo_->DriveLetter(), 'a');
}

TEST_F(DriveComboBoxTest, DestroyedSelectorIsUnlinked) {
  TDirectoryListBox list;
  combo_->SetDirList(&list);
  combo_.reset();
  EXPECT_EQ(list.driveCombo(), nullptr);
  list.SetCurrentDirectory("A:\\");
  EXPECT_EQ(list.CurrentDirectory(), "A:\\");
}

TEST_F(DriveComboBoxTest, RelinkingReleasesThePreviousList) {
  TDirectoryListBox first;
  TDirectoryListBox second;
  combo_->SetDirList(&first);
  combo_->SetDirList(&second);
  EXPECT_EQ(first.driveCombo(), nullptr);
  EXPECT_EQ(second.driveCombo(), combo_.get());
  combo_->SetDirList(nullptr);
  EXPECT_EQ(second.driveCombo(), nullptr);
}

TEST_F(DriveComboBoxTest, ItemHeightIsAtLeastTheImageHeight) {
  QFont font = combo_->font();
  font.setPixelSize(6);
  combo_->setFont(font);
  EXPECT_EQ(combo_->itemHeight(), std::max(11, controls::textMetricHeight(font)));
  font.setPixelSize(11);
  font.setBold(true);
  combo_->setFont(font);
  EXPECT_EQ(combo_->itemHeight(), controls::textMetricHeight(font));
}

}  // namespace
}  // namespace vistrel::browse
