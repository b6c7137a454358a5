#include <gtest/gtest.h>

#include <string>

#include "browse/path_text.h"

namespace vistrel::browse {
namespace {

TEST(PathTextTest, DrivePartOfDriveAndNetworkPaths) {
  EXPECT_EQ(drivePart("C:\\Program Files"), "C:");
  EXPECT_EQ(drivePart("c:"), "c:");
  EXPECT_EQ(drivePart("\\\\server\\share\\dir\\sub"), "\\\\server\\share");
  EXPECT_EQ(drivePart("\\\\server\\share"), "\\\\server\\share");
  EXPECT_EQ(drivePart("\\Program Files"), "");
  EXPECT_EQ(drivePart("Records"), "");
}

TEST(PathTextTest, JoinAddsOneSeparator) {
  EXPECT_EQ(joinPath("C:\\", "*.*"), "C:\\*.*");
  EXPECT_EQ(joinPath("C:\\Records", "*.*"), "C:\\Records\\*.*");
}

TEST(PathTextTest, FileNameIsAfterLastSeparatorOrColon) {
  EXPECT_EQ(fileNamePart("\\a\\b.jpg"), "b.jpg");
  EXPECT_EQ(fileNamePart("c:b"), "b");
  EXPECT_EQ(fileNamePart("\\a\\"), "");
  EXPECT_EQ(fileNamePart("plain"), "plain");
}

// One pixel per byte keeps the expected widths readable.
int byteWidth(const std::string& text) { return static_cast<int>(text.size()); }

struct ShortenRow {
  const char* path;
  int width;
  const char* expected;
};

class ShortenPathTest : public ::testing::TestWithParam<ShortenRow> {};

TEST_P(ShortenPathTest, DropsLeadingFoldersUntilItFits) {
  const ShortenRow& row = GetParam();
  EXPECT_EQ(ShortenPath(row.path, row.width, byteWidth), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Widths, ShortenPathTest,
    ::testing::Values(ShortenRow{"C:\\Program Files\\Vistrel\\Records", 100,
                                 "C:\\Program Files\\Vistrel\\Records"},
                      ShortenRow{"C:\\Program Files\\Vistrel\\Records", 30,
                                 "C:\\...\\Vistrel\\Records"},
                      ShortenRow{"C:\\Program Files\\Vistrel\\Records", 20, "C:\\...\\Records"},
                      ShortenRow{"C:\\Program Files\\Vistrel\\Records", 12, "...\\Records"},
                      ShortenRow{"C:\\Program Files\\Vistrel\\Records", 3, "Records"},
                      ShortenRow{"C:\\Records", 5, "Records"}, ShortenRow{"C:\\", 1, ""},
                      // A folder whose name starts with dots is cut like any other.
                      ShortenRow{"C:\\.cache\\a\\name", 13, "C:\\...\\a\\name"},
                      ShortenRow{"\\\\server\\share\\dir\\name", 15, "\\...\\dir\\name"}));

}  // namespace
}  // namespace vistrel::browse
