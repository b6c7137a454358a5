// The activity cache: a second look decodes nothing, a changed, added or
// removed snapshot is decoded again with its neighbours only, a damaged
// cache file is rebuilt, and nothing is ever written into the archive.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
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

  // The archive holds exactly what the test wrote there.
  auto expected = archiveFiles;
  expected.insert((archive / "snap0020.jpg").string());
  EXPECT_EQ(listing(temp.path() / "archive"), expected);
}

// The cache text with the last entry's changed-pixel count above the grid's size.
std::string outOfRange(const std::string& whole) {
  const std::size_t lastLine = whole.rfind('\n', whole.size() - 2) + 1;
  std::size_t field = lastLine;
  for (int k = 0; k < 3; ++k) field = whole.find(' ', field) + 1;
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

}  // namespace
}  // namespace vistrel::activity
