#include "activity/day_activity.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>

#include "activity/activity_index.h"
#include "platform/file_system.h"
#include "scoped_env.h"
#include "temp_folder.h"

namespace vistrel::activity {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDay = "C:\\Program Files\\Vistrel\\Records\\2026-12-07";
constexpr const char* kRecords = "Program Files/Vistrel/Records";

bool waitFor(const std::function<bool()>& done, int ms = 120000) {
  QDeadlineTimer deadline(ms);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// The generated events day (hours 14-16 of 2026-12-07, a person crossing at
// 14:21:40, 15:08:20 and 16:44:00) on drive C, generated once.
class DayActivityTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    drive_ = new test::TempFolder;
    QProcess generator;
    generator.setProcessChannelMode(QProcess::MergedChannels);
    generator.start(VISTREL_DEMO_ARCHIVE_PROGRAM,
                    {"--events-day", QString::fromStdString(drive_->path().string())});
    ASSERT_TRUE(generator.waitForFinished(300000));
    ASSERT_EQ(generator.exitCode(), 0) << generator.readAll().toStdString();
  }
  static void TearDownTestSuite() {
    delete drive_;
    drive_ = nullptr;
  }

  DayActivityTest() {
    platform::Drive c;
    c.letter = 'C';
    c.type = platform::DriveType::Fixed;
    c.hostRoot = drive_->path();
    platform::FileSystem::install(
        std::make_unique<platform::FileSystem>(std::vector<platform::Drive>{c}, "C:\\"));
  }
  ~DayActivityTest() override { platform::FileSystem::install(nullptr); }

  static fs::path records() { return drive_->path() / kRecords; }

  // Waits for the search's answer.
  static std::string find(DayActivity& day, const std::string& from, int direction) {
    std::optional<std::string> answer;
    day.findEvent(from, direction, [&](const std::string& found) { answer = found; });
    EXPECT_FALSE(answer) << "answered from inside the call";
    EXPECT_TRUE(waitFor([&] { return answer.has_value(); }));
    return answer.value_or("(no answer)");
  }

  static bool allSettled(const DayActivity& day) {
    for (const DayHour& hour : day.hours())
      if (hour.state == HourState::Queued || hour.state == HourState::Indexing) return false;
    return true;
  }

  test::TempFolder cache_;
  test::ScopedEnv cacheHome_{"XDG_CACHE_HOME", cache_.path().string()};
  static test::TempFolder* drive_;
};

test::TempFolder* DayActivityTest::drive_ = nullptr;

// The day is listed and scored hour by hour on the worker, never inside the
// call: hours without a folder are absent at once, each listing arrives with
// hourChanged(), the three events land in their hours, each hour's progress
// reaches its snapshot count; a damaged snapshot is marked and the hour is
// still scored; a hour folder that cannot be reached says why.
TEST_F(DayActivityTest, ListsAndScoresTheHoursOfADate) {
  const fs::path day = records() / "2026-12-07";
  fs::copy(day / "15", day / "18");
  std::ofstream(day / "18" / "151000.jpg", std::ios::trunc) << "not a picture";
  // A name of another camera, not UTF-8: its time is the file's, 12:34
  // past the hour, and it is read by its own bytes.
  const fs::path foreign = day / "18" / "cam\xff.jpg";
  fs::copy_file(day / "15" / "151000.jpg", foreign);
  const timespec modified[2] = {{0, UTIME_OMIT}, {1765152000 + 12 * 60 + 34, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, foreign.c_str(), modified, 0), 0);
  fs::create_directory_symlink(drive_->path() / "unmounted", day / "19");

  DayActivity activity;
  std::map<int, std::size_t> signalled;
  std::map<int, std::size_t> listedSignalled;
  std::set<int> sawIndexing;
  QObject::connect(&activity, &DayActivity::hourChanged, [&](int hour) {
    const DayHour& entry = activity.hours()[std::size_t(hour)];
    if (entry.state == HourState::Indexing) sawIndexing.insert(hour);
    if (entry.listed && !listedSignalled.contains(hour))
      listedSignalled[hour] = entry.snapshots.size();
    signalled[hour] = std::max(signalled[hour], entry.indexed);
  });
  bool dateChanged = false;
  QObject::connect(&activity, &DayActivity::dateChanged, [&] { dateChanged = true; });
  activity.setDate(std::string(kDay) + "\\15\\150000.jpg");
  EXPECT_EQ(activity.dateFolder(), kDay);
  EXPECT_EQ(activity.date(), QDate(2026, 12, 7));
  EXPECT_FALSE(dateChanged) << "raised from inside the call";
  const auto& hours = activity.hours();
  EXPECT_EQ(hours[14].state, HourState::Queued);
  EXPECT_TRUE(hours[14].snapshots.empty()) << "listed inside the call";
  EXPECT_EQ(hours[14].folder, std::string(kDay) + "\\14");
  EXPECT_EQ(hours[13].state, HourState::Absent);
  ASSERT_TRUE(waitFor([&] { return allSettled(activity); }));
  EXPECT_TRUE(dateChanged);
  EXPECT_EQ(listedSignalled[14], 180U) << "the listing arrives with hourChanged()";
  EXPECT_EQ(hours[14].snapshots.front().time, QTime(14, 0, 0));
  EXPECT_EQ(hours[14].snapshots.back().time, QTime(14, 59, 40));

  const std::map<int, QTime> starts = {
      {14, QTime(14, 21, 40)}, {15, QTime(15, 8, 20)}, {16, QTime(16, 44, 0)}};
  for (const auto& [hour, start] : starts) {
    const DayHour& entry = hours[std::size_t(hour)];
    ASSERT_EQ(entry.state, HourState::Ready) << hour << entry.problem;
    ASSERT_EQ(entry.events.size(), 1U) << hour;
    EXPECT_EQ(entry.snapshots[entry.events[0].first].time, start);
    EXPECT_EQ(entry.indexed, 180U);
    EXPECT_EQ(signalled[hour], 180U) << hour;
    EXPECT_TRUE(entry.snapshots[1].score.has_value());
  }
  const DayHour& copied = hours[18];
  ASSERT_EQ(copied.state, HourState::Ready);
  const auto damaged = std::ranges::find(copied.snapshots, "151000.jpg", &DaySnapshot::name);
  ASSERT_NE(damaged, copied.snapshots.end());
  EXPECT_TRUE(damaged->damaged);
  EXPECT_FALSE(damaged->problem.empty());
  EXPECT_FALSE(damaged->score);
  EXPECT_EQ(copied.events.size(), 1U);
  const DaySnapshot& other = copied.snapshots.back();
  EXPECT_EQ(other.name, platform::hostNameToWindows("cam\xff.jpg"));
  EXPECT_EQ(other.time, QTime(18, 12, 34));
  EXPECT_TRUE(other.score.has_value()) << other.problem;
  EXPECT_EQ(hours[19].state, HourState::Unreadable);
  EXPECT_NE(hours[19].problem.find(std::string(kDay) + "\\19"), std::string::npos)
      << hours[19].problem;

  // The same date again changes nothing; a new snapshot in an hour is
  // listed when asked.
  activity.setDate(kDay);
  EXPECT_EQ(hours[14].state, HourState::Ready);
  fs::copy_file(day / "16" / "164400.jpg", day / "16" / "165959.jpg");
  activity.refreshHour(16);
  EXPECT_EQ(hours[16].snapshots.size(), 180U) << "the hour stays in view while listed again";
  EXPECT_TRUE(hours[16].snapshots[1].score.has_value());
  ASSERT_TRUE(waitFor([&] { return allSettled(activity); }));
  EXPECT_EQ(hours[16].snapshots.size(), 181U);
  EXPECT_EQ(hours[16].state, HourState::Ready);
  EXPECT_EQ(hours[16].snapshots.back().name, "165959.jpg");

  fs::remove_all(day / "18");
  fs::remove(day / "19");
  fs::remove(day / "16" / "165959.jpg");
}

// From event to event across hours and dates, both ways; the ends of the
// archive answer with nothing. Another date is searched without becoming the
// date shown.
TEST_F(DayActivityTest, FindsEventsAcrossHoursAndDates) {
  const fs::path later = records() / "2027-01-02";
  fs::create_directories(records() / "2026-12-09" / "05");  // an empty date between
  fs::create_directories(later);
  fs::copy(records() / "2026-12-07" / "14", later / "03");

  DayActivity activity;
  activity.setDate(kDay);
  const std::string day = kDay;
  const std::string next = "C:\\Program Files\\Vistrel\\Records\\2027-01-02\\03\\142140.jpg";
  EXPECT_EQ(find(activity, day + "\\14\\140000.jpg", 1), day + "\\14\\142140.jpg");
  EXPECT_EQ(find(activity, day + "\\14\\142140.jpg", 1), day + "\\15\\150820.jpg");
  EXPECT_EQ(find(activity, day + "\\15\\150820.jpg", -1), day + "\\14\\142140.jpg");
  EXPECT_EQ(find(activity, day + "\\15\\151000.jpg", -1), day + "\\15\\150820.jpg");
  EXPECT_EQ(find(activity, day + "\\16\\164400.jpg", 1), next);
  EXPECT_EQ(activity.dateFolder(), kDay);
  EXPECT_EQ(find(activity, next, -1), day + "\\16\\164400.jpg");
  EXPECT_EQ(find(activity, next, 1), "");
  EXPECT_EQ(find(activity, day + "\\14\\142140.jpg", -1), "");
  EXPECT_FALSE(activity.searching());

  // A newer search replaces one still running.
  int firstAnswers = 0;
  activity.findEvent(day + "\\14\\140000.jpg", 1, [&](const std::string&) { ++firstAnswers; });
  EXPECT_TRUE(activity.searching());
  EXPECT_EQ(find(activity, day + "\\16\\160000.jpg", 1), day + "\\16\\164400.jpg");
  EXPECT_EQ(firstAnswers, 0);

  fs::remove_all(later);
  fs::remove_all(records() / "2026-12-09");
}

// The index reports its progress up to the hour's size and stops at once
// when cancelled, leaving the cache as it was.
TEST_F(DayActivityTest, IndexReportsProgressAndStopsWhenCancelled) {
  const fs::path hour = records() / "2026-12-07" / "14";
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(hour)) names.push_back(entry.path().filename());
  std::ranges::sort(names);
  names.resize(40);

  IndexOptions options;
  options.cacheFolder = cache_.path() / "index";
  std::atomic<bool> cancel{true};
  options.cancel = &cancel;
  const HourActivity stopped = indexHour(hour, names, options);
  EXPECT_TRUE(stopped.cancelled);
  EXPECT_EQ(stopped.decoded, 0U);
  EXPECT_FALSE(fs::exists(options.cacheFolder));

  cancel = false;
  std::vector<std::size_t> reported;
  options.progress = [&](std::size_t done, std::size_t total) {
    EXPECT_EQ(total, 40U);
    reported.push_back(done);
  };
  const HourActivity scored = indexHour(hour, names, options);
  EXPECT_FALSE(scored.cancelled);
  ASSERT_FALSE(reported.empty());
  EXPECT_TRUE(std::ranges::is_sorted(reported));
  EXPECT_EQ(reported.back(), 40U);
  reported.clear();
  indexHour(hour, names, options);  // all from the cache
  EXPECT_EQ(reported, std::vector<std::size_t>({40}));
}

}  // namespace
}  // namespace vistrel::activity
