// Where the activity events of the listed folder start, found on a worker
// thread so that the window never waits while a big folder is scored. The
// scores come from the activity index and its cache (the same ones
// `vistrel-export --events` reads), the events from its default threshold
// and gap.
//
// An answer belongs to one listing: the folder and its snapshot names in
// list order, as the window showed them when it asked. One listing is
// scored at a time; asking for another meanwhile queues it (the newest
// wins) and it is scored when the current one is done. Only the last
// answer is kept in memory; a listing asked for again is cheap through the
// cache on disk.
//
// Thread: the GUI thread, which must create the object; the scoring runs on
// a thread of its own. `ready` runs on the GUI thread from the event loop,
// never from inside eventStarts().
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QTimer>

namespace vistrel::app {

struct FolderListing {
  std::string folder;          // the Windows path the tree list shows
  std::filesystem::path host;  // where the snapshots are read
  std::vector<std::string> names;

  bool operator==(const FolderListing&) const = default;
};

class FolderEvents {
 public:
  struct Answer {
    FolderListing listing;
    std::vector<std::size_t> starts;  // index into listing.names of each event's first snapshot
    std::string problem;              // why the folder could not be scored; then `starts` is empty
  };

  explicit FolderEvents(std::function<void()> ready);
  // Stops the scoring at its next snapshot and waits briefly for that; a
  // worker still not done (stuck in a read of a hung file system) is left
  // to end on its own, holding only what it shares with this object, so
  // closing the window never hangs on it.
  ~FolderEvents();
  FolderEvents(const FolderEvents&) = delete;
  FolderEvents& operator=(const FolderEvents&) = delete;

  // The answer for `listing` when it is known; otherwise nullopt, and the
  // listing is scored (or queued), after which `ready` runs.
  std::optional<Answer> answerFor(const FolderListing& listing);

 private:
  void start(FolderListing listing);
  void finished();

  // What the worker shares with this object; the worker holds it too, so
  // that it can outlive this object.
  struct Shared {
    std::mutex mutex;
    std::condition_variable idle;     // notified when `running` becomes false
    std::optional<Answer> answer;     // guarded by mutex: the worker writes it
    bool running = false;             // guarded by mutex
    QTimer* done = nullptr;           // guarded by mutex; null once this object goes
    std::atomic<bool> cancel{false};  // set when this object goes
  };

  std::function<void()> ready_;
  // The worker's "done": started through the GUI thread's event queue, it
  // times out there and runs finished().
  QTimer done_;
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  std::thread worker_;
  bool busy_ = false;                    // GUI thread only
  std::optional<FolderListing> queued_;  // GUI thread only
};

}  // namespace vistrel::app
