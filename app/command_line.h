// The program's command line: --help, and --drive X:=HOSTDIR (repeatable,
// also as --drive=X:=HOSTDIR) to map or override drives.
#pragma once

#include <string>
#include <vector>

namespace vistrel::app {

struct CommandLine {
  bool help = false;
  std::vector<std::string> driveOptions;  // "X:=HOSTDIR" each
};

// Throws vistrel::Exception naming an unknown option or a --drive without value.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The --help text, with one line per drive of `driveTable`.
std::string usageText(const std::string& driveTable);

}  // namespace vistrel::app
