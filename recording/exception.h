// The failure a recording graph reports: its message is "<text> - <code in
// decimal> - <code in hexadecimal>".
#pragma once

#include "platform/exception.h"

namespace vistrel {

VISTREL_EXCEPTION(EDSException, vistrel::Exception);

}  // namespace vistrel
