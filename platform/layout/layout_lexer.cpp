#include "platform/layout/layout_lexer.h"

#include <charconv>
#include <limits>

#include "platform/layout/errors.h"

namespace vistrel::layout {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isIdentifierStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isIdentifierChar(char c) { return isIdentifierStart(c) || isDigit(c); }
int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

void LayoutLexer::fail(const std::string& message) const { throw EReadError(message, line_); }

void LayoutLexer::skipBlanksAndComments() {
  while (pos_ < text_.size()) {
    char c = text_[pos_];
    if (c == '\n') {
      ++line_;
      ++pos_;
    } else if (c == ' ' || c == '\t' || c == '\r') {
      ++pos_;
    } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
      while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
    } else {
      return;
    }
  }
}

Token LayoutLexer::next() {
  skipBlanksAndComments();
  Token token;
  token.line = line_;
  if (pos_ >= text_.size()) return token;
  char c = text_[pos_];
  if (isDigit(c) || c == '$' ||
      (c == '-' && pos_ + 1 < text_.size() &&
       (isDigit(text_[pos_ + 1]) || text_[pos_ + 1] == '$'))) {
    return readNumber();
  }
  if (c == '\'' || c == '#') return readString();
  if (c == '{') return readBinary();
  if (isIdentifierStart(c)) return readIdentifier();
  if (std::string_view("=:[](),<>+").find(c) != std::string_view::npos) {
    ++pos_;
    token.kind = Token::Kind::Symbol;
    token.text = std::string(1, c);
    return token;
  }
  fail(std::string("Invalid character '") + c + "'");
}

Token LayoutLexer::readNumber() {
  Token token;
  token.line = line_;
  bool negative = text_[pos_] == '-';
  if (negative) ++pos_;
  if (text_[pos_] == '$') {
    ++pos_;
    std::uint64_t magnitude = 0;
    std::size_t start = pos_;
    for (; pos_ < text_.size() && hexDigit(text_[pos_]) >= 0; ++pos_) {
      if (magnitude >> 60) fail("Integer out of range");
      magnitude = magnitude * 16 + hexDigit(text_[pos_]);
    }
    if (pos_ == start) fail("Invalid hexadecimal number");
    const std::uint64_t limit =
        static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
    if (magnitude > limit) fail("Integer out of range");
    token.kind = Token::Kind::Integer;
    token.integer =
        negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  } else {
    std::size_t start = negative ? pos_ - 1 : pos_;
    bool isFloat = false;
    while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
    if (pos_ + 1 < text_.size() && text_[pos_] == '.' && isDigit(text_[pos_ + 1])) {
      isFloat = true;
      for (++pos_; pos_ < text_.size() && isDigit(text_[pos_]);) ++pos_;
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      isFloat = true;
      ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      if (pos_ >= text_.size() || !isDigit(text_[pos_])) fail("Invalid number");
      while (pos_ < text_.size() && isDigit(text_[pos_])) ++pos_;
    }
    if (pos_ < text_.size() && isIdentifierChar(text_[pos_])) fail("Invalid number");
    const char* first = text_.data() + start;
    const char* last = text_.data() + pos_;
    std::from_chars_result result{};
    if (isFloat) {
      token.kind = Token::Kind::Float;
      result = std::from_chars(first, last, token.floating);
    } else {
      token.kind = Token::Kind::Integer;
      result = std::from_chars(first, last, token.integer);
    }
    if (result.ec != std::errc() || result.ptr != last) fail("Number out of range");
  }
  return token;
}

Token LayoutLexer::readString() {
  Token token;
  token.kind = Token::Kind::String;
  token.line = line_;
  while (pos_ < text_.size()) {
    if (text_[pos_] == '\'') {
      for (++pos_;; ++pos_) {
        if (pos_ >= text_.size() || text_[pos_] == '\n') fail("Unterminated string");
        if (text_[pos_] == '\'') {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
            token.text += '\'';
            ++pos_;
          } else {
            ++pos_;
            break;
          }
        } else {
          token.text += text_[pos_];
        }
      }
    } else if (text_[pos_] == '#') {
      ++pos_;
      std::uint32_t code = 0;
      std::size_t start = pos_;
      for (; pos_ < text_.size() && isDigit(text_[pos_]); ++pos_) {
        code = code * 10 + (text_[pos_] - '0');
        if (code > 0x10FFFF) fail("Invalid character code");
      }
      if (pos_ == start) fail("Invalid character code");
      appendUtf8(token.text, code);
    } else {
      break;
    }
  }
  return token;
}

Token LayoutLexer::readBinary() {
  Token token;
  token.kind = Token::Kind::Binary;
  token.line = line_;
  ++pos_;  // '{'
  int high = -1;
  for (;; ++pos_) {
    if (pos_ >= text_.size()) fail("Unterminated binary block");
    char c = text_[pos_];
    if (c == '}') break;
    if (c == '\n') {
      ++line_;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r') continue;
    int digit = hexDigit(c);
    if (digit < 0) fail(std::string("Invalid character '") + c + "' in binary block");
    if (high < 0) {
      high = digit;
    } else {
      token.bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
      high = -1;
    }
  }
  ++pos_;
  if (high >= 0) fail("Odd number of hexadecimal digits in binary block");
  return token;
}

Token LayoutLexer::readIdentifier() {
  Token token;
  token.kind = Token::Kind::Identifier;
  token.line = line_;
  std::size_t start = pos_;
  for (;;) {
    while (pos_ < text_.size() && isIdentifierChar(text_[pos_])) ++pos_;
    if (pos_ + 1 < text_.size() && text_[pos_] == '.' && isIdentifierStart(text_[pos_ + 1])) {
      ++pos_;
    } else {
      break;
    }
  }
  token.text = std::string(text_.substr(start, pos_ - start));
  return token;
}

}  // namespace vistrel::layout
