// The archive watcher on a temporary drive C: complete snapshots and new
// folders are reported, bursts are gathered, vanished folders are survived.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <QTest>

#include <gtest/gtest.h>

#include "platform/archive_folder.h"
#include "platform/archive_watcher.h"
#include "tests/browse/temporary_drives.h"

namespace vistrel::platform {
namespace {

namespace fs = std::filesystem;

const std::string kRoot = kRecordsRoot;
const std::string kDate = kRoot + "\\2026-12-08";
const std::string kHour = kDate + "\\10";
constexpr int kWaitMs = 20000;

class ArchiveWatcherTest : public ::testing::Test {
 protected:
  ArchiveWatcherTest() {
    c_ = drives_.add(browse::testing::drive('C', DriveType::Fixed));
    root_ = c_ / "Program Files/Vistrel/Records";
    fs::create_directories(root_ / "2026-12-08/10");
    drives_.install("C:\\");
    QObject::connect(&watcher_, &ArchiveWatcher::hourChanged,
                     [this](const std::string& folder) { hours_.push_back(folder); });
    QObject::connect(&watcher_, &ArchiveWatcher::foldersChanged,
                     [this](const std::string& folder) { parents_.push_back(folder); });
  }

  static void write(const fs::path& file) { std::ofstream(file) << "snapshot"; }
  static bool seen(const std::vector<std::string>& reports, const std::string& folder) {
    return std::find(reports.begin(), reports.end(), folder) != reports.end();
  }
  bool waitFor(const std::vector<std::string>& reports, const std::string& folder) {
    return QTest::qWaitFor([&] { return seen(reports, folder); }, kWaitMs);
  }

  browse::testing::TemporaryDrives drives_;
  fs::path c_;
  fs::path root_;
  ArchiveWatcher watcher_;
  std::vector<std::string> hours_;
  std::vector<std::string> parents_;
};

TEST_F(ArchiveWatcherTest, ReportsCompleteSnapshotsAndNewFolders) {
  ASSERT_TRUE(watcher_.watch("c:\\program files\\vistrel\\records"));
  EXPECT_EQ(watcher_.recordsRoot(), kRoot);  // in the folders' own spelling
  EXPECT_EQ(watcher_.watchedFolders(), 3u);

  // Open for writing: not yet a snapshot. A new hour made afterwards is
  // reported after the open file's creation was seen.
  const int open = ::open((root_ / "2026-12-08/10/100000.jpg").c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(open, 0);
  fs::create_directory(root_ / "2026-12-08/11");
  ASSERT_TRUE(waitFor(parents_, kDate));
  EXPECT_TRUE(watcher_.beingWritten(kHour + "\\100000.JPG"));
  EXPECT_FALSE(seen(hours_, kHour));
  ASSERT_EQ(::write(open, "x", 1), 1);
  ::close(open);
  ASSERT_TRUE(waitFor(hours_, kHour));
  EXPECT_FALSE(watcher_.beingWritten(kHour + "\\100000.jpg"));

  // Renamed into place; and in the hour made above, which is watched now.
  hours_.clear();
  write(c_ / "100001.tmp");
  fs::rename(c_ / "100001.tmp", root_ / "2026-12-08/10/100001.jpg");
  write(root_ / "2026-12-08/11/110000.jpg");
  ASSERT_TRUE(waitFor(hours_, kHour));
  ASSERT_TRUE(waitFor(hours_, kDate + "\\11"));

  // A new date with its hour and a snapshot, made faster than the watches
  // can follow, is reported whole; later snapshots there too.
  hours_.clear();
  fs::create_directories(root_ / "2026-12-09/00");
  write(root_ / "2026-12-09/00/000000.jpg");
  ASSERT_TRUE(waitFor(parents_, kRoot));
  ASSERT_TRUE(waitFor(hours_, kRoot + "\\2026-12-09\\00"));
  hours_.clear();
  write(root_ / "2026-12-09/00/000001.jpg");
  ASSERT_TRUE(waitFor(hours_, kRoot + "\\2026-12-09\\00"));

  // Removed by someone else.
  hours_.clear();
  fs::remove(root_ / "2026-12-08/10/100000.jpg");
  ASSERT_TRUE(waitFor(hours_, kHour));
}

TEST_F(ArchiveWatcherTest, GathersABurstIntoFewReports) {
  ASSERT_TRUE(watcher_.watch(kRoot));
  // A recorder far faster than any real one, with the event loop running
  // between its snapshots as it does in the window.
  constexpr int kSnapshots = 100;
  for (int i = 0; i < kSnapshots; ++i) {
    write(root_ / "2026-12-08/10" / (std::to_string(100000 + i) + ".jpg"));
    QTest::qWait(5);
  }
  fs::create_directory(root_ / "2026-12-08/12");  // reported after the last snapshot
  ASSERT_TRUE(waitFor(parents_, kDate));
  ASSERT_TRUE(QTest::qWaitFor([&] { return seen(hours_, kDate + "\\12"); }, kWaitMs));
  EXPECT_GE(hours_.size(), 2u);
  EXPECT_LT(std::count(hours_.begin(), hours_.end(), kHour), kSnapshots / 3);
}

TEST_F(ArchiveWatcherTest, SurvivesFoldersThatVanish) {
  ASSERT_TRUE(watcher_.watch(kRoot));
  fs::remove_all(root_ / "2026-12-08/10");
  ASSERT_TRUE(waitFor(parents_, kDate));
  EXPECT_TRUE(waitFor(hours_, kHour));
  EXPECT_EQ(watcher_.watchedFolders(), 2u);

  // A date moved away no longer reports under its old name.
  fs::create_directories(root_ / "2026-12-08/13");
  ASSERT_TRUE(QTest::qWaitFor([&] { return watcher_.watchedFolders() == 3u; }, kWaitMs));
  parents_.clear();
  fs::rename(root_ / "2026-12-08", c_ / "elsewhere");
  ASSERT_TRUE(waitFor(parents_, kRoot));
  EXPECT_EQ(watcher_.watchedFolders(), 1u);
  hours_.clear();
  write(c_ / "elsewhere/13/130000.jpg");

  // The records root itself goes: reported, nothing left to watch.
  parents_.clear();
  fs::remove_all(root_);
  ASSERT_TRUE(waitFor(parents_, kRoot));
  EXPECT_EQ(watcher_.watchedFolders(), 0u);
  EXPECT_TRUE(hours_.empty());

  // Nothing there to watch; watching again once it is back.
  EXPECT_FALSE(watcher_.watch(kRoot));
  fs::create_directories(root_ / "2026-12-10/05");
  ASSERT_TRUE(watcher_.watch(kRoot));
  write(root_ / "2026-12-10/05/050000.jpg");
  EXPECT_TRUE(waitFor(hours_, kRoot + "\\2026-12-10\\05"));
}

}  // namespace
}  // namespace vistrel::platform
