// A growable in-memory stream.

#include <algorithm>
#include <cassert>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/media/compression.h"

namespace vistrel::media {

namespace {

class MemoryStream final : public Stream {
 public:
  Status read(void* buffer, std::uint32_t size, std::uint32_t* read) override {
    assert(buffer || !size);
    std::lock_guard lock(mutex_);
    const std::uint64_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, available));
    if (count) std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    if (read) *read = count;
    return count == size ? S_OK : S_FALSE;
  }

  Status write(const void* buffer, std::uint32_t size, std::uint32_t* written) override {
    assert(buffer || !size);
    std::lock_guard lock(mutex_);
    try {
      if (position_ + size > bytes_.size()) bytes_.resize(position_ + size);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    if (size) std::memcpy(bytes_.data() + position_, buffer, size);
    position_ += size;
    if (written) *written = size;
    return S_OK;
  }

  Status seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* position) override {
    std::lock_guard lock(mutex_);
    std::int64_t base = 0;
    if (origin == SeekOrigin::Current) base = static_cast<std::int64_t>(position_);
    if (origin == SeekOrigin::End) base = static_cast<std::int64_t>(bytes_.size());
    if (base + offset < 0) return E_INVALIDARG;
    position_ = static_cast<std::uint64_t>(base + offset);
    if (position) *position = position_;
    return S_OK;
  }

  Status setSize(std::uint64_t size) override {
    std::lock_guard lock(mutex_);
    try {
      bytes_.resize(size);
    } catch (const std::exception&) {
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }

 private:
  std::mutex mutex_;
  std::vector<std::uint8_t> bytes_;
  std::uint64_t position_ = 0;
};

}  // namespace

Ref<Stream> createMemoryStream() { return Ref<Stream>(new MemoryStream); }

}  // namespace vistrel::media
