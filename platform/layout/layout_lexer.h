// Splits a layout text into tokens, counting lines. Internal to the layout
// reader (layout_parser.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vistrel::layout {

struct Token {
  enum class Kind { End, Identifier, Integer, Float, String, Binary, Symbol };
  Kind kind = Kind::End;
  std::string text;  // identifier name, string contents, or the symbol
  std::int64_t integer = 0;
  double floating = 0;
  std::vector<std::uint8_t> bytes;
  int line = 0;
};

class LayoutLexer {
 public:
  // A leading UTF-8 byte order mark is skipped.
  explicit LayoutLexer(std::string_view text)
      : text_(text), pos_(text.starts_with("\xEF\xBB\xBF") ? 3 : 0) {}

  // The next token; Kind::End at the end of the text. Throws EReadError on a
  // malformed token.
  Token next();

 private:
  void skipBlanksAndComments();
  Token readNumber();
  Token readString();
  Token readBinary();
  Token readIdentifier();
  [[noreturn]] void fail(const std::string& message) const;

  std::string_view text_;
  std::size_t pos_;
  int line_ = 1;
};

}  // namespace vistrel::layout
