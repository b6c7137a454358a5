#include "platform/layout/value.h"

#include "platform/exception.h"

namespace vistrel::layout {

namespace {

const char* kindName(const Value& value) {
  switch (value.data.index()) {
    case 0:
      return "integer";
    case 1:
      return "float";
    case 2:
      return "string";
    case 3:
      return "identifier";
    case 4:
      return "boolean";
    case 5:
      return "set";
    case 6:
      return "list";
    case 7:
      return "binary block";
    case 8:
      return "collection";
  }
  return "value";
}

template <typename T>
const T& expect(const Value& value, const char* wanted) {
  if (const T* held = std::get_if<T>(&value.data)) return *held;
  throw Exception(std::string("Invalid property value: ") + wanted + " expected, " +
                  kindName(value) + " found");
}

}  // namespace

std::int64_t Value::asInteger() const { return expect<std::int64_t>(*this, "integer"); }

double Value::asFloat() const {
  if (const auto* integer = std::get_if<std::int64_t>(&data)) return static_cast<double>(*integer);
  return expect<double>(*this, "float");
}

const std::string& Value::asString() const { return expect<std::string>(*this, "string"); }

const std::string& Value::asIdentifier() const {
  return expect<Identifier>(*this, "identifier").name;
}

bool Value::asBoolean() const { return expect<bool>(*this, "boolean"); }

const Value::Set& Value::asSet() const { return expect<Set>(*this, "set"); }

const Value::List& Value::asList() const { return expect<List>(*this, "list"); }

const Value::Binary& Value::asBinary() const { return expect<Binary>(*this, "binary block"); }

const Value::Collection& Value::asCollection() const {
  return expect<Collection>(*this, "collection");
}

}  // namespace vistrel::layout
