#include "activity/activity_events.h"

#include <algorithm>

namespace vistrel::activity {

std::vector<ActivityEvent> findEvents(const std::vector<std::optional<double>>& scores,
                                      const std::vector<std::string>& paths,
                                      const EventOptions& options) {
  std::vector<ActivityEvent> events;
  std::optional<ActivityEvent> open;
  std::size_t gap = 0;  // snapshots since the open event's last passing one
  auto close = [&] {
    open->firstPath = paths.at(open->first);
    open->lastPath = paths.at(open->last);
    open->peakPath = paths.at(open->peak);
    events.push_back(std::move(*open));
    open.reset();
  };
  for (std::size_t i = 0; i < scores.size(); ++i) {
    const bool passes = scores[i] && *scores[i] >= options.threshold;
    if (!passes) {
      if (open && ++gap > std::size_t(std::max(options.minGapSnapshots, 0))) close();
      continue;
    }
    if (!open) {
      open = ActivityEvent{};
      open->first = i;
      open->peak = i;
      open->peakScore = *scores[i];
    } else if (*scores[i] > open->peakScore) {
      open->peak = i;
      open->peakScore = *scores[i];
    }
    open->last = i;
    gap = 0;
  }
  if (open) close();
  return events;
}

void attachTimes(std::vector<ActivityEvent>& events,
                 const std::function<QDateTime(const std::string& path)>& timeOf) {
  for (ActivityEvent& event : events) {
    event.start = timeOf(event.firstPath);
    event.end = timeOf(event.lastPath);
  }
}

}  // namespace vistrel::activity
