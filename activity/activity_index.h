// The activity index of one hour folder: every snapshot's score against the
// readable snapshot before it, computed by a pool of workers (one per core)
// and kept in the activity cache (activity_cache.h) so that a second look
// decodes nothing, and a changed or added snapshot is decoded and scored
// again with its neighbours only.
//
// The archive is only read: the cache lives below the cache folder, never
// beside the snapshots.
//
// Thread: indexHour() may be called from any thread; it starts its workers
// and joins them before it returns.
#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vistrel::activity {

struct SnapshotActivity {
  std::string name;  // host file name in the hour folder
  // Share of the grid that changed (0 to 1) against the readable snapshot
  // before it; nullopt when unknown: the snapshot is damaged (see
  // `problem`), or no readable snapshot comes before it in the folder.
  std::optional<double> score;
  std::string problem;  // the loader's reason for a damaged snapshot; else empty
};

struct HourActivity {
  std::vector<SnapshotActivity> snapshots;  // in the order of the names given
  std::size_t decoded = 0;                  // snapshots decoded for this answer
  std::size_t fromCache = 0;                // scores taken from the cache as they were
  std::string cacheProblem;                 // why the cache was not written; empty when fine
  // Stopped through IndexOptions::cancel before every snapshot was scored:
  // the snapshots then carry their names only, and the cache is left as it was.
  bool cancelled = false;

  std::vector<std::optional<double>> scores() const;
};

struct IndexOptions {
  std::filesystem::path cacheFolder;  // empty: defaultCacheFolder()
  bool useCache = true;
  int threads = 0;  // 0: one per core
  // The path a problem text gives for the snapshot `name` (a front end's
  // Windows path); unset: the host path. Called on the calling thread only.
  std::function<std::string(const std::string& name)> shownPath;
  // When it reads true the index stops at the next snapshot: indexHour()
  // returns with `cancelled` set, no score known, and the cache untouched.
  const std::atomic<bool>* cancel = nullptr;
  // How many of the hour's snapshots are done (taken from the cache or
  // decoded) out of all of them, called as that grows. Called from the
  // index's workers, one call at a time.
  std::function<void(std::size_t done, std::size_t total)> progress;
};

// Scores the snapshots `names` (host file names, byte for byte, in playing
// order; not the escaped form a Windows path gives a name that is not UTF-8,
// see platform::windowsNameToHost) of the host folder `hourFolder`. A name that cannot be read or
// decoded gets an unknown score and the loader's reason, and the snapshot after it is compared with
// the last readable one.
HourActivity indexHour(const std::filesystem::path& hourFolder,
                       const std::vector<std::string>& names, const IndexOptions& options = {});

}  // namespace vistrel::activity
