// Moving through the archive by hand: tree list, snapshot list, position bar,
// drive selector, and the preview rate field.

#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include <QApplication>
#include <QFocusEvent>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include "app/widgets/image.h"
#include "app/widgets/label.h"
#include "app/widgets/list_box.h"
#include "app/widgets/panel.h"
#include "app/widgets/scroll_bar.h"
#include "app/widgets/spin_edit.h"
#include "app/widgets/timer.h"
#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"
#include "picture/picture.h"
#include "platform/file_system.h"
#include "scoped_env.h"
#include "snapshot_scenes.h"
#include "viewer_fixture.h"

namespace vistrel::app::testing {
namespace {

constexpr const char* kHour = "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07";
constexpr const char* kStillHour = "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\08";

// The picture as the window paints it, for comparing two pictures.
QImage drawn(TPicture& picture) {
  QImage image(picture.width(), picture.height(), QImage::Format_RGB32);
  QPainter painter(&image);
  picture.draw(painter, image.rect());
  return image;
}

class NavigationTest : public ViewerTest {
 protected:
  // Starts in hour "07" of 2026-12-06 holding `count` snapshots.
  void startInHour(int count) {
    addSnapshots("2026-12-06/07", count);
    startViewer();
    form_->DirectoryListBox1->SetCurrentDirectory(kHour);
  }
  void clickSnapshot(int index) {
    TListBox* list = form_->ListBox1;
    list->scrollToItem(list->item(index));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(index)).center());
  }
  void typeInto(TSpinEdit* edit, const QString& text) {
    edit->lineEdit()->selectAll();
    QTest::keyClicks(edit->lineEdit(), text);
  }
};

TEST_F(NavigationTest, DoubleClicksWalkIntoADateAndAnHour) {
  addSnapshots("2026-12-06/07", 3);
  tree_.folder(std::string(kRecordsHost) + "/2026-12-05");
  startViewer();
  openTreeEntry(5);  // entries: C:\, Program Files, Vistrel, Records, 2026-12-05, 2026-12-06
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(),
            "C:\\Program Files\\Vistrel\\Records\\2026-12-06");
  openTreeEntry(5);  // the first hour
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), kHour);
  EXPECT_EQ(snapshotNames(),
            (std::vector<std::string>{"snap000.jpg", "snap001.jpg", "snap002.jpg"}));
  EXPECT_EQ(label(), " Slide: 1/3 ");
  EXPECT_EQ(form_->VideoProgress->max(), 2);
  // The bar stood at 0, so the start picture is still shown.
  EXPECT_EQ(shownTag(), -1);
  EXPECT_TRUE(dialogs_->errors.empty());
}

TEST_F(NavigationTest, EnterOpensTheSelectedEntry) {
  addSnapshots("2026-12-06/07", 2);
  startViewer();
  form_->DirectoryListBox1->setItemIndex(4);
  QTest::keyClick(form_->DirectoryListBox1, Qt::Key_Return);
  form_->DirectoryListBox1->setItemIndex(5);
  QTest::keyClick(form_->DirectoryListBox1, Qt::Key_Return);
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), kHour);
  EXPECT_EQ(form_->ListBox1->itemCount(), 2);
}

TEST_F(NavigationTest, ClickingASnapshotShowsItAndMovesEverythingAlong) {
  startInHour(10);
  clickSnapshot(3);
  EXPECT_EQ(shownTag(), 3);
  EXPECT_EQ(form_->VideoProgress->position(), 3);
  EXPECT_EQ(form_->slideCounter(), 3);
  EXPECT_EQ(label(), " Slide: 4/10 ");
  // Key steps show the snapshot when the key is released.
  QTest::keyClick(form_->ListBox1, Qt::Key_Down);
  EXPECT_EQ(shownTag(), 4);
  EXPECT_EQ(label(), " Slide: 5/10 ");
  QTest::keyClick(form_->ListBox1, Qt::Key_End);
  EXPECT_EQ(shownTag(), 9);
  EXPECT_EQ(form_->slideCounter(), 9);
  QTest::keyClick(form_->ListBox1, Qt::Key_Home);
  EXPECT_EQ(shownTag(), 0);
  EXPECT_EQ(form_->VideoProgress->position(), 0);
  EXPECT_EQ(label(), " Slide: 1/10 ");
  EXPECT_TRUE(dialogs_->errors.empty());
}

TEST_F(NavigationTest, DraggingTheBarShowsEachPosition) {
  startInHour(10);
  TScrollBar* bar = form_->VideoProgress;
  bar->setSliderDown(true);
  std::vector<int> shown;
  for (int position = 1; position <= 9; ++position) {
    bar->setSliderPosition(position);
    shown.push_back(shownTag());
  }
  bar->setSliderDown(false);
  EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(form_->slideCounter(), 9);
  EXPECT_EQ(form_->ListBox1->itemIndex(), 9);
  EXPECT_EQ(label(), " Slide: 10/10 ");
}

TEST_F(NavigationTest, BarKeysStepAndEscapeStopsTheShow) {
  startInHour(5);
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  TScrollBar* bar = form_->VideoProgress;
  QTest::keyClick(bar, Qt::Key_Right);
  EXPECT_EQ(shownTag(), 1);
  QTest::keyClick(bar, Qt::Key_End);
  EXPECT_EQ(shownTag(), 4);
  QTest::keyClick(bar, Qt::Key_PageUp);
  EXPECT_EQ(bar->position(), 3);

  QTest::keyClick(bar, Qt::Key_Return);  // starts the show
  EXPECT_EQ(caption(), "P A U S E");
  EXPECT_EQ(QApplication::focusWidget(), bar);
  EXPECT_TRUE(form_->SlideShowTimer->enabled());
  QTest::keyClick(bar, Qt::Key_Escape);
  EXPECT_EQ(caption(), "Run Slide Show");
  EXPECT_FALSE(form_->SlideShowTimer->enabled());
  EXPECT_EQ(form_->slideCounter(), 0);
  EXPECT_EQ(bar->position(), 3);
  EXPECT_EQ(QApplication::focusWidget(), form_->ListBox1);
}

TEST_F(NavigationTest, EnterOnTheBarWithAnEmptyListDoesNothing) {
  startViewer();
  QTest::keyClick(form_->VideoProgress, Qt::Key_Return);
  EXPECT_EQ(caption(), "RUN Slide Show");
  EXPECT_TRUE(dialogs_->messages.empty());
}

TEST_F(NavigationTest, NewFolderWithTheBarElsewhereShowsItsFirstSnapshot) {
  addSnapshots("2026-12-06/08", 4, 100);
  startInHour(10);
  clickSnapshot(6);
  form_->DirectoryListBox1->SetCurrentDirectory(
      "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\08");
  EXPECT_EQ(shownTag(), 100);
  EXPECT_EQ(form_->VideoProgress->max(), 3);
  EXPECT_EQ(form_->VideoProgress->position(), 0);
  EXPECT_EQ(form_->slideCounter(), 0);
  EXPECT_EQ(label(), " Slide: 1/4 ");
}

TEST_F(NavigationTest, OneSnapshotFolderKeepsTheBarAndTheCounter) {
  addSnapshots("2026-12-06/09", 1, 50);
  startInHour(6);
  clickSnapshot(2);
  form_->DirectoryListBox1->SetCurrentDirectory(
      "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\09");
  EXPECT_EQ(form_->VideoProgress->max(), 5);  // kept from the folder before
  EXPECT_EQ(form_->ListBox1->itemIndex(), 0);
  EXPECT_EQ(label(), " Slide: 1/1 ");
  EXPECT_EQ(form_->slideCounter(), 0);  // the folder change reset it
  clickSnapshot(0);
  EXPECT_EQ(shownTag(), 50);
  EXPECT_EQ(label(), " Slide: 1/1 ");
  EXPECT_EQ(form_->slideCounter(), 0);
}

TEST_F(NavigationTest, ReadOnlyHiddenAndOtherFilesAreNotListed) {
  const std::string hour = std::string(kRecordsHost) + "/2026-12-06/07";
  tree_.jpeg(hour + "/a.jpg", 1);
  chmod(tree_.jpeg(hour + "/b.jpg", 2).c_str(), 0444);
  tree_.jpeg(hour + "/.c.jpg", 3);
  tree_.jpeg(hour + "/D.JPG", 4);
  tree_.file(hour + "/notes.txt", "x");
  tree_.folder(hour + "/sub.jpg");
  startViewer();
  form_->DirectoryListBox1->SetCurrentDirectory(kHour);
  EXPECT_EQ(snapshotNames(), (std::vector<std::string>{"a.jpg", "D.JPG"}));
}

TEST_F(NavigationTest, SnapshotThatCannotBeLoadedLeavesEverythingAsItWas) {
  startInHour(4);
  clickSnapshot(1);
  tree_.file(std::string(kRecordsHost) + "/2026-12-06/07/snap002.jpg", "not a picture");
  clickSnapshot(2);
  ASSERT_EQ(dialogs_->errors.size(), 1u);
  EXPECT_EQ(dialogs_->errors[0].rfind("JPEG error #", 0), 0u) << dialogs_->errors[0];
  EXPECT_EQ(shownTag(), 1);
  EXPECT_EQ(form_->VideoProgress->position(), 1);
  EXPECT_EQ(form_->slideCounter(), 1);
  EXPECT_EQ(label(), " Slide: 2/4 ");
}

TEST_F(NavigationTest, SnapshotDamagedAfterItsHeaderIsReportedOnceWhenShown) {
  startInHour(3);
  clickSnapshot(1);
  // A frame header in the middle of the scan data: fatal once decoding reaches it.
  const auto path = tree_.path() / kRecordsHost / "2026-12-06/07/snap002.jpg";
  QImage pattern(128, 96, QImage::Format_RGB32);
  for (int y = 0; y < 96; ++y) {
    for (int x = 0; x < 128; ++x) pattern.setPixel(x, y, qRgb(x * 2, y * 2, (x ^ y) & 0xFF));
  }
  ASSERT_TRUE(pattern.save(QString::fromStdString(path.string()), "JPG", 90));
  std::string bytes;
  {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  const std::size_t scan = bytes.find("\xFF\xDA");
  ASSERT_NE(scan, std::string::npos);
  const std::size_t damage = scan + (bytes.size() - scan) / 2;
  bytes[damage] = '\xFF';
  bytes[damage + 1] = '\xC0';
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;

  clickSnapshot(2);
  ASSERT_EQ(dialogs_->errors.size(), 1u);
  EXPECT_EQ(dialogs_->errors[0].rfind("JPEG error #", 0), 0u) << dialogs_->errors[0];
  EXPECT_EQ(form_->Image1->picture().width(), 128);  // the rows before the damage show
  EXPECT_EQ(form_->VideoProgress->position(), 1);    // the rest of the handler did not run
  form_->repaint();
  form_->grab();
  EXPECT_EQ(dialogs_->errors.size(), 1u);
}

// The application's real boxes, each closed by pressing `key` on it as a
// user would; notes what each box showed and in which text format.
class KeyClosedBoxes : public QtDialogs {
 public:
  explicit KeyClosedBoxes(Qt::Key key) : key_(key) {}
  void showError(const std::string& message) override {
    ++errors;
    closeWhenShown();
    QtDialogs::showError(message);
  }
  void showMessage(const std::string& message) override {
    closeWhenShown();
    QtDialogs::showMessage(message);
  }

  Qt::Key key_;
  int errors = 0;
  std::vector<std::pair<QString, Qt::TextFormat>> shown;

 private:
  void closeWhenShown() {
    QTimer::singleShot(0, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return closeWhenShown();
      shown.emplace_back(box->text(), box->textFormat());
      QTest::keyPress(box, key_);
    });
  }
};

TEST_F(NavigationTest, KeyThatClosedAnErrorBoxDoesNotBringItBackAndBoxesShowTextLiterally) {
  const std::string hour = std::string(kRecordsHost) + "/2026-12-06/<i>yy<u>z";
  tree_.jpeg(hour + "/a.jpg", 1);
  tree_.jpeg(hour + "/b.jpg", 2);
  startViewer();
  const std::string folder = "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\<i>yy<u>z";
  form_->DirectoryListBox1->SetCurrentDirectory(folder);
  std::filesystem::remove(tree_.path() / hour / "b.jpg");
  auto boxes = std::make_unique<KeyClosedBoxes>(Qt::Key_Return);
  KeyClosedBoxes* closing = boxes.get();
  const auto recording = Dialogs::install(std::move(boxes));
  TListBox* list = form_->ListBox1;

  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    SCOPED_TRACE(key);
    closing->key_ = key;
    closing->errors = 0;
    closing->shown.clear();
    QTest::keyClick(list, Qt::Key_Down);  // onto the vanished b.jpg: one box, closed by `key`
    QTest::keyRelease(list, key);         // the release comes back to the list
    EXPECT_EQ(closing->errors, 1);
    ASSERT_EQ(closing->shown.size(), 1u);
    EXPECT_EQ(closing->shown[0].first.toStdString(), "Cannot open file " + folder + "\\b.jpg");
    EXPECT_EQ(closing->shown[0].second, Qt::PlainText);
    clickSnapshot(0);  // back to a.jpg for the next key (its Down press shows b.jpg again)
    EXPECT_EQ(shownTag(), 1);
    EXPECT_EQ(closing->errors, 1);
  }
  closing->shown.clear();
  Dialogs::instance().showMessage("<b>bold</b>");  // the confirmation box is shown alike
  ASSERT_EQ(closing->shown.size(), 1u);
  EXPECT_EQ(closing->shown[0], std::make_pair(QString("<b>bold</b>"), Qt::PlainText));
}

TEST_F(NavigationTest, NamesThatAreNotUtf8OpenTheFilesTheyName) {
  // As archives copied from a machine with a legacy code page name them.
  const std::string written = std::string(kRecordsHost) + "/written";
  tree_.jpeg(written + "/07/b.jpg", 2);
  const std::filesystem::path cafe = tree_.jpeg(written + "/07/x.jpg", 5);
  std::filesystem::rename(cafe, cafe.parent_path() / "caf\xE9.jpg");
  std::filesystem::rename(tree_.path() / written, tree_.path() / kRecordsHost / "2026-12-0\xE9");
  startViewer();
  openTreeEntry(4);
  openTreeEntry(5);
  ASSERT_EQ(form_->ListBox1->itemCount(), 2);
  TListBox* list = form_->ListBox1;
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(1)).center());
  EXPECT_EQ(shownTag(), 5);
  EXPECT_TRUE(dialogs_->errors.empty()) << dialogs_->errors.front();
}

TEST_F(NavigationTest, OnlyTheLeftButtonMovesTheSnapshotSelection) {
  startInHour(4);
  TListBox* list = form_->ListBox1;
  const QPoint third = list->visualItemRect(list->item(2)).center();
  for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
    QTest::mouseClick(list->viewport(), button, {}, third);
    QTest::mouseDClick(list->viewport(), button, {}, third);
    EXPECT_EQ(list->itemIndex(), 0);
    EXPECT_EQ(shownTag(), 0);  // the release still shows the selected snapshot
  }
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third);
  EXPECT_EQ(list->itemIndex(), 2);
  EXPECT_EQ(shownTag(), 2);
}

TEST_F(NavigationTest, TreeClicksNeverRiseAboveTheRecordsRoot) {
  tree_.folder(std::string(kRecordsHost) + "/2026-12-06");
  startViewer();
  browse::TDirectoryListBox* list = form_->DirectoryListBox1;
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(1)).center());
  EXPECT_EQ(list->itemIndex(), 3);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(4)).center());
  EXPECT_EQ(list->itemIndex(), 4);
}

TEST_F(NavigationTest, TreeClicksOutsideTheRecordsTreeStayWhereTheUserPuts) {
  tree_.folder("d/x");
  tree_.folder("d/y");
  startViewer("D:\\", true);
  browse::TDirectoryListBox* list = form_->DirectoryListBox1;
  ASSERT_EQ(list->CurrentDirectory(), "D:\\");
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(1)).center());
  EXPECT_EQ(list->itemIndex(), 1);
}

TEST_F(NavigationTest, SnapshotsAtADriveRootAreShown) {
  tree_.jpeg("d/a.jpg", 7);
  tree_.jpeg("d/b.jpg", 8);
  startViewer("D:\\", true);
  ASSERT_EQ(form_->DirectoryListBox1->CurrentDirectory(), "D:\\");
  EXPECT_EQ(form_->SnapshotPath(1), "D:\\b.jpg");
  clickSnapshot(1);
  EXPECT_EQ(shownTag(), 8);
  EXPECT_TRUE(dialogs_->errors.empty());
}

TEST_F(NavigationTest, PickingDriveCLeadsBackToTheRecordsRoot) {
  startInHour(2);
  form_->DriveComboBox1->userChoice();
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), "C:\\Program Files\\Vistrel\\Records");
  EXPECT_EQ(form_->ListBox1->itemCount(), 0);
  EXPECT_EQ(label(), " Slide: 0/0 ");
}

TEST_F(NavigationTest, PreviewRateSetsTheTimerInterval) {
  startViewer();
  TSpinEdit* rate = form_->PreviewFPS;
  typeInto(rate, "16");
  EXPECT_EQ(form_->SlideShowTimer->interval(), 62);
  typeInto(rate, "1");
  EXPECT_EQ(form_->SlideShowTimer->interval(), 1000);
  QTest::keyClick(rate, Qt::Key_Up);
  EXPECT_EQ(rate->text(), "2");
  EXPECT_EQ(form_->SlideShowTimer->interval(), 500);
  typeInto(rate, "30");
  QTest::keyClick(rate, Qt::Key_Up);  // stays within the range
  EXPECT_EQ(rate->text(), "30");
  EXPECT_EQ(form_->SlideShowTimer->interval(), 33);
  EXPECT_TRUE(dialogs_->errors.empty());
}

TEST_F(NavigationTest, ZeroPreviewRateIsReportedAndClampedOnLeaving) {
  startViewer();
  TSpinEdit* rate = form_->PreviewFPS;
  typeInto(rate, "0");
  ASSERT_EQ(dialogs_->errors, std::vector<std::string>{"Floating point division by zero"});
  EXPECT_EQ(form_->SlideShowTimer->interval(), 33);  // kept
  EXPECT_EQ(rate->text(), "0");
  QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(rate, &leave);
  EXPECT_EQ(rate->text(), "1");
  EXPECT_EQ(form_->SlideShowTimer->interval(), 1000);
}

TEST_F(NavigationTest, NegativeOrNonNumericRatesKeepTheInterval) {
  startViewer();
  TSpinEdit* rate = form_->PreviewFPS;
  typeInto(rate, "-5");  // "-" alone reads as 1, "-5" has no interval
  EXPECT_EQ(form_->SlideShowTimer->interval(), 1000);
  typeInto(rate, "20");
  typeInto(rate, "-5");
  EXPECT_EQ(form_->SlideShowTimer->interval(), 1000);
  typeInto(rate, "+");  // not an integer: reads as the minimum, 1
  EXPECT_EQ(rate->value(), 1);
  EXPECT_EQ(form_->SlideShowTimer->interval(), 1000);
  typeInto(rate, "1234");  // at most three characters
  EXPECT_EQ(rate->text(), "123");
  EXPECT_EQ(form_->SlideShowTimer->interval(), 8);
  EXPECT_TRUE(dialogs_->errors.empty());
}

// Two crossings of a figure (snapshots 10-16 and 28-34 of hour 07) give two
// events; hour 08 is still. Ctrl+arrows jump between the events' first
// snapshots as clicks on them would, in the list and on the bar, once the
// folder has been scored on the worker; an answer for a folder no longer
// shown moves nothing.
TEST_F(NavigationTest, CtrlArrowsJumpBetweenActivityEvents) {
  const test::ScopedEnv cache("XDG_CACHE_HOME", (tree_.path() / "cache").string());
  const auto hourHost = tree_.path() / kRecordsHost / "2026-12-06";
  test::SceneScript first, second;
  first.figureFirst = 10;
  first.figureLast = 16;
  second.figureFirst = 28;
  second.figureLast = 34;
  std::filesystem::create_directories(hourHost / "07");
  for (int i = 0; i < 40; ++i)
    test::writeSnapshot(hourHost / "07" / test::sceneName(i),
                        test::sceneSnapshot(i <= first.figureLast ? first : second, i), 75);
  test::writeSceneSet(hourHost / "08", test::SceneScript{}, 12);
  startViewer();
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  TListBox* list = form_->ListBox1;
  TScrollBar* bar = form_->VideoProgress;
  auto press = [&](QWidget* control, Qt::Key key) {
    QTest::keyClick(control, key, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form_->eventJumpWaiting(); }, 120000));
  };
  auto expectShown = [&](int index) {
    EXPECT_EQ(list->itemIndex(), index);
    EXPECT_EQ(bar->position(), index);
    EXPECT_EQ(form_->slideCounter(), index);
    EXPECT_EQ(label(), " Slide: " + std::to_string(index + 1) + "/" +
                           std::to_string(list->itemCount()) + " ");
    TPicture expected;
    expected.LoadFromFile((hourHost / "07" / test::sceneName(index)).string());
    EXPECT_EQ(drawn(form_->Image1->picture()), drawn(expected)) << index;
  };

  // Asked in hour 07, answered after the list moved on to hour 08 (as a
  // running show moves it): nothing moves. Hour 08 has no event and none
  // comes after it; the one before it is in hour 07.
  form_->DirectoryListBox1->SetCurrentDirectory(kHour);
  QTest::keyClick(list, Qt::Key_Right, Qt::ControlModifier);
  form_->DirectoryListBox1->SetCurrentDirectory(kStillHour);
  ASSERT_EQ(list->itemCount(), 12);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form_->eventJumpWaiting(); }, 120000));
  press(list, Qt::Key_Right);
  press(bar, Qt::Key_Right);
  EXPECT_EQ(list->itemIndex(), 0);
  EXPECT_EQ(bar->position(), 0);
  EXPECT_EQ(form_->slideCounter(), 0);
  press(list, Qt::Key_Left);
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), kHour);
  expectShown(28);

  clickSnapshot(0);
  press(list, Qt::Key_Right);
  expectShown(10);
  press(list, Qt::Key_Right);
  expectShown(28);
  press(list, Qt::Key_Right);
  expectShown(28);
  press(list, Qt::Key_Left);
  expectShown(10);
  press(list, Qt::Key_Left);
  expectShown(10);
  clickSnapshot(20);
  press(bar, Qt::Key_Right);
  expectShown(28);
  press(bar, Qt::Key_Right);
  expectShown(28);
  press(bar, Qt::Key_Left);
  expectShown(10);
  EXPECT_TRUE(dialogs_->errors.empty());
}

// The generated events day (crossings at 14:21:40, 15:08:20 and 16:44:00)
// with one more snapshot in hour 16 whose name is not UTF-8 and that starts
// an event of its own. Ctrl+arrows go from event to event through the hours
// as clicks on the folder and the snapshot would, under a busy cursor while
// hours are scored; at either end a note says there is none.
TEST_F(NavigationTest, CtrlArrowsGoFromEventToEventThroughTheHours) {
  const test::ScopedEnv cache("XDG_CACHE_HOME", (tree_.path() / "cache").string());
  QProcess generator;
  generator.setProcessChannelMode(QProcess::MergedChannels);
  generator.start(VISTREL_DEMO_ARCHIVE_PROGRAM,
                  {"--events-day", QString::fromStdString((tree_.path() / "c").string())});
  ASSERT_TRUE(generator.waitForFinished(300000));
  ASSERT_EQ(generator.exitCode(), 0) << generator.readAll().toStdString();
  const std::string day = "C:\\Program Files\\Vistrel\\Records\\2026-12-07";
  const auto dayHost = tree_.path() / kRecordsHost / "2026-12-07";
  const std::string odd = "caf\xE9.jpg";
  std::filesystem::copy_file(dayHost / "16" / "164400.jpg", dayHost / "16" / odd);
  startViewer();
  form_->DirectoryListBox1->SetCurrentDirectory(day + "\\14");
  TListBox* list = form_->ListBox1;
  ASSERT_EQ(list->itemIndex(), 0);

  auto press = [&](Qt::Key key) {
    QTest::keyClick(list, key, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form_->eventJumpWaiting(); }, 120000));
  };
  auto expectShown = [&](const std::string& hour, const std::string& name) {
    EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), day + "\\" + hour);
    const int index = list->itemIndex();
    ASSERT_GE(index, 0);
    // The name as listed, which spells bytes that are not UTF-8 its own way.
    EXPECT_EQ(
        platform::FileSystem::instance().toHost(day + "\\" + hour + "\\" + list->itemName(index)),
        dayHost / hour / name);
    EXPECT_EQ(form_->VideoProgress->position(), index);
    EXPECT_EQ(form_->VideoProgress->max(), list->itemCount() - 1);
    EXPECT_EQ(label(), " Slide: " + std::to_string(index + 1) + "/" +
                           std::to_string(list->itemCount()) + " ");
    TPicture expected;
    expected.LoadFromFile((dayHost / hour / name).string());
    EXPECT_EQ(drawn(form_->Image1->picture()), drawn(expected)) << name;
  };

  QTest::keyClick(list, Qt::Key_Left, Qt::ControlModifier);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !form_->eventJumpWaiting(); }, 120000));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QToolTip::text(), "No earlier event");
  expectShown("14", "140000.jpg");

  press(Qt::Key_Right);
  expectShown("14", "142140.jpg");
  press(Qt::Key_Right);
  expectShown("15", "150820.jpg");
  press(Qt::Key_Left);
  expectShown("14", "142140.jpg");
  press(Qt::Key_Right);
  press(Qt::Key_Right);
  expectShown("16", "164400.jpg");
  press(Qt::Key_Right);
  expectShown("16", odd);
  QToolTip::hideText();
  press(Qt::Key_Right);
  expectShown("16", odd);
  EXPECT_EQ(QToolTip::text(), "No further event");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(dialogs_->errors.empty());
}

}  // namespace
}  // namespace vistrel::app::testing
