// Data blocks: the pixel memory that image buffer objects share. A block
// counts its holders (buffer objects referring to it) and, among them, its
// owners; it destroys itself when the last holder lets go. The counts change
// under the block's guard, so holders may live on different threads.
//
// A block may also be filled late: the thread that first reads its data runs
// the fill (a pixel conversion, say), so that the work leaves the thread
// that made the block.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "picture/video_planes.h"

namespace vistrel {

struct TSLSequenceStamp {
  bool valid = false;
  std::int64_t number = 0;
};

struct TMLTimeStamp {
  bool valid = false;
  std::int64_t start = 0;  // 100-ns units
  std::int64_t end = 0;
};

class TSLSmartBuffer {
 public:
  TSLSmartBuffer(const TSLSmartBuffer&) = delete;
  TSLSmartBuffer& operator=(const TSLSmartBuffer&) = delete;

  void AddHolder(bool asOwner);
  // Destroys the block when the holder count falls from 1 to 0.
  void ReleaseHolder(bool asOwner);
  int OwnerCount() const;

  // The data, after the pending fill (if any) has run.
  std::uint8_t* Data() const {
    if (fillPending_.load(std::memory_order_acquire)) RunPendingFill();
    return data_;
  }
  std::size_t DataSize() const { return dataSize_; }
  // `fill(first, step)` writes the whole data, its rows `step` bytes apart,
  // the first time anyone asks for it, on that thread; it replaces a fill
  // not yet run. It must not throw.
  using Fill = std::function<void(std::uint8_t* first, std::ptrdiff_t step)>;
  void SetPendingFill(Fill fill, std::ptrdiff_t step);
  // Forgets a fill not yet run: the data is about to be overwritten.
  void DropPendingFill();
  // Runs a pending fill into other memory (rows `step` bytes apart) and
  // leaves the block waiting for it; false when none is pending.
  bool RunPendingFillInto(std::uint8_t* first, std::ptrdiff_t step) const;

  TSLSequenceStamp sequenceStamp;

 protected:
  // Takes `dataSize` bytes from the pool; holder and owner counts start at 0.
  explicit TSLSmartBuffer(std::size_t dataSize);
  virtual ~TSLSmartBuffer();

 private:
  void RunPendingFill() const;

  mutable std::mutex guard_;
  mutable std::mutex fillGuard_;  // held while the fill runs: readers wait for it
  mutable Fill fill_;
  std::ptrdiff_t fillStep_ = 0;
  mutable std::atomic<bool> fillPending_{false};
  int ownerCount_ = 0;
  int holderCount_ = 0;
  std::uint8_t* data_;
  std::size_t dataSize_;
};

class TMLSmartMediaBuffer : public TSLSmartBuffer {
 public:
  TMLTimeStamp timeStamp;

 protected:
  using TSLSmartBuffer::TSLSmartBuffer;
};

class TVLSmartImageBuffer : public TMLSmartMediaBuffer {
 public:
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Pixels per stored row: the width brought up to a multiple of 4.
  int RowStep() const { return rowStep_; }
  int BytesPerPixel() const { return bytesPerPixel_; }
  int RowPitch() const { return rowStep_ * bytesPerPixel_; }

  // The picture's own video planes when the block's pixels were made from
  // them and not changed since (see TVLImageBuffer::LoadFromPlanesLater).
  // Set and cleared only while one owner holds the block.
  std::shared_ptr<const VideoPlanes> planes;

  static int RowStepFor(int width) { return width <= 0 ? 0 : ((width - 1) & ~3) + 4; }

 protected:
  TVLSmartImageBuffer(int width, int height, int bytesPerPixel);

 private:
  int width_;
  int height_;
  int rowStep_;
  int bytesPerPixel_;
};

// RGB24: rows top first, row y at byte y * RowPitch(), pixel x at 3 * x in
// the order blue, green, red.
class TVLSmartRGBBuffer : public TVLSmartImageBuffer {
 public:
  // A new block with no holders; the caller takes it with AddHolder.
  static TVLSmartRGBBuffer* Create(int width, int height) {
    return new TVLSmartRGBBuffer(width, height);
  }

 private:
  TVLSmartRGBBuffer(int width, int height) : TVLSmartImageBuffer(width, height, 3) {}
};

}  // namespace vistrel
