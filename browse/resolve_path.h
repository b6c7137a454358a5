// Splitting a path typed or set by program into drive, folder and file parts
// the way the tree list moves to it. It walks the process's current directory
// to find out which parts exist, and always puts it back afterwards.
#pragma once

#include <string>

namespace vistrel::platform {
class FileSystem;
}

namespace vistrel::browse {

struct ResolvedPath {
  // The drive named by the path (as written, either case), or '\0' when the
  // path names none (a network path); then `folder` carries the root itself.
  char drive = '\0';
  // The folder to enter: rooted ("\a\b") on `drive`, or a full network path.
  std::string folder;
  // A file name or wildcard pattern that the path ended with, else empty.
  std::string file;
};

// Accepts "X:\a\b", "X:", "a\b" (relative to the process's current
// directory), "\\server\share\a" and "[folder]". Folders that cannot be
// entered are not reported; the parts are still returned as written.
ResolvedPath ResolvePath(const std::string& path, platform::FileSystem& fileSystem);

}  // namespace vistrel::browse
