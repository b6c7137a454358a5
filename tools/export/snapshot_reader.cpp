#include "tools/export/snapshot_reader.h"

#include "picture/picture_errors.h"
#include "platform/file_system.h"

namespace vistrel::exporter {

SnapshotReader::SnapshotReader(std::vector<std::string> paths) : paths_(std::move(paths)) {}

void SnapshotReader::read(TPicture& picture) {
  const std::string& path = paths_.at(next_++);
  const auto host = platform::FileSystem::instance().toHost(path);
  if (!host) throw EFOpenError("Cannot open file " + path);
  LoadPictureFile(picture, host->string(), path);
  // The loader reads the header only; damaged scan data (or an empty file)
  // shows up when the picture is decoded, which must happen here so that
  // the snapshot is skipped rather than becoming a broken frame.
  picture.prepare();
}

}  // namespace vistrel::exporter
