// Which snapshots an export takes, in the order the slide show would play
// them: a date folder gives its hour folders "00" to "23" in order (missing
// hours, and hours that cannot be entered, are passed over), a records root
// (or the drive root, Program Files or Vistrel folder above it) its date
// folders in order, an hour folder
// its snapshots in the snapshot list's order and with its listing rule (only
// "*.jpg", read-only, hidden and system files left out).
//
// Paths are Windows paths of the installed platform::FileSystem.
#pragma once

#include <string>
#include <vector>

#include "platform/archive_layout.h"
#include "platform/exception.h"

namespace vistrel::exporter {

// A source that names no folder, a range that cannot be read, and the like.
VISTREL_EXCEPTION(EExportUsage, Exception);

using platform::kRecordsRoot;

// True for "X:..." with a drive letter X; anything else is a host path.
bool isWindowsPath(const std::string& path);

// The snapshots of one SOURCE: a Windows path ("C:\...") or a host path.
// A folder holding hour folders is a date folder; one that is or holds a
// records root gives every date; any other is an hour folder.
// Throws EExportUsage when the folder does not exist.
std::vector<std::string> snapshotsOfSource(const std::string& source);

// The snapshots of the hours `from` to `to` (inclusive, "YYYY-MM-DD HH",
// across dates) under the records root. Throws EExportUsage for a value that
// is not of that form or a range that ends before it starts.
std::vector<std::string> snapshotsOfRange(const std::string& from, const std::string& to);

}  // namespace vistrel::exporter
