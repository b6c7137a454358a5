// Media samples: one picture or compressed frame on its way from an output
// pin to the input pin connected to it, with its times in 100 ns and its
// key-frame mark. An output pin lends its own (OutputPinBase::
// getDeliveryBuffer); delivery is synchronous, so a receiver copies what it
// keeps.
//
// Thread: a sample belongs to whoever holds it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/media/media_type.h"
#include "platform/media/status.h"
#include "platform/media/unknown.h"

namespace vistrel::media {

class MediaSample final : public Unknown {
 public:
  explicit MediaSample(std::int32_t size) : bytes_(static_cast<std::size_t>(size)) { reset(); }

  std::uint8_t* pointer() { return bytes_.data(); }
  std::int32_t size() const { return static_cast<std::int32_t>(bytes_.size()); }  // capacity
  std::int32_t actualDataLength() const { return length_; }
  // E_INVALIDARG when larger than size().
  Status setActualDataLength(std::int32_t length) {
    if (length < 0 || length > size()) return E_INVALIDARG;
    length_ = length;
    return S_OK;
  }
  // VFW_E_SAMPLE_TIME_NOT_SET when no times were set.
  Status getTime(ReferenceTime* start, ReferenceTime* stop) const {
    if (!timed_) return VFW_E_SAMPLE_TIME_NOT_SET;
    if (start) *start = start_;
    if (stop) *stop = stop_;
    return S_OK;
  }
  // A null start clears the times; a null stop means start + 1.
  Status setTime(const ReferenceTime* start, const ReferenceTime* stop) {
    timed_ = start != nullptr;
    if (start) start_ = *start;
    if (start) stop_ = stop ? *stop : *start + 1;
    return S_OK;
  }
  bool isSyncPoint() const { return syncPoint_; }
  void setSyncPoint(bool syncPoint) { syncPoint_ = syncPoint; }
  // As lent afresh: full length, no times, no mark.
  void reset() {
    length_ = size();
    timed_ = syncPoint_ = false;
    start_ = stop_ = 0;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::int32_t length_ = 0;
  bool timed_ = false;
  bool syncPoint_ = false;
  ReferenceTime start_ = 0;
  ReferenceTime stop_ = 0;
};

}  // namespace vistrel::media
