// Failures while reading a stored layout. The message carries the line of the
// layout text where the fault was found, e.g.
// "Error reading Form1.ListBox1.Foo: Property Foo does not exist (line 12)".
#pragma once

#include <string>

#include "platform/exception.h"

namespace vistrel::layout {

class EReadError : public Exception {
 public:
  // `line` counts from 1; 0 when the fault has no place in a text (yet: the
  // reader gives a value's error the place of its property).
  explicit EReadError(const std::string& message, int line = 0)
      : Exception(line > 0 ? message + " (line " + std::to_string(line) + ")" : message),
        line_(line) {}
  const char* className() const noexcept override { return "EReadError"; }
  int line() const { return line_; }

 private:
  int line_;
};

// A class named in a layout is not registered: "Class TFoo not found".
class EClassNotFound : public EReadError {
 public:
  using EReadError::EReadError;
  const char* className() const noexcept override { return "EClassNotFound"; }
};

}  // namespace vistrel::layout
