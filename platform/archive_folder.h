// Opening an archive given as a host folder (the viewer's FOLDER argument, or
// a folder dropped on its window): finding the records root in it, and the
// drive C that puts that records root where the window expects it,
// C:\Program Files\Vistrel\Records.
#pragma once

#include <filesystem>
#include <string_view>

#include "platform/archive_layout.h"
#include "platform/exception.h"
#include "platform/file_system.h"

namespace vistrel::platform {

// The macro needs the base class unqualified.
VISTREL_EXCEPTION(ENoArchive, Exception);

struct ArchiveFolder {
  std::filesystem::path recordsRoot;  // host folder, absolute, as reached from the folder given
  Drive driveC;                       // a fixed drive C with an empty label
  // The folder given as the window names it once drive C is mapped: the
  // records root, or the date or hour folder given (a snapshot's folder).
  std::string shownFolder;
};

// Finds the archive around `folder` (platform::findArchive): a folder that
// is or holds a records root, a date or hour folder in one, or a snapshot.
//
// When the records root lies at <root>/Program Files/Vistrel/Records, drive
// C is <root>, as `--drive C:=<root>` maps it. Otherwise drive C is a small
// folder of its own, <linkBase>/<name>-<key> (the records root's name cut
// to 96 bytes, at a UTF-8 character's boundary), that holds nothing but
// "Program Files/Vistrel/Records", a symbolic link to the records root; the
// key comes from the records root's path, so opening the same folder again
// reuses it. Unless `create` is false the folder is made and its link
// pointed at the records root.
//
// Throws ENoArchive naming the folder and what was looked for (or why it
// is not a folder), Exception when the link cannot be made.
ArchiveFolder openArchiveFolder(const std::filesystem::path& folder,
                                const std::filesystem::path& linkBase, bool create = true);
// With the link folders under archiveLinkBase().
ArchiveFolder openArchiveFolder(const std::filesystem::path& folder, bool create = true);

// ${XDG_CACHE_HOME:-~/.cache}/vistrel/archives: on disk rather than in the
// runtime folder, since what the user copies to drive C lands there.
std::filesystem::path archiveLinkBase();

}  // namespace vistrel::platform
