#include "picture/snapshot_decode_ahead.h"

#include <iterator>
#include <utility>

#include "picture/file_format_registry.h"
#include "picture/jpeg_image.h"
#include "picture/picture.h"
#include "platform/thread_priority.h"

namespace vistrel {

std::unique_ptr<TGraphic> DecodePictureFile(const std::string& hostPath,
                                            const std::string& shownPath,
                                            std::exception_ptr& decodeError,
                                            SnapshotDecodeAhead::Output output) {
  std::unique_ptr<TGraphic> graphic = LoadGraphicFile(hostPath, shownPath);
  try {
    auto* jpeg = dynamic_cast<TJPEGImage*>(graphic.get());
    if (jpeg && output == SnapshotDecodeAhead::Output::VideoPlanes)
      jpeg->decodeVideoPlanes();
    else if (jpeg && output == SnapshotDecodeAhead::Output::BitmapAndVideoPlanes)
      jpeg->decodeWithVideoPlanes();
    else
      graphic->prepare();
  } catch (...) {
    decodeError = std::current_exception();
  }
  return graphic;
}

void SnapshotDecodeAhead::Decoded::applyTo(TPicture& picture) {
  if (graphic) picture.SetGraphic(std::move(graphic));
  if (error) std::rethrow_exception(error);
}

SnapshotDecodeAhead::SnapshotDecodeAhead(std::size_t depth, Output output)
    : depth_(depth > 0 ? depth : 1), defaultOutput_(output), output_(output) {
  // Both are read on the worker: make them here, on the consumer's thread.
  TJPEGImage::screenBitsPerPixel();
  TFileFormatsList::instance();
  thread_ = std::thread([this] { run(); });
}

SnapshotDecodeAhead::~SnapshotDecodeAhead() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void SnapshotDecodeAhead::start(std::vector<File> files) {
  start(std::move(files), defaultOutput_);
}

void SnapshotDecodeAhead::start(std::vector<File> files, Output output) {
  {
    std::lock_guard lock(mutex_);
    ++generation_;
    output_ = output;
    files_ = std::move(files);
    nextToDecode_ = 0;
    nextToTake_ = 0;
    ready_.clear();
  }
  changed_.notify_all();
}

void SnapshotDecodeAhead::append(std::vector<File> files) {
  if (files.empty()) return;
  {
    std::lock_guard lock(mutex_);
    files_.insert(files_.end(), std::make_move_iterator(files.begin()),
                  std::make_move_iterator(files.end()));
  }
  changed_.notify_all();
}

void SnapshotDecodeAhead::cancel() { start({}); }

std::optional<SnapshotDecodeAhead::Decoded> SnapshotDecodeAhead::next() {
  std::unique_lock lock(mutex_);
  if (nextToTake_ >= files_.size()) return std::nullopt;
  return takeLocked(lock);
}

std::optional<SnapshotDecodeAhead::Decoded> SnapshotDecodeAhead::takeIf(
    const std::string& shownPath) {
  std::unique_lock lock(mutex_);
  if (nextToTake_ >= files_.size()) return std::nullopt;
  const File& next = files_[nextToTake_];
  if ((next.shownPath.empty() ? next.hostPath : next.shownPath) != shownPath) return std::nullopt;
  return takeLocked(lock);
}

std::optional<SnapshotDecodeAhead::Decoded> SnapshotDecodeAhead::takeLocked(
    std::unique_lock<std::mutex>& lock) {
  // The worker decodes in list order, so the head result is the next file's.
  changed_.wait(lock, [this] { return !ready_.empty(); });
  Decoded result = std::move(ready_.front());
  ready_.pop_front();
  ++nextToTake_;
  lock.unlock();
  changed_.notify_all();  // room for the next decode
  return result;
}

void SnapshotDecodeAhead::run() {
  platform::lowerCurrentThreadPriority();
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] {
      return quit_ || (nextToDecode_ < files_.size() && ready_.size() < depth_);
    });
    if (quit_) return;
    const std::uint64_t generation = generation_;
    const Output output = output_;
    Decoded result;
    result.file = files_[nextToDecode_++];
    lock.unlock();
    try {
      result.graphic =
          DecodePictureFile(result.file.hostPath, result.file.shownPath, result.error, output);
    } catch (...) {
      result.error = std::current_exception();
    }
    lock.lock();
    if (generation == generation_) {
      ready_.push_back(std::move(result));
      changed_.notify_all();
    } else {
      // Cancelled meanwhile: drop it outside the lock.
      lock.unlock();
      result = Decoded();
      lock.lock();
    }
  }
}

}  // namespace vistrel
