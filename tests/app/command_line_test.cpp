// The program's options.

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "platform/exception.h"

namespace vistrel::app {
namespace {

TEST(CommandLineTest, ReadsHelpAndRepeatedDriveOptions) {
  const CommandLine line =
      parseCommandLine({"--drive", "D:=/srv/archive", "--drive=E:=/media/usb", "--help"});
  EXPECT_TRUE(line.help);
  EXPECT_EQ(line.driveOptions, (std::vector<std::string>{"D:=/srv/archive", "E:=/media/usb"}));
  EXPECT_FALSE(parseCommandLine({}).help);
}

TEST(CommandLineTest, RefusesUnknownOptionsAndMissingValues) {
  EXPECT_THROW(parseCommandLine({"--drive"}), Exception);
  EXPECT_THROW(parseCommandLine({"--verbose"}), Exception);
  EXPECT_THROW(parseCommandLine({"archive"}), Exception);
}

TEST(CommandLineTest, UsageNamesTheOptionAndListsTheDrives) {
  const std::string usage = usageText("C:  fixed  []  /home/user/drive_c\n");
  EXPECT_EQ(usage.rfind("Usage: vistrel-preview [--drive X:=HOSTDIR]...", 0), 0u);
  EXPECT_NE(usage.find("C:  fixed  []  /home/user/drive_c"), std::string::npos);
}

}  // namespace
}  // namespace vistrel::app
