#include "platform/layout/stored_properties.h"

#include <algorithm>

namespace vistrel::layout {

PropertyTable::PropertyTable(std::initializer_list<const PropertyTable*> bases,
                             std::initializer_list<StoredProperty> own) {
  auto add = [this](const StoredProperty& entry) {
    const auto same = std::find_if(entries_.begin(), entries_.end(),
                                   [&](const StoredProperty& e) { return e.name == entry.name; });
    if (same == entries_.end()) {
      entries_.push_back(entry);
    } else {
      *same = entry;
    }
  };
  for (const PropertyTable* base : bases)
    std::for_each(base->entries_.begin(), base->entries_.end(), add);
  std::for_each(own.begin(), own.end(), add);
}

const StoredProperty* PropertyTable::find(std::string_view name) const {
  const auto found = std::find_if(entries_.begin(), entries_.end(),
                                  [&](const StoredProperty& entry) { return entry.name == name; });
  return found == entries_.end() ? nullptr : &*found;
}

bool PropertyTable::read(StoredObject& object, std::string_view name, const Value& value,
                         ReadContext& context) const {
  return set(object, name, value, &context);
}

bool PropertyTable::read(StoredObject& object, std::string_view name, const Value& value) const {
  return set(object, name, value, nullptr);
}

bool PropertyTable::set(StoredObject& object, std::string_view name, const Value& value,
                        ReadContext* context) const {
  const StoredProperty* property = find(name);
  if (property == nullptr) return false;
  property->set(object, value, context);
  return true;
}

std::vector<Property> PropertyTable::write(const StoredObject& object) const {
  std::vector<Property> properties;
  for (const StoredProperty& entry : entries_) {
    Value value = entry.get(object);
    if (entry.defaultValue && value == *entry.defaultValue) continue;
    properties.push_back(makeProperty(entry.name, std::move(value)));
  }
  return properties;
}

std::vector<Property> PropertyTable::writeNamed(const StoredObject& object,
                                                const std::vector<std::string>& names) const {
  std::vector<Property> properties;
  properties.reserve(names.size());
  for (const std::string& name : names) {
    properties.push_back(makeProperty(name, find(name)->get(object)));
  }
  return properties;
}

}  // namespace vistrel::layout
