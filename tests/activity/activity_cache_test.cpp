// The activity cache: a second look decodes nothing, a changed, added or
// removed snapshot is decoded again with its neighbours only, a damaged
// cache file is rebuilt, and nothing is ever written into the archive.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "activity/activity_cache.h"
#include "activity/activity_index.h"
#include "snapshot_scenes.h"
#include "temp_folder.h"

namespace vistrel::activity {
namespace {

std::set<std::string> listing(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    names.insert(entry.path().string());
  return names;
}

TEST(ActivityCache, SecondLookDecodesOnlyWhatChanged) {
  test::TempFolder temp;
  const auto archive = temp.path() / "archive" / "00";
  test::SceneScript script;
  script.figureFirst = 8;
  script.figureLast = 12;
  std::vector<std::string> names = test::writeSceneSet(archive, script, 20);
  const auto archiveFiles = listing(temp.path() / "archive");
  IndexOptions options;
  options.cacheFolder = temp.path() / "cache";

  const HourActivity first = indexHour(archive, names, options);
  EXPECT_EQ(first.decoded, 20u);
  EXPECT_EQ(first.cacheProblem, "");
  const auto cacheFile = cacheFileOf(options.cacheFolder, archive);
  EXPECT_TRUE(std::filesystem::exists(cacheFile));

  const HourActivity second = indexHour(archive, names, options);
  EXPECT_EQ(second.decoded, 0u);
  EXPECT_EQ(second.fromCache, 20u);
  EXPECT_EQ(second.scores(), first.scores());

  // Snapshot 5 now shows the figure: it and the one after it score anew,
  // against neighbours that must be decoded for that.
  test::SceneScript walking = script;
  walking.figureFirst = 0;
  walking.figureLast = 19;
  test::writeSnapshot(archive / names[5], test::sceneSnapshot(walking, 5), script.quality);
  const HourActivity changed = indexHour(archive, names, options);
  EXPECT_EQ(changed.decoded, 3u);
  EXPECT_GT(*changed.snapshots[5].score, 0.01);
  EXPECT_GT(*changed.snapshots[6].score, 0.01);
  for (std::size_t i = 0; i < names.size(); ++i)
    if (i != 5 && i != 6) {
      EXPECT_EQ(changed.snapshots[i].score, first.snapshots[i].score) << i;
    }

  // An added snapshot at the end: it and its predecessor. A removed one in
  // the middle: its successor and predecessor.
  test::writeSnapshot(archive / "snap0020.jpg", test::sceneSnapshot(script, 20), script.quality);
  names.push_back("snap0020.jpg");
  EXPECT_EQ(indexHour(archive, names, options).decoded, 2u);
  names.erase(names.begin() + 15);
  const HourActivity removed = indexHour(archive, names, options);
  EXPECT_EQ(removed.decoded, 2u);
  EXPECT_EQ(indexHour(archive, names, options).decoded, 0u);

  // A snapshot cut short: it and both neighbours are read again; its reason
  // comes back from the cache the next time.
  std::filesystem::resize_file(archive / names[2], 1000);
  const HourActivity cut = indexHour(archive, names, options);
  EXPECT_EQ(cut.decoded, 3u);
  ASSERT_NE(cut.snapshots[2].problem, "");
  const HourActivity cutAgain = indexHour(archive, names, options);
  EXPECT_EQ(cutAgain.decoded, 0u);
  EXPECT_EQ(cutAgain.snapshots[2].problem, cut.snapshots[2].problem);
  EXPECT_EQ(cutAgain.scores(), cut.scores());

  // A snapshot rewritten in place, its size and modification time put back
  // (a copy tool keeping times): the change time still tells.
  {
    const auto path = archive / names[8];
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(std::streamoff(before.st_size / 2));
    const std::string zeros(std::size_t(before.st_size / 2 - 2), '\0');
    file.write(zeros.data(), std::streamsize(zeros.size()));
    file.close();
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    ASSERT_EQ(after.st_size, before.st_size);
    // The change time comes from a coarse clock: when it did not move yet,
    // touch the file again until it does.
    for (int tries = 0; tries < 100 && after.st_ctim.tv_sec == before.st_ctim.tv_sec &&
                        after.st_ctim.tv_nsec == before.st_ctim.tv_nsec;
         ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
      ASSERT_EQ(::stat(path.c_str(), &after), 0);
    }
    const HourActivity rewritten = indexHour(archive, names, options);
    EXPECT_GE(rewritten.decoded, 1u);
    EXPECT_NE(rewritten.snapshots[8].problem, "");
  }

  // The archive holds exactly what the test wrote there.
  auto expected = archiveFiles;
  expected.insert((archive / "snap0020.jpg").string());
  EXPECT_EQ(listing(temp.path() / "archive"), expected);
}

// The cache text with the last entry's changed-pixel count above the grid's size.
std::string outOfRange(const std::string& whole) {
  const std::size_t lastLine = whole.rfind('\n', whole.size() - 2) + 1;
  std::size_t field = lastLine;
  for (int k = 0; k < 4; ++k) field = whole.find(' ', field) + 1;
  return whole.substr(0, field) + "9999999" + whole.substr(whole.find(' ', field));
}

TEST(ActivityCache, DamagedOrForeignCacheIsRebuilt) {
  test::TempFolder temp;
  const auto archive = temp.path() / "archive";
  const std::vector<std::string> names = test::writeSceneSet(archive, {}, 6);
  // The default cache folder follows XDG_CACHE_HOME.
  const char* saved = std::getenv("XDG_CACHE_HOME");
  const std::string savedValue = saved != nullptr ? saved : "";
  setenv("XDG_CACHE_HOME", (temp.path() / "xdg").c_str(), 1);
  const HourActivity first = indexHour(archive, names);
  const auto cacheFile = cacheFileOf(temp.path() / "xdg" / "vistrel", archive);
  ASSERT_TRUE(std::filesystem::exists(cacheFile));

  std::ifstream in(cacheFile, std::ios::binary);
  const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  const std::vector<std::string> damaged{
      "garbage\n",
      whole.substr(0, whole.size() - 7),                            // cut in the last line
      whole.substr(0, whole.find('\n')) + "\nfolder /elsewhere\n",  // another folder's
      outOfRange(whole),
  };
  for (const std::string& content : damaged) {
    std::ofstream(cacheFile, std::ios::binary | std::ios::trunc) << content;
    const HourActivity again = indexHour(archive, names);
    EXPECT_EQ(again.decoded, names.size()) << content;
    EXPECT_EQ(again.scores(), first.scores());
    EXPECT_EQ(indexHour(archive, names).decoded, 0u) << "rebuilt after: " << content;
  }
  // An unwritable cache folder costs the cache, not the scores.
  std::filesystem::remove(cacheFile);
  std::filesystem::remove_all(temp.path() / "xdg");
  std::ofstream(temp.path() / "xdg") << "a file where the folder should be";
  const HourActivity uncached = indexHour(archive, names);
  EXPECT_NE(uncached.cacheProblem, "");
  EXPECT_EQ(uncached.scores(), first.scores());

  if (saved != nullptr)
    setenv("XDG_CACHE_HOME", savedValue.c_str(), 1);
  else
    unsetenv("XDG_CACHE_HOME");
}

// A look cancelled (Ctrl+C on the exporter, a window closing) stops before
// the next snapshot and leaves the cache as it was.
TEST(ActivityCache, ACancelledLookStopsAndKeepsTheCache) {
  test::TempFolder temp;
  const auto archive = temp.path() / "archive";
  std::vector<std::string> names = test::writeSceneSet(archive, {}, 12);
  IndexOptions options;
  options.cacheFolder = temp.path() / "cache";
  std::atomic<bool> cancel{true};
  options.cancel = &cancel;
  const HourActivity cancelled = indexHour(archive, names, options);
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_EQ(cancelled.decoded, 0u);
  ASSERT_EQ(cancelled.snapshots.size(), names.size());
  EXPECT_EQ(cancelled.snapshots[3].name, names[3]);
  EXPECT_FALSE(std::filesystem::exists(cacheFileOf(options.cacheFolder, archive)));

  cancel = false;
  const HourActivity whole = indexHour(archive, names, options);
  EXPECT_FALSE(whole.cancelled);
  EXPECT_EQ(whole.decoded, names.size());
  names.push_back(names.front());
  names.erase(names.begin());
  cancel = true;
  EXPECT_TRUE(indexHour(archive, names, options).cancelled);
  cancel = false;
  // As if the cancelled look had not been: the moved snapshot and its new neighbour.
  EXPECT_EQ(indexHour(archive, names, options).decoded, 2u);
}

std::string contentOf(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The names in the cache folder other than the hour's own file: no
// temporary file may stay behind.
std::vector<std::string> strayFiles(const std::filesystem::path& cacheFile) {
  std::vector<std::string> stray;
  for (const auto& entry : std::filesystem::directory_iterator(cacheFile.parent_path()))
    if (entry.path() != cacheFile) stray.push_back(entry.path().filename().string());
  return stray;
}

// What stands in the cache file's place is not trusted: a link is neither
// written through nor read through, a FIFO is not waited on, an oversized
// file is not read, and a write that fails keeps the old file.
TEST(ActivityCache, WhatStandsInTheCacheFilesPlaceIsNotTrusted) {
  test::TempFolder temp;
  const auto archive = temp.path() / "archive";
  const std::vector<std::string> names = test::writeSceneSet(archive, {}, 6);
  IndexOptions options;
  options.cacheFolder = temp.path() / "cache";
  const auto cacheFile = cacheFileOf(options.cacheFolder, archive);
  const HourActivity first = indexHour(archive, names, options);
  ASSERT_EQ(first.cacheProblem, "");
  const std::string goodCache = contentOf(cacheFile);
  const auto victim = temp.path() / "victim.txt";
  const std::string precious = "a file the cache must not overwrite\n";

  struct Case {
    const char* what;
    std::function<void()> place;
  };
  const std::vector<Case> cases{
      {"link to another file",
       [&] {
         std::ofstream(victim) << precious;
         std::filesystem::create_symlink(victim, cacheFile);
       }},
      {"link to the good cache elsewhere",
       [&] {
         std::ofstream(temp.path() / "elsewhere.scores", std::ios::binary) << goodCache;
         std::filesystem::create_symlink(temp.path() / "elsewhere.scores", cacheFile);
       }},
      {"FIFO", [&] { ASSERT_EQ(::mkfifo(cacheFile.c_str(), 0644), 0); }},
      {"link to /dev/zero", [&] { std::filesystem::create_symlink("/dev/zero", cacheFile); }},
      {"oversized file",
       [&] {
         // A valid cache padded with valid entries past the size bound.
         std::ofstream out(cacheFile, std::ios::binary);
         out << goodCache;
         const std::string line = "padding 1 1 1 - - -\n";
         for (std::uint64_t written = goodCache.size(); written <= kMaxCacheFileBytes;
              written += line.size())
           out << line;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(cacheFile);
    c.place();
    const HourActivity again = indexHour(archive, names, options);
    EXPECT_EQ(again.decoded, names.size());
    EXPECT_EQ(again.scores(), first.scores());
    EXPECT_EQ(again.cacheProblem, "");
    // Replaced by a file of its own, which the next look uses.
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(cacheFile)));
    EXPECT_EQ(contentOf(cacheFile), goodCache);
    EXPECT_EQ(indexHour(archive, names, options).decoded, 0u);
    EXPECT_EQ(strayFiles(cacheFile), std::vector<std::string>{});
  }
  EXPECT_EQ(contentOf(victim), precious);

  // A write that fails midway (the file size limit stands in for a full
  // disk) keeps the old file and says why.
  test::SceneScript other;
  other.figureFirst = 0;
  other.figureLast = 5;
  test::writeSnapshot(archive / names[3], test::sceneSnapshot(other, 3), other.quality);
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const HourActivity failed = indexHour(archive, names, options);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, savedSignal);
  EXPECT_NE(failed.cacheProblem, "");
  EXPECT_EQ(contentOf(cacheFile), goodCache);
  EXPECT_EQ(strayFiles(cacheFile), std::vector<std::string>{});
}

}  // namespace
}  // namespace vistrel::activity
