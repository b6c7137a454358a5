// Moving through the snapshots of a date as the timeline's keys do: one
// snapshot, one hour, the first and the last, and the snapshots between two
// marks, in playing order across the hours.
//
// Thread: any.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "activity/day_activity.h"
#include "timeline/day_graph.h"

namespace vistrel::timeline {

using DayHours = std::array<activity::DayHour, 24>;

// The Windows path of snapshot `ref`; empty when there is none.
std::string snapshotPath(const DayHours& hours, SnapshotRef ref);
// The snapshot `name` of the hour whose folder is `folder` (names and
// folders compared as the path layer does); invalid when it is not listed.
SnapshotRef findSnapshot(const DayHours& hours, const std::string& folder, const std::string& name);

SnapshotRef firstSnapshot(const DayHours& hours);
SnapshotRef lastSnapshot(const DayHours& hours);
// The next (direction 1) or previous (-1) snapshot, across hours; `from`
// itself when there is none further.
SnapshotRef stepSnapshot(const DayHours& hours, SnapshotRef from, int direction);
// The snapshot an hour later or earlier: in the next hour with snapshots
// that way, the first one at or after `from`'s minute and second (else its
// last); `from` itself when there is no such hour.
SnapshotRef stepHour(const DayHours& hours, SnapshotRef from, int direction);

// The paths from `a` to `b`, both included, in playing order whichever
// comes first.
std::vector<std::string> rangePaths(const DayHours& hours, SnapshotRef a, SnapshotRef b);
// The index of the event of `ref`'s hour that holds it; -1 for none.
int eventAt(const DayHours& hours, SnapshotRef ref);

}  // namespace vistrel::timeline
