// The activity index: what it scores on generated material, how fast it
// indexes an hour from nothing and from its cache, and its throughput
// against the ffmpeg program's scene-change filter on the same snapshots:
//   ffmpeg -framerate 5 -i snap%04d.jpg -vf "select='gt(scene,0.1)'" -f null -
//
// Material/<kind> (100 snapshots of 640 × 480 at JPEG quality 75) reports,
// over all pairs of neighbouring snapshots, the largest and the 99.9th
// percentile grid-pixel change after the mean change is taken off
// ("residual_max", "residual_p999", grey levels), the highest score
// ("score_max") and, for the walking figure, the lowest score while it is
// in the picture ("figure_score_min"). These are the figures the noise
// threshold and the event threshold are chosen from.
//
// HourFromNothing indexes 3,600 snapshots with no cache, on every core;
// CachedHour answers the same hour from its cache. VersusFfmpegSceneFilter
// runs both on the same 3,600 snapshots in turn and reports both rates and
// their ratio (ours / theirs), in wall time and in CPU time.
//
// DayHourCold has the window's day service score that hour from nothing
// (listing included) until it is ready, with its background share of the
// cores; DayCachedDate loads a date of 24 such hours (86,400 snapshots) whose
// scores are all in the cache, from setDate() until every hour is ready.
//
// The snapshots are made in a temporary folder; the cache goes there too.
// `--noise=SIGMA` and `--quality=Q` (before any other option) change the
// hour's sensor noise (default 6 grey levels) and JPEG quality (75): the
// noisier the snapshots, the larger the files and the larger the share of
// entropy decoding, which both sides pay alike.
// `bench_activity --write-hour=DIR` only writes the hour's snapshots into DIR
// (for timing whole processes, e.g. vistrel-activity --no-cache DIR against
// the ffmpeg command above run in DIR).

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "activity/activity_index.h"
#include "activity/activity_score.h"
#include "activity/day_activity.h"
#include "activity/luma_thumbnail.h"
#include "picture/jpeg_codec.h"
#include "platform/file_system.h"
#include "snapshot_scenes.h"

namespace {

using vistrel::activity::IndexOptions;
using vistrel::test::SceneScript;

constexpr int kHourSnapshots = 3600;
constexpr int kUniqueSnapshots = 120;
QTemporaryDir* gScratch = nullptr;

std::filesystem::path scratch(const std::string& name) {
  return std::filesystem::path(gScratch->path().toStdString()) / name;
}

// An hour of snapshots: kUniqueSnapshots different ones (noise, a figure
// crossing now and then) repeated, so making it takes seconds, not minutes.
SceneScript gHourScript;

std::vector<std::string> writeHour(const std::filesystem::path& folder) {
  SceneScript script = gHourScript;
  script.figureFirst = 40;
  script.figureLast = 60;
  std::vector<std::vector<std::uint8_t>> unique;
  vistrel::jpeg::EncodeOptions options;
  options.quality = script.quality;
  for (int i = 0; i < kUniqueSnapshots; ++i)
    unique.push_back(vistrel::jpeg::Encode(vistrel::test::sceneSnapshot(script, i), options));
  std::filesystem::create_directories(folder);
  std::vector<std::string> all;
  for (int i = 0; i < kHourSnapshots; ++i) {
    all.push_back(vistrel::test::sceneName(i));
    const auto& bytes = unique[std::size_t(i % kUniqueSnapshots)];
    std::ofstream(folder / all.back(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  return all;
}

const std::vector<std::string>& hourSet() {
  static const std::vector<std::string> names = writeHour(scratch("hour"));
  return names;
}

double cpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double wallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Material(benchmark::State& state, SceneScript script) {
  const std::filesystem::path folder =
      scratch("material-" + std::to_string(reinterpret_cast<std::uintptr_t>(&state)));
  const auto names = vistrel::test::writeSceneSet(folder, script, 100);
  std::vector<int> residuals;
  double scoreMax = 0;
  double figureMin = 1;
  double bytes = 0;
  for (auto _ : state) {
    residuals.clear();
    std::optional<vistrel::activity::LumaGrid> before;
    for (int i = 0; i < int(names.size()); ++i) {
      const auto thumbnail =
          vistrel::activity::loadLumaThumbnail((folder / names[i]).string(), names[i]);
      bytes += double(thumbnail.stamp.size);
      if (before) {
        int total = 0;
        for (int k = 0; k < vistrel::activity::kGridPixels; ++k)
          total += int((*thumbnail.grid)[k]) - int((*before)[k]);
        const double mean = double(total) / vistrel::activity::kGridPixels;
        for (int k = 0; k < vistrel::activity::kGridPixels; ++k)
          residuals.push_back(
              int(std::lround(std::abs(int((*thumbnail.grid)[k]) - int((*before)[k]) - mean))));
        const double score = vistrel::activity::activityScore(*before, *thumbnail.grid);
        scoreMax = std::max(scoreMax, score);
        if (i >= script.figureFirst && i <= script.figureLast)
          figureMin = std::min(figureMin, score);
      }
      before = thumbnail.grid;
    }
  }
  std::sort(residuals.begin(), residuals.end());
  state.counters["residual_max"] = residuals.back();
  state.counters["residual_p999"] = residuals[residuals.size() * 999 / 1000];
  state.counters["score_max"] = scoreMax;
  if (script.figureFirst <= script.figureLast) state.counters["figure_score_min"] = figureMin;
  state.counters["file_kb"] = bytes / double(state.iterations() * names.size()) / 1024;
}

void HourFromNothing(benchmark::State& state) {
  const auto& names = hourSet();
  IndexOptions options;
  options.useCache = false;
  for (auto _ : state) {
    const auto hour = vistrel::activity::indexHour(scratch("hour"), names, options);
    benchmark::DoNotOptimize(hour.snapshots.data());
  }
  state.counters["snapshots_per_s"] =
      benchmark::Counter(double(state.iterations() * names.size()), benchmark::Counter::kIsRate);
}

void CachedHour(benchmark::State& state) {
  const auto& names = hourSet();
  IndexOptions options;
  options.cacheFolder = scratch("cache");
  vistrel::activity::indexHour(scratch("hour"), names, options);  // fills the cache
  std::size_t decoded = 0;
  for (auto _ : state) {
    const auto hour = vistrel::activity::indexHour(scratch("hour"), names, options);
    decoded += hour.decoded;
  }
  state.counters["decoded"] = double(decoded);
}

void VersusFfmpegSceneFilter(benchmark::State& state) {
  const auto& names = hourSet();
  IndexOptions options;
  options.useCache = false;
  double ourWall = 0, ourCpu = 0, theirWall = 0, theirCpu = 0;
  for (auto _ : state) {
    double wall = wallSeconds();
    double cpu = cpuSeconds(RUSAGE_SELF);
    vistrel::activity::indexHour(scratch("hour"), names, options);
    ourWall += wallSeconds() - wall;
    ourCpu += cpuSeconds(RUSAGE_SELF) - cpu;

    wall = wallSeconds();
    cpu = cpuSeconds(RUSAGE_CHILDREN);
    QProcess ffmpeg;
    ffmpeg.setWorkingDirectory(QString::fromStdString(scratch("hour").string()));
    ffmpeg.start("ffmpeg", {"-nostdin", "-loglevel", "error", "-framerate", "5", "-i",
                            "snap%04d.jpg", "-vf", "select='gt(scene,0.1)'", "-f", "null", "-"});
    if (!ffmpeg.waitForFinished(-1) || ffmpeg.exitCode() != 0) {
      state.SkipWithError("ffmpeg failed");
      return;
    }
    theirWall += wallSeconds() - wall;
    theirCpu += cpuSeconds(RUSAGE_CHILDREN) - cpu;
  }
  const double n = double(state.iterations() * names.size());
  state.counters["ours_per_s"] = n / ourWall;
  state.counters["ffmpeg_per_s"] = n / theirWall;
  state.counters["ratio_wall"] = theirWall / ourWall;
  state.counters["ratio_cpu"] = theirCpu / ourCpu;
}

// Drive C with one date, 2026-12-07, whose hours `hours` are all the one
// hour of snapshots (links to it). Returns the date's Windows path.
std::string installDate(const std::string& name, const std::vector<int>& hours) {
  hourSet();
  const std::filesystem::path root = scratch(name);
  const std::filesystem::path date = root / "2026-12-07";
  std::filesystem::create_directories(date);
  for (const int hour : hours) {
    const std::filesystem::path link = date / (hour < 10 ? "0" : "") += std::to_string(hour);
    if (!std::filesystem::exists(link))
      std::filesystem::create_directory_symlink(scratch("hour"), link);
  }
  vistrel::platform::Drive c;
  c.letter = 'C';
  c.type = vistrel::platform::DriveType::Fixed;
  c.hostRoot = root;
  vistrel::platform::FileSystem::install(std::make_unique<vistrel::platform::FileSystem>(
      std::vector<vistrel::platform::Drive>{c}, "C:\\"));
  return "C:\\2026-12-07";
}

// Runs the event loop until every listed hour of `day` is ready.
void waitUntilReady(const vistrel::activity::DayActivity& day) {
  using vistrel::activity::HourState;
  auto ready = [&] {
    return std::ranges::all_of(day.hours(), [](const vistrel::activity::DayHour& hour) {
      return hour.state != HourState::Queued && hour.state != HourState::Indexing;
    });
  };
  // Sleeps between the service's hand-overs as a window's event loop does:
  // spinning here would take a core from the worker being measured.
  while (!ready()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void DayHourCold(benchmark::State& state) {
  const std::string date = installDate("drive-cold", {10});
  int run = 0;
  for (auto _ : state) {
    state.PauseTiming();
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(scratch("cold-" + std::to_string(run++))));
    state.ResumeTiming();
    vistrel::activity::DayActivity day;
    day.setDate(date);
    waitUntilReady(day);
    if (day.hours()[10].state != vistrel::activity::HourState::Ready)
      state.SkipWithError("not scored");
  }
  state.counters["snapshots_per_s"] =
      benchmark::Counter(double(state.iterations() * kHourSnapshots), benchmark::Counter::kIsRate);
  vistrel::platform::FileSystem::install(nullptr);
}

void DayCachedDate(benchmark::State& state) {
  std::vector<int> hours(24);
  std::iota(hours.begin(), hours.end(), 0);
  const std::string date = installDate("drive-day", hours);
  qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(scratch("day-cache")));
  {
    vistrel::activity::DayActivity warm;  // fills the cache, untimed
    warm.setDate(date);
    waitUntilReady(warm);
  }
  double listing = 0;  // the part spent listing on the calling thread
  for (auto _ : state) {
    vistrel::activity::DayActivity day;
    const double start = wallSeconds();
    day.setDate(date);
    listing += wallSeconds() - start;
    waitUntilReady(day);
  }
  state.counters["snapshots"] = 24.0 * kHourSnapshots;
  state.counters["listing_ms"] = listing * 1000 / double(state.iterations());
  vistrel::platform::FileSystem::install(nullptr);
}

SceneScript stillScene() { return SceneScript{}; }
SceneScript lightRamp() {
  SceneScript script;
  script.lightPerSnapshot = 1;
  return script;
}
SceneScript figureCrossing() {
  SceneScript script;
  script.figureFirst = 40;
  script.figureLast = 60;
  return script;
}
SceneScript shake(int pixels) {
  SceneScript script;
  script.shakePixels = pixels;
  return script;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  for (const auto& [option, value] :
       {std::pair{"--noise=", &gHourScript.noiseSigma}, {"--quality=", &gHourScript.quality}}) {
    if (argc > 1 && std::string(argv[1]).starts_with(option)) {
      *value = std::stoi(std::string(argv[1]).substr(std::string(option).size()));
      std::copy(argv + 2, argv + argc + 1, argv + 1);
      --argc;
    }
  }
  const std::string writeOption = "--write-hour=";
  if (argc == 2 && std::string(argv[1]).starts_with(writeOption)) {
    writeHour(std::string(argv[1]).substr(writeOption.size()));
    return 0;
  }
  QTemporaryDir scratchFolder;
  gScratch = &scratchFolder;
  benchmark::RegisterBenchmark("Material/still_noise", Material, stillScene())->Iterations(1);
  benchmark::RegisterBenchmark("DayHourCold", DayHourCold)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(3);
  benchmark::RegisterBenchmark("DayCachedDate", DayCachedDate)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(5);
  benchmark::RegisterBenchmark("Material/light_ramp", Material, lightRamp())->Iterations(1);
  benchmark::RegisterBenchmark("Material/figure_crossing", Material, figureCrossing())
      ->Iterations(1);
  SceneScript noisy;  // a poor camera in poor light
  noisy.noiseSigma = 14;
  noisy.quality = 50;
  benchmark::RegisterBenchmark("Material/noisy_camera", Material, noisy)->Iterations(1);
  benchmark::RegisterBenchmark("Material/shake_2px", Material, shake(2))->Iterations(1);
  benchmark::RegisterBenchmark("Material/shake_4px", Material, shake(4))->Iterations(1);
  benchmark::RegisterBenchmark("Material/shake_8px", Material, shake(8))->Iterations(1);
  benchmark::RegisterBenchmark("HourFromNothing", HourFromNothing)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->MinTime(3);
  benchmark::RegisterBenchmark("CachedHour", CachedHour)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("VersusFfmpegSceneFilter", VersusFfmpegSceneFilter)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(3);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
