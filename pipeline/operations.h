// The operation objects that travel over pin connections: control operations
// (start, stop, pump negotiation, clock pulses) and data operations carrying a
// buffer. Operations are shared (atomic reference counts through shared_ptr);
// a receiver tests the class with dynamic_cast / dynamic_pointer_cast, so a
// receiver that asks for a TOWStartOperation also sees every descendant.
#pragma once

#include <cstdint>
#include <memory>

namespace vistrel {

class TSLGenericBuffer;

class TOWNotifyOperation {
 public:
  TOWNotifyOperation();
  virtual ~TOWNotifyOperation() = default;
  // Distinct and increasing across the whole process (taken at construction).
  std::uint32_t Number() const { return number_; }

 private:
  std::uint32_t number_;
};

using TOWOperationPtr = std::shared_ptr<TOWNotifyOperation>;

template <typename T>
std::shared_ptr<T> OperationAs(const TOWOperationPtr& operation) {
  return std::dynamic_pointer_cast<T>(operation);
}

class TOWStartOperation : public TOWNotifyOperation {};

class TOWStartRateOperation : public TOWStartOperation {
 public:
  explicit TOWStartRateOperation(float rate = 0) : rate(rate) {}
  float rate;
};

class TOWStartSampleRateOperation : public TOWStartRateOperation {
 public:
  // rate = sampleRate / blockSize when blockSize > 0, else sampleRate.
  TOWStartSampleRateOperation(std::int32_t blockSize, double sampleRate);
  std::int32_t blockSize;
  double sampleRate;
};

// Announces a video stream. framePeriod100ns below 1 is taken as 1; the block
// size is width * height * 3 and the sample rate 10,000,000 / period frames/s.
class TOWStartFrameOperation : public TOWStartSampleRateOperation {
 public:
  TOWStartFrameOperation(std::int32_t width, std::int32_t height, std::int64_t framePeriod100ns,
                         std::uint8_t formatCode);
  std::int32_t width;
  std::int32_t height;
  std::int64_t framePeriod100ns;
  std::uint8_t formatCode;  // 0 RGB24, 1 YUY2, 2 grayscale
};

class TOWStopOperation : public TOWNotifyOperation {};
class TOWStartPumpOperation : public TOWNotifyOperation {};

// Pump negotiation: sinks may replace `pump` with themselves. `pump` names a
// component by identity only and is never dereferenced by the pipeline.
class TOWPumpRequestOperation : public TOWNotifyOperation {
 public:
  TOWPumpRequestOperation(const void* pump, float rate, std::int32_t priority,
                          std::uint8_t pumpKind)
      : pump(pump), pumpKind(pumpKind), priority(priority), rate(rate) {}
  const void* pump;
  std::uint8_t pumpKind;
  std::int32_t priority;
  float rate;
};

// One tick of the component that pumps the stream.
class TOWMasterPumpOperation : public TOWNotifyOperation {
 public:
  explicit TOWMasterPumpOperation(const void* pump) : pump(pump) {}
  const void* pump;
};

class TOWQueryStreamOperation : public TOWNotifyOperation {};
class TOWIgnoreStreamOperation : public TOWNotifyOperation {};
class TOWClockOperation : public TOWNotifyOperation {};
class TOWSuppliedOperation : public TOWClockOperation {};

// Carries one data buffer (an image frame on the video path). The buffer is
// shared: a sink that keeps it after its handler returns keeps the pointer.
class TOWSuppliedBufferOperation : public TOWSuppliedOperation {
 public:
  explicit TOWSuppliedBufferOperation(std::shared_ptr<TSLGenericBuffer> buffer)
      : buffer(std::move(buffer)) {}
  std::shared_ptr<TSLGenericBuffer> buffer;
};

}  // namespace vistrel
