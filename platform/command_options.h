// The options that vistrel-preview and vistrel-export share, declared once on
// a CLI11 parser: --drive X:=HOSTDIR (repeatable, also --drive=X:=HOSTDIR)
// and --version. Each program adds its own options to the same parser.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}  // namespace CLI

namespace vistrel::platform {

// "vistrel-export 0.1": the program name and the project's version.
std::string versionText(const std::string& program);

void addDriveOption(CLI::App& parser, std::vector<std::string>& driveOptions);
// -h/--help and --version as plain flags: the program decides what to print,
// after the whole line was read (so a bad option is still reported).
void addHelpAndVersionFlags(CLI::App& parser, bool& help, bool& version);

// Parses `arguments` (without the program name). Throws vistrel::Exception
// with the parser's message and a hint to --help.
void parseArguments(CLI::App& parser, const std::vector<std::string>& arguments);

}  // namespace vistrel::platform
