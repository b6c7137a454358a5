// Base of the components that a stored window layout fills. Each class
// declares its stored properties once, in a PropertyTable (name, how to get
// the live value, how to set a stored one), and one routine reads and writes
// through it, so reader and writer cannot disagree. The properties that were
// read are remembered in their stored order, and writing returns the live
// value of each of them in that order: a layout round-trips while the written
// values follow the state (a caption changed by program is written as it is
// now).
//
// Thread: the thread that owns the component tree (the GUI thread).
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/layout/component.h"

namespace vistrel::controls {

class StoredComponent;

// One stored property. `set` throws vistrel::Exception when the value does
// not fit.
struct StoredProperty {
  std::string name;
  std::function<layout::Value(const StoredComponent&)> get;
  std::function<void(StoredComponent&, const layout::Value&, layout::ReadContext&)> set;
};

// The stored properties of a class: those of its bases, then its own. An
// entry replaces an earlier one of the same name (a class that gives an
// inherited property its own meaning).
class PropertyTable {
 public:
  PropertyTable(std::initializer_list<const PropertyTable*> bases,
                std::initializer_list<StoredProperty> own);
  const StoredProperty* find(std::string_view name) const;

 private:
  std::vector<StoredProperty> entries_;
};

// A stored value as the C++ type of the field or accessor that holds it.
template <typename T>
T fromValue(const layout::Value& value) {
  if constexpr (std::is_same_v<T, bool>) {
    return value.asBoolean();
  } else if constexpr (std::is_same_v<T, int>) {
    return static_cast<int>(value.asInteger());
  } else if constexpr (std::is_same_v<T, std::string>) {
    return value.asString();
  } else if constexpr (std::is_same_v<T, layout::Value::Identifier>) {
    return layout::Value::Identifier{value.asIdentifier()};
  } else if constexpr (std::is_same_v<T, layout::Value::Set>) {
    return value.asSet();
  } else {
    static_assert(std::is_same_v<T, layout::Value>, "no conversion from a stored value");
    return value;
  }
}

// Builders of the table entries of class C (derived from StoredComponent).
template <typename C>
struct Stored {
  // A field kept as stored; `then` (a member of C) applies it afterwards.
  template <typename T>
  static StoredProperty field(std::string name, T C::*member, void (C::*then)() = nullptr) {
    return {std::move(name),
            [member](const StoredComponent& c) { return layout::Value(self(c).*member); },
            [member, then](StoredComponent& c, const layout::Value& value, layout::ReadContext&) {
              self(c).*member = fromValue<T>(value);
              if (then != nullptr) (self(c).*then)();
            }};
  }

  // A name kept in a string field, stored as an identifier ("bsSingle").
  static StoredProperty identifier(std::string name, std::string C::*member,
                                   void (C::*then)() = nullptr) {
    return property(
        std::move(name), [member](const C& c) { return layout::Value::Identifier{c.*member}; },
        [member, then](C& c, const layout::Value::Identifier& value) {
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
    return {
        std::move(name),
        [get](const StoredComponent& c) { return layout::Value(std::invoke(get, self(c))); },
        [set](StoredComponent& c, const layout::Value& value, layout::ReadContext& context) {
          if constexpr (std::is_invocable_v<Set, C&, const layout::Value&, layout::ReadContext&>) {
            std::invoke(set, self(c), value, context);
          } else {
            std::invoke(set, self(c), fromValue<T>(value));
          }
        }};
  }

  static const C& self(const StoredComponent& c) { return static_cast<const C&>(c); }
  static C& self(StoredComponent& c) { return static_cast<C&>(c); }
};

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
