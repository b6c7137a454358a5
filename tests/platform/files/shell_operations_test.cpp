#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QByteArray>
#include <QDesktopServices>
#include <QObject>
#include <QString>
#include <QUrl>

#include "platform/shell_operations.h"
#include "scoped_env.h"
#include "temp_folder.h"

namespace vistrel::platform {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;
using test::TempFolder;

std::string contentOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code code;
  for (fs::directory_iterator it(folder, code), end; !code && it != end; it.increment(code)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The original path recorded in a .trashinfo, decoded by Qt's own
// percent-decoder.
std::string trashedPath(const fs::path& trashInfo) {
  const std::string info = contentOf(trashInfo);
  const std::size_t start = info.find("\nPath=");
  if (start == std::string::npos) return "(no Path= in \"" + info + "\")";
  const std::size_t end = info.find('\n', start + 6);
  return QByteArray::fromPercentEncoding(
             QByteArray::fromStdString(info.substr(start + 6, end - start - 6)))
      .toStdString();
}

// A small tmpfs mounted over `folder` while the object lives.
class SmallVolume {
 public:
  SmallVolume(const fs::path& folder, const std::string& size) : folder_(folder) {
    mounted_ = mount("tmpfs", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    if (!mounted_) error_ = std::strerror(errno);
  }
  ~SmallVolume() {
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
  }
  SmallVolume(const SmallVolume&) = delete;
  SmallVolume& operator=(const SmallVolume&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& error() const { return error_; }

 private:
  fs::path folder_;
  bool mounted_ = false;
  std::string error_;
};

// Sets or clears the file's immutable flag; false when the file system has
// no such flag.
bool setImmutable(const fs::path& file, bool on) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
  ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  close(fd);
  return ok;
}

// Takes the URLs that would go to the user's default program.
class OpenedUrls : public QObject {
  Q_OBJECT

 public:
  OpenedUrls() { QDesktopServices::setUrlHandler("file", this, "open"); }
  ~OpenedUrls() override { QDesktopServices::unsetUrlHandler("file"); }
  std::vector<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls.push_back(url); }
};

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

  // Points the home trash into the temporary folder, so the user's own
  // trash is never touched.
  fs::path useTemporaryHome() {
    home_ = std::make_unique<ScopedEnv>("HOME", temp_.folder("home").string());
    data_ =
        std::make_unique<ScopedEnv>("XDG_DATA_HOME", temp_.folder("home/.local/share").string());
    return temp_.path() / "home/.local/share/Trash";
  }

  TempFolder temp_;
  std::unique_ptr<FileSystem> fs_;
  std::string error_;
  std::unique_ptr<ScopedEnv> home_;
  std::unique_ptr<ScopedEnv> data_;
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

// A copy killed on its way leaves its partial file under a visible name that
// says what it is; the next copy into that folder removes it, but never the
// partial file of a copy still running.
TEST_F(ShellOperationsTest, PartialCopiesOfKilledCopiesAreVisibleAndCleanedUp) {
  struct Peek : CopyObserver {
    explicit Peek(fs::path folder) : folder(std::move(folder)) {}
    bool progress(std::uint64_t done, std::uint64_t, const std::string& fileName) override {
      if (fileName == "big.bin" && done > 0 && seen.empty()) seen = namesIn(folder);
      return true;
    }
    fs::path folder;
    std::vector<std::string> seen;
  } peek(temp_.path() / "d/2026-12-07");
  temp_.file("c/Records/2026-12-07/big.bin", std::string(3 << 20, 'n'));
  ASSERT_TRUE(copyFolderInto(*fs_, "C:\\Records\\2026-12-07", "D:\\", &peek, &error_)) << error_;
  ASSERT_EQ(peek.seen.size(), 1u);
  EXPECT_EQ(peek.seen[0].rfind("vistrel-partial-copy-" + std::to_string(getpid()) + "-", 0), 0u)
      << peek.seen[0];

  // Leftovers of a copy whose process is gone (old hidden ones included),
  // beside one of a live process and files that only look alike.
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  const std::string gone = std::to_string(dead);
  const std::string alive = std::to_string(getppid());
  for (const std::string& name : std::vector<std::string>{
           "vistrel-partial-copy-" + gone + "-0.tmp", ".vistrel-copy-" + gone + "-1",
           "vistrel-partial-copy-" + alive + "-0.tmp", "vistrel-partial-copy-x-0.tmp", "notes.tmp"})
    temp_.file("d/2026-12-06/07/" + name, "left");
  ASSERT_TRUE(
      copyFileInto(*fs_, "C:\\Records\\2026-12-06\\07\\a.jpg", "D:\\2026-12-06\\07", &error_))
      << error_;
  EXPECT_EQ(
      namesIn(temp_.path() / "d/2026-12-06/07"),
      (std::vector<std::string>{"a.jpg", "notes.tmp", "vistrel-partial-copy-" + alive + "-0.tmp",
                                "vistrel-partial-copy-x-0.tmp"}));
  temp_.file("d/2026-12-06/08/vistrel-partial-copy-" + gone + "-3.tmp", "left");
  ASSERT_TRUE(copyFolderInto(*fs_, "C:\\Records\\2026-12-06", "D:\\", nullptr, &error_)) << error_;
  EXPECT_EQ(namesIn(temp_.path() / "d/2026-12-06/08"), std::vector<std::string>{"c.jpg"});
}

TEST_F(ShellOperationsTest, CopyFolderRefusesToCopyIntoItself) {
  EXPECT_FALSE(copyFolderInto(*fs_, "C:\\Records", "C:\\Records\\2026-12-06", nullptr, &error_));
  EXPECT_NE(error_.find("into itself"), std::string::npos) << error_;
  EXPECT_FALSE(copyFolderInto(*fs_, "C:\\Records", "C:\\Records", nullptr, &error_));
  EXPECT_FALSE(fs::exists(temp_.path() / "c/Records/2026-12-06/Records"));
  // Into the folder that holds it, the copy would be the folder itself: no
  // question about replacing each file with itself, nothing touched.
  struct NoQuestion : CopyObserver {
    CollisionAnswer collision(const std::string& target) override {
      asked.push_back(target);
      return CollisionAnswer::Replace;
    }
    std::vector<std::string> asked;
  } observer;
  for (const char* parent : {"C:\\Records", "c:\\records\\", "C:\\Records\\07\\.."}) {
    EXPECT_FALSE(copyFolderInto(*fs_, "C:\\Records\\2026-12-06", parent, &observer, &error_));
    EXPECT_NE(error_.find("the folder that holds it"), std::string::npos) << error_;
  }
  EXPECT_TRUE(observer.asked.empty());
  EXPECT_EQ(contentOf(temp_.path() / "c/Records/2026-12-06/07/b.jpg"), "bb");
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

TEST_F(ShellOperationsTest, NamesThatAreNotUtf8AreTrashedAndOpenedByTheirBytes) {
  const fs::path trash = useTemporaryHome();
  const fs::path hour = temp_.path() / "c/Records/2026-12-06/07";
  temp_.file("c/Records/2026-12-06/07/caf\xE9.jpg", "latin-1");
  temp_.file("c/Records/2026-12-06/07/caf\xE9.avi", "video");
  const std::string hourShown = "C:\\Records\\2026-12-06\\07\\";

  OpenedUrls opened;
  ASSERT_TRUE(openWithDefaultProgram(*fs_, hourShown + hostNameToWindows("caf\xE9.avi"), &error_))
      << error_;
  ASSERT_EQ(opened.urls.size(), 1u);
  // The launcher is handed the URL in its encoded form.
  const QByteArray encoded = opened.urls[0].toEncoded();
  EXPECT_TRUE(encoded.endsWith("/caf%E9.avi")) << encoded.toStdString();
  EXPECT_EQ(QByteArray::fromPercentEncoding(encoded).toStdString(),
            "file://" + (hour / "caf\xE9.avi").string());

  ASSERT_TRUE(moveToTrash(*fs_, hourShown + hostNameToWindows("caf\xE9.jpg"), &error_)) << error_;
  EXPECT_FALSE(fs::exists(hour / "caf\xE9.jpg"));
  EXPECT_EQ(contentOf(trash / "files/caf\xE9.jpg"), "latin-1");
  EXPECT_EQ(trashedPath(trash / "info/caf\xE9.jpg.trashinfo"), (hour / "caf\xE9.jpg").string());
}

TEST_F(ShellOperationsTest, TrashIsARealTrashOrNothingMoves) {
  const fs::path trash = useTemporaryHome();
  const fs::path hour = temp_.path() / "c/Records/2026-12-06/07";
  // A "%" in a name is escaped in Path=, so the entry restores to its name.
  temp_.file("c/Records/2026-12-06/07/50%41 x.jpg", "percent");
  ASSERT_TRUE(moveToTrash(*fs_, "C:\\Records\\2026-12-06\\07\\50%41 x.jpg", &error_)) << error_;
  EXPECT_EQ(contentOf(trash / "files/50%41 x.jpg"), "percent");
  EXPECT_EQ(trashedPath(trash / "info/50%41 x.jpg.trashinfo"), (hour / "50%41 x.jpg").string());
  EXPECT_NE(contentOf(trash / "info/50%41 x.jpg.trashinfo").find("Path=/"), std::string::npos);
  EXPECT_FALSE(moveToTrash(*fs_, "C:\\Records\\none.jpg", &error_));

  // A home trash that cannot be made: the file stays, nothing is created
  // anywhere else, and the reason names the trash.
  const fs::path blocked = temp_.file("blocked", "a file where the data folder should be");
  {
    ScopedEnv data("XDG_DATA_HOME", blocked.string());
    EXPECT_FALSE(moveToTrash(*fs_, "C:\\Records\\2026-12-06\\07\\a.jpg", &error_));
  }
  EXPECT_NE(error_.find("C:\\Records\\2026-12-06\\07\\a.jpg"), std::string::npos) << error_;
  EXPECT_NE(error_.find(blocked.string()), std::string::npos) << error_;
  EXPECT_NE(error_.find("Not a directory"), std::string::npos) << error_;
  EXPECT_EQ(contentOf(hour / "a.jpg"), "a");
  EXPECT_EQ(namesIn(hour), (std::vector<std::string>{"a.jpg", "b.jpg"}));
  EXPECT_FALSE(fs::exists("files/a.jpg"));
  EXPECT_FALSE(fs::exists("info/a.jpg.trashinfo"));

  // Another volume: its own trash, Path= relative to the volume's top.
  const fs::path volume = temp_.folder("e");
  SmallVolume mounted(volume, "1m");
  if (!mounted.mounted()) GTEST_SKIP() << "cannot mount a tmpfs: " << mounted.error();
  std::vector<Drive> drives = fs_->drives();
  drives.push_back(Drive{'E', volume, DriveType::Fixed, "", {}});
  FileSystem withE(drives, "C:\\");
  temp_.file("e/Records/one.jpg", "one");
  temp_.file("e/Records/two.jpg", "two");
  ASSERT_TRUE(moveToTrash(withE, "E:\\Records\\one.jpg", &error_)) << error_;
  const fs::path own = volume / (".Trash-" + std::to_string(getuid()));
  EXPECT_EQ(contentOf(own / "files/one.jpg"), "one");
  EXPECT_EQ(trashedPath(own / "info/one.jpg.trashinfo"), "Records/one.jpg");
  EXPECT_EQ((fs::status(own).permissions() & fs::perms::all), fs::perms::owner_all);
  // An administrator's sticky .Trash is used first.
  fs::create_directory(volume / ".Trash");
  chmod((volume / ".Trash").c_str(), 01777);
  ASSERT_TRUE(moveToTrash(withE, "E:\\Records\\two.jpg", &error_)) << error_;
  EXPECT_EQ(contentOf(volume / ".Trash" / std::to_string(getuid()) / "files/two.jpg"), "two");
  EXPECT_FALSE(fs::exists(trash / "files/one.jpg"));
  EXPECT_FALSE(fs::exists(trash / "files/two.jpg"));

  // A read-only mount of the home trash's own device: the reason is that
  // the volume is read-only, not the mount the move would cross.
  const fs::path readOnly = temp_.folder("ro");
  if (mount(hour.c_str(), readOnly.c_str(), nullptr, MS_BIND, nullptr) != 0)
    GTEST_SKIP() << "cannot bind-mount: " << std::strerror(errno);
  const bool remounted =
      mount(nullptr, readOnly.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
  drives.push_back(Drive{'R', readOnly, DriveType::Fixed, "", {}});
  FileSystem withR(drives, "C:\\");
  const bool trashed = moveToTrash(withR, "R:\\a.jpg", &error_);
  umount2(readOnly.c_str(), MNT_DETACH);
  ASSERT_TRUE(remounted);
  EXPECT_FALSE(trashed);
  EXPECT_NE(error_.find("Read-only file system"), std::string::npos) << error_;
  EXPECT_EQ(contentOf(hour / "a.jpg"), "a");
}

TEST_F(ShellOperationsTest, NamesTooLongForTheTrashAreShortenedUniquely) {
  const fs::path trash = useTemporaryHome();
  std::string name;
  while (name.size() < 246) name += "\xC3\xA9";  // "é", two bytes
  name += ".jpg";                                // 250 bytes in all
  for (const char* content : {"first", "second"}) {
    temp_.file("c/Records/2026-12-06/07/" + name, content);
    ASSERT_TRUE(moveToTrash(*fs_, "C:\\Records\\2026-12-06\\07\\" + name, &error_)) << error_;
  }
  const std::vector<std::string> trashed = namesIn(trash / "files");
  ASSERT_EQ(trashed.size(), 2u);
  std::vector<std::string> contents;
  for (const std::string& entry : trashed) {
    EXPECT_LE(entry.size() + std::string(".trashinfo").size(), 255u) << entry;
    EXPECT_TRUE(entry.ends_with(".jpg")) << entry;
    EXPECT_EQ(QString::fromUtf8(entry).toUtf8().toStdString(), entry);  // cut between characters
    EXPECT_EQ(trashedPath(trash / "info" / (entry + ".trashinfo")),
              (temp_.path() / "c/Records/2026-12-06/07" / name).string());
    contents.push_back(contentOf(trash / "files" / entry));
  }
  std::sort(contents.begin(), contents.end());
  EXPECT_EQ(contents, (std::vector<std::string>{"first", "second"}));
}

TEST_F(ShellOperationsTest, FolderOperationsReportTheirRealFailures) {
  // Delete: an immutable file is reported with the unlink's own reason.
  const fs::path stuck = temp_.file("c/Records/2026-12-06/07/stuck.jpg", "s");
  if (!setImmutable(stuck, true)) GTEST_SKIP() << "no immutable files here";
  const bool deleted = deleteFolder(*fs_, "C:\\Records\\2026-12-06", &error_);
  setImmutable(stuck, false);
  EXPECT_FALSE(deleted);
  EXPECT_NE(error_.find("C:\\Records\\2026-12-06\\07\\stuck.jpg: Operation not permitted"),
            std::string::npos)
      << error_;
  EXPECT_EQ(error_.find("Not a directory"), std::string::npos) << error_;
  EXPECT_TRUE(fs::exists(stuck));
  EXPECT_FALSE(fs::exists(temp_.path() / "c/Records/2026-12-06/08"));

  // A refused copy into a folder below itself creates nothing; an allowed
  // one creates its missing destination.
  EXPECT_FALSE(copyFolderInto(*fs_, "C:\\Records", "C:\\Records\\2026-12-06\\new\\deeper", nullptr,
                              &error_));
  EXPECT_NE(error_.find("into itself"), std::string::npos) << error_;
  EXPECT_FALSE(fs::exists(temp_.path() / "c/Records/2026-12-06/new"));
  ASSERT_TRUE(copyFolderInto(*fs_, "C:\\Records\\2026-12-06", "D:\\made\\deeper", nullptr, &error_))
      << error_;
  EXPECT_EQ(contentOf(temp_.path() / "d/made/deeper/2026-12-06/07/stuck.jpg"), "s");

  // A copy onto a full disk names every file it could not copy.
  for (char letter = 'a'; letter <= 'e'; ++letter) {
    temp_.file(std::string("c/Records/2026-12-09/") + letter + ".bin",
               std::string(300 << 10, letter));
  }
  const fs::path full = temp_.folder("d/full");
  SmallVolume mounted(full, "1m");
  if (!mounted.mounted()) GTEST_SKIP() << "cannot mount a tmpfs: " << mounted.error();
  EXPECT_FALSE(copyFolderInto(*fs_, "C:\\Records\\2026-12-09", "D:\\full", nullptr, &error_));
  const std::vector<std::string> copied = namesIn(full / "2026-12-09");
  const std::size_t missing = 5 - copied.size();
  ASSERT_GE(missing, 2u) << error_;
  EXPECT_NE(error_.find(std::to_string(missing) + " files were not copied"), std::string::npos)
      << error_;
  for (char letter = 'a'; letter <= 'e'; ++letter) {
    const std::string file = std::string(1, letter) + ".bin";
    const bool wasCopied = std::find(copied.begin(), copied.end(), file) != copied.end();
    EXPECT_EQ(error_.find("D:\\full\\2026-12-09\\" + file + " (No space left on device)") !=
                  std::string::npos,
              !wasCopied)
        << file << ": " << error_;
  }
}

}  // namespace
}  // namespace vistrel::platform

#include "shell_operations_test.moc"
