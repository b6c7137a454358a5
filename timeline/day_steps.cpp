#include "timeline/day_steps.h"

#include <utility>

#include "platform/file_system.h"

namespace vistrel::timeline {
namespace {

int snapshotCount(const DayHours& hours, int hour) {
  return int(hours[std::size_t(hour)].snapshots.size());
}

bool exists(const DayHours& hours, SnapshotRef ref) {
  return ref.hour >= 0 && ref.hour < 24 && ref.index >= 0 &&
         ref.index < snapshotCount(hours, ref.hour);
}

}  // namespace

std::string snapshotPath(const DayHours& hours, SnapshotRef ref) {
  if (!exists(hours, ref)) return {};
  const activity::DayHour& hour = hours[std::size_t(ref.hour)];
  return hour.folder + "\\" + hour.snapshots[std::size_t(ref.index)].name;
}

SnapshotRef findSnapshot(const DayHours& hours, const std::string& folder,
                         const std::string& name) {
  const std::string upperFolder = platform::upperName(folder);
  for (int h = 0; h < 24; ++h) {
    const activity::DayHour& hour = hours[std::size_t(h)];
    if (hour.folder.empty() || platform::upperName(hour.folder) != upperFolder) continue;
    // An exact name first, as the path layer's lookup prefers it.
    for (std::size_t i = 0; i < hour.snapshots.size(); ++i) {
      if (hour.snapshots[i].name == name) return {h, int(i)};
    }
    const std::string upper = platform::upperName(name);
    for (std::size_t i = 0; i < hour.snapshots.size(); ++i) {
      if (platform::upperName(hour.snapshots[i].name) == upper) return {h, int(i)};
    }
    return {};
  }
  return {};
}

SnapshotRef firstSnapshot(const DayHours& hours) {
  for (int h = 0; h < 24; ++h) {
    if (snapshotCount(hours, h) > 0) return {h, 0};
  }
  return {};
}

SnapshotRef lastSnapshot(const DayHours& hours) {
  for (int h = 23; h >= 0; --h) {
    if (const int count = snapshotCount(hours, h); count > 0) return {h, count - 1};
  }
  return {};
}

SnapshotRef stepSnapshot(const DayHours& hours, SnapshotRef from, int direction) {
  if (!exists(hours, from)) return direction > 0 ? firstSnapshot(hours) : lastSnapshot(hours);
  const SnapshotRef within{from.hour, from.index + direction};
  if (exists(hours, within)) return within;
  for (int h = from.hour + direction; h >= 0 && h < 24; h += direction) {
    if (const int count = snapshotCount(hours, h); count > 0)
      return {h, direction > 0 ? 0 : count - 1};
  }
  return from;
}

SnapshotRef stepHour(const DayHours& hours, SnapshotRef from, int direction) {
  if (!exists(hours, from)) return direction > 0 ? firstSnapshot(hours) : lastSnapshot(hours);
  const activity::DayHour& fromHour = hours[std::size_t(from.hour)];
  const int second = DayGraph::secondOfHour(fromHour, std::size_t(from.index));
  for (int h = from.hour + direction; h >= 0 && h < 24; h += direction) {
    const activity::DayHour& hour = hours[std::size_t(h)];
    if (hour.snapshots.empty()) continue;
    for (std::size_t i = 0; i < hour.snapshots.size(); ++i) {
      if (DayGraph::secondOfHour(hour, i) >= second) return {h, int(i)};
    }
    return {h, int(hour.snapshots.size()) - 1};
  }
  return from;
}

std::vector<std::string> rangePaths(const DayHours& hours, SnapshotRef a, SnapshotRef b) {
  if (!exists(hours, a) || !exists(hours, b)) return {};
  if (b < a) std::swap(a, b);
  std::vector<std::string> paths;
  for (SnapshotRef ref = a;;) {
    paths.push_back(snapshotPath(hours, ref));
    if (ref == b) break;
    const SnapshotRef next = stepSnapshot(hours, ref, 1);
    if (next == ref) break;
    ref = next;
  }
  return paths;
}

int eventAt(const DayHours& hours, SnapshotRef ref) {
  if (!exists(hours, ref)) return -1;
  const auto& events = hours[std::size_t(ref.hour)].events;
  for (std::size_t e = 0; e < events.size(); ++e) {
    if (std::size_t(ref.index) >= events[e].first && std::size_t(ref.index) <= events[e].last)
      return int(e);
  }
  return -1;
}

}  // namespace vistrel::timeline
