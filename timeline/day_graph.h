// What the timeline graph draws of a date, worked out apart from painting so
// that it can be checked and measured: the lanes of the hours, and for each
// pixel column the snapshots that fall into it, the highest score among
// them, and whether one of them belongs to an event or is damaged.
//
// A column is placed by the snapshot's time within its hour, so stretches
// without snapshots stay empty (gaps) and the same minute lines up in every
// lane.
//
// Thread: any; the object is not shared.
#pragma once

#include <array>
#include <compare>
#include <string>
#include <vector>

#include "activity/day_activity.h"

namespace vistrel::timeline {

// One snapshot of the date: its hour and its index in the hour's list.
struct SnapshotRef {
  int hour = -1;
  int index = -1;
  bool valid() const { return hour >= 0 && index >= 0; }
  auto operator<=>(const SnapshotRef&) const = default;
};

struct GraphColumn {
  int hour = -1;   // the lane it belongs to; -1 between lanes
  int first = -1;  // first and last snapshot of the hour in this column; -1: none (a gap)
  int last = -1;
  double score = 0;     // highest known score of them
  bool scored = false;  // at least one of them has a score
  bool event = false;   // one of them belongs to an event
  bool damaged = false;
};

struct Lane {
  int hour = 0;
  int left = 0;  // first column
  int width = 0;
};

class DayGraph {
 public:
  // Lays out `hours` over `width` columns: all 24 hours side by side, or
  // the hour `zoomHour` (0..23) alone across the width.
  void build(const std::array<activity::DayHour, 24>& hours, int width, int zoomHour = -1);

  const std::vector<GraphColumn>& columns() const { return columns_; }
  const std::vector<Lane>& lanes() const { return lanes_; }
  int zoomHour() const { return zoomHour_; }
  // The lane drawn for `hour`, or nullptr when the view does not show it.
  const Lane* laneOf(int hour) const;

  // The column of snapshot `ref`, -1 when it is not shown.
  int columnOf(SnapshotRef ref) const;
  // The snapshot drawn at column `x`, or nearest to it within the same lane;
  // invalid between lanes and in a lane without snapshots.
  SnapshotRef snapshotAt(int x) const;

  // Seconds since the start of the hour, from the snapshot's time (or its
  // place in the list when it has none).
  static int secondOfHour(const activity::DayHour& hour, std::size_t index);

 private:
  std::vector<GraphColumn> columns_;
  std::vector<Lane> lanes_;
  int zoomHour_ = -1;
};

}  // namespace vistrel::timeline
