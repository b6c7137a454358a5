// The events among the snapshots an export takes: each hour folder's
// snapshots are scored through the activity index (cached per folder), and
// the events are found within each folder run; an event never spans two
// folders.
//
// Paths are Windows paths of the installed platform::FileSystem.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "activity/activity_events.h"
#include "exporting/video_exporter.h"

namespace vistrel::exporter {

struct SnapshotEvents {
  // first, last and peak index the snapshot list given; the paths are its
  // Windows paths, start and end the snapshots' frame times.
  std::vector<activity::ActivityEvent> events;
  std::vector<SkippedSnapshot> damaged;    // in list order, the loader's message
  std::vector<std::string> cacheProblems;  // why a folder's scores were not kept
  bool interrupted = false;                // stopped early: the rest is incomplete
};

// Scores `snapshots` (in playing order) and finds their events. Once
// `interrupt` (when given) becomes true, stops before the next snapshot is
// read, with `interrupted` set.
SnapshotEvents findSnapshotEvents(const std::vector<std::string>& snapshots,
                                  const activity::EventOptions& options,
                                  const std::atomic<bool>* interrupt = nullptr);

// Indexes of the snapshots an event or its `context` snapshots before and
// after take, in order, each once (overlapping spans merged), within
// 0 .. count-1.
std::vector<std::size_t> motionSelection(const std::vector<activity::ActivityEvent>& events,
                                         std::size_t count, int context);

// The snapshots an event takes before and after it with "only what moved",
// unless asked otherwise.
inline constexpr int kMotionContext = 2;

// "Only what moved": the snapshots of the events among `snapshots` and
// their `context` snapshots before and after each, in order.
struct MotionSelection {
  std::vector<std::string> snapshots;
  std::vector<SkippedSnapshot> damaged;  // as SnapshotEvents::damaged
  std::vector<std::string> cacheProblems;
};
MotionSelection selectMotion(const std::vector<std::string>& snapshots,
                             const activity::EventOptions& options, int context);

// "2026-12-06 07:14:05 - 07:14:31  27 snapshots  peak 0.031 at PEAK"; the
// end's date is given only when it differs from the start's.
std::string eventLine(const activity::ActivityEvent& event, const std::string& peakShown);

// The event as one JSON object (no line end): start, end (ISO local times,
// null when unknown), count, peak, peak_path, first_path, last_path.
std::string eventJson(const activity::ActivityEvent& event, const std::string& peakShown,
                      const std::string& firstShown, const std::string& lastShown);

// The damaged snapshots the activity index found and those the export
// skipped, each once (with the export's message when both have it), in the
// order of `snapshots`.
std::vector<SkippedSnapshot> joinSkipped(const std::vector<std::string>& snapshots,
                                         const std::vector<SkippedSnapshot>& indexed,
                                         const std::vector<SkippedSnapshot>& exported);

}  // namespace vistrel::exporter
