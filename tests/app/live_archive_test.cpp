// The window while a recorder writes into the archive: snapshots that come
// and go in the listed hour, a show that goes on into new ones, and folders
// that appear in the tree list.

#include <filesystem>
#include <string>
#include <vector>

#include <QTest>

#include "app/widgets/label.h"
#include "app/widgets/list_box.h"
#include "app/widgets/panel.h"
#include "app/widgets/scroll_bar.h"
#include "app/widgets/timer.h"
#include "browse/directory_list_box.h"
#include "viewer_fixture.h"

namespace vistrel::app::testing {
namespace {

constexpr const char* kDate = "C:\\Program Files\\Vistrel\\Records\\2026-12-06";
constexpr int kWaitMs = 20000;

class LiveArchiveTest : public ViewerTest {
 protected:
  void openFolder(const std::string& relative) {
    form_->DirectoryListBox1->SetCurrentDirectory(std::string(kDate) + relative);
  }
  std::filesystem::path hostOf(const std::string& relative) const {
    return tree_.path() / kRecordsHost / "2026-12-06" / relative;
  }
  void write(const std::string& relative, int tag) const {
    tree_.jpeg(std::string(kRecordsHost) + "/2026-12-06/" + relative, tag);
  }
  bool waitForCount(int count) {
    return QTest::qWaitFor([&] { return form_->ListBox1->itemCount() == count; }, kWaitMs);
  }
  void clickSnapshot(int index) {
    TListBox* list = form_->ListBox1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(index)).center());
  }
};

TEST_F(LiveArchiveTest, SnapshotsComingAndGoingFollowTheListedHour) {
  addSnapshots("2026-12-06/07", 5);
  addSnapshots("2026-12-06/08", 2, 50);
  startViewer();
  openFolder("\\07");
  clickSnapshot(2);
  ASSERT_EQ(shownTag(), 2);

  write("07/snap005.jpg", 5);
  write("07/snap006.jpg", 6);
  ASSERT_TRUE(waitForCount(7));
  EXPECT_EQ(snapshotNames().back(), "snap006.jpg");
  EXPECT_EQ(form_->ListBox1->itemIndex(), 2);
  EXPECT_EQ(shownTag(), 2);
  EXPECT_EQ(form_->VideoProgress->max(), 6);
  EXPECT_EQ(form_->VideoProgress->position(), 2);
  EXPECT_EQ(label(), " Slide: 3/7 ");

  // Removed before the selection: the selected snapshot stays selected.
  std::filesystem::remove(hostOf("07/snap000.jpg"));
  ASSERT_TRUE(waitForCount(6));
  EXPECT_EQ(form_->ListBox1->itemText(form_->ListBox1->itemIndex()), "snap002.jpg");
  EXPECT_EQ(form_->VideoProgress->position(), 1);
  EXPECT_EQ(form_->slideCounter(), 1);
  EXPECT_EQ(label(), " Slide: 2/6 ");
  // The selected one itself: the one after it takes its place, shown.
  std::filesystem::remove(hostOf("07/snap002.jpg"));
  ASSERT_TRUE(waitForCount(5));
  EXPECT_EQ(form_->ListBox1->itemText(form_->ListBox1->itemIndex()), "snap003.jpg");
  EXPECT_EQ(shownTag(), 3);

  // Another hour listed meanwhile: only its own snapshots join. The second
  // write is reported no earlier than the first.
  openFolder("\\08");
  write("07/snap007.jpg", 7);
  write("08/snap002.jpg", 52);
  ASSERT_TRUE(waitForCount(3));
  EXPECT_EQ(snapshotNames(),
            (std::vector<std::string>{"snap000.jpg", "snap001.jpg", "snap002.jpg"}));
  EXPECT_EQ(form_->ListBox1->itemIndex(), 0);
  EXPECT_TRUE(dialogs_->errors.empty());
}

TEST_F(LiveArchiveTest, ARunningShowGoesOnIntoNewSnapshots) {
  addSnapshots("2026-12-06/07", 2, 10);
  startViewer();
  openFolder("\\07");
  QTest::mouseClick(form_->SlideShow, Qt::LeftButton);
  ASSERT_EQ(caption(), "P A U S E");
  // Ticks by hand: the timer would end the show before the recorder writes.
  form_->SlideShowTimer->setEnabled(false);
  form_->SlideShowTimerTimer(nullptr);
  form_->SlideShowTimerTimer(nullptr);
  ASSERT_EQ(shownTag(), 11);

  write("07/snap002.jpg", 12);
  ASSERT_TRUE(waitForCount(3));
  form_->SlideShowTimerTimer(nullptr);
  EXPECT_EQ(shownTag(), 12);
  EXPECT_EQ(label(), " Slide: 3/3 ");
  EXPECT_EQ(caption(), "P A U S E");
  form_->SlideShowTimerTimer(nullptr);
  EXPECT_EQ(caption(), "Run Slide Show");
  EXPECT_TRUE(dialogs_->errors.empty());
}

TEST_F(LiveArchiveTest, NewFoldersAppearInTheTreeList) {
  addSnapshots("2026-12-06/07", 2);
  startViewer();
  openFolder("");
  browse::TDirectoryListBox* tree = form_->DirectoryListBox1;
  // Entries: C:\, Program Files, Vistrel, Records, 2026-12-06, 07.
  ASSERT_EQ(tree->count(), 6);
  tree->setItemIndex(5);

  std::filesystem::create_directories(hostOf("05"));
  std::filesystem::create_directories(hostOf("09"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return tree->count() == 8; }, kWaitMs));
  EXPECT_EQ(tree->itemText(5), "05");
  EXPECT_EQ(tree->itemText(7), "09");
  EXPECT_EQ(tree->CurrentDirectory(), kDate);
  EXPECT_EQ(tree->itemIndex(), 6);  // still 07

  std::filesystem::remove(hostOf("05"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return tree->count() == 7; }, kWaitMs));
  EXPECT_EQ(tree->itemIndex(), 5);
  EXPECT_TRUE(dialogs_->errors.empty());
}

}  // namespace
}  // namespace vistrel::app::testing
