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
  return parser.help() + "\nProgram folder (recordings are saved and listed here):\n  " +
         programFolder + "\n\nDrives:\n" + driveTable;
}

}  // namespace vistrel::app
