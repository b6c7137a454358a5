// The buffer objects that data operations carry. A buffer object refers to a
// shared data block (smart_buffer.h) and is itself shared through
// std::shared_ptr, so it may be released on any thread. One buffer object
// must not be used by two threads at once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pipeline/smart_buffer.h"

namespace vistrel {

// Any data buffer.
class TSLGenericBuffer {
 public:
  virtual ~TSLGenericBuffer() = default;
  virtual const std::uint8_t* GetRead() const = 0;
  // A pointer this object may write through; contents are not kept.
  virtual std::uint8_t* GetWrite() = 0;
  // A pointer this object may write through; contents are kept.
  virtual std::uint8_t* GetModify() = 0;
  virtual std::size_t ByteSize() const = 0;
  virtual TSLSequenceStamp SequenceStamp() const = 0;
  virtual void SetSequenceStamp(const TSLSequenceStamp& stamp) = 0;
};

// A buffer with a media time stamp.
class TMLMediaBuffer : public TSLGenericBuffer {
 public:
  virtual TMLTimeStamp TimeStamp() const = 0;
  virtual void SetTimeStamp(const TMLTimeStamp& stamp) = 0;
};

}  // namespace vistrel
