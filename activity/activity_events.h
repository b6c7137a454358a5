// Events: runs of snapshots whose activity score passes a threshold, joined
// across short gaps.
//
// The gap is counted in snapshots, not seconds: the archive's snapshots come
// at the camera's fixed interval, and counting them needs no time of day,
// which a snapshot's path gives only through the recording's own naming
// rule. Times are attached afterwards through attachTimes().
//
// A snapshot of unknown score (damaged) neither starts nor ends an event:
// inside one it counts as part of the gap, so an event with a damaged
// snapshot in its middle stays one event.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QDateTime>

namespace vistrel::activity {

struct EventOptions {
  // A snapshot takes part when its score is at least this share of the
  // grid: 24 grid pixels. Quiet material scores 0 and a person-sized figure
  // at least 0.026 (activity_score.h), so a figure of a fifth of that area
  // (a person four times as far away, a cat) still passes.
  double threshold = 0.005;
  // Runs separated by at most this many snapshots below the threshold (or
  // unknown) are one event.
  int minGapSnapshots = 3;
};

struct ActivityEvent {
  std::size_t first = 0;  // index of the first snapshot in the scored list
  std::size_t last = 0;   // index of the last one (inclusive)
  std::size_t peak = 0;   // index of the snapshot with the highest score
  double peakScore = 0;
  std::string firstPath;
  std::string lastPath;
  std::string peakPath;
  // Filled by attachTimes(); invalid until then or when no time is known.
  QDateTime start;
  QDateTime end;

  std::size_t snapshotCount() const { return last - first + 1; }
};

// `scores[i]` belongs to `paths[i]` (same length); nullopt is unknown.
std::vector<ActivityEvent> findEvents(const std::vector<std::optional<double>>& scores,
                                      const std::vector<std::string>& paths,
                                      const EventOptions& options = {});

// Sets each event's start and end from the time `timeOf` gives its first and
// last snapshot's path (an invalid QDateTime when it knows none).
void attachTimes(std::vector<ActivityEvent>& events,
                 const std::function<QDateTime(const std::string& path)>& timeOf);

}  // namespace vistrel::activity
