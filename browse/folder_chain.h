// The two folder tests that the folder dialog and its callers share. Paths are
// Windows paths through platform::FileSystem; relative paths resolve against
// the process's current directory.
#pragma once

#include <string>

namespace vistrel::browse {

// True when the path's attributes can be read and mark a folder.
bool FolderExists(const std::string& path);

// Creates the folder and any missing parents. True when it exists afterwards
// (or the path is a drive like "C:"); false when a folder could not be
// created. Throws vistrel::Exception "Unable to create directory" for an
// empty path.
bool CreateFolderChain(const std::string& path);

}  // namespace vistrel::browse
