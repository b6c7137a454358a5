// Sink pins: fed by at most one source pin.
#pragma once

#include <cstdint>
#include <functional>

#include "pipeline/basic_pin.h"
#include "pipeline/source_pin.h"

namespace vistrel {

class TOWSinkPin : public TOWStreamPin {
 public:
  using TOWStreamPin::TOWStreamPin;
  // Leaves its source (which sends the sink a last stop).
  ~TOWSinkPin() override;

  // The source pin (or a placeholder standing for one while a form loads).
  TOWBasicPin* Source() const;
  bool IsConnected() const { return Source() != nullptr; }

  // Sends `operation` upstream to the source, with delivery flags 2. Returns
  // the source's answer; false without a source or upstream dispatcher.
  bool Notify(const TOWOperationPtr& operation);

  // Called by the source (or a placeholder) under the global write lock.
  void AttachSource(TOWBasicPin* source, const TOWStreamType& type);
  void DetachSource();

  void appendStoredProperties(const std::string& prefix,
                              std::vector<layout::Property>& out) const override;
  bool readProperty(const std::string& name, const layout::Value& value,
                    layout::ReadContext& context) override;

 private:
  TOWBasicPin* source_ = nullptr;  // guarded by the global lock
  TOWStreamType streamType_;
};

// Sink of the generic operation streams: hands what arrives to the owner's
// handler (which runs on the sender's thread with the sink's group locked).
class TSLOWSinkPin : public TOWSinkPin, public TOWOperationReceiver {
 public:
  TSLOWSinkPin(TOWPinOwner* owner, TOWPinHandler ownerHandler);
  std::uint8_t ReceiveOperation(const TOWStreamType& type, const TOWOperationPtr& operation,
                                std::uint32_t flags) override;

 private:
  TOWPinHandler ownerHandler_;
};

// Image input pin: accepts the image type as well.
class TVLOWImageSinkPin : public TSLOWSinkPin {
 public:
  TVLOWImageSinkPin(TOWPinOwner* owner, TOWPinHandler ownerHandler);
};

// Clock input: every TOWClockOperation (supplied buffers included) is a pulse.
class TOWClockSinkPin : public TOWSinkPin, public TOWOperationReceiver {
 public:
  TOWClockSinkPin(TOWPinOwner* owner, std::function<void()> pulseHandler);
  std::uint8_t ReceiveOperation(const TOWStreamType& type, const TOWOperationPtr& operation,
                                std::uint32_t flags) override;

 private:
  std::function<void()> pulseHandler_;
};

}  // namespace vistrel
