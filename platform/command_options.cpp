#include "platform/command_options.h"

#include <algorithm>

#include <CLI/CLI.hpp>

#include "platform/exception.h"

namespace vistrel::platform {

std::string versionText(const std::string& program) { return program + " " VISTREL_VERSION; }

void addDriveOption(CLI::App& parser, std::vector<std::string>& driveOptions) {
  parser
      .add_option("--drive", driveOptions, "map drive X: to the host folder HOSTDIR (repeatable)")
      ->option_text("X:=HOSTDIR")
      ->allow_extra_args(false)
      ->take_all();
}

void addHelpAndVersionFlags(CLI::App& parser, bool& help, bool& version) {
  parser.set_help_flag();
  parser.add_flag("-h,--help", help, "show this text");
  parser.add_flag("--version", version, "show the version");
}

void parseArguments(CLI::App& parser, const std::vector<std::string>& arguments) {
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    parser.parse(reversed);
  } catch (const CLI::ParseError& error) {
    throw Exception(std::string(error.what()) + " (try --help)");
  }
}

}  // namespace vistrel::platform
