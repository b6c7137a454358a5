// The program's options.

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "platform/exception.h"

namespace vistrel::app {
namespace {

TEST(CommandLineTest, ReadsHelpVersionAndRepeatedDriveOptions) {
  const CommandLine line =
      parseCommandLine({"--drive", "D:=/srv/archive", "--drive=E:=/media/usb", "--help"});
  EXPECT_TRUE(line.help);
  EXPECT_FALSE(line.version);
  EXPECT_EQ(line.driveOptions, (std::vector<std::string>{"D:=/srv/archive", "E:=/media/usb"}));
  EXPECT_FALSE(parseCommandLine({}).help);
  EXPECT_TRUE(parseCommandLine({"--version"}).version);
  EXPECT_TRUE(parseCommandLine({"-h"}).help);
}

TEST(CommandLineTest, RefusesUnknownOptionsAndMissingValues) {
  EXPECT_THROW(parseCommandLine({"--drive"}), Exception);
  EXPECT_THROW(parseCommandLine({"--verbose"}), Exception);
  EXPECT_THROW(parseCommandLine({"archive"}), Exception);
}

TEST(CommandLineTest, UsageNamesTheOptionAndListsTheDrives) {
  const std::string usage =
      usageText("C:  fixed  []  /home/user/drive_c\n", "C:\\Program Files\\Vistrel\\");
  for (const char* part : {"Usage: vistrel-preview", "--drive X:=HOSTDIR", "--version",
                           "C:\\Program Files\\Vistrel\\", "C:  fixed  []  /home/user/drive_c"})
    EXPECT_NE(usage.find(part), std::string::npos) << part << " in\n" << usage;
}

}  // namespace
}  // namespace vistrel::app
