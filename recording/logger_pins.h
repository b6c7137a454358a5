// The logger's extra sink pins: audio input, file name and enable. None of
// them is connected in the viewer; they keep the component's published
// shape and hand what arrives to the owner.
#pragma once

#include <functional>
#include <string>

#include "pipeline/sink_pin.h"
#include "recording/logger_operations.h"

namespace vistrel {

// Audio buffers and wave starts (the generic stream type).
class TALOWAudioSinkPin : public TSLOWSinkPin {
 public:
  using TSLOWSinkPin::TSLOWSinkPin;
};

// Hands the value of every TOWStringOperation to the owner.
class TOWStringSinkPin : public TSLOWSinkPin {
 public:
  TOWStringSinkPin(TOWPinOwner* owner, std::function<void(const std::string&)> onValue)
      : TSLOWSinkPin(
            owner, [onValue = std::move(onValue)](TOWBasicPin&, const TOWStreamType&, std::uint32_t,
                                                  const TOWOperationPtr& operation) {
              if (auto value = OperationAs<TOWStringOperation>(operation)) onValue(value->value);
              return std::uint8_t{0};
            }) {}
};

// Hands the value of every TOWBoolOperation to the owner.
class TOWBoolSinkPin : public TSLOWSinkPin {
 public:
  TOWBoolSinkPin(TOWPinOwner* owner, std::function<void(bool)> onValue)
      : TSLOWSinkPin(
            owner, [onValue = std::move(onValue)](TOWBasicPin&, const TOWStreamType&, std::uint32_t,
                                                  const TOWOperationPtr& operation) {
              if (auto value = OperationAs<TOWBoolOperation>(operation)) onValue(value->value);
              return std::uint8_t{0};
            }) {}
};

}  // namespace vistrel
