// The pipeline's errors, raised by the pin model, its locks and the image
// buffer.
#pragma once

#include "platform/exception.h"

namespace vistrel {

VISTREL_EXCEPTION(EOWException, Exception);

// Raised when a delivery would nest deeper than the pin allows (a loop of pins).
inline constexpr const char* kPinDependsOnItselfMessage =
    "The pin depends on itself. Please protect with functional dependency.";

}  // namespace vistrel
