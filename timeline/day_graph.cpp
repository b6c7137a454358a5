#include "timeline/day_graph.h"

#include <algorithm>

namespace vistrel::timeline {
namespace {

constexpr int kSecondsPerHour = 3600;
// Columns between two lanes of the day view, to tell the hours apart.
constexpr int kLaneSpacing = 1;

}  // namespace

int DayGraph::secondOfHour(const activity::DayHour& hour, std::size_t index) {
  const QTime time = hour.snapshots[index].time;
  if (time.isValid()) return time.minute() * 60 + time.second();
  return int(index * kSecondsPerHour / std::max<std::size_t>(hour.snapshots.size(), 1));
}

void DayGraph::build(const std::array<activity::DayHour, 24>& hours, int width, int zoomHour) {
  zoomHour_ = zoomHour >= 0 && zoomHour < 24 ? zoomHour : -1;
  columns_.assign(std::size_t(std::max(width, 0)), GraphColumn{});
  lanes_.clear();
  if (width <= 0) return;
  if (zoomHour_ >= 0) {
    lanes_.push_back({zoomHour_, 0, width});
  } else {
    const int laneWidth = std::max(1, width / 24);
    for (int hour = 0; hour < 24 && hour * laneWidth < width; ++hour) {
      const int left = hour * laneWidth;
      lanes_.push_back({hour, left, std::min(laneWidth - kLaneSpacing, width - left)});
    }
  }
  for (const Lane& lane : lanes_) {
    if (lane.width <= 0) continue;
    const activity::DayHour& hour = hours[std::size_t(lane.hour)];
    for (int x = lane.left; x < lane.left + lane.width; ++x)
      columns_[std::size_t(x)].hour = lane.hour;
    for (std::size_t i = 0; i < hour.snapshots.size(); ++i) {
      const int x = lane.left + secondOfHour(hour, i) * lane.width / kSecondsPerHour;
      GraphColumn& column = columns_[std::size_t(x)];
      if (column.first < 0) column.first = int(i);
      column.last = int(i);
      const activity::DaySnapshot& snapshot = hour.snapshots[i];
      column.damaged = column.damaged || snapshot.damaged;
      if (snapshot.score) {
        column.score = column.scored ? std::max(column.score, *snapshot.score) : *snapshot.score;
        column.scored = true;
      }
    }
    for (const activity::ActivityEvent& event : hour.events) {
      for (std::size_t i = event.first; i <= event.last && i < hour.snapshots.size(); ++i) {
        const int x = lane.left + secondOfHour(hour, i) * lane.width / kSecondsPerHour;
        columns_[std::size_t(x)].event = true;
      }
    }
  }
}

const Lane* DayGraph::laneOf(int hour) const {
  for (const Lane& lane : lanes_) {
    if (lane.hour == hour) return &lane;
  }
  return nullptr;
}

int DayGraph::columnOf(SnapshotRef ref) const {
  if (!ref.valid()) return -1;
  const Lane* lane = laneOf(ref.hour);
  if (lane == nullptr || lane->width <= 0) return -1;
  for (int x = lane->left; x < lane->left + lane->width; ++x) {
    const GraphColumn& column = columns_[std::size_t(x)];
    if (column.first >= 0 && column.first <= ref.index && ref.index <= column.last) return x;
  }
  return -1;
}

SnapshotRef DayGraph::snapshotAt(int x) const {
  if (x < 0 || x >= int(columns_.size())) return {};
  const int hour = columns_[std::size_t(x)].hour;
  if (hour < 0) return {};
  const Lane* lane = laneOf(hour);
  // The nearest column with snapshots, looking both ways from x.
  for (int distance = 0; distance < lane->width; ++distance) {
    for (const int candidate : {x - distance, x + distance}) {
      if (candidate < lane->left || candidate >= lane->left + lane->width) continue;
      const GraphColumn& column = columns_[std::size_t(candidate)];
      if (column.first >= 0) return {hour, candidate < x ? column.last : column.first};
    }
  }
  return {};
}

}  // namespace vistrel::timeline
