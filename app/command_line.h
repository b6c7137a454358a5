// The viewer's command line: an archive FOLDER to open, --drive X:=HOSTDIR
// (repeatable, also as --drive=X:=HOSTDIR) to map or override drives,
// --stamp for time stamps in exported videos, --timeline to open the
// timeline window at start, --help and --version.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace vistrel::app {

struct CommandLine {
  bool help = false;
  bool version = false;
  bool stamp = false;     // the export burns each snapshot's date and time into its frame
  bool timeline = false;  // the timeline window opens beside the main window
  std::vector<std::string> driveOptions;  // "X:=HOSTDIR" each
  std::string folder;                     // host folder holding an archive; empty for none
};

// Throws vistrel::Exception naming an unknown option, a second folder or a
// --drive without value.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The drive table of the line: the default drives with the --drive options,
// and drive C mapped so that the records root of FOLDER is at the window's
// records root (platform::openArchiveFolder). `createFolders` false changes
// nothing on disk (--help). `shownFolder`, when given, receives the folder
// the window goes to (platform::ArchiveFolder::shownFolder; empty without
// FOLDER). Throws vistrel::Exception for a bad --drive, a folder without an
// archive, or FOLDER given with --drive C:=.
std::vector<platform::Drive> driveTable(const CommandLine& line, bool createFolders,
                                        std::string* shownFolder = nullptr);

// The process's first current directory: drive C's root when FOLDER was
// given (the window then opens the records root), else the host folder it
// was started from as a Windows path of `files` (the drive selector moves the
// tree list there when it is not on drive C); empty when that is unknown.
std::string startDirectory(const CommandLine& line, const platform::FileSystem& files);

// The --help text: the options, the program folder in use and one line per
// drive of `driveTable`.
std::string usageText(const std::string& driveTable, const std::string& programFolder);

}  // namespace vistrel::app
