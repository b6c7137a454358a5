#include "platform/layout/layout_writer.h"

#include <charconv>
#include <cmath>

#include "platform/exception.h"

namespace vistrel::layout {

namespace {

constexpr std::size_t kStringChunkBytes = 64;
constexpr std::size_t kBinaryLineBytes = 32;
constexpr std::size_t kInlineListLimit = 64;

bool isIdentifier(const std::string& name) {
  bool atStart = true;
  for (char c : name) {
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    bool digit = c >= '0' && c <= '9';
    if (atStart ? !letter : !(letter || digit || c == '.')) return false;
    atStart = c == '.';
  }
  return !name.empty() && !atStart;
}

const std::string& checkedName(const std::string& name) {
  if (!isIdentifier(name)) throw Exception("Cannot write '" + name + "': not an identifier");
  return name;
}

std::string pad(int indent) { return std::string(static_cast<std::size_t>(indent), ' '); }

// One piece of a string: quoted runs, #nnn for control characters.
std::string quoteChunk(std::string_view chunk) {
  std::string out;
  bool quoted = false;
  for (char c : chunk) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      if (quoted) out += '\'';
      quoted = false;
      out += '#' + std::to_string(byte);
      continue;
    }
    if (!quoted) out += '\'';
    quoted = true;
    out += c;
    if (c == '\'') out += '\'';
  }
  if (quoted) out += '\'';
  return out.empty() ? "''" : out;
}

std::string formatString(const std::string& text, int indent) {
  std::string out;
  std::size_t start = 0;
  do {
    std::size_t end = std::min(text.size(), start + kStringChunkBytes);
    // Never split a UTF-8 sequence between two lines.
    while (end < text.size() && end > start + 1 &&
           (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
      --end;
    }
    if (start != 0) out += " +\n" + pad(indent + 2);
    out += quoteChunk(std::string_view(text).substr(start, end - start));
    start = end;
  } while (start < text.size());
  return out;
}

std::string formatFloat(double number) {
  if (!std::isfinite(number)) throw Exception("Cannot write a float that is not finite");
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  std::string text(buffer, result.ptr);
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

std::string formatBinary(const std::vector<std::uint8_t>& bytes, int indent) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "{";
  bool multiLine = bytes.size() > kBinaryLineBytes;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (multiLine && i % kBinaryLineBytes == 0) out += "\n" + pad(indent + 2);
    out += kHex[bytes[i] >> 4];
    out += kHex[bytes[i] & 15];
  }
  return out + "}";
}

bool isMultiLine(const Value& value) {
  if (value.is<Value::Binary>()) return value.asBinary().bytes.size() > kBinaryLineBytes;
  if (value.is<std::string>()) return value.asString().size() > kStringChunkBytes;
  return value.is<Value::List>() || value.is<Value::Collection>();
}

void writeProperties(std::string& out, const std::vector<Property>& properties, int indent) {
  for (const Property& property : properties) {
    out += pad(indent) + checkedName(property.name) + " = " +
           formatValue(property.value(), indent) + "\n";
  }
}

std::string formatList(const Value::List& list, int indent) {
  std::string inlined = "(";
  bool fits = true;
  for (const Value& item : list.items) {
    if (isMultiLine(item)) {
      fits = false;
      break;
    }
    if (inlined.size() > 1) inlined += ' ';
    inlined += formatValue(item, indent);
    if (inlined.size() > kInlineListLimit) fits = false;
  }
  if (fits) return inlined + ")";
  std::string out = "(";
  for (const Value& item : list.items)
    out += "\n" + pad(indent + 2) + formatValue(item, indent + 2);
  return out + ")";
}

std::string formatCollection(const Value::Collection& collection, int indent) {
  std::string out = "<";
  for (const CollectionItem& item : collection.items) {
    out += "\n" + pad(indent + 2) + "item\n";
    writeProperties(out, item, indent + 4);
    out += pad(indent + 2) + "end";
  }
  return out + ">";
}

void writeComponent(std::string& out, const Component& component, int indent) {
  out += pad(indent) + "object " + checkedName(component.componentName()) + ": " +
         checkedName(component.className()) + "\n";
  writeProperties(out, component.storedProperties(), indent + 2);
  for (const Component* child : component.childComponents())
    writeComponent(out, *child, indent + 2);
  out += pad(indent) + "end\n";
}

}  // namespace

std::string formatValue(const Value& value, int indent) {
  return std::visit(
      [&](const auto& held) -> std::string {
        using T = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<T, std::int64_t>) {
          return std::to_string(held);
        } else if constexpr (std::is_same_v<T, double>) {
          return formatFloat(held);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return formatString(held, indent);
        } else if constexpr (std::is_same_v<T, Value::Identifier>) {
          // Bare True and False read back as booleans.
          if (held.name == "True" || held.name == "False") {
            throw Exception("Cannot write identifier " + held.name + ": reads as a boolean");
          }
          return checkedName(held.name);
        } else if constexpr (std::is_same_v<T, bool>) {
          return held ? "True" : "False";
        } else if constexpr (std::is_same_v<T, Value::Set>) {
          std::string out = "[";
          for (const std::string& member : held.members) {
            if (out.size() > 1) out += ", ";
            out += checkedName(member);
          }
          return out + "]";
        } else if constexpr (std::is_same_v<T, Value::List>) {
          return formatList(held, indent);
        } else if constexpr (std::is_same_v<T, Value::Binary>) {
          return formatBinary(held.bytes, indent);
        } else {
          return formatCollection(held, indent);
        }
      },
      value.data);
}

std::string writeLayout(const Component& root) {
  std::string out;
  writeComponent(out, root, 0);
  return out;
}

}  // namespace vistrel::layout
