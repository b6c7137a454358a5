// Writing components back as layout text (the syntax of layout_parser.h).
// Each component is written as its storedProperties() in order, then its
// childComponents(). The output is canonical: reading it and writing again
// gives the same bytes. Integers are written in decimal, floats with the
// fewest digits that read back exactly (always with '.' or an exponent).
// Throws vistrel::Exception for what the text cannot carry: a non-finite
// float, a set member or property name that is not an identifier.
#pragma once

#include <string>

#include "platform/layout/component.h"
#include "platform/layout/value.h"

namespace vistrel::layout {

std::string writeLayout(const Component& root);

// One value as it appears after "Name = ", for a property at `indent` spaces.
std::string formatValue(const Value& value, int indent = 0);

}  // namespace vistrel::layout
