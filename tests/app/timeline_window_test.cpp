// The timeline window beside the main window, on the generated events day
// (2026-12-07, hours 14 to 16, a snapshot every 20 s, a person crossing the
// yard at 14:21:40, 15:08:20 and 16:44:00), driven by keys and clicks.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include "activity/day_activity.h"
#include "app/widgets/label.h"
#include "app/widgets/list_box.h"
#include "app/widgets/scroll_bar.h"
#include "avi_reader.h"
#include "browse/directory_list_box.h"
#include "platform/file_system.h"
#include "scoped_env.h"
#include "timeline/day_steps.h"
#include "timeline/timeline_colors.h"
#include "timeline/timeline_graph.h"
#include "timeline/timeline_window.h"
#include "viewer_fixture.h"

namespace vistrel::app::testing {
namespace {

namespace fs = std::filesystem;
using timeline::SnapshotRef;

constexpr const char* kDay = "C:\\Program Files\\Vistrel\\Records\\2026-12-07";

bool waitUntil(const std::function<bool()>& done, int timeoutMs = 60000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QTest::qWait(10);
  }
  return true;
}

class TimelineTest : public ViewerTest {
 protected:
  // The events day is generated once; every test works on its own copy.
  static void SetUpTestSuite() {
    generated_ = new test::TempFolder;
    QProcess generator;
    generator.start(VISTREL_DEMO_ARCHIVE_PROGRAM,
                    {"--events-day", QString::fromStdString(generated_->path().string())});
    ASSERT_TRUE(generator.waitForFinished(120000));
    ASSERT_EQ(generator.exitCode(), 0) << generator.readAllStandardError().toStdString();
  }
  static void TearDownTestSuite() {
    delete generated_;
    generated_ = nullptr;
  }

  fs::path dayHost() const { return tree_.path() / kRecordsHost / "2026-12-07"; }

  void copyEventsDay() {
    fs::copy(generated_->path() / "Program Files/Vistrel/Records/2026-12-07", dayHost(),
             fs::copy_options::recursive);
  }

  // The main window in hour 14, then Ctrl+T; returns when the three hours
  // are scored.
  void openTimeline() {
    startViewer();
    form_->DirectoryListBox1->SetCurrentDirectory(std::string(kDay) + "\\14");
    QTest::keyClick(form_->ListBox1, Qt::Key_T, Qt::ControlModifier);
    timeline_ = form_->timelineWindow();
    ASSERT_NE(timeline_, nullptr);
    ASSERT_TRUE(waitUntil([&] {
      for (int hour = 14; hour <= 16; ++hour)
        if (hours()[std::size_t(hour)].state != activity::HourState::Ready) return false;
      return true;
    }));
  }

  const timeline::DayHours& hours() const { return form_->archiveActivity().hours(); }

  void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(timeline_->graph(), Qt::Key(key), modifiers);
  }
  // The folder's last part and the snapshot the main window shows.
  std::string shown() const {
    const std::string folder = form_->DirectoryListBox1->CurrentDirectory();
    const int selected = form_->ListBox1->itemIndex();
    return folder.substr(folder.size() - 2) + "\\" +
           (selected < 0 ? std::string() : form_->ListBox1->itemText(selected));
  }
  bool shows(const std::string& expected) {
    return waitUntil([&] { return shown() == expected; }, 30000);
  }

  test::ScopedEnv cache_{"XDG_CACHE_HOME", (tree_.path() / "cache").string()};
  timeline::TimelineWindow* timeline_ = nullptr;
  static test::TempFolder* generated_;
};

test::TempFolder* TimelineTest::generated_ = nullptr;

TEST_F(TimelineTest, DrawsTheThreeEventsInTheirHoursAndADamagedSnapshot) {
  copyEventsDay();
  // Cut 15:00:00 in the middle of its scan data.
  const fs::path cut = dayHost() / "15/150000.jpg";
  fs::resize_file(cut, fs::file_size(cut) / 2);
  openTimeline();
  const std::string records = (tree_.path() / kRecordsHost).string();
  EXPECT_EQ(timeline_->windowTitle().toStdString(), "Timeline - 2026-12-07 - " + records);
  EXPECT_EQ(timeline_->cursor(), (SnapshotRef{14, 0}));

  const char* starts[] = {"14:21:40", "15:08:20", "16:44:00"};
  ASSERT_EQ(timeline_->eventList()->count(), 3);
  for (int hour = 14; hour <= 16; ++hour) {
    EXPECT_EQ(hours()[std::size_t(hour)].snapshots.size(), 180u);
    ASSERT_EQ(hours()[std::size_t(hour)].events.size(), 1u) << hour;
    EXPECT_TRUE(timeline_->eventList()->item(hour - 14)->text().startsWith(starts[hour - 14]));
  }
  EXPECT_TRUE(hours()[15].snapshots[0].damaged);

  timeline::TimelineGraph* graph = timeline_->graph();
  const timeline::DayGraph& model = graph->model();
  const QImage painted = graph->grab().toImage();
  auto columnHas = [&](int x, const QColor& colour) {
    for (int y = timeline::TimelineGraph::kHeaderHeight; y < painted.height(); ++y)
      if (painted.pixelColor(x, y) == colour) return true;
    return false;
  };
  for (int hour = 14; hour <= 16; ++hour) {
    const activity::ActivityEvent& event = hours()[std::size_t(hour)].events[0];
    const int x = model.columnOf({hour, int(event.peak)});
    ASSERT_GE(x, 0);
    EXPECT_TRUE(model.columns()[std::size_t(x)].event);
    EXPECT_TRUE(columnHas(x, timeline::colors::kEvent)) << hour;
    EXPECT_FALSE(columnHas(model.laneOf(hour)->left, timeline::colors::kEvent)) << hour;
  }
  EXPECT_TRUE(columnHas(model.columnOf({15, 0}), timeline::colors::kDamaged));
  // Hours without a folder are drawn as gaps, with nothing to pick.
  EXPECT_LT(model.columns()[std::size_t(model.laneOf(13)->left + 5)].first, 0);
  EXPECT_FALSE(model.snapshotAt(model.laneOf(13)->left + 5).valid());
}

TEST_F(TimelineTest, KeysMoveTheMainWindowAcrossHoursAndEvents) {
  copyEventsDay();
  openTimeline();
  key(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_TRUE(shows("14\\142140.jpg")) << shown();
  key(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_TRUE(shows("15\\150820.jpg")) << shown();
  // As a click in the list: label, position bar and the timeline's cursor.
  EXPECT_EQ(label(), " Slide: 26/180 ");
  EXPECT_EQ(form_->VideoProgress->position(), 25);
  EXPECT_EQ(timeline_->cursor(), (SnapshotRef{15, 25}));
  key(Qt::Key_Left, Qt::ControlModifier);
  EXPECT_TRUE(shows("14\\142140.jpg")) << shown();

  key(Qt::Key_Right);
  EXPECT_EQ(shown(), "14\\142200.jpg");
  key(Qt::Key_PageDown);
  EXPECT_EQ(shown(), "15\\152200.jpg");
  key(Qt::Key_PageUp);
  EXPECT_EQ(shown(), "14\\142200.jpg");
  key(Qt::Key_End);
  EXPECT_EQ(shown(), "16\\165940.jpg");
  key(Qt::Key_Right);
  EXPECT_EQ(shown(), "16\\165940.jpg");
  key(Qt::Key_Home);
  EXPECT_EQ(shown(), "14\\140000.jpg");
  key(Qt::Key_Left);
  EXPECT_EQ(shown(), "14\\140000.jpg");

  // Past the last event nothing moves, and the window says so.
  key(Qt::Key_End);
  key(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_TRUE(waitUntil([&] { return !timeline_->note().isEmpty(); })) << shown();
  EXPECT_EQ(timeline_->note(), "No further event");
  EXPECT_EQ(shown(), "16\\165940.jpg");

  // + zooms into the cursor's hour, - out again.
  key(Qt::Key_Plus);
  EXPECT_EQ(timeline_->graph()->zoomHour(), 16);
  key(Qt::Key_Minus);
  EXPECT_EQ(timeline_->graph()->zoomHour(), -1);
  key(Qt::Key_Escape);
  EXPECT_FALSE(timeline_->isVisible());
  EXPECT_TRUE(dialogs_->errors.empty()) << dialogs_->errors.front();
}

TEST_F(TimelineTest, MarkedRangeOrTheEventAtTheCursorGoesToTheExport) {
  copyEventsDay();
  openTimeline();
  std::vector<std::pair<std::vector<std::string>, bool>> exports;
  form_->setRangeExporter([&](std::vector<std::string> paths, bool contactSheet) {
    exports.emplace_back(std::move(paths), contactSheet);
  });
  key(Qt::Key_PageDown);
  key(Qt::Key_Left);
  key(Qt::Key_I);
  key(Qt::Key_Right);
  key(Qt::Key_Right);
  key(Qt::Key_O);
  key(Qt::Key_E, Qt::ControlModifier);
  QTest::mouseClick(timeline_->contactSheetButton(), Qt::LeftButton);
  const std::string day(kDay);
  const std::vector<std::string> marked = {day + "\\14\\145940.jpg", day + "\\15\\150000.jpg",
                                           day + "\\15\\150020.jpg"};
  ASSERT_EQ(exports.size(), 2u);
  EXPECT_EQ(exports[0], std::make_pair(marked, false));
  EXPECT_EQ(exports[1], std::make_pair(marked, true));

  // Escape clears the marks first; then the event under the cursor counts.
  key(Qt::Key_Escape);
  EXPECT_TRUE(timeline_->isVisible());
  EXPECT_FALSE(timeline_->markStart() || timeline_->markEnd());
  key(Qt::Key_Right, Qt::ControlModifier);
  ASSERT_TRUE(shows("15\\150820.jpg"));
  key(Qt::Key_Right);
  QTest::mouseClick(timeline_->exportButton(), Qt::LeftButton);
  ASSERT_EQ(exports.size(), 3u);
  const activity::ActivityEvent& event = hours()[15].events[0];
  EXPECT_EQ(exports[2].first.size(), event.snapshotCount());
  EXPECT_EQ(exports[2].first.front(), day + "\\15\\150820.jpg");

  // Neither marks nor an event: nothing goes out, and the window says why.
  key(Qt::Key_Home);
  key(Qt::Key_E, Qt::ControlModifier);
  EXPECT_EQ(exports.size(), 3u);
  EXPECT_TRUE(timeline_->note().startsWith("Nothing to export")) << timeline_->note().toStdString();
  form_->setRangeExporter({});
  key(Qt::Key_I);
  key(Qt::Key_E, Qt::ControlModifier);
  EXPECT_TRUE(timeline_->note().contains("not available")) << timeline_->note().toStdString();
}

// The whole way a user takes: I, O, Ctrl+E, Return in the settings box; the
// video in the program folder holds exactly the marked snapshots, stamped.
TEST_F(TimelineTest, MarkedRangeBecomesAVideoInTheProgramFolder) {
  copyEventsDay();
  openTimeline();
  const fs::path program = tree_.path() / "c/Program Files/Vistrel/vistrel-preview";
  std::ofstream(program) << "x";
  platform::FileSystem::instance().setExecutablePath(program);
  key(Qt::Key_PageDown);  // 15:00:00
  key(Qt::Key_I);
  for (int step = 0; step < 4; ++step) key(Qt::Key_Right);
  key(Qt::Key_O);  // 15:00:00 to 15:01:20: five snapshots
  key(Qt::Key_E, Qt::ControlModifier);
  QWidget* box = nullptr;
  ASSERT_TRUE(waitUntil([&] {
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (widget->isVisible() && widget->accessibleName() == QLatin1String("Export range"))
        box = widget;
    return box != nullptr;
  }));
  box->activateWindow();
  QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Return);
  ASSERT_TRUE(
      waitUntil([&] { return !dialogs_->messages.empty() || !dialogs_->errors.empty(); }, 120000));
  ASSERT_TRUE(dialogs_->errors.empty()) << dialogs_->errors.back();
  const fs::path video = tree_.path() / "c/Program Files/Vistrel/vistrel.avi";
  EXPECT_NE(dialogs_->messages.back().find(video.string()), std::string::npos)
      << dialogs_->messages.back();
  std::string error;
  const auto facts = test::probeAvi(video.string(), &error);
  ASSERT_TRUE(facts) << error;
  EXPECT_EQ(facts->frames, 5);
}

TEST_F(TimelineTest, ClickAndDragOnTheGraphMoveTheMainWindowWithAThumbnail) {
  copyEventsDay();
  openTimeline();
  timeline::TimelineGraph* graph = timeline_->graph();
  const timeline::DayGraph& model = graph->model();
  const int y = graph->height() / 2;
  const int clickX = model.columnOf({15, 90});
  const SnapshotRef clicked = model.snapshotAt(clickX);
  ASSERT_TRUE(clicked.valid());
  QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(clickX, y));
  EXPECT_EQ(shown(), "15\\" + hours()[15].snapshots[std::size_t(clicked.index)].name);
  EXPECT_EQ(timeline_->cursor(), clicked);

  // Scrubbing: the button held down while the mouse moves into hour 16.
  const int dragX = model.columnOf({16, 120});
  const SnapshotRef dragged = model.snapshotAt(dragX);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(clickX, y),
                    graph->mapToGlobal(QPointF(clickX, y)), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(graph, &press);
  QMouseEvent move(QEvent::MouseMove, QPointF(dragX, y), graph->mapToGlobal(QPointF(dragX, y)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(graph, &move);
  EXPECT_EQ(shown(), "16\\" + hours()[16].snapshots[std::size_t(dragged.index)].name);
  // The hovered snapshot's thumbnail, decoded at the size shown.
  EXPECT_EQ(graph->hovered(), dragged);
  EXPECT_EQ(graph->thumbnail().size(), QSize(160, 120));
  EXPECT_TRUE(dialogs_->errors.empty()) << dialogs_->errors.front();
}

TEST_F(TimelineTest, SnapshotWrittenIntoTheLastHourAppearsAndFollowShowsIt) {
  copyEventsDay();
  openTimeline();
  QTest::mouseClick(timeline_->followBox(), Qt::LeftButton);
  ASSERT_TRUE(timeline_->followBox()->isChecked());
  EXPECT_EQ(shown(), "16\\165940.jpg");
  fs::copy_file(dayHost() / "16/165920.jpg", dayHost() / "16/165950.jpg");
  form_->archiveActivity().refreshHour(16);
  ASSERT_TRUE(waitUntil([&] { return hours()[16].snapshots.size() == 181; }));
  EXPECT_TRUE(shows("16\\165950.jpg")) << shown();
  EXPECT_EQ(label(), " Slide: 181/181 ");
  EXPECT_EQ(timeline_->cursor(), (SnapshotRef{16, 180}));
  // Follow off: a newer one shows in the timeline only. The archive's
  // watcher brings it, as it brings what a recorder writes.
  QTest::mouseClick(timeline_->followBox(), Qt::LeftButton);
  fs::copy_file(dayHost() / "16/165920.jpg", dayHost() / "16/165955.jpg");
  ASSERT_TRUE(waitUntil([&] { return hours()[16].snapshots.size() == 182; }));
  EXPECT_EQ(shown(), "16\\165950.jpg");
  key(Qt::Key_End);
  EXPECT_EQ(shown(), "16\\165955.jpg");
}

TEST_F(TimelineTest, ControlsAreNamedAndReachableByKeyboardAlone) {
  copyEventsDay();
  openTimeline();
  EXPECT_EQ(timeline_->graph()->accessibleName(), "Timeline of the day");
  EXPECT_EQ(timeline_->eventList()->accessibleName(), "Events of the day");
  EXPECT_EQ(timeline_->exportButton()->accessibleName(), "Export video");
  EXPECT_EQ(timeline_->contactSheetButton()->accessibleName(), "Export contact sheet");
  EXPECT_EQ(timeline_->followBox()->accessibleName(), "Follow the newest snapshot");

  ASSERT_TRUE(QTest::qWaitForWindowActive(timeline_));
  EXPECT_EQ(QApplication::focusWidget(), timeline_->graph());
  const std::vector<QWidget*> order = {timeline_->eventList(), timeline_->exportButton(),
                                       timeline_->contactSheetButton(), timeline_->followBox(),
                                       timeline_->graph()};
  for (QWidget* next : order) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next) << next->accessibleName().toStdString();
  }
  // The events list: Tab to it, the first event, down to the second, Enter.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QTest::keyClick(timeline_->eventList(), Qt::Key_Home);
  QTest::keyClick(timeline_->eventList(), Qt::Key_Down);
  QTest::keyClick(timeline_->eventList(), Qt::Key_Return);
  EXPECT_EQ(shown(), "15\\150820.jpg");
  // The timeline's keys work from the list too; Space toggles Follow.
  QTest::keyClick(timeline_->eventList(), Qt::Key_Right);
  EXPECT_EQ(shown(), "15\\150840.jpg");
  timeline_->followBox()->setFocus();
  QTest::keyClick(timeline_->followBox(), Qt::Key_Space);
  EXPECT_TRUE(timeline_->followBox()->isChecked());
  EXPECT_EQ(shown(), "16\\165940.jpg");
  // Escape from any control: the window closes; Ctrl+T brings it back.
  QTest::keyClick(timeline_->followBox(), Qt::Key_Escape);
  EXPECT_FALSE(timeline_->isVisible());
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  QTest::keyClick(form_->ListBox1, Qt::Key_T, Qt::ControlModifier);
  EXPECT_TRUE(timeline_->isVisible());
}

}  // namespace
}  // namespace vistrel::app::testing
