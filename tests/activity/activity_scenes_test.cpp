// Scores and events on generated snapshot sets whose truth is known: what
// moved, where, and which snapshots are damaged.

#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "activity/activity_events.h"
#include "activity/activity_index.h"
#include "snapshot_scenes.h"
#include "temp_folder.h"

namespace vistrel::activity {
namespace {

using test::SceneScript;

struct Indexed {
  HourActivity hour;
  std::vector<ActivityEvent> events;
};

Indexed indexSet(const std::filesystem::path& folder, const std::vector<std::string>& names,
                 int threads = 0, IndexOptions options = {}) {
  options.useCache = false;
  options.threads = threads;
  Indexed result;
  result.hour = indexHour(folder, names, options);
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back((folder / name).string());
  result.events = findEvents(result.hour.scores(), paths);
  return result;
}

// Still scenes, light changes and small shakes are no activity; that the
// scores stay near zero (not just under the event threshold) is checked too.
TEST(ActivityScenes, QuietMaterialGivesNoEvent) {
  test::TempFolder temp;
  struct Case {
    const char* what;
    SceneScript script;
  };
  SceneScript still;
  SceneScript ramp;
  ramp.lightPerSnapshot = 1.5;
  SceneScript step;  // an exposure jump: the same scene 25 levels brighter at once
  SceneScript shake;
  shake.shakePixels = 2;
  SceneScript noisy;  // a poor camera in poor light
  noisy.noiseSigma = 14;
  noisy.quality = 50;
  for (const Case& c :
       {Case{"still", still}, Case{"ramp", ramp}, Case{"shake", shake}, Case{"noisy", noisy}}) {
    const auto folder = temp.path() / c.what;
    const auto names = test::writeSceneSet(folder, c.script, 24);
    const Indexed indexed = indexSet(folder, names);
    EXPECT_TRUE(indexed.events.empty()) << c.what;
    EXPECT_FALSE(indexed.hour.snapshots[0].score.has_value()) << c.what << ": nothing before it";
    for (std::size_t i = 1; i < names.size(); ++i) {
      ASSERT_TRUE(indexed.hour.snapshots[i].score.has_value()) << c.what << " " << i;
      EXPECT_LE(*indexed.hour.snapshots[i].score, 0.001) << c.what << " " << i;
    }
  }
  // The exposure jump: snapshots 0-11 as made, 12-23 brighter by 25 levels.
  const auto folder = temp.path() / "step";
  std::filesystem::create_directories(folder);
  std::vector<std::string> names;
  for (int i = 0; i < 24; ++i) {
    QImage image = test::sceneSnapshot(step, i);
    if (i >= 12) {
      for (int y = 0; y < image.height(); ++y) {
        std::uint8_t* row = image.scanLine(y);
        for (int x = 0; x < image.width() * 3; ++x)
          row[x] = std::uint8_t(std::min(row[x] + 25, 255));
      }
    }
    names.push_back(test::sceneName(i));
    test::writeSnapshot(folder / names.back(), image, step.quality);
  }
  const Indexed jumped = indexSet(folder, names);
  EXPECT_TRUE(jumped.events.empty());
  EXPECT_LE(jumped.hour.snapshots[12].score.value_or(1), 0.01);
}

// A figure walks through snapshots 40-60: one event from its arrival to its
// departure (the snapshot after the last also differs: it has left), the
// same with one worker or two, and with a snapshot of twice the size (the
// grid is the same).
TEST(ActivityScenes, FigureCrossingIsOneEvent) {
  test::TempFolder temp;
  SceneScript script;
  script.figureFirst = 40;
  script.figureLast = 60;
  const auto names = test::writeSceneSet(temp.path(), script, 70);
  SceneScript large = script;
  large.width = 1280;
  large.height = 960;
  test::writeSceneSet(temp.path() / "large", large, 12);
  std::filesystem::copy_file(temp.path() / "large" / test::sceneName(10),
                             temp.path() / test::sceneName(10),
                             std::filesystem::copy_options::overwrite_existing);

  const Indexed two = indexSet(temp.path(), names, 2);
  ASSERT_EQ(two.events.size(), 1u);
  const ActivityEvent& event = two.events[0];
  EXPECT_EQ(event.first, 40u);
  EXPECT_GE(event.last, 60u);
  EXPECT_LE(event.last, 61u);
  EXPECT_EQ(event.firstPath, (temp.path() / names[40]).string());
  EXPECT_GE(event.peak, 40u);
  EXPECT_LE(event.peak, event.last);
  EXPECT_EQ(event.peakScore, *two.hour.snapshots[event.peak].score);
  EXPECT_EQ(event.peakPath, (temp.path() / names[event.peak]).string());
  for (std::size_t i = 40; i <= 61; ++i) EXPECT_GE(*two.hour.snapshots[i].score, 0.01) << i;

  const Indexed one = indexSet(temp.path(), names, 1);
  EXPECT_EQ(one.hour.scores(), two.hour.scores());
}

// Damaged snapshots score as unknown with the loader's reason, the
// snapshot after each is compared with the last readable one, and the
// event around a damaged one stays whole.
TEST(ActivityScenes, DamagedSnapshotsAreUnknownAndReported) {
  test::TempFolder temp;
  SceneScript script;
  script.figureFirst = 40;
  script.figureLast = 60;
  auto names = test::writeSceneSet(temp.path(), script, 70);
  const auto cut = temp.path() / names[50];
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
  std::ofstream(temp.path() / names[20], std::ios::trunc);  // empty
  names.insert(names.begin() + 30, "gone.jpg");             // listed, then deleted
  // A gigabyte of junk (sparse) after a good snapshot and in place of one,
  // and a FIFO, which must not be waited on.
  constexpr std::uintmax_t kGigabyte = std::uintmax_t{1} << 30;
  std::filesystem::resize_file(temp.path() / names[5], kGigabyte);
  std::filesystem::remove(temp.path() / names[15]);
  std::ofstream(temp.path() / names[15]).close();
  std::filesystem::resize_file(temp.path() / names[15], kGigabyte);
  std::filesystem::remove(temp.path() / names[10]);
  ASSERT_EQ(::mkfifo((temp.path() / names[10]).c_str(), 0644), 0);

  IndexOptions shownAsWindows;
  shownAsWindows.shownPath = [](const std::string& name) { return "C:\\Records\\" + name; };
  const Indexed indexed = indexSet(temp.path(), names, 0, shownAsWindows);
  const auto& at = indexed.hour.snapshots;
  EXPECT_LE(at[5].score.value_or(1), 0.001);
  EXPECT_EQ(at[10].problem, "Cannot open file C:\\Records\\" + names[10]);
  EXPECT_EQ(at[15].problem.rfind("JPEG error #", 0), 0u) << at[15].problem;
  // Read no further than a picture of the header's size can reach: a reader
  // that took the gigabytes would have held them.
  struct rusage usage {};
  ASSERT_EQ(::getrusage(RUSAGE_SELF, &usage), 0);
  EXPECT_LT(usage.ru_maxrss, 512L * 1024) << "peak kB";
  EXPECT_FALSE(at[20].score.has_value());
  EXPECT_EQ(at[20].problem.rfind("JPEG error #", 0), 0u) << at[20].problem;
  EXPECT_FALSE(at[30].score.has_value());
  EXPECT_EQ(at[30].problem, "Cannot open file C:\\Records\\gone.jpg");
  EXPECT_FALSE(at[51].score.has_value());  // names[50], shifted by the inserted one
  EXPECT_NE(at[51].problem.find("Premature end"), std::string::npos) << at[51].problem;
  // Compared with the snapshot before the damaged one: the same still scene.
  EXPECT_LE(at[21].score.value_or(1), 0.001);
  EXPECT_LE(at[31].score.value_or(1), 0.001);
  ASSERT_EQ(indexed.events.size(), 1u);
  EXPECT_EQ(indexed.events[0].first, 41u);
  EXPECT_GE(indexed.events[0].last, 61u);
  EXPECT_LE(indexed.events[0].last, 62u);
}

}  // namespace
}  // namespace vistrel::activity
