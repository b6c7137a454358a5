#include "pipeline/operations.h"

#include <algorithm>
#include <atomic>

namespace vistrel {

namespace {
std::atomic<std::uint32_t> operationCounter{0};
}

TOWNotifyOperation::TOWNotifyOperation() : number_(operationCounter.fetch_add(1) + 1) {}

TOWStartSampleRateOperation::TOWStartSampleRateOperation(std::int32_t blockSize, double sampleRate)
    : TOWStartRateOperation(
          static_cast<float>(blockSize > 0 ? sampleRate / blockSize : sampleRate)),
      blockSize(blockSize),
      sampleRate(sampleRate) {}

TOWStartFrameOperation::TOWStartFrameOperation(std::int32_t width, std::int32_t height,
                                               std::int64_t framePeriod100ns,
                                               std::uint8_t formatCode)
    : TOWStartSampleRateOperation(
          width * height * 3,
          10'000'000.0 / static_cast<double>(std::max<std::int64_t>(framePeriod100ns, 1))),
      width(width),
      height(height),
      framePeriod100ns(std::max<std::int64_t>(framePeriod100ns, 1)),
      formatCode(formatCode) {}

}  // namespace vistrel
