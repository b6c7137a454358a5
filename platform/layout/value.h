// The value shapes a stored window layout carries: integers, floats, strings,
// identifiers (names such as clNavy or an event handler, distinct from
// strings), booleans, sets, lists, binary blocks and collections of items.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace vistrel::layout {

struct Value;

// One stored property: dotted name ("Font.Style", "OutputPin.SinkPins") and value.
struct Property {
  std::string name;
  std::vector<Value> valueHolder;  // exactly one element; a vector because Value is incomplete here
  const Value& value() const { return valueHolder.front(); }
};

// One item of a collection: its properties in stored order.
using CollectionItem = std::vector<Property>;

struct Value {
  struct Identifier {
    std::string name;
    bool operator==(const Identifier&) const = default;
  };
  struct Set {
    std::vector<std::string> members;
    bool operator==(const Set&) const = default;
  };
  struct List {
    std::vector<Value> items;
    bool operator==(const List&) const = default;
  };
  struct Binary {
    std::vector<std::uint8_t> bytes;
    bool operator==(const Binary&) const = default;
  };
  struct Collection {
    std::vector<CollectionItem> items;
    bool operator==(const Collection&) const;
  };

  std::variant<std::int64_t, double, std::string, Identifier, bool, Set, List, Binary, Collection>
      data;

  Value() : data(std::int64_t{0}) {}
  template <typename T>
  Value(T v) : data(std::move(v)) {}  // NOLINT: implicit on purpose, values read like literals
  Value(int v) : data(std::int64_t{v}) {}
  Value(const char* s) : data(std::string(s)) {}

  bool operator==(const Value&) const = default;

  template <typename T>
  bool is() const {
    return std::holds_alternative<T>(data);
  }
  // Typed access; throws vistrel::Exception naming the expected kind on a mismatch.
  std::int64_t asInteger() const;
  double asFloat() const;  // an integer reads as a float too
  const std::string& asString() const;
  const std::string& asIdentifier() const;
  bool asBoolean() const;
  const Set& asSet() const;
  const List& asList() const;
  const Binary& asBinary() const;
  const Collection& asCollection() const;
};

inline Property makeProperty(std::string name, Value value) {
  return Property{std::move(name), {std::move(value)}};
}

inline bool Value::Collection::operator==(const Collection& other) const {
  if (items.size() != other.items.size()) return false;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].size() != other.items[i].size()) return false;
    for (std::size_t j = 0; j < items[i].size(); ++j) {
      if (items[i][j].name != other.items[i][j].name) return false;
      if (!(items[i][j].value() == other.items[i][j].value())) return false;
    }
  }
  return true;
}

}  // namespace vistrel::layout
