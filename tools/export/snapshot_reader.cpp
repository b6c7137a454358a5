#include "tools/export/snapshot_reader.h"

#include <exception>

#include "picture/errors.h"
#include "picture/jpeg_image.h"
#include "platform/file_system.h"

namespace vistrel::exporter {
namespace {

// Decoded pictures waiting at most: enough to keep the recorder busy while
// a large snapshot decodes, few enough to keep memory small.
constexpr std::size_t kDecodeAheadDepth = 3;

}  // namespace

SnapshotReader::SnapshotReader(std::vector<std::string> paths)
    : paths_(std::move(paths)),
      // Nothing here is shown: the snapshots go into the video as their own planes.
      decodeAhead_(kDecodeAheadDepth, SnapshotDecodeAhead::Output::VideoPlanes) {
  const platform::FileSystem& files = platform::FileSystem::instance();
  std::vector<SnapshotDecodeAhead::File> queue;
  queue.reserve(paths_.size());
  for (const std::string& path : paths_) {
    // A path without a host file fails to open on the worker, in its turn,
    // with the loader's "Cannot open file" naming `path`.
    const auto host = files.toHost(path);
    queue.push_back({host ? host->string() : std::string(), path});
  }
  decodeAhead_.start(std::move(queue));
}

void SnapshotReader::read(TPicture& picture) {
  const std::string& path = paths_.at(next_++);
  auto decoded = decodeAhead_.next();
  if (!decoded) throw EFOpenError("Cannot open file " + path);
  // Damaged scan data (or an empty file) fails the decode: the snapshot is
  // skipped rather than becoming a broken frame.
  if (decoded->error) std::rethrow_exception(decoded->error);
  // Cut short or corrupt scan data is skipped too (see RequireWholeScan).
  RequireWholeScan(decoded->graphic.get());
  decoded->applyTo(picture);
}

}  // namespace vistrel::exporter
