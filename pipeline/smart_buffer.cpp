#include "pipeline/smart_buffer.h"

#include <utility>

#include "pipeline/buffer_pool.h"

namespace vistrel {

TSLSmartBuffer::TSLSmartBuffer(std::size_t dataSize)
    : data_(TSLBufferPool::Instance().Allocate(dataSize)), dataSize_(dataSize) {}

TSLSmartBuffer::~TSLSmartBuffer() { TSLBufferPool::Instance().Free(data_, dataSize_); }

void TSLSmartBuffer::AddHolder(bool asOwner) {
  std::lock_guard lock(guard_);
  ++holderCount_;
  if (asOwner) ++ownerCount_;
}

void TSLSmartBuffer::ReleaseHolder(bool asOwner) {
  bool last;
  {
    std::lock_guard lock(guard_);
    if (asOwner) --ownerCount_;
    last = --holderCount_ == 0;
  }
  if (last) delete this;
}

void TSLSmartBuffer::SetPendingFill(Fill fill, std::ptrdiff_t step) {
  std::lock_guard lock(fillGuard_);
  fill_ = std::move(fill);
  fillStep_ = step;
  fillPending_.store(static_cast<bool>(fill_), std::memory_order_release);
}

void TSLSmartBuffer::DropPendingFill() {
  if (!fillPending_.load(std::memory_order_acquire)) return;
  Fill dropped;
  std::lock_guard lock(fillGuard_);
  dropped = std::exchange(fill_, nullptr);
  fillPending_.store(false, std::memory_order_release);
}

void TSLSmartBuffer::RunPendingFill() const {
  Fill fill;
  std::lock_guard lock(fillGuard_);
  if (!fill_) return;  // another thread ran it meanwhile
  fill = std::exchange(fill_, nullptr);
  if (data_ != nullptr) fill(data_, fillStep_);
  fillPending_.store(false, std::memory_order_release);
}

bool TSLSmartBuffer::RunPendingFillInto(std::uint8_t* first, std::ptrdiff_t step) const {
  if (!fillPending_.load(std::memory_order_acquire)) return false;
  Fill fill;
  {
    std::lock_guard lock(fillGuard_);
    fill = fill_;  // shares the source: the block keeps its own fill
  }
  if (!fill) return false;
  fill(first, step);
  return true;
}

int TSLSmartBuffer::OwnerCount() const {
  std::lock_guard lock(guard_);
  return ownerCount_;
}

namespace {
std::size_t ImageBytes(int width, int height, int bytesPerPixel) {
  if (width <= 0 || height <= 0) return 0;
  return static_cast<std::size_t>(height) *
         static_cast<std::size_t>(TVLSmartImageBuffer::RowStepFor(width)) *
         static_cast<std::size_t>(bytesPerPixel);
}
}  // namespace

TVLSmartImageBuffer::TVLSmartImageBuffer(int width, int height, int bytesPerPixel)
    : TMLSmartMediaBuffer(ImageBytes(width, height, bytesPerPixel)),
      width_(width < 0 ? 0 : width),
      height_(height < 0 ? 0 : height),
      rowStep_(RowStepFor(width)),
      bytesPerPixel_(bytesPerPixel) {}

}  // namespace vistrel
