#include "pipeline/state_pin.h"

#include <algorithm>

namespace vistrel {

TOWBoolStatePin::TOWBoolStatePin(TOWPinOwner* owner, std::function<void(bool)> changeHandler)
    : TOWStatePin(owner), changeHandler_(std::move(changeHandler)) {}

TOWBoolStatePin::~TOWBoolStatePin() {
  TOWGlobalWriteLockSection global;
  while (!linked_.empty()) Unlink(*linked_.back());
}

bool TOWBoolStatePin::State() const {
  TOWReadLockSection lock(*this);
  return state_;
}

void TOWBoolStatePin::SetState(bool state) {
  std::vector<TOWBoolStatePin*> linked;
  {
    TOWWriteLockSection lock(*this);
    state_ = state;
    linked = linked_;
  }
  for (TOWBoolStatePin* other : linked) other->Receive(state);
}

void TOWBoolStatePin::Receive(bool state) {
  {
    TOWWriteLockSection lock(*this);
    if (state_ == state) return;
    state_ = state;
  }
  if (changeHandler_) changeHandler_(state);
}

void TOWBoolStatePin::Link(TOWBoolStatePin& other) {
  if (&other == this) return;
  TOWGlobalWriteLockSection global;
  if (std::find(linked_.begin(), linked_.end(), &other) != linked_.end()) return;
  linked_.push_back(&other);
  other.linked_.push_back(this);
}

void TOWBoolStatePin::Unlink(TOWBoolStatePin& other) {
  TOWGlobalWriteLockSection global;
  linked_.erase(std::remove(linked_.begin(), linked_.end(), &other), linked_.end());
  other.linked_.erase(std::remove(other.linked_.begin(), other.linked_.end(), this),
                      other.linked_.end());
}

}  // namespace vistrel
