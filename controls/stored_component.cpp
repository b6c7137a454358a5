#include "controls/stored_component.h"

#include <algorithm>

namespace vistrel::controls {

PropertyTable::PropertyTable(std::initializer_list<const PropertyTable*> bases,
                             std::initializer_list<StoredProperty> own) {
  for (const PropertyTable* base : bases) {
    entries_.insert(entries_.end(), base->entries_.begin(), base->entries_.end());
  }
  entries_.insert(entries_.end(), own.begin(), own.end());
}

const StoredProperty* PropertyTable::find(std::string_view name) const {
  const auto found = std::find_if(entries_.rbegin(), entries_.rend(),
                                  [&](const StoredProperty& entry) { return entry.name == name; });
  return found == entries_.rend() ? nullptr : &*found;
}

bool StoredComponent::readProperty(const std::string& name, const layout::Value& value,
                                   layout::ReadContext& context) {
  const StoredProperty* property = propertyTable().find(name);
  if (property == nullptr) return false;
  property->set(*this, value, context);
  if (std::find(storedOrder_.begin(), storedOrder_.end(), name) == storedOrder_.end()) {
    storedOrder_.push_back(name);
  }
  return true;
}

std::vector<layout::Property> StoredComponent::storedProperties() const {
  std::vector<layout::Property> properties;
  properties.reserve(storedOrder_.size());
  const PropertyTable& table = propertyTable();
  for (const std::string& name : storedOrder_) {
    properties.push_back(layout::makeProperty(name, table.find(name)->get(*this)));
  }
  return properties;
}

}  // namespace vistrel::controls
