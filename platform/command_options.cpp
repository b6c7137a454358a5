#include "platform/command_options.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

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

namespace {

// Edits between `a` and `b`, a swap of two neighbours counting as one.
std::size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

std::vector<const CLI::Option*> namedOptions(const CLI::App& parser) {
  return parser.get_options([](const CLI::Option* option) { return option->nonpositional(); });
}

bool takesValue(const CLI::Option* option) { return option->get_expected_max() > 0; }

// "-o" or "--output" as one of the parser's options, else null.
const CLI::Option* findOption(const std::vector<const CLI::Option*>& options,
                              const std::string& typed) {
  const bool isLong = typed.rfind("--", 0) == 0;
  const std::string bare = typed.substr(isLong ? 2 : 1);
  for (const CLI::Option* option : options) {
    const std::vector<std::string>& names = isLong ? option->get_lnames() : option->get_snames();
    if (std::find(names.begin(), names.end(), bare) != names.end()) return option;
  }
  return nullptr;
}

[[noreturn]] void unknownOption(const std::vector<const CLI::Option*>& options,
                                const std::string& typed) {
  std::vector<std::string> names;
  for (const CLI::Option* option : options)
    for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
  const std::string close = closestName(typed, names);
  throw Exception("unknown option " + typed +
                  (close.empty() ? "" : "; did you mean " + close + "?") + " (try --help)");
}

// Every word that looks like an option must name one. CLI11 hands an unknown
// one to a positional argument and then complains about something else.
void checkOptionNames(const CLI::App& parser, const std::vector<std::string>& arguments) {
  const std::vector<const CLI::Option*> options = namedOptions(parser);
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (word == "--") return;  // only arguments follow
    if (word.size() < 2 || word[0] != '-') continue;
    if (word[1] == '-') {  // --name, --name VALUE or --name=VALUE
      const std::size_t equals = word.find('=');
      const std::string name = word.substr(0, equals);
      const CLI::Option* option = findOption(options, name);
      if (!option) unknownOption(options, name);
      if (takesValue(option) && equals == std::string::npos) ++i;
      continue;
    }
    // -q, -o VALUE, -oVALUE, or flags together (-qv).
    for (std::size_t at = 1; at < word.size(); ++at) {
      const CLI::Option* option = findOption(options, std::string("-") + word[at]);
      if (!option) unknownOption(options, word.substr(0, 1) + word[at]);
      if (takesValue(option)) {
        if (at + 1 == word.size()) ++i;
        break;
      }
    }
  }
}

// "  -o, --output FILE" for an option, "  SOURCE..." for a positional one.
std::string optionTitle(const CLI::Option* option) {
  std::string title;
  for (const std::string& name : option->get_snames())
    title += (title.empty() ? "-" : ", -") + name;
  for (const std::string& name : option->get_lnames())
    title += (title.empty() ? "--" : ", --") + name;
  if (!option->nonpositional())
    title = option->get_name(true) + (option->get_items_expected_max() > 1 ? "..." : "");
  else if (takesValue(option))
    title += " " + (option->get_option_text().empty() ? "VALUE" : option->get_option_text());
  return "  " + title;
}

}  // namespace

std::string closestName(const std::string& typed, const std::vector<std::string>& names) {
  std::string best;
  std::size_t bestDistance = 0;
  for (const std::string& name : names) {
    const std::size_t distance = editDistance(typed, name);
    if (best.empty() || distance < bestDistance) {
      best = name;
      bestDistance = distance;
    }
  }
  // Two edits make a likely typo of a long name, one of a short name; more
  // is a different word.
  const std::size_t allowed = typed.size() > 5 ? 2 : 1;
  return !best.empty() && bestDistance <= allowed && bestDistance < typed.size() ? best : "";
}

int helpWidth(int fd) {
  winsize size{};
  if (isatty(fd) == 1 && ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col >= 40) return size.ws_col;
  return 80;
}

std::string wrapText(const std::string& text, int width, int indent) {
  std::string wrapped;
  std::istringstream paragraphs(text);
  std::string paragraph;
  while (std::getline(paragraphs, paragraph)) {
    std::string line(static_cast<std::size_t>(indent), ' ');
    bool empty = true;
    std::istringstream words(paragraph);
    std::string word;
    while (words >> word) {
      if (!empty && static_cast<int>(line.size() + 1 + word.size()) > width) {
        wrapped += line + '\n';
        line.assign(static_cast<std::size_t>(indent), ' ');
        empty = true;
      }
      line += (empty ? "" : " ") + word;
      empty = false;
    }
    wrapped += (empty ? std::string() : line) + '\n';
  }
  return wrapped;
}

std::string optionsHelp(const CLI::App& parser, int width) {
  // Descriptions start in this column; a longer title puts its description
  // on the next line.
  constexpr int kColumn = 24;
  std::string options = "Options:\n";
  std::string arguments;
  for (const CLI::Option* option : parser.get_options()) {
    const std::string title = optionTitle(option);
    std::string entry = wrapText(option->get_description(), width, kColumn);
    if (option->get_description().empty())
      entry = title + "\n";
    else if (static_cast<int>(title.size()) + 2 <= kColumn)
      entry.replace(0, title.size(), title);
    else
      entry.insert(0, title + "\n");
    (option->nonpositional() ? options : arguments) += entry;
  }
  return options + (arguments.empty() ? "" : "\nArguments:\n" + arguments);
}

void parseArguments(CLI::App& parser, const std::vector<std::string>& arguments) {
  checkOptionNames(parser, arguments);
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    parser.parse(reversed);
  } catch (const CLI::ParseError& error) {
    throw Exception(std::string(error.what()) + " (try --help)");
  }
}

}  // namespace vistrel::platform
