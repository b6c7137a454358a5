// The running objects: a process-wide list of named objects that tools may
// look up (a running recording graph is entered here when asked). An entry
// holds a reference on its object until it is revoked.
//
// Thread: any.
#pragma once

#include <cstdint>
#include <string>

#include "platform/media/unknown.h"

namespace vistrel::media {

// Enters `object` under `name` (a name may be entered twice); returns the
// entry's cookie, never 0.
std::uint32_t registerRunning(const std::string& name, Ref<Unknown> object);
// False for a cookie that is not entered.
bool revokeRunning(std::uint32_t cookie);
bool isRunning(const std::string& name);

}  // namespace vistrel::media
