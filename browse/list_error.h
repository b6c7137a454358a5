// The error of a list addressed outside its entries. Its message is the one
// the user sees in the error box: "List index out of bounds (%d)".
#pragma once

#include <string>

#include "platform/exception.h"

namespace vistrel {

VISTREL_EXCEPTION(EListError, Exception);

inline EListError listIndexError(int index) {
  return EListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace vistrel
