// A snapshot's small luma picture, the unit the activity score compares.
//
// The snapshot is read into memory with one read() and brought to 1/8 scale,
// gray only: one pixel per 8 × 8 block, the block's DC term. The common kind
// of snapshot is walked by our own scan decoder, which steps over the AC
// codes and the chroma blocks without storing them; anything else, and any
// damaged file, goes to libjpeg, which gives the same pixels (see
// eighth_luma.h). The result is brought onto a fixed grid (640 × 480 at 1/8
// lands on it exactly; other sizes are averaged or repeated onto it) and
// lightly blurred.
//
// Thread: every function is reentrant.
#pragma once

#include <sys/stat.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vistrel::activity {

inline constexpr int kGridWidth = 80;
inline constexpr int kGridHeight = 60;
inline constexpr int kGridPixels = kGridWidth * kGridHeight;

using LumaGrid = std::array<std::uint8_t, kGridPixels>;

// Where row `y` of a grid starts, as an index.
constexpr std::size_t gridRow(int y) { return static_cast<std::size_t>(y) * kGridWidth; }

// A host file's identity: what tells a later look that it is unchanged.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;  // st_mtim in nanoseconds since the epoch
  // st_ctim, likewise: a file rewritten in place with its size and st_mtim
  // put back still gets a new one.
  std::int64_t changedNs = 0;
  bool operator==(const FileStamp&) const = default;
};

// The stamp of what fstat() or stat() gave.
FileStamp fileStampOf(const struct stat& info);

struct LumaThumbnail {
  std::optional<LumaGrid> grid;  // blurred luma; empty when the snapshot is unusable
  // Why it is unusable, in the loader's words ("Cannot open file …",
  // "JPEG error #…", or libjpeg's text for cut or corrupt scan data).
  std::string problem;
  FileStamp stamp;  // of the bytes that were decoded
};

// Reads and decodes the snapshot at `hostPath`; `shownPath` is the name the
// problem text gives.
LumaThumbnail loadLumaThumbnail(const std::string& hostPath, const std::string& shownPath);

// Decodes JPEG bytes already in memory (stamp left zero).
LumaThumbnail decodeLumaThumbnail(const std::uint8_t* data, std::size_t size);

}  // namespace vistrel::activity
