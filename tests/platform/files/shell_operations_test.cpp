#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/shell_operations.h"
#include "temp_folder.h"

namespace vistrel::platform {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

std::string contentOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Drive C holds the records, drive D is a copy destination; "outside" is a
// host folder on no drive that links point at.
class ShellOperationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.file("c/Records/2026-12-06/07/a.jpg", "a");
    temp_.file("c/Records/2026-12-06/07/b.jpg", "bb");
    temp_.file("c/Records/2026-12-06/08/c.jpg", "ccc");
    temp_.file("outside/precious.txt", "keep me");
    temp_.folder("d");
    std::vector<Drive> drives;
    drives.push_back(Drive{'C', temp_.path() / "c", DriveType::Fixed, "", {}});
    drives.push_back(Drive{'D', temp_.path() / "d", DriveType::Fixed, "", {}});
    fs_ = std::make_unique<FileSystem>(drives, "C:\\Records");
  }

  TempFolder temp_;
  std::unique_ptr<FileSystem> fs_;
  std::string error_;
};

TEST_F(ShellOperationsTest, DeleteFolderRemovesEverythingButNeverFollowsLinks) {
  const fs::path hour = temp_.path() / "c/Records/2026-12-06/07";
  fs::create_symlink(temp_.path() / "outside", hour / "link-to-outside");
  fs::create_symlink(temp_.path() / "outside/precious.txt", hour / "file-link");
  chmod(temp_.file("c/Records/2026-12-06/07/deep/.hidden/ro.jpg").c_str(), 0444);

  ASSERT_TRUE(deleteFolder(*fs_, "c:\\records\\2026-12-06", &error_)) << error_;
  EXPECT_FALSE(fs::exists(temp_.path() / "c/Records/2026-12-06"));
  EXPECT_TRUE(fs::is_directory(temp_.path() / "c/Records"));
  EXPECT_EQ(contentOf(temp_.path() / "outside/precious.txt"), "keep me");
}

TEST_F(ShellOperationsTest, DeleteFolderRefusesRootsAndMissingFolders) {
  EXPECT_FALSE(deleteFolder(*fs_, "C:\\", &error_));
  EXPECT_NE(error_.find("drive root"), std::string::npos) << error_;
  EXPECT_FALSE(deleteFolder(*fs_, "C:\\Records\\..", &error_));
  EXPECT_FALSE(deleteFolder(*fs_, "C:\\Missing", &error_));
  EXPECT_TRUE(fs::exists(temp_.path() / "c/Records/2026-12-06/07/a.jpg"));
}

TEST_F(ShellOperationsTest, CopyFileReplacesSilentlyAndNeverCopiesOntoItself) {
  temp_.file("d/A.JPG", "old");
  ASSERT_TRUE(copyFileInto(*fs_, "C:\\Records\\2026-12-06\\07\\a.jpg", "d:\\", &error_)) << error_;
  EXPECT_EQ(contentOf(temp_.path() / "d/A.JPG"), "a");  // same name in another case
  EXPECT_FALSE(fs::exists(temp_.path() / "d/a.jpg"));
  ASSERT_TRUE(copyFileInto(*fs_, "C:\\Records\\2026-12-06\\07\\b.jpg", "D:", &error_));
  EXPECT_EQ(contentOf(temp_.path() / "d/b.jpg"), "bb");
  EXPECT_EQ(fs::directory_iterator(temp_.path() / "d") == fs::directory_iterator(), false);

  EXPECT_FALSE(copyFileInto(*fs_, "C:\\Records\\2026-12-06\\07\\b.jpg",
                            "C:\\Records\\2026-12-06\\07", &error_));
  EXPECT_NE(error_.find("same file"), std::string::npos) << error_;
  EXPECT_EQ(contentOf(temp_.path() / "c/Records/2026-12-06/07/b.jpg"), "bb");
  EXPECT_FALSE(copyFileInto(*fs_, "C:\\none.jpg", "D:\\", &error_));
  EXPECT_FALSE(copyFileInto(*fs_, "C:\\Records\\2026-12-06\\07\\b.jpg", "D:\\none", &error_));
  int files = 0;
  for (const auto& entry : fs::directory_iterator(temp_.path() / "d"))
    files += !entry.is_directory();
  EXPECT_EQ(files, 2);  // no temporary copies left behind
}

// Answers every collision the same way and counts the questions.
class Answering : public CopyObserver {
 public:
  explicit Answering(CollisionAnswer answer) : answer_(answer) {}
  CollisionAnswer collision(const std::string& targetPath) override {
    asked.push_back(targetPath);
    return answer_;
  }
  std::vector<std::string> asked;

 private:
  CollisionAnswer answer_;
};

TEST_F(ShellOperationsTest, CopyFolderMergesAndAsksOnCollisions) {
  temp_.file("d/2026-12-06/07/A.JPG", "old a");
  temp_.file("d/2026-12-06/08/c.jpg", "old c");
  fs::create_symlink(temp_.path() / "outside", temp_.path() / "c/Records/2026-12-06/link");

  Answering skip(CollisionAnswer::Skip);
  ASSERT_TRUE(copyFolderInto(*fs_, "C:\\Records\\2026-12-06", "D:\\", &skip, &error_)) << error_;
  EXPECT_EQ(skip.asked,
            (std::vector<std::string>{"D:\\2026-12-06\\07\\A.JPG", "D:\\2026-12-06\\08\\c.jpg"}));
  EXPECT_EQ(contentOf(temp_.path() / "d/2026-12-06/07/A.JPG"), "old a");
  EXPECT_EQ(contentOf(temp_.path() / "d/2026-12-06/07/b.jpg"), "bb");
  EXPECT_TRUE(fs::is_symlink(temp_.path() / "d/2026-12-06/link"));

  Answering replaceAll(CollisionAnswer::ReplaceAll);
  ASSERT_TRUE(copyFolderInto(*fs_, "C:\\Records\\2026-12-06", "D:\\", &replaceAll, &error_));
  EXPECT_EQ(replaceAll.asked.size(), 1u);  // asked once, then replaced throughout
  EXPECT_EQ(contentOf(temp_.path() / "d/2026-12-06/07/A.JPG"), "a");
  EXPECT_EQ(contentOf(temp_.path() / "d/2026-12-06/08/c.jpg"), "ccc");

  Answering cancel(CollisionAnswer::Cancel);
  EXPECT_FALSE(copyFolderInto(*fs_, "C:\\Records\\2026-12-06", "D:\\", &cancel, &error_));
  EXPECT_NE(error_.find("cancelled"), std::string::npos) << error_;
}

TEST_F(ShellOperationsTest, CancelInsideALargeFileLeavesTheOldTargetAndNoPartialCopy) {
  // Stops at the first report after some bytes of the large file are written.
  struct StopInside : CopyObserver {
    bool progress(std::uint64_t, std::uint64_t, const std::string& fileName) override {
      if (fileName != "big.bin") return true;
      return ++reports < 2;
    }
    int reports = 0;
  } stop;
  temp_.file("c/Records/2026-12-07/big.bin", std::string(3 << 20, 'n'));
  temp_.file("d/2026-12-07/big.bin", "old");
  EXPECT_FALSE(copyFolderInto(*fs_, "C:\\Records\\2026-12-07", "D:\\", &stop, &error_));
  EXPECT_EQ(stop.reports, 2);
  EXPECT_EQ(contentOf(temp_.path() / "d/2026-12-07/big.bin"), "old");
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(temp_.path() / "d/2026-12-07")) {
    left.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(left, std::vector<std::string>{"big.bin"});
}

TEST_F(ShellOperationsTest, CopyFolderRefusesToCopyIntoItself) {
  EXPECT_FALSE(copyFolderInto(*fs_, "C:\\Records", "C:\\Records\\2026-12-06", nullptr, &error_));
  EXPECT_NE(error_.find("into itself"), std::string::npos) << error_;
  EXPECT_FALSE(copyFolderInto(*fs_, "C:\\Records", "C:\\Records", nullptr, &error_));
  EXPECT_FALSE(fs::exists(temp_.path() / "c/Records/2026-12-06/Records"));
  EXPECT_FALSE(copyFolderInto(*fs_, "C:\\Missing", "D:\\", nullptr, &error_));
}

TEST_F(ShellOperationsTest, MoveToTrashUsesTheFreedesktopTrash) {
  // The trash of the home volume lives under XDG_DATA_HOME; point both at
  // the temporary folder so the user's own trash is never touched.
  const std::string home = temp_.folder("home").string();
  const std::string data = temp_.folder("home/.local/share").string();
  const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  const char* oldData = std::getenv("XDG_DATA_HOME");
  const std::string savedData = oldData ? oldData : "";
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_DATA_HOME", data.c_str(), 1);

  const bool moved = moveToTrash(*fs_, "C:\\Records\\2026-12-06\\07\\A.JPG", &error_);
  const bool missing = moveToTrash(*fs_, "C:\\Records\\none.jpg", &error_);

  setenv("HOME", oldHome.c_str(), 1);
  if (oldData) {
    setenv("XDG_DATA_HOME", savedData.c_str(), 1);
  } else {
    unsetenv("XDG_DATA_HOME");
  }
  ASSERT_TRUE(moved) << error_;
  EXPECT_FALSE(missing);
  EXPECT_FALSE(fs::exists(temp_.path() / "c/Records/2026-12-06/07/a.jpg"));
  EXPECT_EQ(contentOf(fs::path(data) / "Trash/files/a.jpg"), "a");
  EXPECT_TRUE(fs::exists(fs::path(data) / "Trash/info/a.jpg.trashinfo"));
}

}  // namespace
}  // namespace vistrel::platform
