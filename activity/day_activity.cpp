#include "activity/day_activity.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include <QDateTime>
#include <QTimer>

#include "activity/activity_index.h"
#include "platform/archive_layout.h"
#include "platform/file_listing.h"
#include "platform/file_system.h"
#include "platform/thread_priority.h"

namespace vistrel::activity {
namespace {

namespace fs = std::filesystem;
using JobId = std::uint64_t;

// How often the GUI thread collects the worker's progress and results while
// it has work; idle, nothing runs.
constexpr int kCollectMs = 40;
// How long the destructor gives the worker to stop before leaving it.
constexpr auto kStopWait = std::chrono::milliseconds(200);

// The Windows path split at its last separator: folder and name.
std::pair<std::string, std::string> splitLast(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return {std::string(), path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

// The time of a snapshot of hour folder `hour` by the archive's rule: a
// recorder's own name needs no file time; for other names the modification
// time is read. `host` is the hour folder's host path, `hostName` the
// snapshot's name there.
QTime snapshotTimeOf(int hour, const fs::path& host, const std::string& name,
                     const std::string& hostName) {
  if (const auto named = platform::namedSnapshotTime(name, hour)) return *named;
  struct stat info {};
  if (::stat((host / hostName).c_str(), &info) != 0) return {hour, 0, 0};
  const QDateTime modified = QDateTime::fromSecsSinceEpoch(info.st_mtim.tv_sec);
  return {hour, modified.time().minute(), modified.time().second()};
}

// A date (or, for a folder outside any date, that folder alone as its one
// "hour") as the GUI thread knows it.
struct Day {
  std::string folder;  // Windows path of the date folder; empty: none
  QDate date;
  bool single = false;  // `hours[0]` is a folder outside the date layout
  std::array<DayHour, 24> hours;
  std::array<JobId, 24> jobs{};  // the job that scores each hour; 0: none
};

// An hour folder to list and then to score.
struct Job {
  JobId id = 0;
  fs::path host;
  std::string folder;  // Windows path, for messages
  int hour = -1;       // the folder's hour; -1: a folder outside the date layout
  bool listed = false;
  std::vector<std::string> names;  // host names in playing order, once listed
  bool urgent = false;             // a search waits for it
};

// A job's listing: the snapshots without scores, or why there are none.
struct Listed {
  JobId id = 0;
  std::vector<DaySnapshot> snapshots;
  std::string problem;  // the folder could not be listed
};

struct Finished {
  JobId id = 0;
  HourActivity activity;
  std::string problem;  // the index failed as a whole
};

// What the GUI thread and the worker share; the worker keeps it alive, so a
// worker left behind by the destructor still has it.
struct Shared {
  std::mutex mutex;
  std::condition_variable wake;     // a job was queued, or stop
  std::condition_variable stopped;  // the worker ended
  std::deque<Job> jobs;
  bool stop = false;
  bool ended = false;
  JobId running = 0;
  std::size_t runningDone = 0;  // progress of the running job
  std::vector<Listed> listed;
  std::vector<Finished> finished;
  std::atomic<bool> cancel{false};  // the running job's; reset under `mutex`
  int backgroundThreads = 1;
  int urgentThreads = 1;
};

// Lists the hour folder of `job` (its snapshot names and times); the host
// names of the snapshots go to `hostNames`, in the same order.
Listed listFolder(const Job& job, std::vector<std::string>& hostNames) {
  Listed listed;
  listed.id = job.id;
  std::error_code error;
  const fs::directory_iterator probe(job.host, error);
  if (error) {
    listed.problem = "Cannot list the folder " + job.folder + ": " + error.message();
    return listed;
  }
  const std::vector<std::string> names = platform::hostSnapshotNames(job.host);
  listed.snapshots.resize(names.size());
  hostNames.clear();
  hostNames.reserve(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    // The index reads the files by their host bytes (which differ for names
    // that are not UTF-8).
    hostNames.push_back(platform::windowsNameToHost(names[i]));
    DaySnapshot& snapshot = listed.snapshots[i];
    snapshot.name = names[i];
    if (job.hour >= 0) snapshot.time = snapshotTimeOf(job.hour, job.host, names[i], hostNames[i]);
  }
  return listed;
}

void work(const std::shared_ptr<Shared>& shared) {
  // Scoring feeds a view: a slide show's window thread goes first. The
  // index's own workers are started from here and inherit the priority.
  platform::lowerCurrentThreadPriority();
  std::unique_lock lock(shared->mutex);
  while (true) {
    shared->wake.wait(lock, [&] { return shared->stop || !shared->jobs.empty(); });
    if (shared->stop) break;
    // Listing goes first: every hour of the date shows its snapshots (and
    // the timeline its shape) before the first hour is scored.
    const auto unlisted = std::ranges::find(shared->jobs, false, &Job::listed);
    if (unlisted != shared->jobs.end()) {
      Job listing;
      listing.id = unlisted->id;
      listing.host = unlisted->host;
      listing.folder = unlisted->folder;
      listing.hour = unlisted->hour;
      lock.unlock();
      std::vector<std::string> hostNames;
      Listed listed = listFolder(listing, hostNames);
      lock.lock();
      // A job dropped meanwhile is wanted no more.
      const auto job = std::ranges::find(shared->jobs, listing.id, &Job::id);
      if (job == shared->jobs.end()) continue;
      if (listed.problem.empty()) {
        job->names = std::move(hostNames);
        job->listed = true;
      } else {
        shared->jobs.erase(job);
      }
      shared->listed.push_back(std::move(listed));
      continue;
    }
    Job job = std::move(shared->jobs.front());
    shared->jobs.pop_front();
    shared->running = job.id;
    shared->runningDone = 0;
    shared->cancel = false;
    IndexOptions options;
    options.threads = job.urgent ? shared->urgentThreads : shared->backgroundThreads;
    options.cancel = &shared->cancel;
    options.progress = [&shared, id = job.id](std::size_t done, std::size_t) {
      const std::lock_guard progressLock(shared->mutex);
      if (shared->running == id) shared->runningDone = done;
    };
    lock.unlock();
    Finished result;
    result.id = job.id;
    try {
      result.activity = indexHour(job.host, job.names, options);
    } catch (const std::exception& error) {
      result.problem = error.what();
    }
    lock.lock();
    shared->running = 0;
    shared->finished.push_back(std::move(result));
  }
  shared->ended = true;
  shared->stopped.notify_all();
}

}  // namespace

struct DayActivity::Impl {
  explicit Impl(DayActivity* owner) : self(owner) {}

  DayActivity* self;
  std::shared_ptr<Shared> shared = std::make_shared<Shared>();
  std::thread worker;
  QTimer collect;
  JobId lastJob = 0;
  Day current;

  struct Search {
    std::uint64_t id = 0;
    int direction = 1;
    std::function<void(const std::string&)> found;
    Day other;  // the date searched when it is not `current`
    bool onOther = false;
    int hour = 0;
    std::optional<std::string> after;  // the name searched from, within `hour`
  };
  std::optional<Search> search;
  std::uint64_t lastSearch = 0;

  Day& searchedDay() { return search->onOther ? search->other : current; }

  void startWorker() {
    if (worker.joinable()) return;
    const int cores = std::max(1, int(std::thread::hardware_concurrency()));
    // Background scoring leaves a core to the window and its slide show;
    // a search the user waits for takes them all, at the lowered priority.
    shared->backgroundThreads = std::max(1, cores - 1);
    shared->urgentThreads = cores;
    worker = std::thread(work, shared);
  }

  void stopWorker() {
    if (!worker.joinable()) return;
    std::unique_lock lock(shared->mutex);
    shared->stop = true;
    shared->cancel = true;
    shared->jobs.clear();
    shared->wake.notify_all();
    // A worker stuck in a read that never ends (a FIFO in place of a
    // snapshot) is left to end on its own: it owns what it uses.
    const bool ended = shared->stopped.wait_for(lock, kStopWait, [&] { return shared->ended; });
    lock.unlock();
    if (ended) {
      worker.join();
    } else {
      worker.detach();
    }
  }

  // Queues the hour folder `hour` of `day` (or its single folder) to be
  // listed and scored on the worker. What the hour shows stays until the
  // new listing arrives (see applyListing); only whether the folder exists
  // is looked at here.
  void listHour(Day& day, int hour) {
    DayHour& entry = day.hours[std::size_t(hour)];
    const std::string folder =
        day.single ? day.folder : day.folder + "\\" + platform::hourFolderName(hour);
    platform::FileSystem& files = platform::FileSystem::instance();
    const bool exists = files.directoryExists(folder);
    dropJob(day.jobs[std::size_t(hour)]);
    day.jobs[std::size_t(hour)] = 0;
    if (!exists) {
      entry = DayHour{};
      // A link in place of the hour folder whose target is gone (a disk not
      // mounted) is an hour that cannot be reached, not one never recorded.
      const auto link = files.toHost(folder, true);
      std::error_code error;
      if (link && fs::is_symlink(fs::symlink_status(*link, error))) {
        const bool reached = fs::exists(*link, error);
        entry.state = HourState::Unreadable;
        entry.folder = folder;
        entry.problem =
            "Cannot list the folder " + folder + ": " +
            (error || !reached ? (error ? error.message() : std::string("its target is gone"))
                               : std::string("it is not a folder"));
      }
      return;
    }
    // The same folder listed again (the hour being written) keeps its
    // snapshots and their scores in view while it is listed and scored.
    DayHour previous = std::move(entry);
    entry = DayHour{};
    entry.folder = folder;
    if (previous.folder == folder && previous.listed) {
      entry.snapshots = std::move(previous.snapshots);
      entry.listed = true;
    }
    const auto host = files.toHost(folder);
    if (!host) {
      entry = DayHour{};
      entry.folder = folder;
      entry.state = HourState::Unreadable;
      entry.problem = "Cannot list the folder " + folder + ": it cannot be reached";
      return;
    }
    entry.state = HourState::Queued;
    Job job;
    job.id = ++lastJob;
    job.host = *host;
    job.folder = folder;
    job.hour = day.single ? -1 : hour;
    day.jobs[std::size_t(hour)] = job.id;
    startWorker();
    {
      const std::lock_guard lock(shared->mutex);
      shared->jobs.push_back(std::move(job));
    }
    shared->wake.notify_one();
    collect.start();
  }

  // Stores a listing in `day` when it is one of its hours'; true then.
  // Scores already known are kept for the names listed again.
  bool applyListing(Day& day, Listed& listed) {
    const auto slot = std::ranges::find(day.jobs, listed.id);
    if (slot == day.jobs.end()) return false;
    const int hour = int(slot - day.jobs.begin());
    DayHour& entry = day.hours[std::size_t(hour)];
    if (!listed.problem.empty()) {
      *slot = 0;
      const std::string folder = entry.folder;
      entry = DayHour{};
      entry.folder = folder;
      entry.state = HourState::Unreadable;
      entry.problem = std::move(listed.problem);
    } else {
      std::vector<DaySnapshot> previous = std::move(entry.snapshots);
      entry.snapshots = std::move(listed.snapshots);
      // Both listings come in the same order, so they are walked together.
      std::size_t kept = 0;
      for (DaySnapshot& snapshot : entry.snapshots) {
        while (kept < previous.size() && platform::nameLess(previous[kept].name, snapshot.name))
          ++kept;
        if (kept < previous.size() && previous[kept].name == snapshot.name)
          snapshot = std::move(previous[kept]);
      }
      entry.listed = true;
    }
    if (&day == &current) emit self->hourChanged(hour);
    return true;
  }

  void listDay(Day& day, const std::string& folder) {
    for (const JobId job : day.jobs) dropJob(job);
    day = Day{};
    const auto [parent, name] = splitLast(folder);
    day.folder = folder;
    day.date = platform::dateOfFolderName(name);
    day.single = !day.date.isValid();
    for (int hour = 0; hour < (day.single ? 1 : 24); ++hour) listHour(day, hour);
  }

  // Takes a queued job off the queue; a running one is cancelled.
  void dropJob(JobId id) {
    if (id == 0) return;
    const std::lock_guard lock(shared->mutex);
    std::erase_if(shared->jobs, [&](const Job& job) { return job.id == id; });
    if (shared->running == id) shared->cancel = true;
  }

  // Moves a queued job to the front, to be scored with every core.
  void hurry(JobId id) {
    const std::lock_guard lock(shared->mutex);
    const auto job = std::ranges::find(shared->jobs, id, &Job::id);
    if (job == shared->jobs.end()) return;
    Job moved = std::move(*job);
    shared->jobs.erase(job);
    moved.urgent = true;
    shared->jobs.push_front(std::move(moved));
  }

  // The GUI thread's share of the hand-over: progress and results.
  void collectResults() {
    std::vector<Listed> listed;
    std::vector<Finished> finished;
    JobId running = 0;
    std::size_t runningDone = 0;
    bool idle = false;
    {
      const std::lock_guard lock(shared->mutex);
      listed.swap(shared->listed);
      finished.swap(shared->finished);
      running = shared->running;
      runningDone = shared->runningDone;
      idle = running == 0 && shared->jobs.empty();
    }
    // A job's listing always comes before its progress and its result.
    for (Listed& listing : listed) {
      if (applyListing(current, listing)) continue;
      if (search && search->onOther) applyListing(search->other, listing);
    }
    for (int hour = 0; hour < 24; ++hour) {
      DayHour& entry = current.hours[std::size_t(hour)];
      const bool mine = running != 0 && current.jobs[std::size_t(hour)] == running;
      if (!mine) continue;
      if (entry.state != HourState::Indexing || entry.indexed != runningDone) {
        entry.state = HourState::Indexing;
        entry.indexed = runningDone;
        emit self->hourChanged(hour);
      }
    }
    for (Finished& result : finished) {
      if (apply(current, result)) continue;
      if (search && search->onOther) apply(search->other, result);
    }
    if (search) step();
    if (idle && listed.empty() && finished.empty()) collect.stop();
  }

  // Stores a result in `day` when it is one of its hours'; true then.
  bool apply(Day& day, Finished& result) {
    const auto slot = std::ranges::find(day.jobs, result.id);
    if (slot == day.jobs.end()) return false;
    const int hour = int(slot - day.jobs.begin());
    DayHour& entry = day.hours[std::size_t(hour)];
    *slot = 0;
    if (result.activity.cancelled) {
      // Cancelled while still wanted (a date left and come back to): again.
      listHour(day, hour);
    } else if (!result.problem.empty()) {
      entry.state = HourState::Unreadable;
      entry.problem = result.problem;
      entry.events.clear();
    } else {
      std::vector<std::string> names;
      names.reserve(entry.snapshots.size());
      const std::vector<SnapshotActivity>& scored = result.activity.snapshots;
      for (std::size_t i = 0; i < entry.snapshots.size() && i < scored.size(); ++i) {
        DaySnapshot& snapshot = entry.snapshots[i];
        snapshot.score = scored[i].score;
        snapshot.problem = scored[i].problem;
        snapshot.damaged = !snapshot.problem.empty();
        names.push_back(snapshot.name);
      }
      entry.events = findEvents(result.activity.scores(), names);
      entry.indexed = entry.snapshots.size();
      entry.state = HourState::Ready;
    }
    if (&day == &current) emit self->hourChanged(hour);
    return true;
  }

  void finishSearch(const std::string& path) {
    Search done = std::move(*search);
    search.reset();
    for (const JobId job : done.other.jobs) dropJob(job);
    if (done.found) done.found(path);
  }

  // The date folder before (direction -1) or after `day` among the records
  // root's date folders; empty when there is none.
  static std::string neighbourDate(const Day& day, int direction) {
    const auto [root, name] = splitLast(day.folder);
    std::optional<std::pair<QDate, std::string>> best;
    for (const platform::FindData& entry :
         platform::FileSystem::instance().findFiles(root + "\\*")) {
      if ((entry.attributes & platform::kAttrDirectory) == 0) continue;
      const QDate date = platform::dateOfFolderName(entry.name);
      if (!date.isValid()) continue;
      const bool beyond = direction > 0 ? date > day.date : date < day.date;
      const bool nearer = !best || (direction > 0 ? date < best->first : date > best->first);
      if (beyond && nearer) best = {date, entry.name};
    }
    return best ? root + "\\" + best->second : std::string();
  }

  // Goes on with the search as far as what is scored allows.
  void step() {
    while (search) {
      Day& day = searchedDay();
      DayHour& entry = day.hours[std::size_t(search->hour)];
      if (entry.state == HourState::Queued || entry.state == HourState::Indexing) {
        hurry(day.jobs[std::size_t(search->hour)]);
        collect.start();
        return;
      }
      if (entry.state == HourState::Ready) {
        std::optional<std::size_t> from;
        if (search->after) {
          const auto at = std::ranges::find(entry.snapshots, *search->after, &DaySnapshot::name);
          if (at != entry.snapshots.end()) from = std::size_t(at - entry.snapshots.begin());
        }
        std::optional<std::size_t> target;
        for (const ActivityEvent& event : entry.events) {
          if (search->direction > 0 && (!from || event.first > *from)) {
            target = event.first;
            break;
          }
          if (search->direction < 0 && (!from || event.first < *from)) target = event.first;
        }
        if (target) {
          finishSearch(entry.folder + "\\" + entry.snapshots[*target].name);
          return;
        }
      }
      search->after.reset();
      search->hour += search->direction;
      if (search->hour >= 0 && search->hour < 24 && !day.single) continue;
      if (day.single) {
        finishSearch(std::string());
        return;
      }
      const std::string next = neighbourDate(day, search->direction);
      if (next.empty()) {
        finishSearch(std::string());
        return;
      }
      search->hour = search->direction > 0 ? 0 : 23;
      if (next == current.folder) {
        search->onOther = false;
      } else {
        search->onOther = true;
        listDay(search->other, next);
      }
    }
  }
};

DayActivity::DayActivity(QObject* parent) : QObject(parent), impl_(std::make_unique<Impl>(this)) {
  impl_->collect.setInterval(kCollectMs);
  connect(&impl_->collect, &QTimer::timeout, this, [this] { impl_->collectResults(); });
}

DayActivity::~DayActivity() { impl_->stopWorker(); }

void DayActivity::setDate(const std::string& dateFolder) {
  const std::string full = platform::FileSystem::instance().fullPath(dateFolder);
  // The date folder is the nearest one above (or at) the path.
  std::string folder = full;
  while (!folder.empty() && !platform::dateOfFolderName(splitLast(folder).second).isValid()) {
    const std::string parent = splitLast(folder).first;
    if (parent == folder) break;
    folder = parent;
  }
  if (folder.empty() || !platform::dateOfFolderName(splitLast(folder).second).isValid())
    folder.clear();
  if (folder == impl_->current.folder) return;
  if (folder.empty()) {
    for (const JobId job : impl_->current.jobs) impl_->dropJob(job);
    impl_->current = Day{};
  } else {
    impl_->listDay(impl_->current, folder);
  }
  QTimer::singleShot(0, this, [this] { emit dateChanged(); });
}

const std::string& DayActivity::dateFolder() const { return impl_->current.folder; }

QDate DayActivity::date() const { return impl_->current.date; }

const std::array<DayHour, 24>& DayActivity::hours() const { return impl_->current.hours; }

void DayActivity::refreshHour(int hour) {
  if (hour < 0 || hour > 23 || impl_->current.folder.empty()) return;
  impl_->listHour(impl_->current, hour);
  QTimer::singleShot(0, this, [this, hour] { emit hourChanged(hour); });
}

void DayActivity::findEvent(const std::string& from, int direction,
                            std::function<void(const std::string& snapshot)> found) {
  if (impl_->search) {
    for (const JobId job : impl_->search->other.jobs) impl_->dropJob(job);
  }
  Impl::Search search;
  search.id = ++impl_->lastSearch;
  search.direction = direction >= 0 ? 1 : -1;
  search.found = std::move(found);
  const std::string full = platform::FileSystem::instance().fullPath(from);
  const auto [folder, name] = splitLast(full);
  search.after = name;
  const auto [dateFolder, hourFolder] = splitLast(folder);
  const int hour = platform::hourOfFolderName(hourFolder);
  const bool inDate =
      platform::dateOfFolderName(splitLast(dateFolder).second).isValid() && hour >= 0;
  const std::string day = inDate ? dateFolder : folder;
  search.hour = inDate ? hour : 0;
  impl_->search = std::move(search);
  if (day != impl_->current.folder) {
    impl_->search->onOther = true;
    impl_->listDay(impl_->search->other, day);
  }
  // Answered from the event loop, never from inside this call.
  QTimer::singleShot(0, this, [this, id = impl_->search->id] {
    if (impl_->search && impl_->search->id == id) impl_->step();
  });
}

bool DayActivity::searching() const { return impl_->search.has_value(); }

}  // namespace vistrel::activity
