#include "pipeline/sink_pin.h"

#include "pipeline/unloaded_pin.h"

namespace vistrel {

TOWSinkPin::~TOWSinkPin() {
  try {
    TOWGlobalWriteLockSection global;
    if (auto* source = dynamic_cast<TOWSourcePin*>(source_)) {
      source->Disconnect(this);
    } else if (auto* placeholder = dynamic_cast<TOWUnloadedPin*>(source_)) {
      placeholder->RemoveWaitingSink(this);
    }
  } catch (...) {
    // Disconnecting is best effort while the pin goes away.
  }
}

TOWBasicPin* TOWSinkPin::Source() const {
  TOWGlobalReadLockSection global;
  return source_;
}

bool TOWSinkPin::Notify(const TOWOperationPtr& operation) {
  TOWGlobalReadLockSection global;
  auto* source = dynamic_cast<TOWSourcePin*>(source_);
  return source && source->ReceiveUpstream(*this, streamType_, 2, operation);
}

void TOWSinkPin::AttachSource(TOWBasicPin* source, const TOWStreamType& type) {
  TOWGlobalWriteLockSection global;
  source_ = source;
  streamType_ = type;
}

void TOWSinkPin::DetachSource() {
  TOWGlobalWriteLockSection global;
  source_ = nullptr;
  streamType_ = kDefaultStreamType;
}

TSLOWSinkPin::TSLOWSinkPin(TOWPinOwner* owner, TOWPinHandler ownerHandler)
    : TOWSinkPin(owner), ownerHandler_(std::move(ownerHandler)) {
  DeclareStreamType(kGenericDataStreamType);
}

std::uint8_t TSLOWSinkPin::ReceiveOperation(const TOWStreamType& type,
                                            const TOWOperationPtr& operation, std::uint32_t flags) {
  return ownerHandler_ ? ownerHandler_(*this, type, flags, operation) : 0;
}

TVLOWImageSinkPin::TVLOWImageSinkPin(TOWPinOwner* owner, TOWPinHandler ownerHandler)
    : TSLOWSinkPin(owner, std::move(ownerHandler)) {
  DeclareStreamType(kImageStreamType);
}

TOWClockSinkPin::TOWClockSinkPin(TOWPinOwner* owner, std::function<void()> pulseHandler)
    : TOWSinkPin(owner), pulseHandler_(std::move(pulseHandler)) {
  DeclareStreamType(kGenericDataStreamType);
}

std::uint8_t TOWClockSinkPin::ReceiveOperation(const TOWStreamType& type,
                                               const TOWOperationPtr& operation,
                                               std::uint32_t flags) {
  if (pulseHandler_ && OperationAs<TOWClockOperation>(operation)) pulseHandler_();
  return 0;
}

}  // namespace vistrel
