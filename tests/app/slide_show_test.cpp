// The slide show: start, pause, stop, ticks, continuation into the next hour
// folder, and what happens when a snapshot cannot be shown.

#include <QTest>

#include "app/controls/check_box.h"
#include "app/controls/colors.h"
#include "app/controls/image.h"
#include "app/controls/label.h"
#include "app/controls/list_box.h"
#include "app/controls/panel.h"
#include "app/controls/scroll_bar.h"
#include "app/controls/timer.h"
#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"
#include "viewer_fixture.h"

namespace vistrel::app::testing {
namespace {

constexpr const char* kDate = "C:\\Program Files\\Vistrel\\Records\\2026-12-06";

class SlideShowTest : public ViewerTest {
 protected:
  void click(TPanel* panel) { QTest::mouseClick(panel, Qt::LeftButton); }
  void tick() { form_->SlideShowTimer->fire(); }
  // Ticks `count` times and returns the tags shown after each tick.
  std::vector<int> ticks(int count) {
    std::vector<int> shown;
    for (int i = 0; i < count; ++i) {
      tick();
      shown.push_back(shownTag());
    }
    return shown;
  }
  void openHour(const char* hour) {
    form_->DirectoryListBox1->setCurrentDirectory(std::string(kDate) + "\\" + hour);
  }
};

TEST_F(SlideShowTest, StartAtTheRecordsRootAsksForADateAndEndsAtTheFirstTick) {
  startViewer();
  TColor whileAsking = clNavy;
  dialogs_->onMessage = [&] { whileAsking = form_->SlideShow->color(); };
  click(form_->SlideShow);
  EXPECT_EQ(whileAsking, clSilver);  // the click comes before the release
  EXPECT_EQ(form_->SlideShow->color(), clNavy);
  EXPECT_EQ(dialogs_->messages,
            std::vector<std::string>{
                " Please select Date or Date and Hour from list in top left Menu! "});
  EXPECT_EQ(caption(), "P A U S E");
  EXPECT_TRUE(form_->SlideShowTimer->running());
  tick();
  EXPECT_EQ(caption(), "Run Slide Show");
  EXPECT_FALSE(form_->SlideShowTimer->enabled());
}

TEST_F(SlideShowTest, StartFromASelectedDateOpensItsFirstHour) {
  addSnapshots("2026-12-06/05", 3, 10);
  addSnapshots("2026-12-06/06", 2, 20);
  startViewer();
  form_->DirectoryListBox1->setItemIndex(4);
  click(form_->SlideShow);
  EXPECT_TRUE(dialogs_->messages.empty());
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), std::string(kDate) + "\\05");
  EXPECT_EQ(snapshotNames(),
            (std::vector<std::string>{"snap000.jpg", "snap001.jpg", "snap002.jpg"}));
  EXPECT_EQ(ticks(3), (std::vector<int>{10, 11, 12}));
  EXPECT_EQ(label(), " Slide: 3/3 ");
  EXPECT_EQ(form_->VideoProgress->position(), 2);
  EXPECT_EQ(form_->slideCounter(), 3);
}

TEST_F(SlideShowTest, DateWithoutHoursFailsWithAListError) {
  tree_.folder(std::string(kRecordsHost) + "/2026-12-06");
  startViewer();
  form_->DirectoryListBox1->setItemIndex(4);
  click(form_->SlideShow);
  EXPECT_EQ(dialogs_->errors, std::vector<std::string>{"List index out of bounds (-1)"});
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), kDate);
  EXPECT_EQ(caption(), "RUN Slide Show");
  EXPECT_FALSE(form_->SlideShowTimer->enabled());
}

TEST_F(SlideShowTest, PauseResumesWithTheNextAndStopStartsOver) {
  addSnapshots("2026-12-06/07", 8);
  startViewer();
  openHour("07");
  click(form_->SlideShow);
  EXPECT_EQ(ticks(5), (std::vector<int>{0, 1, 2, 3, 4}));
  click(form_->SlideShow);  // pause
  EXPECT_EQ(caption(), "Run Slide Show");
  EXPECT_FALSE(form_->SlideShowTimer->enabled());
  EXPECT_EQ(form_->slideCounter(), 5);
  click(form_->SlideShow);  // resume
  EXPECT_EQ(caption(), "P A U S E");
  EXPECT_EQ(ticks(1), std::vector<int>{5});

  click(form_->STOP);
  EXPECT_EQ(caption(), "Run Slide Show");
  EXPECT_EQ(form_->slideCounter(), 0);
  EXPECT_EQ(shownTag(), 5);  // the picture stays
  EXPECT_EQ(form_->VideoProgress->position(), 5);
  click(form_->SlideShow);
  EXPECT_EQ(ticks(2), (std::vector<int>{0, 1}));
}

TEST_F(SlideShowTest, ResumesAfterHandNavigationWithTheSnapshotShownByHand) {
  addSnapshots("2026-12-06/07", 6);
  startViewer();
  openHour("07");
  form_->VideoProgress->setPosition(3);
  click(form_->SlideShow);
  EXPECT_EQ(ticks(2), (std::vector<int>{3, 4}));
}

TEST_F(SlideShowTest, ContinuesIntoTheNextExistingHour) {
  addSnapshots("2026-12-06/07", 3, 0);
  addSnapshots("2026-12-06/09", 4, 90);
  startViewer();
  openHour("07");
  click(form_->SlideShow);
  EXPECT_EQ(ticks(3), (std::vector<int>{0, 1, 2}));
  tick();  // end of "07": switches to "09"; the bar's return to 0 shows its first
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), std::string(kDate) + "\\09");
  EXPECT_EQ(shownTag(), 90);
  EXPECT_EQ(form_->slideCounter(), 0);
  EXPECT_EQ(caption(), "P A U S E");
  EXPECT_EQ(ticks(4), (std::vector<int>{90, 91, 92, 93}));
  tick();  // no later hour: the show ends
  EXPECT_EQ(caption(), "Run Slide Show");
  EXPECT_FALSE(form_->SlideShowTimer->enabled());
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), std::string(kDate) + "\\09");
}

TEST_F(SlideShowTest, HourTwentyThreeIsTheLast) {
  addSnapshots("2026-12-06/23", 2);
  addSnapshots("2026-12-07/00", 2);
  startViewer();
  openHour("23");
  click(form_->SlideShow);
  ticks(3);
  EXPECT_EQ(caption(), "Run Slide Show");
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), std::string(kDate) + "\\23");
}

TEST_F(SlideShowTest, WithoutContinuationTheShowEndsAfterTheLastSnapshot) {
  addSnapshots("2026-12-06/07", 2);
  addSnapshots("2026-12-06/08", 2);
  startViewer();
  openHour("07");
  QTest::mouseClick(form_->SledeciSat, Qt::LeftButton);
  ASSERT_FALSE(form_->SledeciSat->checked());
  click(form_->SlideShow);
  ticks(3);
  EXPECT_EQ(caption(), "Run Slide Show");
  EXPECT_EQ(form_->slideCounter(), 2);
  click(form_->SlideShow);  // the counter still stands at the end
  tick();
  EXPECT_EQ(caption(), "Run Slide Show");
}

TEST_F(SlideShowTest, SelectingTheDateEntryDuringAShowEndsItAtTheEndOfTheHour) {
  addSnapshots("2026-12-06/07", 1);
  addSnapshots("2026-12-06/08", 1);
  startViewer();
  openHour("07");
  click(form_->SlideShow);
  tick();
  form_->DirectoryListBox1->setItemIndex(4);
  tick();
  EXPECT_EQ(caption(), "Run Slide Show");
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), std::string(kDate) + "\\07");
}

TEST_F(SlideShowTest, SnapshotDeletedDuringTheShowIsReportedOnceAndStopsIt) {
  addSnapshots("2026-12-06/07", 5);
  startViewer();
  openHour("07");
  dialogs_->onError = [this] { tick(); };  // the timer would fire while the box is up
  click(form_->SlideShow);
  EXPECT_EQ(ticks(2), (std::vector<int>{0, 1}));
  std::filesystem::remove(tree_.path() / kRecordsHost / "2026-12-06/07/snap002.jpg");
  tick();
  ASSERT_EQ(dialogs_->errors.size(), 1u);
  EXPECT_NE(dialogs_->errors[0].find("Cannot open file"), std::string::npos) << dialogs_->errors[0];
  EXPECT_NE(dialogs_->errors[0].find("snap002.jpg"), std::string::npos);
  EXPECT_EQ(caption(), "Run Slide Show");
  EXPECT_FALSE(form_->SlideShowTimer->enabled());
  EXPECT_EQ(form_->slideCounter(), 2);
  EXPECT_EQ(shownTag(), 1);
  tick();
  EXPECT_EQ(dialogs_->errors.size(), 1u);

  // Starting again lists the folder afresh and goes on with the next one.
  click(form_->SlideShow);
  EXPECT_EQ(form_->ListBox1->itemCount(), 4);
  EXPECT_EQ(ticks(2), (std::vector<int>{3, 4}));
  EXPECT_EQ(dialogs_->errors.size(), 1u);
}

TEST_F(SlideShowTest, HourFolderThatIsNotANumberIsReportedAndEndsTheShow) {
  tree_.jpeg(std::string(kRecordsHost) + "/2026-12-06/xx/a.jpg", 1);
  startViewer();
  openHour("xx");
  click(form_->SlideShow);
  tick();
  tick();
  EXPECT_EQ(dialogs_->errors, std::vector<std::string>{"'xx' is not a valid integer value"});
  EXPECT_EQ(caption(), "Run Slide Show");
  EXPECT_FALSE(form_->SlideShowTimer->enabled());
}

TEST_F(SlideShowTest, PanelsTurnSilverWhilePressedAndRightClicksDoNotStop) {
  addSnapshots("2026-12-06/07", 3);
  startViewer();
  openHour("07");
  click(form_->SlideShow);
  QTest::mousePress(form_->STOP, Qt::RightButton);
  EXPECT_EQ(form_->STOP->color(), clSilver);
  QTest::mouseRelease(form_->STOP, Qt::RightButton);
  EXPECT_EQ(form_->STOP->color(), clNavy);
  EXPECT_EQ(caption(), "P A U S E");
  EXPECT_TRUE(form_->SlideShowTimer->enabled());
}

TEST_F(SlideShowTest, DoubleClickOnThePanelActivatesOnce) {
  addSnapshots("2026-12-06/07", 3);
  startViewer();
  openHour("07");
  // A double click: press, release, then the second press as a double click.
  QTest::mouseClick(form_->SlideShow, Qt::LeftButton);
  QTest::mouseDClick(form_->SlideShow, Qt::LeftButton);
  QTest::mouseRelease(form_->SlideShow, Qt::LeftButton);
  EXPECT_EQ(caption(), "P A U S E");
  EXPECT_EQ(form_->SlideShow->color(), clNavy);
}

}  // namespace
}  // namespace vistrel::app::testing
