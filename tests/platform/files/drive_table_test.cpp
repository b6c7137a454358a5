#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/drive_table.h"
#include "scoped_env.h"
#include "temp_folder.h"

namespace vistrel::platform {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

using test::ScopedEnv;

// A mount table in the kernel's format, with the sysfs and udev folders the
// scan consults.
class MountTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sources_.mountInfo =
        temp_.file("mountinfo",
                   "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
                   "23 27 0:22 / /sys rw,relatime - sysfs sysfs rw\n"
                   "25 24 0:23 / /dev/shm rw,relatime - tmpfs tmpfs rw\n"
                   "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
                   "31 23 0:28 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw,mode=755\n"
                   "41 31 0:38 / /srv/cg rw,relatime - cgroup2 cgroup2 rw\n"
                   "42 27 0:39 / /run/user/1000 rw - tmpfs tmpfs rw\n"
                   "43 27 8:17 / /run/media/alice/USB\\040STICK rw shared:5 - vfat /dev/sdb1 rw\n"
                   "44 27 11:0 / /mnt/cd ro - iso9660 /dev/sr0 ro\n"
                   "45 27 0:40 / /mnt/nas rw - cifs //nas/photos/2026 rw\n"
                   "46 27 0:41 / /mnt/nfs rw - nfs4 server:/export/records rw\n"
                   "47 27 0:42 / /mnt/ssh rw - fuse.sshfs alice@host:/home/alice rw\n"
                   "48 27 0:43 / /mnt/ram rw - tmpfs scratch rw\n"
                   "49 27 259:2 / /data rw - ext4 /dev/nvme0n1p2 rw\n"
                   "50 27 7:1 / /snap/core/1 ro - squashfs /dev/loop1 ro\n"
                   "51 27 254:0 /etc/hosts-file /etc/hosts rw - ext4 /dev/vda rw\n"
                   "52 27 0:44 / /mnt/share rw - 9p hostshare rw\n"
                   "53 27 0:45 / /mnt/ram rw - ext4 /dev/sdc1 rw\n"  // hides the tmpfs below it
                   "garbage line without the separator\n");
    temp_.file("sys/block/sdb/removable", "1\n");
    temp_.file("sys/block/sdc/removable", "0\n");
    temp_.file("sys/block/nvme0n1/removable", "0\n");
    sources_.sysBlock = temp_.path() / "sys/block";
    sources_.byLabel = temp_.folder("by-label");
    fs::create_symlink("../../sdb1", sources_.byLabel / "USB\\x20STICK");
    fs::create_symlink("../../nvme0n1p2", sources_.byLabel / "Data");
    fs::create_symlink("../../sr0", sources_.byLabel / "HOLIDAY_2026");
  }

  TempFolder temp_;
  MountSources sources_;
};

TEST_F(MountTableTest, VolumesGetLettersTypesLabelsAndRemoteNames) {
  struct Row {
    char letter;
    const char* hostRoot;
    DriveType type;
    const char* label;
    const char* remoteName;
  };
  const Row expected[] = {
      {'D', "/data", DriveType::Fixed, "Data", ""},
      {'E', "/mnt/cd", DriveType::CdRom, "HOLIDAY_2026", ""},
      {'F', "/mnt/nas", DriveType::Remote, "", "\\\\nas\\photos\\2026"},
      {'G', "/mnt/nfs", DriveType::Remote, "", "\\\\server\\export\\records"},
      {'H', "/mnt/ram", DriveType::Fixed, "", ""},
      {'I', "/mnt/share", DriveType::Remote, "", "\\\\hostshare"},
      {'J', "/mnt/ssh", DriveType::Remote, "", "\\\\host\\home\\alice"},
      {'K', "/run/media/alice/USB STICK", DriveType::Removable, "USB STICK", ""},
  };
  const std::vector<Drive> drives = mountedDrives(sources_);
  ASSERT_EQ(drives.size(), std::size(expected));
  for (std::size_t i = 0; i < drives.size(); ++i) {
    EXPECT_EQ(drives[i].letter, expected[i].letter);
    EXPECT_EQ(drives[i].hostRoot, expected[i].hostRoot);
    EXPECT_EQ(drives[i].type, expected[i].type) << expected[i].hostRoot;
    EXPECT_EQ(drives[i].label, expected[i].label) << expected[i].hostRoot;
    EXPECT_EQ(drives[i].remoteName, expected[i].remoteName);
  }
}

TEST_F(MountTableTest, RamDisksAndTheLetterLimit) {
  std::string table = "30 1 0:50 / /tmp rw - tmpfs tmpfs rw\n";
  for (int i = 0; i < 30; ++i) {
    table += "60 1 0:51 / /mnt/v" + std::to_string(100 + i) + " rw - ext4 /dev/vd" +
             std::to_string(i) + " rw\n";
  }
  sources_.mountInfo = temp_.file("many", table);
  const std::vector<Drive> drives = mountedDrives(sources_);
  ASSERT_EQ(drives.size(), 22u);  // D: to Y:
  EXPECT_EQ(drives.front().hostRoot, "/mnt/v100");
  EXPECT_EQ(drives.back().letter, 'Y');
  sources_.mountInfo = temp_.file("ram", "30 1 0:50 / /tmp rw - tmpfs tmpfs rw\n");
  ASSERT_EQ(mountedDrives(sources_).size(), 1u);
  EXPECT_EQ(mountedDrives(sources_).front().type, DriveType::RamDisk);
  sources_.mountInfo = temp_.path() / "missing";
  EXPECT_TRUE(mountedDrives(sources_).empty());
}

TEST_F(MountTableTest, DefaultTableAppliesDriveOptions) {
  const fs::path c = temp_.folder("wine/drive_c");
  const fs::path archive = temp_.folder("archive");
  ScopedEnv driveC("VISTREL_DRIVE_C", c.string());
  const std::vector<Drive> drives =
      defaultDrives({"d:=" + archive.string(), "Q:=" + archive.string() + "/"}, sources_);
  std::string letters;
  for (const Drive& d : drives) letters += d.letter;
  EXPECT_EQ(letters, "CDEFGHIJKQZ");
  EXPECT_EQ(drives[0].hostRoot, c);
  EXPECT_EQ(drives[1].hostRoot, archive);
  EXPECT_EQ(drives[1].type, DriveType::Fixed);
  EXPECT_EQ(drives[1].label, "");
  EXPECT_EQ(drives[9].hostRoot, archive);
  EXPECT_EQ(drives[10].hostRoot, "/");

  const std::string text = describeDrives(drives);
  EXPECT_NE(text.find("C:  fixed"), std::string::npos) << text;
  EXPECT_NE(text.find("E:  CD-ROM    [HOLIDAY_2026]"), std::string::npos) << text;
  EXPECT_NE(text.find("\\\\nas\\photos\\2026"), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);

  // One letter mapped twice is refused, naming both folders, in either case.
  try {
    defaultDrives({"q:=" + archive.string(), "Q:=" + c.string()}, sources_);
    ADD_FAILURE() << "a letter given twice was taken";
  } catch (const EDriveOption& error) {
    EXPECT_NE(std::string(error.what()).find("Drive Q: is given twice"), std::string::npos)
        << error.what();
  }
}

TEST(DefaultDriveC, FallsBackInOrderAndCreatesTheLastResort) {
  TempFolder temp;
  const fs::path home = temp.folder("home");
  ScopedEnv homeEnv("HOME", home.string());
  ScopedEnv driveC("VISTREL_DRIVE_C", temp.path().string() + "/missing");
  ScopedEnv prefix("WINEPREFIX", temp.path().string() + "/prefix");
  ScopedEnv data("XDG_DATA_HOME", std::nullopt);

  EXPECT_EQ(defaultDriveC(false), home / ".local/share/vistrel/drive_c");
  EXPECT_FALSE(fs::exists(home / ".local"));  // --help names it without creating it
  EXPECT_EQ(defaultDriveC(), home / ".local/share/vistrel/drive_c");
  EXPECT_TRUE(fs::is_directory(home / ".local/share/vistrel/drive_c"));
  temp.folder("home/.wine/drive_c");
  EXPECT_EQ(defaultDriveC(), home / ".wine/drive_c");
  temp.folder("prefix/drive_c");
  EXPECT_EQ(defaultDriveC(), temp.path() / "prefix/drive_c");
  temp.folder("missing");
  EXPECT_EQ(defaultDriveC(), temp.path() / "missing");
}

TEST(ParseDriveOption, AcceptsLetterAndExistingFolder) {
  TempFolder temp;
  const Drive lower = parseDriveOption("d:=" + temp.path().string());
  EXPECT_EQ(lower.letter, 'D');
  EXPECT_EQ(lower.hostRoot, temp.path());
  EXPECT_EQ(lower.type, DriveType::Fixed);
  EXPECT_EQ(parseDriveOption("X:=" + temp.path().string() + "/").hostRoot, temp.path());
  EXPECT_EQ(parseDriveOption("Y:=/").hostRoot, "/");
}

TEST(ParseDriveOption, RejectsBadFormsClearly) {
  const char* bad[] = {"",
                       "D",
                       "D:",
                       "D:=",
                       "D=/tmp",
                       "DD:=/tmp",
                       "1:=/tmp",
                       ":=/tmp",
                       "D:/tmp",
                       "D:=/no/such/folder",
                       "D:=/etc/hostname"};
  for (const char* option : bad) {
    try {
      parseDriveOption(option);
      ADD_FAILURE() << "accepted " << option;
    } catch (const Exception& error) {
      EXPECT_STREQ(error.className(), "EDriveOption");
      EXPECT_NE(std::string(error.what()).find("X:=HOSTDIR"), std::string::npos) << error.what();
      EXPECT_NE(std::string(error.what()).find(std::string("\"") + option + "\""),
                std::string::npos)
          << error.what();
    }
  }
}

}  // namespace
}  // namespace vistrel::platform
