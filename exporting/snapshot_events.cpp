#include "exporting/snapshot_events.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include <QJsonDocument>
#include <QJsonObject>

#include "activity/activity_index.h"
#include "platform/file_system.h"
#include "recording/export_session.h"

namespace vistrel::exporter {
namespace {

// The Windows folder of a snapshot path and its file name.
std::pair<std::string, std::string> splitPath(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return {std::string(), path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

// Scores the snapshots [begin, end) of `snapshots`, all in `folder`.
void addFolder(const std::vector<std::string>& snapshots, std::size_t begin, std::size_t end,
               const std::string& folder, const activity::EventOptions& options,
               const std::atomic<bool>* interrupt, SnapshotEvents& found) {
  // The index opens the files by their host names, byte for byte: a name
  // that is not UTF-8 is listed here in its escaped Windows form.
  std::vector<std::string> names;
  for (std::size_t i = begin; i < end; ++i)
    names.push_back(platform::windowsNameToHost(splitPath(snapshots[i]).second));
  const std::vector<std::string> paths(snapshots.begin() + std::ptrdiff_t(begin),
                                       snapshots.begin() + std::ptrdiff_t(end));
  const auto host = platform::FileSystem::instance().toHost(folder);
  if (!host) {
    // The folder went away after it was listed: every snapshot is unreadable.
    for (const std::string& path : paths)
      found.damaged.push_back({path, "Cannot open file " + path});
    return;
  }
  activity::IndexOptions index;
  index.shownPath = [&folder](const std::string& name) {
    return folder + "\\" + platform::hostNameToWindows(name);
  };
  index.cancel = interrupt;
  const activity::HourActivity hour = activity::indexHour(*host, names, index);
  if (hour.cancelled) {
    found.interrupted = true;
    return;
  }
  for (std::size_t i = 0; i < hour.snapshots.size(); ++i)
    if (!hour.snapshots[i].problem.empty())
      found.damaged.push_back({paths[i], hour.snapshots[i].problem});
  if (!hour.cacheProblem.empty()) found.cacheProblems.push_back(hour.cacheProblem);
  std::vector<activity::ActivityEvent> events = activity::findEvents(hour.scores(), paths, options);
  activity::attachTimes(events,
                        [](const std::string& path) { return recording::frameSource(path).time; });
  for (activity::ActivityEvent& event : events) {
    event.first += begin;
    event.last += begin;
    event.peak += begin;
    found.events.push_back(std::move(event));
  }
}

QJsonValue isoTime(const QDateTime& time) {
  if (!time.isValid()) return QJsonValue(QJsonValue::Null);
  return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

}  // namespace

SnapshotEvents findSnapshotEvents(const std::vector<std::string>& snapshots,
                                  const activity::EventOptions& options,
                                  const std::atomic<bool>* interrupt) {
  SnapshotEvents found;
  std::size_t begin = 0;
  while (begin < snapshots.size() && !found.interrupted) {
    const std::string folder = splitPath(snapshots[begin]).first;
    std::size_t end = begin + 1;
    while (end < snapshots.size() && splitPath(snapshots[end]).first == folder) ++end;
    addFolder(snapshots, begin, end, folder, options, interrupt, found);
    begin = end;
  }
  return found;
}

std::vector<std::size_t> motionSelection(const std::vector<activity::ActivityEvent>& events,
                                         std::size_t count, int context) {
  std::vector<std::size_t> selected;
  const std::size_t around = std::size_t(std::max(context, 0));
  for (const activity::ActivityEvent& event : events) {
    std::size_t from = event.first > around ? event.first - around : 0;
    const std::size_t to = std::min(event.last + around, count - 1);
    // Events come in order, so an overlap can only be with the span before.
    if (!selected.empty()) from = std::max(from, selected.back() + 1);
    for (std::size_t i = from; i <= to; ++i) selected.push_back(i);
  }
  return selected;
}

MotionSelection selectMotion(const std::vector<std::string>& snapshots,
                             const activity::EventOptions& options, int context) {
  SnapshotEvents found = findSnapshotEvents(snapshots, options);
  MotionSelection selection;
  for (const std::size_t index : motionSelection(found.events, snapshots.size(), context))
    selection.snapshots.push_back(snapshots[index]);
  selection.damaged = std::move(found.damaged);
  selection.cacheProblems = std::move(found.cacheProblems);
  return selection;
}

std::string eventLine(const activity::ActivityEvent& event, const std::string& peakShown) {
  const QString start = event.start.isValid()
                            ? event.start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                            : QStringLiteral("(time unknown)");
  QString end = QStringLiteral("(time unknown)");
  if (event.end.isValid())
    end = event.end.toString(event.start.isValid() && event.start.date() == event.end.date()
                                 ? QStringLiteral("HH:mm:ss")
                                 : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  char figures[96];
  std::snprintf(figures, sizeof figures, "  %zu snapshot%s  peak %.3f at ", event.snapshotCount(),
                event.snapshotCount() == 1 ? "" : "s", event.peakScore);
  return (start + QStringLiteral(" - ") + end).toStdString() + figures + peakShown;
}

std::string eventJson(const activity::ActivityEvent& event, const std::string& peakShown,
                      const std::string& firstShown, const std::string& lastShown) {
  QJsonObject object;
  object.insert(QStringLiteral("start"), isoTime(event.start));
  object.insert(QStringLiteral("end"), isoTime(event.end));
  object.insert(QStringLiteral("count"), qint64(event.snapshotCount()));
  object.insert(QStringLiteral("peak"), event.peakScore);
  object.insert(QStringLiteral("peak_path"), QString::fromStdString(peakShown));
  object.insert(QStringLiteral("first_path"), QString::fromStdString(firstShown));
  object.insert(QStringLiteral("last_path"), QString::fromStdString(lastShown));
  return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

std::vector<SkippedSnapshot> joinSkipped(const std::vector<std::string>& snapshots,
                                         const std::vector<SkippedSnapshot>& indexed,
                                         const std::vector<SkippedSnapshot>& exported) {
  std::unordered_map<std::string, const SkippedSnapshot*> byPath;
  for (const SkippedSnapshot& skipped : exported) byPath.emplace(skipped.path, &skipped);
  for (const SkippedSnapshot& skipped : indexed) byPath.emplace(skipped.path, &skipped);
  std::vector<SkippedSnapshot> joined;
  for (const std::string& path : snapshots) {
    const auto found = byPath.find(path);
    if (found != byPath.end()) joined.push_back(*found->second);
  }
  return joined;
}

}  // namespace vistrel::exporter
