// The memory allocator: a fixed pool of equally sized buffers. Samples go
// back to the pool when their last reference is released; a waiting
// getBuffer() wakes up then, or when the allocator is decommitted.

#include <cassert>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/media/allocator.h"

namespace vistrel::media {

namespace {

class MemoryAllocator;

class PoolSample final : public MediaSample {
 public:
  PoolSample(MemoryAllocator* owner, std::int32_t size, std::int32_t alignment, std::int32_t prefix)
      : owner_(owner), storage_(static_cast<std::size_t>(size + prefix + alignment)), size_(size) {
    // Align the data (after the prefix) inside the storage.
    auto address = reinterpret_cast<std::uintptr_t>(storage_.data()) + prefix;
    const auto misalignment = address % static_cast<std::uintptr_t>(alignment);
    data_ = storage_.data() + prefix + (misalignment ? alignment - misalignment : 0);
  }

  std::uint8_t* pointer() override { return data_; }
  std::int32_t size() const override { return size_; }
  std::int32_t actualDataLength() const override { return length_; }
  Status setActualDataLength(std::int32_t length) override {
    if (length < 0 || length > size_) return E_INVALIDARG;
    length_ = length;
    return S_OK;
  }
  Status getTime(ReferenceTime* start, ReferenceTime* stop) const override {
    if (!hasTime_) return VFW_E_SAMPLE_TIME_NOT_SET;
    if (start) *start = start_;
    if (stop) *stop = stop_;
    return S_OK;
  }
  Status setTime(const ReferenceTime* start, const ReferenceTime* stop) override {
    if (!start) {
      hasTime_ = false;
      return S_OK;
    }
    hasTime_ = true;
    start_ = *start;
    stop_ = stop ? *stop : *start + 1;
    return S_OK;
  }
  bool isSyncPoint() const override { return syncPoint_; }
  void setSyncPoint(bool syncPoint) override { syncPoint_ = syncPoint; }

  void resetForLending() {
    length_ = size_;
    hasTime_ = false;
    syncPoint_ = false;
    start_ = stop_ = 0;
  }
  void destroy() { delete this; }

 protected:
  void lastReleased() noexcept override;

 private:
  MemoryAllocator* owner_;
  std::vector<std::uint8_t> storage_;
  std::uint8_t* data_ = nullptr;
  std::int32_t size_;
  std::int32_t length_ = 0;
  bool hasTime_ = false;
  bool syncPoint_ = false;
  ReferenceTime start_ = 0;
  ReferenceTime stop_ = 0;
};

class MemoryAllocator final : public MemAllocator {
 public:
  ~MemoryAllocator() override {
    // Only free samples remain: a lent one holds a reference on us.
    for (PoolSample* sample : free_) sample->destroy();
  }

  Status setProperties(const AllocatorProperties& request, AllocatorProperties* actual) override {
    assert(actual);
    std::lock_guard lock(mutex_);
    if (committed_) return VFW_E_ALREADY_COMMITTED;
    if (outstanding_ > 0) return VFW_E_BUFFERS_OUTSTANDING;
    if (request.alignment <= 0 || (request.alignment & (request.alignment - 1)) != 0)
      return VFW_E_BADALIGN;
    if (request.buffers < 0 || request.bufferSize < 0 || request.prefix < 0) return E_INVALIDARG;
    properties_ = request;
    propertiesSet_ = true;
    *actual = properties_;
    return S_OK;
  }

  Status commit() override {
    std::lock_guard lock(mutex_);
    if (!propertiesSet_ || properties_.buffers <= 0 || properties_.bufferSize <= 0)
      return VFW_E_SIZENOTSET;
    if (committed_) return S_OK;
    // Samples still out from an earlier commit come back into the pool.
    const int wanted = properties_.buffers - static_cast<int>(free_.size()) - outstanding_;
    try {
      for (int i = 0; i < wanted; ++i)
        free_.push_back(new PoolSample(this, properties_.bufferSize, properties_.alignment,
                                       properties_.prefix));
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    committed_ = true;
    return S_OK;
  }

  Status decommit() override {
    std::lock_guard lock(mutex_);
    committed_ = false;
    for (PoolSample* sample : free_) sample->destroy();
    free_.clear();
    available_.notify_all();
    return S_OK;
  }

  Status getBuffer(Ref<MediaSample>* sample, const ReferenceTime* start, const ReferenceTime* stop,
                   std::uint32_t flags) override {
    assert(sample);
    std::unique_lock lock(mutex_);
    for (;;) {
      if (!committed_) return VFW_E_NOT_COMMITTED;
      if (!free_.empty()) break;
      if (flags & AM_GBF_NOWAIT) return VFW_E_TIMEOUT;
      available_.wait(lock);
    }
    PoolSample* lent = free_.back();
    free_.pop_back();
    ++outstanding_;
    addRef();  // a lent sample keeps its allocator alive
    lent->resetForLending();
    if (start) lent->setTime(start, stop);
    lock.unlock();
    *sample = Ref<MediaSample>(lent);
    return S_OK;
  }

  void giveBack(PoolSample* sample) {
    {
      std::lock_guard lock(mutex_);
      --outstanding_;
      if (committed_)
        free_.push_back(sample);
      else
        sample->destroy();
      available_.notify_one();
    }
    release();
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable available_;
  AllocatorProperties properties_;
  bool propertiesSet_ = false;
  bool committed_ = false;
  int outstanding_ = 0;
  std::vector<PoolSample*> free_;
};

void PoolSample::lastReleased() noexcept { owner_->giveBack(this); }

}  // namespace

Ref<MemAllocator> createMemoryAllocator() { return Ref<MemAllocator>(new MemoryAllocator); }

}  // namespace vistrel::media
