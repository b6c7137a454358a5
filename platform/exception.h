// The exception every failure of the program is reported with. Its message is
// what the application's error box shows, so user-visible failures carry the
// exact texts the user is meant to read.
#pragma once

#include <stdexcept>
#include <string>

namespace vistrel {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  // The class name the error box and tests may show, e.g. "EJPEG".
  virtual const char* className() const noexcept { return "Exception"; }
};

// Declares a named subclass: VISTREL_EXCEPTION(EJPEG, Exception). The base
// may be written with its namespace. The arguments are a class name and a
// base class, which cannot stand in parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define VISTREL_EXCEPTION(Name, Base)                                 \
  class Name : public Base {                                          \
    using BaseType = Base;                                            \
                                                                      \
   public:                                                            \
    using BaseType::BaseType;                                         \
    const char* className() const noexcept override { return #Name; } \
  }
// NOLINTEND(bugprone-macro-parentheses)

}  // namespace vistrel
