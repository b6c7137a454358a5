// The freedesktop.org trash, on host paths taken as raw bytes: a name that
// is not UTF-8 is trashed and recorded exactly as it is on disk.
//
// A file goes to the home trash ($XDG_DATA_HOME/Trash, by default
// ~/.local/share/Trash) when it lies on the same device, else to the trash
// of its volume: $topdir/.Trash/$uid when $topdir/.Trash is a real folder
// with the sticky bit, else $topdir/.Trash-$uid. The entry is only ever
// renamed into place: nothing is copied across devices, and a file that
// cannot go to a trash stays where it is.
//
// Thread: any; the process's current directory is never used.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vistrel::platform {

// Moves the file or folder at the absolute host path to its trash. The
// trash's own name for it is shortened (extension kept) when the name and
// ".trashinfo" would not fit the file system's name limit, and numbered when
// taken; the entry's Path= keeps the original path. False with a readable
// reason naming the trash folder involved and the system's error.
bool moveHostEntryToTrash(const std::filesystem::path& hostPath, std::string* reason);

// The bytes of a host path percent-encoded as file URLs and trash entries
// carry them: letters, digits, "-._~" and "/" stay, every other byte becomes
// %XX.
std::string percentEncodePath(std::string_view hostPath);

}  // namespace vistrel::platform
