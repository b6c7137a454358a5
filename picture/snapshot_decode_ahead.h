// SnapshotDecodeAhead: loads and decodes snapshot files ahead of their use,
// on a worker thread of its own, so that the thread showing or recording
// them only takes finished pictures.
//
// In: an ordered list of files (start). Out: one result per file, in list
// order (next, takeIf): the decoded graphic, or the loader's error exactly
// as LoadPictureFile followed by a decode would raise it. At most `depth`
// results wait decoded at any time, and one more is being decoded. A new list,
// cancel and destruction drop whatever is queued; a decode in progress finishes on
// the worker and is thrown away.
//
// Thread: one consumer thread (start, next, takeIf, cancel), the one that
// created the object; the graphics handed out belong to that thread from
// then on. Create it on the GUI thread: the screen's depth, which JPEG
// decoding depends on, is read there once.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "picture/graphic.h"

namespace vistrel {

class TPicture;

class SnapshotDecodeAhead {
 public:
  struct File {
    std::string hostPath;
    std::string shownPath;  // the path that error messages name; empty: hostPath
  };

  struct Decoded {
    File file;
    // Null when the file could not be loaded. After a decoding error it
    // holds the rows decoded before the damage.
    std::unique_ptr<TGraphic> graphic;
    std::exception_ptr error;

    // Puts the result into `picture` the way loading the file and decoding
    // it there would: a graphic replaces the picture's (also a damaged one),
    // then the error, if any, is thrown.
    void applyTo(TPicture& picture);
  };

  // What JPEG files are decoded into: a bitmap for the screen, the planes a
  // video encoder takes (TJPEGImage::decodeVideoPlanes) for a caller that
  // only records them, or both (TJPEGImage::decodeWithVideoPlanes) for a
  // caller that shows and records them.
  enum class Output { Bitmap, VideoPlanes, BitmapAndVideoPlanes };

  explicit SnapshotDecodeAhead(std::size_t depth = 2, Output output = Output::Bitmap);
  ~SnapshotDecodeAhead();
  SnapshotDecodeAhead(const SnapshotDecodeAhead&) = delete;
  SnapshotDecodeAhead& operator=(const SnapshotDecodeAhead&) = delete;

  // Replaces the list; decoding starts with its first file. Its files are
  // decoded into `output`; without one, into the output given at creation.
  void start(std::vector<File> files);
  void start(std::vector<File> files, Output output);
  // Adds `files` at the end of the list, decoded into the list's output;
  // what is queued or being decoded stays. A caller that keeps the list
  // ahead of its use this way never waits for a new list to fill.
  void append(std::vector<File> files);
  // The result for the next file of the list, waiting for its decode;
  // nullopt when the list is used up or was cancelled.
  std::optional<Decoded> next();
  // The next result when the next file of the list is `shownPath` (compared
  // with its shown path, or its host path when it has none); otherwise
  // nullopt, and the list is left as it is.
  std::optional<Decoded> takeIf(const std::string& shownPath);
  // Drops the list and every waiting result.
  void cancel();

  // What the current list's files are decoded into.
  Output output() const { return output_; }

 private:
  void run();
  std::optional<Decoded> takeLocked(std::unique_lock<std::mutex>& lock);

  const std::size_t depth_;
  const Output defaultOutput_;
  Output output_;  // the current list's; written by the consumer, under the lock
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<File> files_;
  std::size_t nextToDecode_ = 0;
  std::size_t nextToTake_ = 0;
  std::deque<Decoded> ready_;
  std::uint64_t generation_ = 0;  // counts lists; a result of an older one is dropped
  bool quit_ = false;
  std::thread thread_;
};

// Loads the file into a new graphic of the class its extension names and
// decodes it (a JPEG into `output`). Throws what LoadPictureFile throws; a
// decoding error comes in `decodeError` together with the graphic.
std::unique_ptr<TGraphic> DecodePictureFile(
    const std::string& hostPath, const std::string& shownPath, std::exception_ptr& decodeError,
    SnapshotDecodeAhead::Output output = SnapshotDecodeAhead::Output::Bitmap);

}  // namespace vistrel
