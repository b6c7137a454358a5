#include "app/command_line.h"

#include <CLI/CLI.hpp>

#include "platform/command_options.h"

namespace vistrel::app {
namespace {

constexpr const char* kDescription =
    "Shows the snapshot archive under C:\\Program Files\\Vistrel\\Records.";

void declareOptions(CLI::App& parser, CommandLine& line) {
  platform::addDriveOption(parser, line.driveOptions);
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

std::string usageText(const std::string& driveTable, const std::string& programFolder) {
  CommandLine unused;
  CLI::App parser(kDescription, "vistrel-preview");
  declareOptions(parser, unused);
  return parser.help() + "\nProgram folder (recordings are saved and listed here):\n  " +
         programFolder + "\n\nDrives:\n" + driveTable;
}

}  // namespace vistrel::app
