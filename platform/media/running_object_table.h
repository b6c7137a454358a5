// The running object table: a process-wide list of named objects that
// tools may look up (a running recording graph is entered here when asked).
//
// Thread: any.
#pragma once

#include <cstdint>
#include <string>

#include "platform/media/status.h"
#include "platform/media/unknown.h"

namespace vistrel::media {

// Flag of registerObject: the table holds a reference until revoked.
inline constexpr std::uint32_t ROTFLAGS_REGISTRATIONKEEPSALIVE = 0x1;
// Success code: the name was already registered (the new entry is kept too).
inline constexpr StatusCode MK_S_MONIKERALREADYREGISTERED = statusCode(0x000401E7);

class RunningObjectTable : public virtual Unknown {
 public:
  // Enters `object` under `name`; `cookie` identifies the entry (never 0).
  virtual Status registerObject(std::uint32_t flags, Unknown* object, const std::string& name,
                                std::uint32_t* cookie) = 0;
  // E_INVALIDARG for a cookie that is not registered.
  virtual Status revoke(std::uint32_t cookie) = 0;
  // S_OK when an entry has that name, else S_FALSE.
  virtual Status isRunning(const std::string& name) const = 0;
};

// The process's table.
Ref<RunningObjectTable> runningObjectTable();

// The display name of an item moniker: delimiter followed by the item,
// e.g. "!FilterGraph 0x55d0c0a0 pid 00001f2a".
std::string itemMonikerName(const std::string& delimiter, const std::string& item);

}  // namespace vistrel::media
