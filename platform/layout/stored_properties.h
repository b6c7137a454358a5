// The stored properties of a class, declared once: each entry has
// a name, how to get the live value, how to set a stored one and, where the
// class leaves it out when unchanged, its default. One routine reads and
// writes through the table, so reader and writer cannot disagree.
//
// Two ways of writing:
//   - `write` lists every entry in table order, leaving out a value equal to
//     its default (the pipeline and recorder components, collection items);
//   - `writeNamed` lists the given names in the given order (the controls
//     write what was read, in read order).
#pragma once

#include <cassert>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/layout/component.h"

namespace vistrel::layout {

// One stored property. `set` throws vistrel::Exception when the value does
// not fit; its context is null when the object is read outside a layout
// read (a collection item).
struct StoredProperty {
  std::string name;
  std::function<Value(const StoredObject&)> get;
  std::function<void(StoredObject&, const Value&, ReadContext*)> set;
  std::optional<Value> defaultValue = std::nullopt;  // written only when different

  StoredProperty orDefault(Value value) && {
    defaultValue = std::move(value);
    return std::move(*this);
  }
};

// The stored properties of a class: those of its bases, then its own. An
// entry replaces an earlier one of the same name (a class that gives an
// inherited property its own meaning) and takes its place in table order.
class PropertyTable {
 public:
  PropertyTable(std::initializer_list<const PropertyTable*> bases,
                std::initializer_list<StoredProperty> own);
  const StoredProperty* find(std::string_view name) const;

  // Sets the named property; false when the class has none of that name.
  bool read(StoredObject& object, std::string_view name, const Value& value,
            ReadContext& context) const;
  // The same outside a layout read: no entry may need the read context.
  bool read(StoredObject& object, std::string_view name, const Value& value) const;
  std::vector<Property> write(const StoredObject& object) const;
  std::vector<Property> writeNamed(const StoredObject& object,
                                   const std::vector<std::string>& names) const;

 private:
  bool set(StoredObject& object, std::string_view name, const Value& value,
           ReadContext* context) const;

  std::vector<StoredProperty> entries_;
};

// A stored collection: the properties of each item (a pointer to an object
// with storedProperties()), in list order.
template <typename Items>
Value::Collection writeCollection(const Items& items) {
  Value::Collection collection;
  for (const auto& item : items) collection.items.push_back(item->storedProperties());
  return collection;
}

// A stored value as the C++ type of the field or accessor that holds it.
template <typename T>
T fromValue(const Value& value) {
  if constexpr (std::is_same_v<T, bool>) {
    return value.asBoolean();
  } else if constexpr (std::is_integral_v<T>) {
    return static_cast<T>(value.asInteger());
  } else if constexpr (std::is_same_v<T, std::string>) {
    return value.asString();
  } else if constexpr (std::is_same_v<T, Value::Identifier>) {
    return Value::Identifier{value.asIdentifier()};
  } else if constexpr (std::is_same_v<T, Value::Set>) {
    return value.asSet();
  } else if constexpr (std::is_same_v<T, Value::List>) {
    return value.asList();
  } else if constexpr (std::is_same_v<T, Value::Binary>) {
    return value.asBinary();
  } else if constexpr (std::is_same_v<T, Value::Collection>) {
    return value.asCollection();
  } else {
    static_assert(std::is_same_v<T, Value>, "no conversion from a stored value");
    return value;
  }
}

// Builders of the table entries of class C (derived from StoredObject).
template <typename C>
struct Stored {
  // A field kept as stored; `then` (a member of C) applies it afterwards.
  template <typename T>
  static StoredProperty field(std::string name, T C::*member, void (C::*then)() = nullptr) {
    return {std::move(name), [member](const StoredObject& c) { return Value(self(c).*member); },
            [member, then](StoredObject& c, const Value& value, ReadContext*) {
              self(c).*member = fromValue<T>(value);
              if (then != nullptr) (self(c).*then)();
            }};
  }

  // A name kept in a string field, stored as an identifier ("bsSingle").
  static StoredProperty identifier(std::string name, std::string C::*member,
                                   void (C::*then)() = nullptr) {
    return property(
        std::move(name), [member](const C& c) { return Value::Identifier{c.*member}; },
        [member, then](C& c, const Value::Identifier& value) {
          c.*member = value.name;
          if (then != nullptr) (c.*then)();
        });
  }

  // A property behind a getter and a setter (members of C or callables that
  // take it). A setter that takes the stored value and the read context gets
  // them as they are; any other gets the getter's type.
  template <typename Get, typename Set>
  static StoredProperty property(std::string name, Get get, Set set) {
    using T = std::decay_t<std::invoke_result_t<Get, const C&>>;
    return {std::move(name),
            [get](const StoredObject& c) { return Value(std::invoke(get, self(c))); },
            [set](StoredObject& c, const Value& value, ReadContext* context) {
              if constexpr (std::is_invocable_v<Set, C&, const Value&, ReadContext&>) {
                assert(context != nullptr);
                std::invoke(set, self(c), value, *context);
              } else {
                std::invoke(set, self(c), fromValue<T>(value));
              }
            }};
  }

  static const C& self(const StoredObject& c) { return static_cast<const C&>(c); }
  static C& self(StoredObject& c) { return static_cast<C&>(c); }
};

}  // namespace vistrel::layout
