#include <gtest/gtest.h>

#include <string>

#include "browse/resolve_path.h"
#include "platform/file_system.h"
#include "temporary_drives.h"

namespace vistrel::browse {
namespace {

using platform::DriveType;
using testing::TemporaryDrives;

struct ResolveRow {
  const char* path;
  char drive;
  const char* folder;
  const char* file;
};

class ResolvePathTest : public ::testing::TestWithParam<ResolveRow> {
 protected:
  ResolvePathTest() {
    const auto c = drives_.add(testing::drive('C', DriveType::Fixed, "System"));
    const auto d = drives_.add(testing::drive('D', DriveType::Fixed, "Data"));
    TemporaryDrives::makeFile(c, "Program Files/Vistrel/Records/2024-01-15/07/0700.jpg");
    TemporaryDrives::makeFolder(d, "Camera");
    drives_.install("D:\\Camera");
    platform::FileSystem::instance().setCurrentDirectory("C:\\Program Files\\Vistrel");
  }

  TemporaryDrives drives_;
};

TEST_P(ResolvePathTest, SplitsAndRestoresTheCurrentDirectory) {
  const ResolveRow& row = GetParam();
  platform::FileSystem& fileSystem = platform::FileSystem::instance();
  const ResolvedPath resolved = ResolvePath(row.path, fileSystem);
  EXPECT_EQ(resolved.drive, row.drive);
  EXPECT_EQ(resolved.folder, row.folder);
  EXPECT_EQ(resolved.file, row.file);
  EXPECT_EQ(fileSystem.currentDirectory(), "C:\\Program Files\\Vistrel");
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ResolvePathTest,
    ::testing::Values(ResolveRow{"c:\\Program Files\\Vistrel\\Records\\", 'c',
                                 "\\Program Files\\Vistrel\\Records", ""},
                      ResolveRow{"C:\\Program Files\\Vistrel\\Records\\2024-01-15\\07\\0700.jpg",
                                 'C', "\\Program Files\\Vistrel\\Records\\2024-01-15\\07",
                                 "0700.jpg"},
                      ResolveRow{"C:\\Program Files\\*.jpg", 'C', "\\Program Files", "*.jpg"},
                      ResolveRow{"C:\\", 'C', "\\", ""},
                      ResolveRow{"C:\\Windows", 'C', "\\Windows", ""},
                      // A drive alone: that drive's own current directory.
                      ResolveRow{"d:", 'd', "\\Camera", ""},
                      ResolveRow{"C:", 'C', "\\Program Files\\Vistrel", ""},
                      // Relative names resolve against the process's current directory.
                      ResolveRow{"Records", 'C', "\\Program Files\\Vistrel\\Records", ""},
                      ResolveRow{"Records\\2024-01-15", 'C', "Records\\2024-01-15", ""},
                      ResolveRow{"[\\Program Files]", 'C', "\\Program Files", ""}));

}  // namespace
}  // namespace vistrel::browse
