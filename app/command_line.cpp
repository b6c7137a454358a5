#include "app/command_line.h"

#include "platform/exception.h"

namespace vistrel::app {

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      line.help = true;
    } else if (argument == "--drive") {
      if (i + 1 >= arguments.size()) throw Exception("--drive needs a value X:=HOSTDIR");
      line.driveOptions.push_back(arguments[++i]);
    } else if (argument.rfind("--drive=", 0) == 0) {
      line.driveOptions.push_back(argument.substr(8));
    } else {
      throw Exception("Unknown option " + argument + " (try --help)");
    }
  }
  return line;
}

std::string usageText(const std::string& driveTable) {
  return "Usage: vistrel-preview [--drive X:=HOSTDIR]...\n"
         "\n"
         "Shows the snapshot archive under C:\\Program Files\\Vistrel\\Records.\n"
         "\n"
         "  --drive X:=HOSTDIR  map drive X: to the host folder HOSTDIR (repeatable)\n"
         "  --help              show this text\n"
         "\n"
         "Drives:\n" +
         driveTable;
}

}  // namespace vistrel::app
