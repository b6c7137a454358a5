#include "platform/layout/layout_parser.h"

#include "platform/layout/errors.h"
#include "platform/layout/layout_lexer.h"

namespace vistrel::layout {

namespace {

// Recursive descent over the token stream, one token of look-ahead.
class Parser {
 public:
  explicit Parser(std::string_view text) : lexer_(text) { advance(); }

  ObjectNode parseRoot() {
    ObjectNode root = parseObject();
    if (current_.kind != Token::Kind::End) fail("End of text expected after the root object");
    return root;
  }

 private:
  void advance() { current_ = lexer_.next(); }

  [[noreturn]] void fail(const std::string& message) const {
    throw EReadError(message, current_.line);
  }

  bool atSymbol(char symbol) const {
    return current_.kind == Token::Kind::Symbol && current_.text[0] == symbol;
  }
  bool atKeyword(std::string_view keyword) const {
    return current_.kind == Token::Kind::Identifier && current_.text == keyword;
  }
  std::string describeCurrent() const {
    switch (current_.kind) {
      case Token::Kind::End:
        return "end of text";
      case Token::Kind::Identifier:
      case Token::Kind::Symbol:
        return "'" + current_.text + "'";
      case Token::Kind::String:
        return "string";
      case Token::Kind::Binary:
        return "binary block";
      default:
        return "number";
    }
  }
  void expectSymbol(char symbol) {
    if (!atSymbol(symbol))
      fail(std::string("'") + symbol + "' expected but " + describeCurrent() + " found");
    advance();
  }
  void expectKeyword(std::string_view keyword) {
    if (!atKeyword(keyword))
      fail("'" + std::string(keyword) + "' expected but " + describeCurrent() + " found");
    advance();
  }
  std::string expectName(const char* what) {
    if (current_.kind != Token::Kind::Identifier) {
      fail(std::string(what) + " expected but " + describeCurrent() + " found");
    }
    std::string name = current_.text;
    advance();
    return name;
  }

  ObjectNode parseObject() {
    ObjectNode node;
    node.line = current_.line;
    expectKeyword("object");
    node.name = expectName("Component name");
    if (node.name.find('.') != std::string::npos) fail("Invalid component name " + node.name);
    expectSymbol(':');
    node.className = expectName("Class name");
    while (!atKeyword("end")) {
      if (atKeyword("object")) {
        node.children.push_back(parseObject());
      } else if (current_.kind == Token::Kind::Identifier) {
        node.properties.push_back(parseProperty());
      } else {
        fail("'end' expected but " + describeCurrent() + " found");
      }
    }
    advance();
    return node;
  }

  PropertyNode parseProperty() {
    PropertyNode property;
    property.line = current_.line;
    property.name = expectName("Property name");
    expectSymbol('=');
    property.value = parseValue();
    return property;
  }

  Value parseValue() {
    Token token = current_;
    switch (token.kind) {
      case Token::Kind::Integer:
        advance();
        return Value(token.integer);
      case Token::Kind::Float:
        advance();
        return Value(token.floating);
      case Token::Kind::String:
        return Value(parseString());
      case Token::Kind::Binary:
        advance();
        return Value(Value::Binary{std::move(token.bytes)});
      case Token::Kind::Identifier:
        advance();
        if (token.text == "True") return Value(true);
        if (token.text == "False") return Value(false);
        return Value(Value::Identifier{token.text});
      case Token::Kind::Symbol:
        if (atSymbol('[')) return parseSet();
        if (atSymbol('(')) return parseList();
        if (atSymbol('<')) return parseCollection();
        break;
      case Token::Kind::End:
        break;
    }
    fail("Value expected but " + describeCurrent() + " found");
  }

  std::string parseString() {
    std::string text = current_.text;
    advance();
    while (atSymbol('+')) {
      advance();
      if (current_.kind != Token::Kind::String) fail("String expected after '+'");
      text += current_.text;
      advance();
    }
    return text;
  }

  Value parseSet() {
    advance();
    Value::Set set;
    if (!atSymbol(']')) {
      for (;;) {
        set.members.push_back(expectName("Set member"));
        if (atSymbol(']')) break;
        expectSymbol(',');
      }
    }
    advance();
    return Value(std::move(set));
  }

  Value parseList() {
    advance();
    Value::List list;
    while (!atSymbol(')')) list.items.push_back(parseValue());
    advance();
    return Value(std::move(list));
  }

  Value parseCollection() {
    advance();
    Value::Collection collection;
    while (!atSymbol('>')) {
      expectKeyword("item");
      CollectionItem item;
      while (!atKeyword("end")) {
        if (current_.kind != Token::Kind::Identifier) {
          fail("'end' expected but " + describeCurrent() + " found");
        }
        PropertyNode property = parseProperty();
        item.push_back(makeProperty(std::move(property.name), std::move(property.value)));
      }
      advance();
      collection.items.push_back(std::move(item));
    }
    advance();
    return Value(std::move(collection));
  }

  LayoutLexer lexer_;
  Token current_;
};

}  // namespace

ObjectNode parseLayoutText(std::string_view text) { return Parser(text).parseRoot(); }

}  // namespace vistrel::layout
