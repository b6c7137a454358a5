#include "app/command_line.h"

#include <filesystem>
#include <system_error>

#include <CLI/CLI.hpp>

#include "platform/exception.h"

#include "platform/archive_folder.h"
#include "platform/command_options.h"

namespace vistrel::app {
namespace {

constexpr const char* kDescription =
    "Shows the snapshot archive under C:\\Program Files\\Vistrel\\Records.";

// The keys of both windows, as the manual page lists them.
constexpr const char* kKeys =
    "\nKeys in the main window:\n"
    "  Tree list        Enter opens the folder, Escape goes up, Delete removes the\n"
    "                   folder for good (asks first), F2 copies it\n"
    "  Snapshot list    arrows, Page Up/Down, Home, End select; Enter runs the\n"
    "                   slide show, Escape returns to the tree list, Delete moves\n"
    "                   the snapshot to the trash, F2 copies it\n"
    "  Position bar     arrows, Page Up/Down, Home, End step; Enter runs or\n"
    "                   pauses the show, Escape stops it\n"
    "  Ctrl+Right/Left  next/previous event (snapshot list, position bar)\n"
    "  Saved videos     Enter opens the video, Delete trashes it, F2 copies it\n"
    "  RUN, PAUSE, STOP Space or Enter press them\n"
    "  Ctrl+T           opens the timeline window\n"
    "\nKeys in the timeline window:\n"
    "  Left/Right       one snapshot back/on\n"
    "  Page Up/Down     one hour back/on\n"
    "  Home/End         the first/newest snapshot of the date\n"
    "  Ctrl+Right/Left  the first snapshot of the next/previous event, across\n"
    "                   hours and dates\n"
    "  I / O            mark the start/end of a range at the cursor\n"
    "  Ctrl+E           export the marked range (or the event at the cursor)\n"
    "  + / -            zoom into the cursor's hour / out to the whole date\n"
    "  Escape           clear the marks; with none, close the window\n";

void declareOptions(CLI::App& parser, CommandLine& line) {
  // A records root, its Vistrel or Program Files folder, a drive root, or a
  // date or hour folder in the archive.
  parser
      .add_option("FOLDER", line.folder,
                  "the archive to open (maps drive C: to it), or a date or hour folder in it "
                  "to go to")
      ->type_name("");
  platform::addDriveOption(parser, line.driveOptions);
  parser.add_flag("--stamp", line.stamp,
                  "videos exported from the slide show show each snapshot's date and time in "
                  "the bottom-left corner (the window shows the snapshots as they are)");
  parser.add_flag("--timeline", line.timeline,
                  "opens the timeline window (Ctrl+T) beside the main window at start");
  platform::addHelpAndVersionFlags(parser, line.help, line.version);
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  CLI::App parser(kDescription, "vistrel-preview");
  declareOptions(parser, line);
  platform::parseArguments(parser, arguments);
  return line;
}

std::vector<platform::Drive> driveTable(const CommandLine& line, bool createFolders,
                                        std::string* shownFolder) {
  // FOLDER replaces drive C: its default folder need not be made.
  std::vector<platform::Drive> drives =
      platform::defaultDrives(line.driveOptions, createFolders && line.folder.empty());
  if (line.folder.empty()) return drives;
  for (const std::string& option : line.driveOptions) {
    if (!option.empty() && (option[0] == 'C' || option[0] == 'c')) {
      throw Exception("Both FOLDER and --drive " + option + " map drive C:; give only one of them");
    }
  }
  const platform::ArchiveFolder archive = platform::openArchiveFolder(line.folder, createFolders);
  if (shownFolder != nullptr) *shownFolder = archive.shownFolder;
  for (platform::Drive& drive : drives) {
    if (drive.letter == 'C') drive = archive.driveC;
  }
  return drives;
}

std::string startDirectory(const CommandLine& line, const platform::FileSystem& files) {
  if (!line.folder.empty()) return "C:\\";
  std::error_code error;
  const std::filesystem::path here = std::filesystem::current_path(error);
  if (error) return {};
  return files.fromHost(here).value_or(std::string());
}

std::string usageText(const std::string& driveTable, const std::string& programFolder) {
  CommandLine unused;
  CLI::App parser(kDescription, "vistrel-preview");
  declareOptions(parser, unused);
  return parser.help() + kKeys + "\nProgram folder (recordings are saved and listed here):\n  " +
         programFolder + "\n\nDrives:\n" + driveTable;
}

}  // namespace vistrel::app
