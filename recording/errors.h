// The recording layer's errors. EDSException is the failure a recording graph
// reports (its message is "<text> - <code in decimal> - <code in
// hexadecimal>"); the graph, the loggers and the window's export raise it.
#pragma once

#include "platform/exception.h"

namespace vistrel {

VISTREL_EXCEPTION(EDSException, vistrel::Exception);

}  // namespace vistrel
