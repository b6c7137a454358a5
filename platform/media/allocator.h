// Media samples and the allocators that lend them. A sample is a buffer
// lent by an allocator: releasing the last reference returns it to the
// allocator's pool. Times are in 100 ns.
//
// Thread: an allocator may be used from any thread; a sample belongs to
// whoever holds it.
#pragma once

#include <cstdint>

#include "platform/media/media_type.h"
#include "platform/media/status.h"
#include "platform/media/unknown.h"

namespace vistrel::media {

class MediaSample : public virtual Unknown {
 public:
  virtual std::uint8_t* pointer() = 0;
  virtual std::int32_t size() const = 0;  // capacity in bytes
  virtual std::int32_t actualDataLength() const = 0;
  // E_INVALIDARG when larger than size().
  virtual Status setActualDataLength(std::int32_t length) = 0;
  // VFW_E_SAMPLE_TIME_NOT_SET when no times were set.
  virtual Status getTime(ReferenceTime* start, ReferenceTime* stop) const = 0;
  virtual Status setTime(const ReferenceTime* start, const ReferenceTime* stop) = 0;
  virtual bool isSyncPoint() const = 0;
  virtual void setSyncPoint(bool syncPoint) = 0;
};

struct AllocatorProperties {
  std::int32_t buffers = 0;
  std::int32_t bufferSize = 0;
  std::int32_t alignment = 0;
  std::int32_t prefix = 0;
};

// Flag of getBuffer: fail with VFW_E_TIMEOUT instead of waiting.
inline constexpr std::uint32_t AM_GBF_NOWAIT = 4;

class MemAllocator : public virtual Unknown {
 public:
  // Asks for buffers; `actual` receives what was granted. Fails with
  // VFW_E_ALREADY_COMMITTED while committed, VFW_E_BUFFERS_OUTSTANDING while
  // samples are out and VFW_E_BADALIGN for alignment that is not a power of 2.
  virtual Status setProperties(const AllocatorProperties& request, AllocatorProperties* actual) = 0;
  // Allocates the buffers (VFW_E_SIZENOTSET without properties).
  virtual Status commit() = 0;
  // No more samples are handed out; waiting getBuffer calls return
  // VFW_E_NOT_COMMITTED. Memory goes once every sample is back.
  virtual Status decommit() = 0;
  // A free sample with its times reset. Waits for one unless AM_GBF_NOWAIT
  // is given; VFW_E_NOT_COMMITTED when not (or no longer) committed.
  virtual Status getBuffer(Ref<MediaSample>* sample, const ReferenceTime* start,
                           const ReferenceTime* stop, std::uint32_t flags) = 0;
};

// The platform's memory allocator (CLSID_MemoryAllocator).
Ref<MemAllocator> createMemoryAllocator();

}  // namespace vistrel::media
