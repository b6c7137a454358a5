#include "activity/activity_index.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <mutex>
#include <thread>

#include "activity/activity_cache.h"
#include "activity/activity_score.h"
#include "activity/luma_thumbnail.h"

namespace vistrel::activity {
namespace {

// Runs work(i) for every i below `count` on `threads` threads (the caller's
// among them), each taking the next index as it finishes one, until
// `cancel` (when given) reads true.
void runPool(std::size_t count, int threads, const std::function<void(std::size_t)>& work,
             const std::atomic<bool>* cancel = nullptr) {
  std::atomic<std::size_t> next{0};
  auto loop = [&] {
    for (std::size_t i = next++; i < count; i = next++) {
      if (cancel != nullptr && cancel->load()) return;
      work(i);
    }
  };
  const std::size_t extra = std::min<std::size_t>(std::size_t(std::max(threads, 1)) - 1, count);
  std::vector<std::jthread> workers;  // joined when they go, after the caller's own share
  workers.reserve(extra);
  for (std::size_t t = 0; t < extra; ++t) workers.emplace_back(loop);
  loop();
}

std::optional<FileStamp> stampOf(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return fileStampOf(info);
}

int threadCount(const IndexOptions& options) {
  if (options.threads > 0) return options.threads;
  return std::max(1, int(std::thread::hardware_concurrency()));
}

}  // namespace

std::vector<std::optional<double>> HourActivity::scores() const {
  std::vector<std::optional<double>> all(snapshots.size());
  std::ranges::transform(snapshots, all.begin(), &SnapshotActivity::score);
  return all;
}

HourActivity indexHour(const std::filesystem::path& hourFolder,
                       const std::vector<std::string>& names, const IndexOptions& options) {
  const std::filesystem::path folder = std::filesystem::absolute(hourFolder).lexically_normal();
  const std::size_t count = names.size();
  const int threads = threadCount(options);
  const std::filesystem::path cacheFile =
      cacheFileOf(options.cacheFolder.empty() ? defaultCacheFolder() : options.cacheFolder, folder);
  std::optional<CachedHour> cached;
  if (options.useCache) cached = readCachedHour(cacheFile, folder);

  // A snapshot is unchanged when the cache knows it with the same stamp.
  std::vector<const CachedScore*> known(count, nullptr);
  if (cached) {
    std::vector<std::optional<FileStamp>> stamps(count);
    runPool(count, threads, [&](std::size_t i) { stamps[i] = stampOf(folder / names[i]); });
    for (std::size_t i = 0; i < count; ++i) {
      const auto found = cached->find(names[i]);
      if (found != cached->end() && stamps[i] && found->second.stamp == *stamps[i])
        known[i] = &found->second;
    }
  }

  HourActivity hour;
  auto cancelled = [&] { return options.cancel != nullptr && options.cancel->load(); };
  auto givenUp = [&] {
    HourActivity namesOnly;
    namesOnly.cancelled = true;
    namesOnly.snapshots.resize(count);
    for (std::size_t i = 0; i < count; ++i) namesOnly.snapshots[i].name = names[i];
    return namesOnly;
  };
  if (cancelled()) return givenUp();
  // Progress: the snapshots the cache answers count as done at once, each
  // decode as it ends.
  std::mutex progressMutex;
  std::size_t done = count - std::size_t(std::ranges::count(known, nullptr));
  auto advance = [&](std::size_t by) {
    if (!options.progress) return;
    const std::lock_guard lock(progressMutex);
    done = std::min(count, done + by);
    options.progress(done, count);
  };
  advance(0);
  std::vector<std::optional<LumaThumbnail>> thumbnails(count);
  auto decode = [&](const std::vector<std::size_t>& which) {
    std::vector<std::string> shown;
    shown.reserve(which.size());
    for (const std::size_t i : which)
      shown.push_back(options.shownPath ? options.shownPath(names[i])
                                        : (folder / names[i]).string());
    runPool(
        which.size(), threads,
        [&](std::size_t k) {
          const std::size_t i = which[k];
          thumbnails[i] = loadLumaThumbnail((folder / names[i]).string(), shown[k]);
          advance(1);
        },
        options.cancel);
    hour.decoded += which.size();
    return !cancelled();
  };
  auto readable = [&](std::size_t i) {
    return thumbnails[i] ? thumbnails[i]->grid.has_value() : known[i]->problem.empty();
  };

  // Changed and new snapshots are decoded first; then each snapshot whose
  // cached score was taken against another snapshot than the one before it
  // now (a neighbour changed, came or went) needs its own and that one's
  // grid. Decoding can turn a known-good snapshot unreadable, which moves
  // the comparisons again: repeat until nothing more is needed.
  std::vector<std::size_t> needed;
  for (std::size_t i = 0; i < count; ++i)
    if (known[i] == nullptr) needed.push_back(i);
  std::vector<std::optional<std::size_t>> previous(count);
  while (true) {
    if (!decode(needed)) return givenUp();
    needed.clear();
    std::optional<std::size_t> lastReadable;
    for (std::size_t i = 0; i < count; ++i) {
      previous[i] = lastReadable;
      if (!readable(i)) continue;
      lastReadable = i;
      if (!previous[i]) continue;
      const std::size_t before = *previous[i];
      const bool reusable = known[i] != nullptr && known[before] != nullptr &&
                            known[i]->comparedWith == names[before];
      if (reusable) continue;
      if (!thumbnails[i]) needed.push_back(i);
      if (!thumbnails[before]) needed.push_back(before);
    }
    if (needed.empty()) break;
    std::sort(needed.begin(), needed.end());
    needed.erase(std::unique(needed.begin(), needed.end()), needed.end());
  }

  hour.snapshots.resize(count);
  std::vector<char> answeredByCache(count, 0);
  runPool(count, threads, [&](std::size_t i) {
    SnapshotActivity& snapshot = hour.snapshots[i];
    snapshot.name = names[i];
    const bool computed = thumbnails[i] && (!previous[i] || thumbnails[*previous[i]]);
    answeredByCache[i] = computed ? 0 : 1;
    if (!readable(i)) {
      snapshot.problem = thumbnails[i] ? thumbnails[i]->problem : known[i]->problem;
    } else if (computed && previous[i]) {
      snapshot.score = activityScore(*thumbnails[*previous[i]]->grid, *thumbnails[i]->grid);
    } else if (!computed && known[i]->changedPixels) {
      snapshot.score = double(*known[i]->changedPixels) / kGridPixels;
    }
  });

  CachedHour updated;
  updated.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const SnapshotActivity& snapshot = hour.snapshots[i];
    hour.fromCache += std::size_t(answeredByCache[i]);
    CachedScore entry;
    entry.stamp = thumbnails[i] ? thumbnails[i]->stamp : known[i]->stamp;
    if (snapshot.score) entry.changedPixels = int(std::lround(*snapshot.score * kGridPixels));
    if (previous[i] && snapshot.problem.empty()) entry.comparedWith = names[*previous[i]];
    entry.problem = snapshot.problem;
    updated[names[i]] = std::move(entry);
  }
  // A snapshot that could not be opened has no stamp; it stays out of the
  // cache so the next look tries it again.
  for (std::size_t i = 0; i < count; ++i)
    if (thumbnails[i] && !thumbnails[i]->grid && thumbnails[i]->stamp == FileStamp{})
      updated.erase(names[i]);

  const bool unchanged = cached && hour.decoded == 0 && cached->size() == updated.size();
  if (options.useCache && !unchanged)
    hour.cacheProblem = writeCachedHour(cacheFile, folder, names, updated);
  return hour;
}

}  // namespace vistrel::activity
