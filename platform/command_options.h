// The options that vistrel-preview and vistrel-export share, declared once on
// a CLI11 parser: --drive X:=HOSTDIR (repeatable, also --drive=X:=HOSTDIR)
// and --version. Each program adds its own options to the same parser. Also
// the parts of a GNU-style command line that CLI11 lacks: misspelt options
// reported as such, with a suggestion, and help text wrapped to a width.
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
// with the parser's message and a hint to --help; a word that looks like an
// option but names none of the parser's is reported as typed, with the
// closest option name when one is close ("unknown option --ouput; did you
// mean --output?").
void parseArguments(CLI::App& parser, const std::vector<std::string>& arguments);

// The name in `names` closest to `typed` (letters swapped, one missing,
// added or changed), or "" when none is close enough to be a likely typo.
std::string closestName(const std::string& typed, const std::vector<std::string>& names);

// The width help text is wrapped to: the terminal's columns when `fd` is a
// terminal, else 80.
int helpWidth(int fd);

// `text` broken at spaces into lines of at most `width` columns (a longer
// word stays whole), each indented by `indent` spaces, each ending in '\n'.
// '\n' in `text` starts a new line.
std::string wrapText(const std::string& text, int width, int indent = 0);

// "Options:" and one entry per option of `parser` ("  -o, --output FILE"
// and its description wrapped beside it), then "Arguments:" for the
// positional ones, in `width` columns.
std::string optionsHelp(const CLI::App& parser, int width);

}  // namespace vistrel::platform
