// Host-side helpers of the drive and path layer: case-insensitive name lookup
// in a host folder and the attribute mapping of host entries. Internal to
// platform/; callers use FileSystem.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace vistrel::platform::host {

// The host name of the entry that the program's name `name` (see
// hostNameToWindows) means inside the host folder `folder`: the name itself
// when an entry of exactly that spelling exists, else the entry whose
// upper-cased name equals the upper-cased `name` (several such entries: the
// one with the smallest byte string). Dangling symbolic links count as
// entries. nullopt when none exists or the folder cannot be read.
std::optional<std::string> findEntryName(const std::filesystem::path& folder,
                                         std::string_view name);

// Attributes of the host entry at `hostPath` whose Windows name is `name`
// (empty for a drive root); nullopt when it does not exist. Symbolic links
// report their target; a dangling link is a system entry.
std::optional<FindData> describeEntry(const std::filesystem::path& hostPath, std::string_view name);
// The same for the entry `hostName` of the open folder `folder` (a file
// descriptor): listing a folder, no path is walked again for each entry.
std::optional<FindData> describeEntryAt(int folder, const std::string& hostName,
                                        std::string_view name);

// Names in the host folder, "." and ".." excluded, in readdir order; empty
// when the folder cannot be read. Names holding a "\" are left out: no
// Windows path can address them.
std::vector<std::string> listNames(const std::filesystem::path& folder);

// True when the folder exists and this process may open and enter it.
bool canEnter(const std::filesystem::path& folder);

}  // namespace vistrel::platform::host
