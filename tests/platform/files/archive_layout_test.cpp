// The archive's layout: folder names read and written, a snapshot's time, the
// folders and snapshots listed in playing order, and the archive found around
// any folder of it.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/archive_layout.h"
#include "platform/file_system.h"
#include "temp_folder.h"

namespace vistrel::platform {
namespace {

namespace fs = std::filesystem;

TEST(ArchiveLayout, FolderNamesReadAndWrittenAsTheRecorderNamesThem) {
  EXPECT_EQ(dateOfFolderName("2026-12-06"), QDate(2026, 12, 6));
  EXPECT_EQ(dateOfFolderName("2024-02-29"), QDate(2024, 2, 29));
  for (const char* name : {"2026-02-30", "2026-12-6", "2026_12_06", "2026-12-06 ", "+026-12-06",
                           "2026-13-01", "", "Holiday"})
    EXPECT_FALSE(dateOfFolderName(name).isValid()) << name;
  EXPECT_EQ(dateFolderName(QDate(987, 3, 4)), "0987-03-04");

  EXPECT_EQ(hourOfFolderName("00"), 0);
  EXPECT_EQ(hourOfFolderName("09"), 9);
  EXPECT_EQ(hourOfFolderName("23"), 23);
  for (const char* name : {"24", "7", "007", " 7", "+7", "-1", "0a", ""})
    EXPECT_EQ(hourOfFolderName(name), -1) << name;
  for (int hour = 0; hour <= kLastHour; ++hour)
    EXPECT_EQ(hourOfFolderName(hourFolderName(hour)), hour);
}

TEST(ArchiveLayout, SnapshotTimeFromTheFoldersAndTheNameOrTheFile) {
  const QDateTime modified(QDate(2027, 1, 2), QTime(9, 41, 12));
  const QDateTime hour(QDate(2026, 12, 6), QTime(7, 0));
  struct Row {
    const char* path;
    QDateTime modified;
    QDateTime expected;
  };
  const char* kHour = "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07\\";
  const Row rows[] = {
      {"071530.jpg", modified, hour.addSecs(15 * 60 + 30)},
      {"071530", modified, hour.addSecs(15 * 60 + 30)},
      {"081530.jpg", modified, hour.addSecs(41 * 60 + 12)},  // another hour's name
      {"076001.jpg", modified, hour.addSecs(41 * 60 + 12)},  // no such minute
      {"07153.jpg", modified, hour.addSecs(41 * 60 + 12)},
      {"snap0.jpg", modified, hour.addSecs(41 * 60 + 12)},
      {"snap0.jpg", QDateTime(), hour},
  };
  for (const Row& row : rows) {
    const std::string path = std::string(kHour) + row.path;
    EXPECT_EQ(snapshotTime(path, row.modified), row.expected) << path;
  }
  // Host paths read the same.
  EXPECT_EQ(snapshotTime("/srv/cam/2026-12-06/07/071530.jpg", modified),
            hour.addSecs(15 * 60 + 30));
  // Folders that do not read as a date and an hour: the file's time, whole.
  for (const char* path :
       {"C:\\Records\\2026-02-30\\07\\071530.jpg", "C:\\Records\\2026-12-06\\24\\241530.jpg",
        "C:\\Records\\2026-12-06\\7\\071530.jpg", "C:\\Records\\Holiday\\07\\071530.jpg",
        "C:\\Records\\2026-12-6\\07\\071530.jpg", "C:\\071530.jpg"}) {
    EXPECT_EQ(snapshotTime(path, modified), modified) << path;
    EXPECT_FALSE(snapshotTime(path, QDateTime()).isValid()) << path;
  }
}

class ArchiveLayoutFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    FileSystem::install(std::make_unique<FileSystem>(
        std::vector<Drive>{Drive{'C', temp_.path(), DriveType::Fixed, "", {}}}, "C:\\"));
  }
  void TearDown() override { FileSystem::install(nullptr); }

  test::TempFolder temp_;
};

TEST_F(ArchiveLayoutFiles, HoursDatesAndSnapshotsAreListedInPlayingOrder) {
  temp_.file("Records/2026-12-06/23/b.jpg");
  temp_.file("Records/2026-12-06/07/B.JPG");
  temp_.file("Records/2026-12-06/07/a.jpg");
  temp_.file("Records/2026-12-06/07/.hidden.jpg");
  temp_.file("Records/2026-12-06/07/notes.txt");
  temp_.folder("Records/2026-12-06/07/sub.jpg");
  temp_.folder("Records/2026-12-06/24");  // not an hour
  temp_.folder("Records/2026-12-06/7");   // not an hour either
  temp_.folder("Records/2026-12-06/12");  // cannot be entered
  chmod((temp_.path() / "Records/2026-12-06/12").c_str(), 0);
  temp_.folder("Records/2026-12-05/00");
  temp_.folder("Records/empty");
  temp_.file("Records/2026-12-07.jpg");

  const bool asRoot = geteuid() == 0;  // root enters any folder
  std::vector<std::string> hours = {"C:\\Records\\2026-12-06\\07"};
  if (asRoot) hours.push_back("C:\\Records\\2026-12-06\\12");
  hours.push_back("C:\\Records\\2026-12-06\\23");
  EXPECT_EQ(hourFolders("c:\\records\\2026-12-06"), hours);
  EXPECT_EQ(hourFolders("C:\\Records\\2026-12-06", 8, 23),
            std::vector<std::string>(hours.begin() + 1, hours.end()));
  EXPECT_EQ(hourFolders("C:\\Records\\2026-12-06", 0, 6), std::vector<std::string>{});
  EXPECT_TRUE(holdsHourFolders("C:\\Records\\2026-12-05"));
  EXPECT_FALSE(holdsHourFolders("C:\\Records\\empty"));
  EXPECT_FALSE(holdsHourFolders("C:\\Records\\missing"));

  EXPECT_EQ(dateFolders("c:\\records"),
            (std::vector<std::string>{"C:\\Records\\2026-12-05", "C:\\Records\\2026-12-06"}));
  EXPECT_EQ(snapshotNames("C:\\Records\\2026-12-06\\07"),
            (std::vector<std::string>{"a.jpg", "B.JPG"}));
  EXPECT_TRUE(snapshotNames("C:\\Records\\missing").empty());
}

TEST(ArchiveLayoutPlaces, TheArchiveIsFoundAroundAnyOfItsFolders) {
  test::TempFolder temp;
  temp.file("disk/Program Files/Vistrel/Records/2026-12-06/07/071530.jpg");
  temp.file("copy/2026-12-06/07/071530.jpg");
  temp.folder("copy/2026-12-06/Holiday");
  temp.folder("loose/07");
  temp.file("loose/notes.txt");
  const fs::path disk = temp.path() / "disk";
  const fs::path records = disk / "Program Files/Vistrel/Records";
  const fs::path copy = temp.path() / "copy";
  struct Row {
    fs::path given;
    std::optional<fs::path> root;
    std::vector<std::string> below;
  };
  const Row rows[] = {
      {disk, records, {}},
      {disk / "Program Files", records, {}},
      {disk / "Program Files/Vistrel", records, {}},
      {records, records, {}},
      {records / "2026-12-06", records, {"2026-12-06"}},
      {records / "2026-12-06/07", records, {"2026-12-06", "07"}},
      {records / "2026-12-06/07/071530.jpg", records, {"2026-12-06", "07"}},
      {copy, copy, {}},
      {copy / "2026-12-06", copy, {"2026-12-06"}},
      {copy / "2026-12-06/07", copy, {"2026-12-06", "07"}},
      {copy / "2026-12-06/Holiday", std::nullopt, {}},
      {copy / "2026-12-06/07/missing.jpg", std::nullopt, {}},
      {temp.path() / "loose", std::nullopt, {}},
      {temp.path() / "loose/07", std::nullopt, {}},
      {temp.path() / "loose/notes.txt", std::nullopt, {}},
  };
  for (const Row& row : rows) {
    const std::optional<ArchivePlace> place = findArchive(row.given);
    ASSERT_EQ(place.has_value(), row.root.has_value()) << row.given;
    if (!place) continue;
    EXPECT_EQ(place->recordsRoot, *row.root) << row.given;
    EXPECT_EQ(place->below, row.below) << row.given;
  }
}

}  // namespace
}  // namespace vistrel::platform
