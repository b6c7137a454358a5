// Base of the pipeline's components: a layout component that owns pins. It
// names its pins for pin paths and routes the stored pin properties
// ("OutputPin.SinkPins", ...) to them.
//
// A component with pins (the video logger, say):
//   - creates each pin in its constructor with itself as owner, e.g.
//     TVLOWImageSinkPin(this, handler), and lists them in PublishedPins()
//     under their property names ("InputPin");
//   - lets readProperty() try readPinProperty() first and appends
//     appendPinProperties() to storedProperties();
//   - destroys its pins first in its destructor, before anything their
//     handlers use (a source pin sends its sinks a last stop, a sink pin
//     leaves its source).
#pragma once

#include <string>
#include <vector>

#include "pipeline/basic_pin.h"
#include "platform/layout/component.h"

namespace vistrel {

class TOWComponent : public layout::Component, public TOWPinOwner {
 public:
  std::string PinOwnerName() const override { return componentName(); }
  std::string PinRootName() const override;
  bool PinOwnerIsRoot() const override { return root_ == this; }
  const void* PinRootIdentity() const override;

  // The form of a component without an owner (one created in code, or one
  // whose owner is not set); a component with an owner uses its root
  // component. Also taken from the layout being read.
  void SetPinRoot(const layout::Component* root) { root_ = root; }

 protected:
  // Handles "<pin property>.<stored pin property>"; returns false for other
  // names. Records the form being read as the root.
  bool readPinProperty(const std::string& name, const layout::Value& value,
                       layout::ReadContext& context);
  // Appends the stored properties of every published pin.
  void appendPinProperties(std::vector<layout::Property>& out) const;

 private:
  const layout::Component* root_ = nullptr;
};

}  // namespace vistrel
