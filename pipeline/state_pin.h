// State pins share one Boolean state with the state pins linked to them.
#pragma once

#include <functional>
#include <vector>

#include "pipeline/basic_pin.h"

namespace vistrel {

class TOWStatePin : public TOWPin {
 public:
  using TOWPin::TOWPin;
};

class TOWBoolStatePin : public TOWStatePin {
 public:
  // `changeHandler` runs when a linked pin changes the state of this one.
  TOWBoolStatePin(TOWPinOwner* owner, std::function<void(bool)> changeHandler);
  ~TOWBoolStatePin() override;

  bool State() const;
  // Stores the state and informs every linked pin whose state differs.
  void SetState(bool state);

  // Links two state pins (both directions).
  void Link(TOWBoolStatePin& other);
  void Unlink(TOWBoolStatePin& other);

 private:
  void Receive(bool state);

  bool state_ = false;
  std::function<void(bool)> changeHandler_;
  std::vector<TOWBoolStatePin*> linked_;  // guarded by the global lock
};

}  // namespace vistrel
