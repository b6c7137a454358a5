// The activity of the archive's dates as the window and the timeline show
// it: for each hour folder of a date its snapshots in playing order, their
// activity scores and the events they form, indexed hour by hour on a worker
// in the background (through the activity index and its cache on disk), so
// that nobody on the GUI thread ever waits for a decode. The hour folders
// are listed on the same worker (an hour holds thousands of snapshots), the
// listings first, so the GUI thread never waits for a listing either.
//
// One object serves the main window (Ctrl+Right/Left from event to event,
// across hours and dates) and the timeline window (the day drawn as a
// graph). It keeps the hours of the date shown in memory; other dates are
// read through the cache on disk when a search passes through them.
//
// Paths are the Windows paths the window shows (a date folder such as
// "C:\Program Files\Vistrel\Records\2026-12-07"); names are the file names
// as listed, byte for byte.
//
// Thread: the GUI thread, which must create the object. Signals are raised
// and callbacks run on the GUI thread from the event loop, never from inside
// the call that asked.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDate>
#include <QObject>
#include <QTime>

#include "activity/activity_events.h"

namespace vistrel::activity {

struct DaySnapshot {
  std::string name;             // file name in the hour folder, as listed
  QTime time;                   // from the snapshot's name (or modification time)
  std::optional<double> score;  // nullopt: not indexed yet, the hour's first, or damaged
  bool damaged = false;         // the loader could not read it; `problem` says why
  std::string problem;
};

enum class HourState {
  Absent,      // no hour folder
  Queued,      // waiting for the worker: to be listed (`listed` false), then scored
  Indexing,    // the worker is scoring it; `indexed` counts progress
  Ready,       // scores and events known
  Unreadable,  // the folder cannot be entered or listed; `problem` says why
};

struct DayHour {
  HourState state = HourState::Absent;
  std::string folder;                  // Windows path of the hour folder; empty when absent
  bool listed = false;                 // `snapshots` holds a listing of the folder
  std::vector<DaySnapshot> snapshots;  // in playing order; the previous listing while relisted
  std::vector<ActivityEvent> events;   // indexes into `snapshots`; filled when Ready
  std::size_t indexed = 0;             // snapshots scored so far while Indexing
  std::string problem;
};

class DayActivity : public QObject {
  Q_OBJECT

 public:
  explicit DayActivity(QObject* parent = nullptr);
  // Stops the worker at the next snapshot; never waits for a read that
  // hangs (a stuck worker is left to finish on its own).
  ~DayActivity() override;
  DayActivity(const DayActivity&) = delete;
  DayActivity& operator=(const DayActivity&) = delete;

  // Shows the date of `dateFolder` (a Windows path; a date folder, or any
  // folder or snapshot below one): marks its missing hours Absent at once
  // and queues the others to be listed and indexed, hour by hour; each
  // hour's listing arrives with hourChanged(). The same date again changes
  // nothing.
  void setDate(const std::string& dateFolder);
  const std::string& dateFolder() const;  // empty before the first setDate()
  QDate date() const;
  const std::array<DayHour, 24>& hours() const;

  // Lists the hour folder again (new snapshots of the hour being written,
  // a new hour folder) on the worker and scores what is new; raises
  // hourChanged() now and as the listing and the scores arrive.
  void refreshHour(int hour);

  // The Windows path of the first snapshot of the next (direction 1) or
  // previous (direction -1) event, seen from the snapshot `from` (a Windows
  // path): the next event starts after `from`, the previous one is the
  // nearest that starts before it. The search goes on through the following
  // (or earlier) hours and dates of the archive, indexing what it needs on
  // the worker. `found` gets the path, or an empty string when there is no
  // such event. A newer search replaces one still running (whose callback
  // then never runs).
  void findEvent(const std::string& from, int direction,
                 std::function<void(const std::string& snapshot)> found);
  bool searching() const;

 signals:
  // An hour's listing, state, progress or result changed.
  void hourChanged(int hour);
  // setDate() moved to another date.
  void dateChanged();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vistrel::activity
