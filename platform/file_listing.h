// The list box's directory listing: the names (no folder) of the ordinary
// read-write files matching a pattern such as "C:\Records\2026-12-06\07\*.jpg",
// in the file system's enumeration order. Folders and files marked read-only,
// hidden or system are left out; the wildcard ignores case. A folder that is
// missing or unreadable gives no names.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vistrel::platform {

std::vector<std::string> ordinaryFileNames(std::string_view pattern);
// The same for a folder given as a host path and the wildcard alone (such
// as "*.jpg"); any thread may call it.
std::vector<std::string> ordinaryHostFileNames(const std::filesystem::path& hostFolder,
                                               std::string_view wildcard);

}  // namespace vistrel::platform
