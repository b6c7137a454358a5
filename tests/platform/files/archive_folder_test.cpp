// Opening an archive given as a host folder: the shapes accepted, the drive
// C each gives, and deletes through a linked records root.

#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/archive_folder.h"
#include "platform/shell_operations.h"
#include "temp_folder.h"

namespace vistrel::platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* kHour = "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07";

class ArchiveFolderTest : public ::testing::Test {
 protected:
  // The file system with drive C as `archive` gives it.
  static FileSystem filesOf(const ArchiveFolder& archive) {
    return FileSystem({archive.driveC, Drive{'Z', "/", DriveType::Fixed, "", {}}}, "C:\\");
  }
  fs::path linkBase() const { return temp_.path() / "links"; }

  test::TempFolder temp_;
};

TEST_F(ArchiveFolderTest, EachShapeMapsDriveCSoThatTheRecordsRootIsWhereTheWindowLooks) {
  temp_.file("disk/program files/VISTREL/records/2026-12-06/07/snap.jpg");
  const fs::path disk = temp_.path() / "disk";
  // A drive root, its Program Files and Vistrel folders and the records root
  // itself, names in any case, with or without a trailing "/": drive C is
  // the drive root, as --drive C:= maps it, and no link folder is made.
  for (const fs::path& given :
       {disk, disk / "program files/", disk / "program files/VISTREL",
        disk / "program files/VISTREL/records", disk / "./program files/VISTREL/records/"}) {
    const ArchiveFolder archive = openArchiveFolder(given, linkBase());
    EXPECT_EQ(archive.driveC.letter, 'C');
    EXPECT_EQ(archive.driveC.hostRoot, disk) << given;
    EXPECT_EQ(archive.recordsRoot, disk / "program files/VISTREL/records") << given;
    EXPECT_TRUE(filesOf(archive).fileExists(std::string(kHour) + "\\snap.jpg")) << given;
  }
  EXPECT_FALSE(fs::exists(linkBase()));

  // A records root under other names (found by its date folders, or by its
  // own name when it is still empty), and a Vistrel folder whose parent is
  // not Program Files: drive C is a folder of links.
  temp_.file("copies/archive/2026-12-06/07/snap.jpg");
  temp_.folder("copies/fresh/RECORDS");
  temp_.file("copies/Vistrel/Records/2026-12-06/07/snap.jpg");
  // A name as long as a file name may be: the link folder's own name would
  // be too long with the key added. It is cut between two characters.
  std::string longName(95, 'a');
  for (int i = 0; i < 80; ++i) longName += "\xC3\xA9";  // "é"
  temp_.file("copies/" + longName + "/2026-12-06/07/snap.jpg");
  const std::string longRoot = "copies/" + longName;
  const std::pair<const char*, const char*> rows[] = {
      {"copies/archive", "copies/archive"},
      {"copies/fresh/RECORDS", "copies/fresh/RECORDS"},
      {"copies/Vistrel", "copies/Vistrel/Records"},
      {longRoot.c_str(), longRoot.c_str()},
  };
  for (const auto& [given, recordsRoot] : rows) {
    const fs::path named =
        openArchiveFolder(temp_.path() / given, linkBase(), false).driveC.hostRoot;
    EXPECT_FALSE(fs::exists(named)) << "asked not to create: " << given;
    const ArchiveFolder archive = openArchiveFolder(temp_.path() / given, linkBase());
    EXPECT_EQ(archive.recordsRoot, temp_.path() / recordsRoot);
    EXPECT_EQ(archive.driveC.hostRoot, named);
    EXPECT_EQ(named.parent_path(), linkBase()) << given;
    EXPECT_TRUE(filesOf(archive).directoryExists("C:\\Program Files\\Vistrel\\Records")) << given;
  }
  const std::string longLink =
      openArchiveFolder(temp_.path() / longRoot, linkBase()).driveC.hostRoot.filename().string();
  EXPECT_EQ(longLink.rfind(std::string(95, 'a') + "-", 0), 0u) << longLink;
  const ArchiveFolder copy = openArchiveFolder(temp_.path() / "copies/archive", linkBase());
  EXPECT_TRUE(filesOf(copy).fileExists(std::string(kHour) + "\\snap.jpg"));
  // Opening it again reuses the folder, and a link changed meanwhile is
  // pointed at the records root again.
  const fs::path link = copy.driveC.hostRoot / "Program Files/Vistrel/Records";
  fs::remove(link);
  fs::create_directory_symlink(temp_.path(), link);
  EXPECT_EQ(openArchiveFolder(temp_.path() / "copies/archive", linkBase()).driveC.hostRoot,
            copy.driveC.hostRoot);
  EXPECT_EQ(fs::read_symlink(link), temp_.path() / "copies/archive");
}

TEST_F(ArchiveFolderTest, FolderWithoutArchiveIsRefusedNamingWhatWasLookedFor) {
  temp_.file("plain/notes.txt");
  temp_.file("plain/2026-12-06/snap.jpg");      // a folder without hour folders
  temp_.folder("plain/2026-12-07/24");          // not an hour
  temp_.folder("plain/Program Files/Vistrel");  // no Records in it
  const fs::path plain = temp_.path() / "plain";
  try {
    openArchiveFolder(plain, linkBase());
    FAIL() << "accepted";
  } catch (const ENoArchive& error) {
    const std::string message = error.what();
    for (const std::string& part :
         {"\"" + plain.string() + "\"", std::string("no snapshot archive"),
          std::string("Program Files/Vistrel/Records"), std::string("hour folders 00 to 23")}) {
      EXPECT_NE(message.find(part), std::string::npos) << part << " in " << message;
    }
  }
  EXPECT_THROW(openArchiveFolder(temp_.path() / "missing", linkBase()), ENoArchive);
  EXPECT_THROW(openArchiveFolder(plain / "notes.txt", linkBase()), ENoArchive);
  EXPECT_FALSE(fs::exists(linkBase()));
}

TEST_F(ArchiveFolderTest, DeletesThroughALinkedRecordsRootStayInsideIt) {
  temp_.file("mnt/archive/2026-12-06/07/snap.jpg");
  temp_.file("mnt/archive/2026-12-07/08/snap.jpg");
  temp_.file("mnt/beside/keep.jpg");
  // A link inside a date folder to a folder outside the archive.
  fs::create_directory_symlink(temp_.path() / "mnt/beside",
                               temp_.path() / "mnt/archive/2026-12-06/outside");
  const ArchiveFolder archive = openArchiveFolder(temp_.path() / "mnt/archive", linkBase());
  const FileSystem files = filesOf(archive);
  std::string error;

  ASSERT_TRUE(deleteFolder(files, "C:\\Program Files\\Vistrel\\Records\\2026-12-06", &error))
      << error;
  EXPECT_FALSE(fs::exists(temp_.path() / "mnt/archive/2026-12-06"));
  EXPECT_TRUE(fs::exists(temp_.path() / "mnt/beside/keep.jpg"));
  EXPECT_TRUE(files.fileExists("C:\\Program Files\\Vistrel\\Records\\2026-12-07\\08\\snap.jpg"));

  // The records root itself is a link: deleting it removes the link only.
  ASSERT_TRUE(deleteFolder(files, "C:\\Program Files\\Vistrel\\Records", &error)) << error;
  EXPECT_TRUE(fs::exists(temp_.path() / "mnt/archive/2026-12-07/08/snap.jpg"));
  EXPECT_FALSE(fs::exists(archive.driveC.hostRoot / "Program Files/Vistrel/Records"));
}

}  // namespace
}  // namespace vistrel::platform
