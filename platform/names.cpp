// Name upper-casing, ordering and wildcard matching for the drive and path
// layer.
//
// Upper-casing maps every code point through Unicode's simple (one to one)
// upper-case mapping, the way an NTFS up-case table does; ASCII is handled
// without a table. Bytes that are not valid UTF-8 are kept as they are, so
// every host name has an upper-cased form and lookups never fail on odd
// names.

#include <string>
#include <string_view>
#include <vector>

#include <QChar>

#include "platform/file_system.h"

namespace vistrel::platform {
namespace {

// Length of the UTF-8 sequence starting at s[i], 1 for an invalid byte.
std::size_t sequenceLength(std::string_view s, std::size_t i, char32_t* codePoint) {
  const auto lead = static_cast<unsigned char>(s[i]);
  std::size_t length = 1;
  char32_t value = lead;
  if (lead >= 0xF0 && lead < 0xF5) {
    length = 4;
    value = lead & 0x07;
  } else if (lead >= 0xE0) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xC2 && lead < 0xE0) {
    length = 2;
    value = lead & 0x1F;
  } else {
    *codePoint = lead;
    return 1;
  }
  if (i + length > s.size()) {
    *codePoint = lead;
    return 1;
  }
  for (std::size_t k = 1; k < length; ++k) {
    const auto trail = static_cast<unsigned char>(s[i + k]);
    if ((trail & 0xC0) != 0x80) {
      *codePoint = lead;
      return 1;
    }
    value = (value << 6) | (trail & 0x3F);
  }
  *codePoint = value;
  return length;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Splits upper-cased text into characters (one UTF-8 sequence each).
std::vector<std::string_view> characters(std::string_view text) {
  std::vector<std::string_view> result;
  for (std::size_t i = 0; i < text.size();) {
    char32_t ignored;
    const std::size_t length = sequenceLength(text, i, &ignored);
    result.push_back(text.substr(i, length));
    i += length;
  }
  return result;
}

bool globMatch(const std::vector<std::string_view>& pattern,
               const std::vector<std::string_view>& name) {
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = std::string_view::npos;
  std::size_t resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == "?" || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == "*") {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == "*") ++p;
  return p == pattern.size();
}

// Host bytes that are not UTF-8 are carried as these private-use characters,
// one per byte (0x80 to 0xFF), so that every name is UTF-8 inside.
constexpr char32_t kEscapeBase = 0xF700;
constexpr char32_t kFirstEscape = kEscapeBase + 0x80;
constexpr char32_t kLastEscape = kEscapeBase + 0xFF;
// A backslash is a legal character of a host name but the separator of a
// Windows path: it is carried as this one.
constexpr char32_t kBackslashEscape = kEscapeBase + '\\';

bool isEscape(char32_t c) {
  return (c >= kFirstEscape && c <= kLastEscape) || c == kBackslashEscape;
}

// Length of the well-formed UTF-8 sequence at s[i] (no overlong forms, no
// surrogates, nothing above U+10FFFF), 0 when there is none.
std::size_t strictSequenceLength(std::string_view s, std::size_t i, char32_t* codePoint) {
  const auto lead = static_cast<unsigned char>(s[i]);
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  }
  const std::size_t length = sequenceLength(s, i, codePoint);
  if (length == 1) return 0;
  const char32_t c = *codePoint;
  const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
  if (overlong || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return 0;
  return length;
}

}  // namespace

std::string hostNameToWindows(std::string_view hostName) {
  std::string result;
  result.reserve(hostName.size());
  for (std::size_t i = 0; i < hostName.size();) {
    char32_t codePoint;
    const std::size_t length = strictSequenceLength(hostName, i, &codePoint);
    // An escape character spelled in the host name is escaped byte by byte
    // too, so the mapping stays reversible.
    if (length == 0 || isEscape(codePoint) || codePoint == '\\') {
      const std::size_t bytes = length == 0 ? 1 : length;
      for (std::size_t k = 0; k < bytes; ++k) {
        appendUtf8(result, kEscapeBase + static_cast<unsigned char>(hostName[i + k]));
      }
      i += bytes;
      continue;
    }
    result.append(hostName.substr(i, length));
    i += length;
  }
  return result;
}

std::string windowsNameToHost(std::string_view name) {
  std::string result;
  result.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    char32_t codePoint;
    const std::size_t length = strictSequenceLength(name, i, &codePoint);
    if (length == 0) {
      result += name[i++];
    } else if (isEscape(codePoint)) {
      result += static_cast<char>(codePoint - kEscapeBase);
      i += length;
    } else {
      result.append(name.substr(i, length));
      i += length;
    }
  }
  return result;
}

std::string upperName(std::string_view name) {
  std::string result;
  result.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (byte < 0x80) {
      result += (byte >= 'a' && byte <= 'z') ? static_cast<char>(byte - 'a' + 'A') : name[i];
      ++i;
      continue;
    }
    char32_t codePoint;
    const std::size_t length = sequenceLength(name, i, &codePoint);
    if (length == 1) {
      result += name[i];  // not UTF-8: kept as it is
    } else {
      appendUtf8(result, QChar::toUpper(codePoint));
    }
    i += length;
  }
  return result;
}

bool nameLess(std::string_view a, std::string_view b) {
  const std::string upperA = upperName(a);
  const std::string upperB = upperName(b);
  if (upperA != upperB) return upperA < upperB;
  return a < b;  // names equal but for case: a fixed order all the same
}

// "*" matches any run of characters, "?" one character. A name without a dot
// also matches as if it ended with one, so "*.*" and "name.*" admit names
// without an extension, as on Windows.
bool wildcardMatch(std::string_view pattern, std::string_view name) {
  const std::string upperPattern = upperName(pattern);
  const std::string upperText = upperName(name);
  const auto patternChars = characters(upperPattern);
  if (globMatch(patternChars, characters(upperText))) return true;
  if (upperText.find('.') != std::string::npos) return false;
  const std::string dotted = upperText + '.';
  return globMatch(patternChars, characters(dotted));
}

}  // namespace vistrel::platform
