// The program's options.

#include <gtest/gtest.h>

#include <filesystem>

#include "app/command_line.h"
#include "platform/exception.h"
#include "scoped_env.h"
#include "temp_folder.h"

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
  EXPECT_THROW(parseCommandLine({"archive", "another"}), Exception);
}

TEST(CommandLineTest, FolderArgumentMapsDriveCToItsArchive) {
  const test::TempFolder temp;
  const test::ScopedEnv home("HOME", temp.path().string());
  const test::ScopedEnv driveC("VISTREL_DRIVE_C", std::nullopt);
  const test::ScopedEnv data("XDG_DATA_HOME", std::nullopt);
  const test::ScopedEnv wine("WINEPREFIX", std::nullopt);
  temp.folder("disk/Program Files/Vistrel/Records/2026-12-06/07");
  const auto driveCOf = [](const std::vector<platform::Drive>& drives) {
    for (const platform::Drive& drive : drives) {
      if (drive.letter == 'C') return drive.hostRoot;
    }
    return std::filesystem::path();
  };

  const CommandLine line = parseCommandLine({(temp.path() / "disk/Program Files").string()});
  EXPECT_EQ(line.folder, (temp.path() / "disk/Program Files").string());
  EXPECT_EQ(driveCOf(driveTable(line, true)), temp.path() / "disk");
  // The window then opens the records root, wherever it was started from.
  const platform::FileSystem files(driveTable(line, true), std::string());
  EXPECT_EQ(startDirectory(line, files), "C:\\");
  EXPECT_EQ(startDirectory(parseCommandLine({}), files),
            files.fromHost(std::filesystem::current_path()));
  std::string shown = "unset";
  driveTable(line, true, &shown);
  EXPECT_EQ(shown, "C:\\Program Files\\Vistrel\\Records");
  // A date or hour folder in the archive, or a snapshot: the window goes there.
  temp.file("disk/Program Files/Vistrel/Records/2026-12-06/07/071530.jpg");
  for (const char* given : {"2026-12-06/07", "2026-12-06/07/071530.jpg"}) {
    const CommandLine inside =
        parseCommandLine({(temp.path() / "disk/Program Files/Vistrel/Records" / given).string()});
    EXPECT_EQ(driveCOf(driveTable(inside, true, &shown)), temp.path() / "disk") << given;
    EXPECT_EQ(shown, "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07") << given;
  }
  // The default drive C folder is made only when no folder replaces it.
  EXPECT_FALSE(std::filesystem::exists(temp.path() / ".local"));
  EXPECT_EQ(driveCOf(driveTable(parseCommandLine({}), true)),
            temp.path() / ".local/share/vistrel/drive_c");
  try {
    driveTable(parseCommandLine({temp.folder("nothing").string()}), true);
    ADD_FAILURE() << "a folder without an archive was accepted";
  } catch (const Exception& error) {
    EXPECT_NE(std::string(error.what()).find("Program Files/Vistrel/Records"), std::string::npos)
        << error.what();
  }
  // Two mappings of drive C: one of them would be dropped silently.
  EXPECT_THROW(driveTable(parseCommandLine({(temp.path() / "disk").string(), "--drive",
                                            "c:=" + temp.path().string()}),
                          true),
               Exception);
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
