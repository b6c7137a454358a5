// Joining passing scores into events: gaps, unknown scores, peaks, times.

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "activity/activity_events.h"

namespace vistrel::activity {
namespace {

std::vector<std::string> pathsFor(std::size_t count) {
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < count; ++i) paths.push_back("s" + std::to_string(i));
  return paths;
}

TEST(ActivityEvents, RunsJoinAcrossShortGapsOnly) {
  const std::optional<double> u;  // unknown
  // index:                        0  1    2  3  4    5    6  7  8  9  10   11 12
  const std::vector<std::optional<double>> scores{0, 0.1, 0, u,    0.3, 0.2,  0,
                                                  0, 0,   0, 0.05, u,   0.004};
  EventOptions options;
  options.threshold = 0.05;
  options.minGapSnapshots = 2;
  const auto events = findEvents(scores, pathsFor(scores.size()), options);
  ASSERT_EQ(events.size(), 2u);
  // 1 and 4 are two apart (one still, one unknown): one event; 10 is four after 5.
  EXPECT_EQ(events[0].first, 1u);
  EXPECT_EQ(events[0].last, 5u);
  EXPECT_EQ(events[0].snapshotCount(), 5u);
  EXPECT_EQ(events[0].peak, 4u);
  EXPECT_EQ(events[0].peakScore, 0.3);
  EXPECT_EQ(events[0].peakPath, "s4");
  EXPECT_EQ(events[0].lastPath, "s5");
  // A score exactly at the threshold passes; the trailing unknown and the
  // low score do not extend the event.
  EXPECT_EQ(events[1].first, 10u);
  EXPECT_EQ(events[1].last, 10u);

  options.minGapSnapshots = 0;
  EXPECT_EQ(findEvents(scores, pathsFor(scores.size()), options).size(), 3u);
  options.minGapSnapshots = 4;
  EXPECT_EQ(findEvents(scores, pathsFor(scores.size()), options).size(), 1u);
  EXPECT_TRUE(findEvents({u, u, 0.0}, pathsFor(3), options).empty());
}

TEST(ActivityEvents, TimesComeFromTheHook) {
  auto events = findEvents({0, 0.5, 0.5, 0}, pathsFor(4));
  ASSERT_EQ(events.size(), 1u);
  attachTimes(events, [](const std::string& path) {
    if (path == "s1") return QDateTime(QDate(2024, 5, 7), QTime(9, 0, 1));
    return path == "s2" ? QDateTime(QDate(2024, 5, 7), QTime(9, 0, 2)) : QDateTime();
  });
  EXPECT_EQ(events[0].start, QDateTime(QDate(2024, 5, 7), QTime(9, 0, 1)));
  EXPECT_EQ(events[0].end, QDateTime(QDate(2024, 5, 7), QTime(9, 0, 2)));
}

}  // namespace
}  // namespace vistrel::activity
