// The activity cache of one hour folder: what each snapshot scored, with the
// file stamp it was scored at and the snapshot it was compared with.
//
// One file per hour folder, below the cache folder, named after a hash of
// the folder's host path; the path itself is stored inside and checked, as
// is a signature of the scoring parameters, so a cache from other
// parameters or a hash collision is never read. A file that cannot be read
// or parsed is treated as absent: the hour is scored again and the file
// replaced. So is anything but a regular file of at most kMaxCacheFileBytes
// in its place: a link is not followed and a FIFO not waited on. Writes go
// to a temporary file in the same folder, written, checked and synced
// completely before it is renamed over the old one, so a reader never sees
// half a file and a failed write (a full disk) keeps the old one.
//
// Thread: any; two processes writing one hour's file leave one whole file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "activity/luma_thumbnail.h"

namespace vistrel::activity {

struct CachedScore {
  FileStamp stamp;
  // Changed grid pixels against `comparedWith`; nullopt when there was no
  // score (the folder's first readable snapshot, or a damaged one).
  std::optional<int> changedPixels;
  std::string comparedWith;  // file name; empty when nothing was compared
  std::string problem;       // the loader's reason; empty when readable
};

using CachedHour = std::unordered_map<std::string, CachedScore>;  // by file name

// The largest cache file read or written: far above an hour of snapshots
// taken every second (about 200 bytes each).
inline constexpr std::uint64_t kMaxCacheFileBytes = std::uint64_t{64} << 20;

// $XDG_CACHE_HOME/vistrel, or ~/.cache/vistrel when that is unset or not an
// absolute path.
std::filesystem::path defaultCacheFolder();

// The cache file of `hourFolder` (an absolute host path) below `cacheFolder`.
std::filesystem::path cacheFileOf(const std::filesystem::path& cacheFolder,
                                  const std::filesystem::path& hourFolder);

// The cached scores, or nullopt when there is no usable cache file.
std::optional<CachedHour> readCachedHour(const std::filesystem::path& cacheFile,
                                         const std::filesystem::path& hourFolder);

// Replaces the cache file. `order` names the entries in folder order.
// Returns an empty string, or why the file could not be written; the old
// file is then left as it was, and no temporary file is left behind.
std::string writeCachedHour(const std::filesystem::path& cacheFile,
                            const std::filesystem::path& hourFolder,
                            const std::vector<std::string>& order, const CachedHour& hour);

}  // namespace vistrel::activity
