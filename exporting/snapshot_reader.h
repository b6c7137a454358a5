// Snapshots, one after the other, as decoded pictures: the exporter's only
// source of pictures. A worker loads and decodes the next few snapshots while
// the caller hands the current one to the recorder, so decoding, compressing
// and writing run side by side.
//
// Thread: one caller thread, the one that made the reader.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "picture/picture.h"
#include "picture/snapshot_decode_ahead.h"

namespace vistrel::exporter {

class SnapshotReader {
 public:
  // `paths`: Windows paths of the installed platform::FileSystem. Decoding
  // starts at once.
  explicit SnapshotReader(std::vector<std::string> paths);

  bool atEnd() const { return next_ >= paths_.size(); }
  // The path of the snapshot that read() takes next.
  const std::string& nextPath() const { return paths_.at(next_); }

  // Puts the next snapshot, decoded, into `picture` and moves past it, also
  // when it fails: a snapshot that cannot be shown throws the picture
  // loader's error ("Cannot open file ...", "JPEG error #..."), or EJPEG with
  // libjpeg's warning for scan data cut short or corrupt ("Premature end of
  // JPEG file"), and `picture` is then left as it was.
  void read(TPicture& picture);

 private:
  std::vector<std::string> paths_;
  std::size_t next_ = 0;
  SnapshotDecodeAhead decodeAhead_;
};

// The loader's message for a reader: "JPEG error #N" becomes "damaged JPEG
// data: " and libjpeg's text for N (without the values it would fill in),
// libjpeg's warnings about cut or corrupt data "premature end of file" and
// "damaged JPEG data: ...". Other messages are returned as they are.
std::string loaderMessageInWords(const std::string& message);

}  // namespace vistrel::exporter
