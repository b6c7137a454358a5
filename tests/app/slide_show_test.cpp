// The slide show: start, pause, stop, ticks, continuation into the next hour
// folder, and what happens when a snapshot or a folder cannot be shown.

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <fstream>

#include <QBuffer>
#include <QTest>

#include "app/widgets/check_box.h"
#include "app/widgets/image.h"
#include "app/widgets/label.h"
#include "app/widgets/list_box.h"
#include "app/widgets/panel.h"
#include "app/widgets/scroll_bar.h"
#include "app/widgets/timer.h"
#include "avi_reader.h"
#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"
#include "controls/colors.h"
#include "platform/file_system.h"
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
    form_->DirectoryListBox1->SetCurrentDirectory(std::string(kDate) + "\\" + hour);
  }
};

TEST_F(SlideShowTest, StartAtTheRecordsRootAsksForADateAndEndsAtTheFirstTick) {
  startViewer();
  controls::TColor whileAsking = controls::clNavy;
  dialogs_->onMessage = [&] { whileAsking = form_->SlideShow->color(); };
  click(form_->SlideShow);
  EXPECT_EQ(whileAsking, controls::clSilver);  // the click comes before the release
  EXPECT_EQ(form_->SlideShow->color(), controls::clNavy);
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

TEST_F(SlideShowTest, SnapshotDeletedDuringTheShowIsReportedOnceAndPassedOver) {
  addSnapshots("2026-12-06/07", 5);
  startViewer();
  openHour("07");
  dialogs_->onError = [this] { tick(); };  // the timer would fire while the box is up
  click(form_->SlideShow);
  EXPECT_EQ(ticks(2), (std::vector<int>{0, 1}));
  std::filesystem::remove(tree_.path() / kRecordsHost / "2026-12-06/07/snap002.jpg");
  tick();  // shows the next one, then reports; the box's tick goes on
  ASSERT_EQ(dialogs_->errors.size(), 1u);
  EXPECT_EQ(dialogs_->errors[0], "Cannot open file " + std::string(kDate) + "\\07\\snap002.jpg");
  EXPECT_EQ(shownTag(), 4);
  EXPECT_EQ(form_->slideCounter(), 5);
  EXPECT_EQ(caption(), "P A U S E");
  tick();
  EXPECT_EQ(caption(), "Run Slide Show");
  EXPECT_EQ(dialogs_->errors.size(), 1u);
}

// Damaged files as a crashed recorder leaves them.
enum class Damage { Empty, BadHuffmanTable, CutInTheScan };

struct DamageRow {
  Damage damage;
  int position;  // of the damaged one among four snapshots
  bool reported;
};

class DamagedSnapshotTest : public SlideShowTest, public ::testing::WithParamInterface<DamageRow> {
 protected:
  // Four 64 + 2i x 48 snapshots (shownTag() reads 48 + 2i); `position` damaged.
  void writeHour(const DamageRow& row) {
    const auto folder = tree_.folder(std::string(kRecordsHost) + "/2026-12-06/07");
    for (int i = 0; i < 4; ++i) {
      QImage image(64 + 2 * i, 48, QImage::Format_RGB32);
      image.fill(QColor::fromHsv(i * 80, 200, 200));
      QByteArray bytes;
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      ASSERT_TRUE(image.save(&buffer, "JPG", 90));
      if (i == row.position) damage(bytes, row.damage);
      std::ofstream(folder / ("snap" + std::to_string(i) + ".jpg"), std::ios::binary)
          << bytes.toStdString();
    }
  }
  static void damage(QByteArray& bytes, Damage kind) {
    if (kind == Damage::Empty) {
      bytes.clear();
    } else if (kind == Damage::CutInTheScan) {
      bytes.truncate(bytes.indexOf("\xFF\xDA") + 40);
    } else {
      // Twelve codes of length 1 cannot exist; the header still reads.
      const qsizetype table = bytes.indexOf("\xFF\xC4");
      ASSERT_GE(table, 0);
      char* counts = bytes.data() + table + 5;
      int total = 0;
      for (int i = 0; i < 16; ++i) total += static_cast<unsigned char>(counts[i]);
      std::fill(counts, counts + 16, 0);
      counts[0] = static_cast<char>(total);
    }
  }
  // Ticks until the show ends; after each snapshot shown, the selection, the
  // label, the bar and the counter must name it.
  std::vector<int> playToTheEnd() {
    std::vector<int> shown;
    for (int i = 0; i < 8 && caption() == "P A U S E"; ++i) {
      tick();
      if (caption() != "P A U S E") break;
      const int selected = form_->ListBox1->itemIndex();
      EXPECT_EQ(label(), " Slide: " + std::to_string(selected + 1) + "/4 ");
      EXPECT_EQ(form_->VideoProgress->position(), selected);
      EXPECT_EQ(form_->slideCounter(), selected + 1);
      shown.push_back((shownTag() - 48) / 2);
    }
    return shown;
  }
};

TEST_P(DamagedSnapshotTest, IsReportedOnceAndLeftOutOfTheShowAndTheVideo) {
  const DamageRow row = GetParam();
  writeHour(row);
  startViewer();
  const auto program = tree_.path() / "c/Program Files/Vistrel/vistrel-preview";
  std::ofstream(program) << "x";
  platform::FileSystem::instance().setExecutablePath(program);
  openHour("07");
  QTest::mouseClick(form_->SledeciSat, Qt::LeftButton);  // no next hour to look for
  QTest::mouseClick(form_->CheckBox1, Qt::LeftButton);
  ASSERT_TRUE(form_->CheckBox1->checked()) << ::testing::PrintToString(dialogs_->errors);

  std::vector<int> expected = {0, 1, 2, 3};
  if (row.reported) expected.erase(expected.begin() + row.position);
  click(form_->SlideShow);
  EXPECT_EQ(playToTheEnd(), expected);
  ASSERT_EQ(dialogs_->errors.size(), row.reported ? 1u : 0u);
  if (row.reported) {
    EXPECT_EQ(dialogs_->errors[0].rfind("JPEG error #", 0), 0u) << dialogs_->errors[0];
  }
  QTest::mouseClick(form_->CheckBox1, Qt::LeftButton);
  std::string error;
  const auto facts =
      test::probeAvi((tree_.path() / "c/Program Files/Vistrel/vistrel.avi").string(), &error);
  ASSERT_TRUE(facts) << error;
  // A snapshot cut in its scan is shown as far as it goes, but is no frame.
  const bool cut = row.damage == Damage::CutInTheScan;
  EXPECT_EQ(facts->frames, static_cast<int>(expected.size()) - (cut ? 1 : 0));

  // Played again after a stop: passed over without a second box.
  click(form_->STOP);
  click(form_->SlideShow);
  EXPECT_EQ(playToTheEnd(), expected);
  EXPECT_EQ(dialogs_->errors.size(), row.reported ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Rows, DamagedSnapshotTest,
                         ::testing::Values(DamageRow{Damage::Empty, 0, true},
                                           DamageRow{Damage::BadHuffmanTable, 1, true},
                                           DamageRow{Damage::Empty, 3, true},
                                           // libjpeg only warns: shown as far as it goes,
                                           // left out of the video
                                           DamageRow{Damage::CutInTheScan, 2, false}));

// Root passes every permission check; without these two capabilities the
// calling thread is held to the permission bits like any other user.
class PermissionBitsApply {
 public:
  PermissionBitsApply() {
    if (syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
    lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    active_ = syscall(SYS_capset, &header_, lowered) == 0;
  }
  ~PermissionBitsApply() {
    if (active_) syscall(SYS_capset, &header_, saved_);
  }
  bool apply() const { return active_ || geteuid() != 0; }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2] = {};
  bool active_ = false;
};

TEST_F(SlideShowTest, HourFolderThatCannotBeEnteredCountsAsAbsent) {
  addSnapshots("2026-12-06/07", 2, 0);
  addSnapshots("2026-12-06/08", 2, 80);
  addSnapshots("2026-12-06/09", 2, 90);
  const auto locked = tree_.path() / kRecordsHost / "2026-12-06/08";
  chmod(locked.c_str(), 0);
  startViewer();
  openHour("07");
  PermissionBitsApply permissionBits;
  if (!permissionBits.apply()) GTEST_SKIP() << "root, and the capabilities cannot be lowered";
  click(form_->SlideShow);
  EXPECT_EQ(ticks(3), (std::vector<int>{0, 1, 90}));  // the third opens "09"
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), std::string(kDate) + "\\09");
  EXPECT_EQ(ticks(3), (std::vector<int>{90, 91, 91}));
  EXPECT_EQ(caption(), "Run Slide Show");
  EXPECT_TRUE(dialogs_->errors.empty());
  chmod(locked.c_str(), 0755);
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
  EXPECT_EQ(form_->STOP->color(), controls::clSilver);
  QTest::mouseRelease(form_->STOP, Qt::RightButton);
  EXPECT_EQ(form_->STOP->color(), controls::clNavy);
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
  EXPECT_EQ(form_->SlideShow->color(), controls::clNavy);
}

}  // namespace
}  // namespace vistrel::app::testing
