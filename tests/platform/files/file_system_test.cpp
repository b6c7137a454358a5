#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "scoped_env.h"
#include "temp_folder.h"

namespace vistrel::platform {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

// Runs `check` in a child process without root's privileges (user and group
// "nobody"), where permission bits apply. Returns the check's result, or
// nullopt when the privileges cannot be dropped.
std::optional<bool> runUnprivileged(const std::function<bool()>& check) {
  const pid_t child = fork();
  if (child == 0) {
    if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    _exit(check() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3) return std::nullopt;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> names(const std::vector<FindData>& found) {
  std::vector<std::string> result;
  for (const FindData& data : found) result.push_back(data.name);
  return result;
}

// Drives: C (labelled System) holding the records tree, D (fixed, no label),
// E (CD-ROM without media), R (remote), Z nowhere near the others.
class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.folder("c/Program Files/Vistrel/Records/2026-12-06/07");
    temp_.folder("d/Archive/Old");
    temp_.folder("e");
    temp_.folder("r");
    std::vector<Drive> drives;
    drives.push_back(Drive{'c', temp_.path() / "c", DriveType::Fixed, "System", {}});
    drives.push_back(Drive{'D', temp_.path() / "d", DriveType::Fixed, "", {}});
    drives.push_back(Drive{'E', temp_.path() / "e", DriveType::CdRom, std::nullopt, {}});
    drives.push_back(Drive{'R', temp_.path() / "r", DriveType::Remote, "", "\\\\server\\share"});
    fs_ = std::make_unique<FileSystem>(drives, "C:\\Program Files");
  }

  TempFolder temp_;
  std::unique_ptr<FileSystem> fs_;
};

TEST_F(FileSystemTest, StartsInTheInitialDirectoryOrAtTheFirstRoot) {
  EXPECT_EQ(fs_->currentDirectory(), "C:\\Program Files");
  FileSystem elsewhere(fs_->drives(), "C:\\No Such Folder");
  EXPECT_EQ(elsewhere.currentDirectory(), "C:\\");
}

struct PathRow {
  const char* given;
  const char* full;
};

TEST_F(FileSystemTest, FullPathsIgnoreCaseAndKeepTheOnDiskSpelling) {
  ASSERT_TRUE(fs_->setCurrentDirectory("D:\\archive"));
  ASSERT_TRUE(fs_->setCurrentDirectory("c:\\program files"));
  const PathRow rows[] = {
      {"c:\\program files\\vistrel\\records\\", "C:\\Program Files\\Vistrel\\Records"},
      {"C:/PROGRAM FILES/vistrel//./RECORDS", "C:\\Program Files\\Vistrel\\Records"},
      {"c:\\", "C:\\"},
      {"C:\\..\\..", "C:\\"},
      {"C:\\Program Files\\..\\..\\..\\program files\\VISTREL", "C:\\Program Files\\Vistrel"},
      {"C:\\missing\\Sub", "C:\\missing\\Sub"},
      {"C:\\program files\\Missing\\vistrel", "C:\\Program Files\\Missing\\vistrel"},
      {"vistrel\\records", "C:\\Program Files\\Vistrel\\Records"},
      {"..", "C:\\"},
      {"\\PROGRAM FILES\\vistrel", "C:\\Program Files\\Vistrel"},
      {"c:", "C:\\Program Files"},
      {"C:vistrel", "C:\\Program Files\\Vistrel"},
      {"d:", "D:\\Archive"},
      {"D:old", "D:\\Archive\\Old"},
      {"D:..\\..\\..", "D:\\"},
      {"e:", "E:\\"},
      {"q:\\Some\\..\\Thing\\", "Q:\\Thing"},  // unmapped: textual only
  };
  for (const PathRow& row : rows) EXPECT_EQ(fs_->fullPath(row.given), row.full) << row.given;
}

TEST_F(FileSystemTest, ExactSpellingWinsOverACaseFoldedMatch) {
  temp_.folder("c/Photo");
  temp_.folder("c/PHOTO");
  temp_.file("c/Photo/inner.jpg");
  const PathRow rows[] = {
      {"C:\\Photo", "C:\\Photo"},
      {"C:\\PHOTO", "C:\\PHOTO"},
      // Neither spelling given: the smallest byte string, every time.
      {"C:\\photo", "C:\\PHOTO"},
      {"C:\\pHoTo", "C:\\PHOTO"},
  };
  for (const PathRow& row : rows) EXPECT_EQ(fs_->fullPath(row.given), row.full) << row.given;
  EXPECT_EQ(fs_->toHost("c:\\Photo\\INNER.JPG"), temp_.path() / "c/Photo/inner.jpg");
  EXPECT_FALSE(fs_->toHost("c:\\photo\\INNER.JPG"));  // the folded match is PHOTO
  EXPECT_EQ(fs_->toHost("c:\\photo\\new.jpg", true), temp_.path() / "c/PHOTO/new.jpg");
  // A file to be created: missing folders are kept as written, so creating
  // it reports the missing folder; an unmapped drive has no host path.
  EXPECT_EQ(fs_->toHostForCreate("c:\\Photo\\New\\a.avi"), temp_.path() / "c/Photo/New/a.avi");
  EXPECT_FALSE(fs_->toHostForCreate("Q:\\a.avi"));
}

TEST_F(FileSystemTest, DriveLetterAloneEntersThatDrivesOwnDirectory) {
  ASSERT_TRUE(fs_->setCurrentDirectory("d:\\ARCHIVE\\old"));
  EXPECT_EQ(fs_->currentDirectory(), "D:\\Archive\\Old");
  ASSERT_TRUE(fs_->setCurrentDirectory("C:\\Program Files\\Vistrel"));
  EXPECT_EQ(fs_->driveCurrentDirectory('d'), "D:\\Archive\\Old");
  EXPECT_EQ(fs_->driveCurrentDirectory('E'), "E:\\");
  EXPECT_EQ(fs_->driveCurrentDirectory('Q'), "Q:\\");

  ASSERT_TRUE(fs_->setCurrentDirectory("D:"));
  EXPECT_EQ(fs_->currentDirectory(), "D:\\Archive\\Old");
  EXPECT_EQ(fs_->driveCurrentDirectory('C'), "C:\\Program Files\\Vistrel");
  ASSERT_TRUE(fs_->setCurrentDirectory("c:records"));
  EXPECT_EQ(fs_->currentDirectory(), "C:\\Program Files\\Vistrel\\Records");
  ASSERT_TRUE(fs_->setCurrentDirectory("\\"));
  EXPECT_EQ(fs_->currentDirectory(), "C:\\");
  ASSERT_TRUE(fs_->setCurrentDirectory("D:"));
  EXPECT_EQ(fs_->currentDirectory(), "D:\\Archive\\Old");
}

TEST_F(FileSystemTest, AFolderThatCannotBeEnteredChangesNothing) {
  ASSERT_TRUE(fs_->setCurrentDirectory("C:\\Program Files\\Vistrel"));
  temp_.file("c/file.jpg");
  const char* refused[] = {"",
                           "C:\\Nowhere",
                           "C:\\file.jpg",
                           "Q:\\",
                           "Q:",
                           "\\\\server\\share",
                           "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07\\08"};
  for (const char* path : refused) {
    EXPECT_FALSE(fs_->setCurrentDirectory(path)) << path;
    EXPECT_EQ(fs_->currentDirectory(), "C:\\Program Files\\Vistrel") << path;
  }
  // A drive whose host folder vanished is a drive that is not ready.
  fs::remove_all(temp_.path() / "e");
  EXPECT_FALSE(fs_->setCurrentDirectory("E:\\"));
  EXPECT_EQ(fs_->driveCurrentDirectory('C'), "C:\\Program Files\\Vistrel");
}

TEST_F(FileSystemTest, AFolderRemovedWhileCurrentStaysCurrentButEmpty) {
  temp_.file("c/Gone/a.jpg");
  ASSERT_TRUE(fs_->setCurrentDirectory("C:\\gone"));
  ASSERT_EQ(fs_->findFiles("*.*").size(), 1u);
  fs::remove_all(temp_.path() / "c/Gone");

  EXPECT_EQ(fs_->currentDirectory(), "C:\\Gone");
  EXPECT_TRUE(fs_->findFiles("*.*").empty());
  EXPECT_TRUE(fs_->findFiles("C:\\Gone\\*.jpg").empty());
  EXPECT_FALSE(fs_->directoryExists("C:\\Gone"));
  EXPECT_EQ(fs_->fullPath("..\\Program Files"), "C:\\Program Files");
  EXPECT_FALSE(fs_->setCurrentDirectory("."));
  EXPECT_TRUE(fs_->setCurrentDirectory("C:\\Program Files"));
  EXPECT_EQ(fs_->currentDirectory(), "C:\\Program Files");
}

TEST_F(FileSystemTest, ListingReportsAttributesTheWayWineMapsThem) {
  const fs::path folder = temp_.folder("c/list");
  temp_.file("c/list/normal.jpg", "12345");
  chmod(temp_.file("c/list/readonly.jpg").c_str(), 0444);
  chmod(temp_.file("c/list/groupwrite.jpg").c_str(), 0464);  // one write bit: not read-only
  temp_.file("c/list/.hidden.jpg");
  ASSERT_EQ(mkfifo((folder / "pipe.jpg").c_str(), 0644), 0);
  temp_.folder("c/list/folder.jpg");
  temp_.folder("c/list/.git");
  fs::create_symlink("normal.jpg", folder / "link.jpg");
  fs::create_symlink("folder.jpg", folder / "dirlink.jpg");
  fs::create_symlink("nowhere.jpg", folder / "dangling.jpg");
  temp_.file("c/list/SNAP.JPG");
  temp_.file("c/list/notes.txt");

  struct Expected {
    const char* name;
    std::uint32_t attributes;
  };
  const Expected expected[] = {
      {".git", kAttrDirectory | kAttrHidden},
      {".hidden.jpg", kAttrArchive | kAttrHidden},
      {"dangling.jpg", kAttrSystem},
      {"dirlink.jpg", kAttrDirectory},
      {"folder.jpg", kAttrDirectory},
      {"groupwrite.jpg", kAttrArchive},
      {"link.jpg", kAttrArchive},
      {"normal.jpg", kAttrArchive},
      {"notes.txt", kAttrArchive},
      {"pipe.jpg", kAttrSystem},
      {"readonly.jpg", kAttrArchive | kAttrReadOnly},
      {"SNAP.JPG", kAttrArchive},
  };
  const std::vector<FindData> all = fs_->findFiles("C:\\LIST\\*.*");
  ASSERT_EQ(all.size(), std::size(expected));
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i].name, expected[i].name);
    EXPECT_EQ(all[i].attributes, expected[i].attributes) << all[i].name;
    EXPECT_EQ(fs_->fileAttributes(std::string("c:\\list\\") + expected[i].name),
              expected[i].attributes)
        << expected[i].name;
  }
  EXPECT_EQ(all[7].size, 5u);  // normal.jpg
  EXPECT_EQ(all[4].size, 0u);  // folder.jpg

  ASSERT_TRUE(fs_->setCurrentDirectory("c:\\list"));
  const std::vector<std::string> jpegs = names(fs_->findFiles("*.jpg"));
  EXPECT_EQ(jpegs.size(), 10u);
  EXPECT_EQ(jpegs.back(), "SNAP.JPG");
  EXPECT_EQ(names(fs_->findFiles("*.TXT")), std::vector<std::string>{"notes.txt"});
  EXPECT_TRUE(fs_->findFiles("C:\\list\\").empty());
  EXPECT_TRUE(fs_->findFiles("C:\\list\\..").empty());
}

TEST_F(FileSystemTest, ListingIsInUpperCasedOrdinalOrder) {
  for (const char* name : {"b.jpg", "A2.JPG", "a10.jpg", "Z.jpg", "_1.jpg", "0.jpg"}) {
    temp_.file(std::string("c/order/") + name);
  }
  EXPECT_EQ(names(fs_->findFiles("C:\\order\\*.jpg")),
            (std::vector<std::string>{"0.jpg", "a10.jpg", "A2.JPG", "b.jpg", "Z.jpg", "_1.jpg"}));
}

TEST_F(FileSystemTest, UnreadableFolderListsNothingAndCannotBeEntered) {
  temp_.file("c/locked/inside.jpg");
  temp_.folder("c/locked/sub");
  chmod((temp_.path() / "c/locked").c_str(), 0);
  // As root the permission bits do not apply: check as an unprivileged user.
  FileSystem& fileSystem = *fs_;
  const std::optional<bool> locked = runUnprivileged([&] {
    const bool listed = !fileSystem.findFiles("C:\\locked\\*.*").empty();
    const bool entered = fileSystem.setCurrentDirectory("C:\\locked");
    const bool enteredBelow = fileSystem.setCurrentDirectory("C:\\locked\\sub");
    return !listed && !entered && !enteredBelow &&
           fileSystem.currentDirectory() == "C:\\Program Files";
  });
  if (!locked) GTEST_SKIP() << "running as root and cannot drop privileges";
  EXPECT_TRUE(*locked);
  chmod((temp_.path() / "c/locked").c_str(), 0644);  // readable, not enterable
  EXPECT_EQ(runUnprivileged([&] { return !fileSystem.setCurrentDirectory("C:\\locked"); }), true);
  EXPECT_EQ(
      runUnprivileged([&] { return fileSystem.setCurrentDirectory("C:\\Program Files\\Vistrel"); }),
      true);
}

TEST_F(FileSystemTest, OddNamesWork) {
  const std::string folder =
      "Stra\xC3\x9F"
      "e \xC3\x84rger 'one' \"two\"";  // Straße Ärger
  const std::string file =
      "\xC3\xBC"
      "ber 50% & more.JPG";  // über ...
  temp_.file("c/" + folder + "/" + file);
  const std::string lowerFolder =
      "stra\xC3\x9F"
      "e \xC3\xA4rger 'ONE' \"TWO\"";
  ASSERT_TRUE(fs_->setCurrentDirectory("C:\\" + lowerFolder));
  EXPECT_EQ(fs_->currentDirectory(), "C:\\" + folder);
  EXPECT_EQ(names(fs_->findFiles("*.jpg")), std::vector<std::string>{file});
  EXPECT_EQ(fs_->fullPath("\xC3\x9C"
                          "BER 50% & MORE.jpg"),
            "C:\\" + folder + "\\" + file);
  EXPECT_TRUE(
      fs_->fileExists("\xC3\x9C"
                      "ber 50% & more.jpg"));
  EXPECT_TRUE(fs_->createDirectory("new \xE2\x82\xAC folder"));  // €
  EXPECT_TRUE(fs::is_directory(temp_.path() / "c" / folder / "new \xE2\x82\xAC folder"));
}

TEST_F(FileSystemTest, CreateDirectoryNeedsAParentAndAFreeName) {
  EXPECT_TRUE(fs_->createDirectory("C:\\program files\\New"));
  EXPECT_TRUE(fs::is_directory(temp_.path() / "c/Program Files/New"));
  EXPECT_FALSE(fs_->createDirectory("C:\\Program Files\\NEW"));  // exists in another case
  EXPECT_FALSE(fs_->createDirectory("C:\\Missing\\New"));
  EXPECT_FALSE(fs_->createDirectory("C:\\"));
  EXPECT_FALSE(fs_->createDirectory("Q:\\New"));
  EXPECT_TRUE(fs_->directoryExists("c:\\PROGRAM FILES\\new"));
  EXPECT_FALSE(fs_->fileExists("c:\\PROGRAM FILES\\new"));
  EXPECT_TRUE(fs_->directoryExists("C:\\"));
  EXPECT_FALSE(fs_->directoryExists("Q:\\"));
}

TEST_F(FileSystemTest, DrivesReportTypesLabelsAndConnections) {
  EXPECT_EQ(fs_->logicalDrives(), (1u << 2) | (1u << 3) | (1u << 4) | (1u << 17));
  EXPECT_EQ(fs_->driveType("c:\\"), DriveType::Fixed);
  EXPECT_EQ(fs_->driveType("E:\\"), DriveType::CdRom);
  EXPECT_EQ(fs_->driveType("r:"), DriveType::Remote);
  EXPECT_EQ(fs_->driveType("q:\\"), DriveType::NoRootDir);
  EXPECT_EQ(fs_->driveType("c:\\Program Files"), DriveType::NoRootDir);

  std::string label = "unchanged";
  std::uint32_t flags = 0;
  ASSERT_TRUE(fs_->volumeInformation("c:\\", &label, &flags));
  EXPECT_EQ(label, "System");
  EXPECT_EQ(flags, kFsCaseIsPreserved);
  ASSERT_TRUE(fs_->volumeInformation("D:\\", &label, &flags));
  EXPECT_EQ(label, "");
  EXPECT_FALSE(fs_->volumeInformation("E:\\", &label, &flags));  // no media
  EXPECT_FALSE(fs_->volumeInformation("Q:\\", &label, &flags));

  EXPECT_EQ(fs_->remoteName("r:"), "\\\\server\\share");
  EXPECT_EQ(fs_->remoteName("C:"), std::nullopt);
  EXPECT_EQ(fs_->remoteName("Q:"), std::nullopt);
}

TEST_F(FileSystemTest, ProgramFolderComesFromTheLongestMatchingDrive) {
  struct Row {
    fs::path executable;
    const char* folder;
  };
  std::vector<Drive> drives = fs_->drives();
  drives.push_back(Drive{'P', temp_.path() / "c/Program Files", DriveType::Fixed, "", {}});
  FileSystem nested(drives, "C:\\");
  const Row rows[] = {
      {temp_.path() / "c/Vistrel/vistrel-preview", "C:\\Vistrel\\"},
      {temp_.path() / "c/vistrel-preview", "C:\\"},
      {temp_.path() / "c/Program Files/Vistrel/vistrel-preview", "P:\\Vistrel\\"},
      // No drive holds it (this table has no Z:): the host folder itself.
      {"/vistrel-preview", "\\\\?\\unix\\"},
  };
  for (const Row& row : rows) {
    nested.setExecutablePath(row.executable);
    EXPECT_EQ(nested.programFolder(), row.folder) << row.executable;
  }
  // An installed program (a system folder, or one the user cannot write)
  // keeps its videos in the user's videos folder, reached through the drive
  // table; asking without creating leaves the disk alone.
  const fs::path home = temp_.folder("home");
  const test::ScopedEnv homeVariable("HOME", home.string());
  const test::ScopedEnv configVariable("XDG_CONFIG_HOME", std::nullopt);
  const fs::path freshC = temp_.folder("fresh_c");
  FileSystem installed(
      {Drive{'C', freshC, DriveType::Fixed, "", {}}, Drive{'H', home, DriveType::Fixed, "", {}}},
      "C:\\");
  for (const char* executable : {"/usr/bin/vistrel-preview", "/usr/local/bin/vistrel-preview"}) {
    installed.setExecutablePath(executable);
    EXPECT_EQ(installed.programFolder(false), "H:\\Videos\\Vistrel\\") << executable;
    EXPECT_FALSE(fs::exists(home / "Videos"));
  }
  EXPECT_EQ(installed.programFolder(), "H:\\Videos\\Vistrel\\");
  EXPECT_TRUE(fs::is_directory(home / "Videos/Vistrel"));
  EXPECT_FALSE(fs::exists(freshC / "Program Files"));

  // The folder that user-dirs.dirs names: "$HOME/..." (escapes undone, the
  // last line winning, other folders' lines ignored) or an absolute path.
  temp_.file("home/.config/user-dirs.dirs",
             "# written by xdg-user-dirs-update\n"
             "XDG_VIDEOS_DIR=\"$HOME/Vids\"\n"
             "XDG_MUSIC_DIR=\"$HOME/Music\"\n"
             "  XDG_VIDEOS_DIR=\"$HOME/My \\$Films\"\n");
  EXPECT_EQ(installed.programFolder(false), "H:\\My $Films\\Vistrel\\");
  const fs::path config = temp_.folder("config");
  const test::ScopedEnv otherConfig("XDG_CONFIG_HOME", config.string());
  temp_.file("config/user-dirs.dirs", "XDG_VIDEOS_DIR=\"" + (freshC / "films").string() + "\"\n");
  EXPECT_EQ(installed.programFolder(), "C:\\films\\Vistrel\\");
  EXPECT_TRUE(fs::is_directory(freshC / "films/Vistrel"));

  // A folder the user cannot write, outside the system's folders.
  const fs::path locked = temp_.folder("locked");
  chmod(locked.c_str(), 0755);
  installed.setExecutablePath(locked / "vistrel-preview");
  const std::optional<bool> elsewhere =
      runUnprivileged([&] { return installed.programFolder(false) == "C:\\films\\Vistrel\\"; });
  if (elsewhere) {
    EXPECT_TRUE(*elsewhere);
  }
  // Without a path given, the running test program is the executable.
  const std::string own = fs_->programFolder();
  EXPECT_EQ(own.back(), '\\');
  EXPECT_EQ(own.rfind("\\\\?\\unix\\", 0), 0u) << own;
}

// With Z: mapped to some folder, a host path under no drive must still name
// that very path (never Z:'s folder), backslashes in its names included,
// through every call that takes a Windows path.
TEST_F(FileSystemTest, HostPathsNoDriveHoldsMeanThemselves) {
  const fs::path elsewhere = temp_.folder("elsewhere");
  const fs::path outside = temp_.folder("outside/back\\slash/bin");
  temp_.file("outside/back\\slash/bin/old.avi", "x");
  FileSystem files({Drive{'C', temp_.path() / "c", DriveType::Fixed, "", {}},
                    Drive{'Z', elsewhere, DriveType::Fixed, "", {}}},
                   "C:\\");
  const std::optional<std::string> named = files.fromHost(outside);
  ASSERT_TRUE(named);
  EXPECT_EQ(named->rfind("\\\\?\\unix\\", 0), 0u) << *named;
  EXPECT_EQ(named->find("back\\slash"), std::string::npos) << "the name's backslash splits it";
  EXPECT_EQ(files.toHost(*named), outside);
  EXPECT_TRUE(files.directoryExists(*named));
  EXPECT_EQ(names(files.findFiles(*named + "\\*.avi")), std::vector<std::string>{"old.avi"});
  EXPECT_EQ(files.toHostForCreate(*named + "\\new.avi"), outside / "new.avi");
  EXPECT_EQ(files.toHost(*named + "\\..\\bin\\old.avi"), outside / "old.avi");
  EXPECT_EQ(files.fullPath(*named + "\\.\\OLD.AVI"), *named + "\\old.avi");
  EXPECT_EQ(files.fromHost(elsewhere / "x"), "Z:\\x");
  // The current directory stays on a drive.
  EXPECT_FALSE(files.setCurrentDirectory(*named));
  EXPECT_EQ(files.currentDirectory(), "C:\\");

  files.setExecutablePath(outside / "vistrel-preview");
  const std::string program = files.programFolder(false);
  EXPECT_EQ(program, *named + "\\");
  EXPECT_EQ(files.toHostForCreate(program + "vistrel.avi"), outside / "vistrel.avi");
  EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST_F(FileSystemTest, InstanceCanBeReplaced) {
  FileSystem* mine = fs_.get();
  FileSystem::install(std::move(fs_));
  EXPECT_EQ(&FileSystem::instance(), mine);
  FileSystem::install(nullptr);
}

}  // namespace
}  // namespace vistrel::platform
