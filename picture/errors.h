// The errors that loading a picture raises. Their messages are the texts the
// user reads in the application's error box.
#pragma once

#include "platform/exception.h"
#include "platform/layout/errors.h"

namespace vistrel {

// The file's extension names no registered format, or stored picture data is
// not a graphic this program can read.
VISTREL_EXCEPTION(EInvalidGraphic, Exception);
// The file could not be opened or read: "Cannot open file %s".
VISTREL_EXCEPTION(EFOpenError, Exception);
// Stored picture data ends before the byte count it announces: the layout's
// read error, as the data is part of a stored layout.
using layout::EReadError;
// libjpeg failed: "JPEG error #%d" with libjpeg's message code.
VISTREL_EXCEPTION(EJPEG, Exception);

}  // namespace vistrel
