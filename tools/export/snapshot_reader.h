// Snapshots, one after the other, as decoded pictures: the exporter's only
// source of pictures. Today it loads each on the calling thread when asked;
// a reader that decodes ahead on a worker can take its place behind the same
// two calls.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "picture/picture.h"

namespace vistrel::exporter {

class SnapshotReader {
 public:
  // `paths`: Windows paths of the installed platform::FileSystem.
  explicit SnapshotReader(std::vector<std::string> paths);

  bool atEnd() const { return next_ >= paths_.size(); }
  // The path of the snapshot that read() takes next.
  const std::string& nextPath() const { return paths_.at(next_); }

  // Loads and decodes the next snapshot into `picture` and moves past it,
  // also when it fails: a snapshot that cannot be shown throws the picture
  // loader's error ("Cannot open file ...", "JPEG error #..."), and `picture`
  // must then not be used.
  void read(TPicture& picture);

 private:
  std::vector<std::string> paths_;
  std::size_t next_ = 0;
};

}  // namespace vistrel::exporter
