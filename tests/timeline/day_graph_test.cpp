// The graph's model and painting on hours made up here (every state an hour
// can be in), and the steps through a date that the timeline's keys take.

#include <QImage>

#include <gtest/gtest.h>

#include "timeline/day_graph.h"
#include "timeline/day_steps.h"
#include "timeline/timeline_colors.h"
#include "timeline/timeline_graph.h"

namespace vistrel::timeline {
namespace {

using activity::HourState;

// An hour with a snapshot every `everySeconds` from minute `fromMinute` to
// `toMinute`, all scored 0 but those in [eventFirst, eventLast], which form
// one event.
activity::DayHour hourOf(int hour, int fromMinute, int toMinute, int everySeconds,
                         int eventFirst = -1, int eventLast = -1) {
  activity::DayHour result;
  result.state = HourState::Ready;
  result.folder = "C:\\Program Files\\Vistrel\\Records\\2026-12-07\\" +
                  QString::asprintf("%.2d", hour).toStdString();
  for (int second = fromMinute * 60; second < toMinute * 60; second += everySeconds) {
    const QTime time(hour, second / 60, second % 60);
    activity::DaySnapshot snapshot;
    snapshot.name = time.toString("HHmmss").toStdString() + ".jpg";
    snapshot.time = time;
    const int index = int(result.snapshots.size());
    snapshot.score = index >= eventFirst && index <= eventLast ? 0.05 : 0.0;
    result.snapshots.push_back(snapshot);
  }
  if (eventFirst >= 0) {
    activity::ActivityEvent event;
    event.first = std::size_t(eventFirst);
    event.last = std::size_t(eventLast);
    event.peak = event.first;
    event.peakScore = 0.05;
    result.events.push_back(event);
  }
  return result;
}

class DayGraphTest : public ::testing::Test {
 protected:
  DayGraphTest() {
    // 10: a whole hour, an event in its middle; 11: only its second half;
    // 12: unreadable; 13: a damaged snapshot, still being indexed.
    hours_[10] = hourOf(10, 0, 60, 20, 90, 94);
    hours_[11] = hourOf(11, 30, 60, 20);
    hours_[12].state = HourState::Unreadable;
    hours_[12].folder = "C:\\Program Files\\Vistrel\\Records\\2026-12-07\\12";
    hours_[12].problem = "Permission denied";
    hours_[13] = hourOf(13, 0, 10, 60);
    hours_[13].state = HourState::Indexing;
    hours_[13].indexed = 5;
    hours_[13].snapshots[3].damaged = true;
    hours_[13].snapshots[3].score.reset();
  }

  int columnsWith(int hour, bool GraphColumn::*flag) const {
    int count = 0;
    for (const GraphColumn& column : graph_.columns())
      count += column.hour == hour && column.*flag ? 1 : 0;
    return count;
  }

  DayHours hours_;
  DayGraph graph_;
};

TEST_F(DayGraphTest, ColumnsShowEventsGapsAndDamageWhereTheyHappened) {
  graph_.build(hours_, 24 * 40);
  ASSERT_EQ(graph_.lanes().size(), 24u);
  const Lane* ten = graph_.laneOf(10);
  ASSERT_NE(ten, nullptr);
  // The event (snapshots 90..94, 10:30:00 to 10:31:20) sits mid-lane.
  const int eventX = graph_.columnOf({10, 92});
  EXPECT_EQ(eventX, ten->left + ten->width / 2);
  EXPECT_TRUE(graph_.columns()[std::size_t(eventX)].event);
  EXPECT_GT(columnsWith(10, &GraphColumn::event), 0);
  EXPECT_EQ(columnsWith(11, &GraphColumn::event), 0);
  EXPECT_EQ(columnsWith(13, &GraphColumn::damaged), 1);
  // Hour 11 began at half past: its first half is a gap.
  const Lane* eleven = graph_.laneOf(11);
  EXPECT_LT(graph_.columns()[std::size_t(eleven->left + 2)].first, 0);
  EXPECT_GE(graph_.columns()[std::size_t(eleven->left + eleven->width - 2)].first, 0);
  // A gap picks the nearest snapshot of its own lane, never another hour's.
  EXPECT_EQ(graph_.snapshotAt(eleven->left), (SnapshotRef{11, 0}));
  EXPECT_FALSE(graph_.snapshotAt(graph_.laneOf(5)->left + 3).valid());

  // Zoomed into one hour, the same event spans many columns.
  graph_.build(hours_, 24 * 40, 10);
  ASSERT_EQ(graph_.lanes().size(), 1u);
  EXPECT_EQ(columnsWith(10, &GraphColumn::event), 5);
  EXPECT_EQ(graph_.columnOf({11, 0}), -1);
  // 86,400 snapshots in a 960-column day: every snapshot lands in its lane.
  for (int h = 0; h < 24; ++h) hours_[std::size_t(h)] = hourOf(h, 0, 60, 1);
  graph_.build(hours_, 24 * 40);
  for (const Lane& lane : graph_.lanes()) {
    EXPECT_EQ(graph_.columns()[std::size_t(lane.left)].first, 0);
    EXPECT_EQ(graph_.columns()[std::size_t(lane.left + lane.width - 1)].last, 3599);
  }
}

TEST_F(DayGraphTest, PaintsEventsUnreadableHoursAndDamagedSnapshotsInTheirColours) {
  TimelineGraph graph(hours_);
  graph.resize(24 * 40, 200);
  graph.hoursChanged();
  const QImage painted = graph.grab().toImage();
  const auto& model = graph.model();
  auto laneHas = [&](int hour, const QColor& colour) {
    const Lane* lane = model.laneOf(hour);
    for (int x = lane->left; x < lane->left + lane->width; ++x)
      for (int y = TimelineGraph::kHeaderHeight; y < painted.height(); ++y)
        if (painted.pixelColor(x, y) == colour) return true;
    return false;
  };
  EXPECT_TRUE(laneHas(10, colors::kEvent));
  EXPECT_FALSE(laneHas(11, colors::kEvent));
  EXPECT_TRUE(laneHas(12, colors::kDamaged));  // unreadable: hatched red
  EXPECT_TRUE(laneHas(13, colors::kDamaged));  // the damaged snapshot's mark
  EXPECT_FALSE(laneHas(11, colors::kDamaged));
  EXPECT_TRUE(laneHas(13, colors::kProgress));  // indexing: its progress
  // An event hour and a quiet one do not look alike.
  const Lane* ten = model.laneOf(10);
  const Lane* eleven = model.laneOf(11);
  EXPECT_NE(painted.copy(ten->left, 0, ten->width, painted.height()),
            painted.copy(eleven->left, 0, eleven->width, painted.height()));
}

TEST_F(DayGraphTest, StepsGoAcrossHoursAndRangesKeepPlayingOrder) {
  // Hours 10 (180 snapshots), 11 (90), 13 (10); 12 has none.
  EXPECT_EQ(firstSnapshot(hours_), (SnapshotRef{10, 0}));
  EXPECT_EQ(lastSnapshot(hours_), (SnapshotRef{13, 9}));
  EXPECT_EQ(stepSnapshot(hours_, {10, 179}, 1), (SnapshotRef{11, 0}));
  EXPECT_EQ(stepSnapshot(hours_, {11, 89}, 1), (SnapshotRef{13, 0}));
  EXPECT_EQ(stepSnapshot(hours_, {13, 0}, -1), (SnapshotRef{11, 89}));
  EXPECT_EQ(stepSnapshot(hours_, {13, 9}, 1), (SnapshotRef{13, 9}));
  // An hour on from 10:40:00 is 11:40:00; from 11:40 the next hour with
  // snapshots is 13, whose last comes before minute 40.
  EXPECT_EQ(stepHour(hours_, {10, 120}, 1), (SnapshotRef{11, 30}));
  EXPECT_EQ(stepHour(hours_, {11, 30}, 1), (SnapshotRef{13, 9}));
  EXPECT_EQ(stepHour(hours_, {10, 5}, -1), (SnapshotRef{10, 5}));

  const std::vector<std::string> range = rangePaths(hours_, {11, 1}, {10, 178});
  ASSERT_EQ(range.size(), 4u);
  EXPECT_EQ(range.front(), hours_[10].folder + "\\105920.jpg");
  EXPECT_EQ(range.back(), hours_[11].folder + "\\113020.jpg");
  EXPECT_EQ(eventAt(hours_, {10, 94}), 0);
  EXPECT_EQ(eventAt(hours_, {10, 95}), -1);
  EXPECT_EQ(
      findSnapshot(hours_, "c:\\program files\\vistrel\\records\\2026-12-07\\11", "113020.JPG"),
      (SnapshotRef{11, 1}));
}

}  // namespace
}  // namespace vistrel::timeline
