// Shell services on Windows paths: moving a file to the trash, deleting a
// folder for good, copying a file or a folder tree, opening a file with the
// user's default program. Paths are resolved through a FileSystem; the host
// work never builds a command string and never runs a shell.
//
// Thread: the GUI thread; every operation runs to completion before it
// returns. Failures come back as false plus a readable message naming the
// path involved; nothing throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace vistrel::platform {

// Moves the file or folder to the freedesktop.org trash (see
// platform/trash.h). A file that cannot go to a trash stays where it is.
bool moveToTrash(const FileSystem& fileSystem, std::string_view path, std::string* error);

// Removes the folder and all it holds, for good. Symbolic links inside are
// removed as links, never followed; a drive root is refused. Removal goes on
// past entries that cannot be removed and then reports the first failure
// with the system's reason for that entry.
bool deleteFolder(const FileSystem& fileSystem, std::string_view path, std::string* error);

// Copies the file into `destinationFolder` under its own name, replacing a
// file of that name there without asking. The copy is written beside the
// target, as "vistrel-partial-copy-PID-N.tmp", and renamed over it, so a
// failed copy leaves the old file intact. Partial copies that copies killed
// on their way left in a destination folder (their process is gone) are
// removed by the next copy into it, by either function.
bool copyFileInto(const FileSystem& fileSystem, std::string_view file,
                  std::string_view destinationFolder, std::string* error);

enum class CollisionAnswer { Replace, ReplaceAll, Skip, SkipAll, Cancel };

// What a folder copy reports and asks while it runs (the GUI shows a
// progress dialog and asks the user). The defaults replace silently.
class CopyObserver {
 public:
  virtual ~CopyObserver() = default;
  // Called before each file and after each chunk of it is written; false
  // cancels the copy (the file being written is removed, the target that it
  // would have replaced stays as it was).
  virtual bool progress(std::uint64_t bytesDone, std::uint64_t bytesTotal,
                        const std::string& fileName) {
    (void)bytesDone, (void)bytesTotal, (void)fileName;
    return true;
  }
  // A file of the same name exists at `targetPath` (a Windows path).
  virtual CollisionAnswer collision(const std::string& targetPath) {
    (void)targetPath;
    return CollisionAnswer::Replace;
  }
};

// Copies the folder with everything in it into `destinationFolder` (so
// "C:\a\b" into "D:\x" gives "D:\x\b"); folders that exist there are merged.
// A missing `destinationFolder` (and its missing parents) is created once
// the copy is known to be allowed: copying a folder into itself, below
// itself or into the folder that holds it (onto itself) is refused and
// leaves nothing behind. Symbolic links are copied as
// links; fifos, sockets and devices are left out. Files that cannot be
// copied do not stop the copy; the failure then counts them and names the
// first few with their reasons. `observer` may be null.
bool copyFolderInto(const FileSystem& fileSystem, std::string_view folder,
                    std::string_view destinationFolder, CopyObserver* observer, std::string* error);

// Opens the file with the user's default program and returns at once. The
// program gets a file:// URL carrying the path's exact bytes, through
// QDesktopServices (so a handler set with QDesktopServices::setUrlHandler
// for "file" receives it).
bool openWithDefaultProgram(const FileSystem& fileSystem, std::string_view path,
                            std::string* error);

}  // namespace vistrel::platform
