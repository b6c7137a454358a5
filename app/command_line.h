// The viewer's command line: --drive X:=HOSTDIR (repeatable, also as
// --drive=X:=HOSTDIR) to map or override drives, --help and --version.
#pragma once

#include <string>
#include <vector>

namespace vistrel::app {

struct CommandLine {
  bool help = false;
  bool version = false;
  std::vector<std::string> driveOptions;  // "X:=HOSTDIR" each
};

// Throws vistrel::Exception naming an unknown option, a stray argument or a
// --drive without value.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The --help text: the options, the program folder in use and one line per
// drive of `driveTable`.
std::string usageText(const std::string& driveTable, const std::string& programFolder);

}  // namespace vistrel::app
