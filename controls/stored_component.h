// Base of the components that a stored window layout fills. Each class
// declares its stored properties once, in a PropertyTable. The properties that were
// read are remembered in their stored order, and writing returns the live
// value of each of them in that order: a layout round-trips while the written
// values follow the state (a caption changed by program is written as it is
// now).
//
// Thread: the thread that owns the component tree (the GUI thread).
#pragma once

#include <string>
#include <vector>

#include "platform/layout/stored_properties.h"

namespace vistrel::controls {

using layout::fromValue;
using layout::PropertyTable;
using layout::Stored;
using layout::StoredProperty;

class StoredComponent : public layout::Component {
 public:
  bool readProperty(const std::string& name, const layout::Value& value,
                    layout::ReadContext& context) final;
  std::vector<layout::Property> storedProperties() const final;

 protected:
  // The class's stored properties (a function-local static of the class).
  virtual const PropertyTable& propertyTable() const = 0;

 private:
  std::vector<std::string> storedOrder_;
};

}  // namespace vistrel::controls
