#include "controls/stored_component.h"

#include <algorithm>

namespace vistrel::controls {

bool StoredComponent::readProperty(const std::string& name, const layout::Value& value,
                                   layout::ReadContext& context) {
  if (!propertyTable().read(*this, name, value, context)) return false;
  if (std::find(storedOrder_.begin(), storedOrder_.end(), name) == storedOrder_.end()) {
    storedOrder_.push_back(name);
  }
  return true;
}

std::vector<layout::Property> StoredComponent::storedProperties() const {
  return propertyTable().writeNamed(*this, storedOrder_);
}

}  // namespace vistrel::controls
