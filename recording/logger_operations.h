// Operations the loggers add to the pipeline's set: the internal stop and
// start a logger queues for itself when its file name changes, a frame put
// back into a queue with its write flag, the audio start, and the string and
// Boolean values carried by the file-name and enable pins.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pipeline/operations.h"

namespace vistrel {

// Ends the current recording without ending the stream (a new file follows).
class TSLInternalStopOperation : public TOWNotifyOperation {};

// Starts a recording into `fileName` with the stream's recorded format.
class TVLInternalStartFrameOperation : public TOWNotifyOperation {
 public:
  TVLInternalStartFrameOperation(std::string fileName, std::int32_t width, std::int32_t height,
                                 std::int64_t framePeriod100ns, std::uint8_t formatCode)
      : fileName(std::move(fileName)),
        width(width),
        height(height),
        framePeriod100ns(framePeriod100ns),
        formatCode(formatCode) {}
  std::string fileName;
  std::int32_t width;
  std::int32_t height;
  std::int64_t framePeriod100ns;
  std::uint8_t formatCode;
};

// A frame waiting in a logger's queue, with the write decision taken when it
// arrived (false: it only advances the timing).
class TOWInternalBufferOperation : public TOWSuppliedBufferOperation {
 public:
  TOWInternalBufferOperation(bool write, std::shared_ptr<TSLGenericBuffer> buffer)
      : TOWSuppliedBufferOperation(std::move(buffer)), write(write) {}
  bool write;
};

// Announces an audio stream: the wave format block (18 bytes plus its own
// count of extra bytes).
class TOWStartWaveOperation : public TOWStartOperation {
 public:
  explicit TOWStartWaveOperation(std::vector<std::uint8_t> waveFormat)
      : waveFormat(std::move(waveFormat)) {}
  std::vector<std::uint8_t> waveFormat;
};

// Values carried to a string or Boolean sink pin.
class TOWStringOperation : public TOWNotifyOperation {
 public:
  explicit TOWStringOperation(std::string value) : value(std::move(value)) {}
  std::string value;
};

class TOWBoolOperation : public TOWNotifyOperation {
 public:
  explicit TOWBoolOperation(bool value) : value(value) {}
  bool value;
};

}  // namespace vistrel
