// The archive watcher: how long after a snapshot is renamed into its hour
// folder the watcher reports it, and what the watcher costs while nothing
// is written (process CPU time per second of waiting).

#include <stdlib.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include "bench/bench_main.h"
#include "platform/archive_folder.h"
#include "platform/archive_watcher.h"
#include "platform/file_system.h"

namespace {

namespace fs = std::filesystem;
using vistrel::platform::ArchiveWatcher;
using vistrel::platform::Drive;
using vistrel::platform::FileSystem;

// Drive C with a records root of `dates` dates of 24 hours each.
struct Archive {
  explicit Archive(int dates) {
    std::string pattern = (fs::temp_directory_path() / "vistrel-bench-XXXXXX").string();
    root = mkdtemp(pattern.data());
    records = root / "Program Files/Vistrel/Records";
    for (int date = 1; date <= dates; ++date) {
      for (int hour = 0; hour < 24; ++hour) {
        char name[32];
        std::snprintf(name, sizeof name, "2026-%02d-%02d/%02d", 1 + date / 28, 1 + date % 28, hour);
        fs::create_directories(records / name);
      }
    }
    FileSystem::install(std::make_unique<FileSystem>(
        std::vector<Drive>{Drive{'C', root, vistrel::platform::DriveType::Fixed, "", {}}}, "C:\\"));
  }
  ~Archive() {
    FileSystem::install(nullptr);
    fs::remove_all(root);
  }

  fs::path root;
  fs::path records;
};

double processCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// From the rename of a complete snapshot into the newest hour to the
// watcher's hourChanged, event loop included.
void BM_SnapshotToSignal(benchmark::State& state) {
  Archive archive(30);
  ArchiveWatcher watcher;
  watcher.watch(vistrel::platform::kRecordsRoot);
  QEventLoop loop;
  QObject::connect(&watcher, &ArchiveWatcher::hourChanged, &loop, &QEventLoop::quit);
  QTimer giveUp;  // never waits for good
  giveUp.setSingleShot(true);
  QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
  const fs::path hour = archive.records / "2026-02-03/23";
  int snapshot = 0;
  for (auto _ : state) {
    const fs::path written = archive.root / "snapshot.tmp";
    std::ofstream(written) << std::string(40000, 'x');
    const auto start = std::chrono::steady_clock::now();
    fs::rename(written, hour / (std::to_string(230000 + snapshot++) + ".jpg"));
    giveUp.start(5000);
    loop.exec();
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.counters["watched"] = static_cast<double>(watcher.watchedFolders());
}
BENCHMARK(BM_SnapshotToSignal)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// One second of waiting with a year of hours watched: the CPU it costs.
void BM_IdleWatcher(benchmark::State& state) {
  Archive archive(static_cast<int>(state.range(0)));
  ArchiveWatcher watcher;
  watcher.watch(vistrel::platform::kRecordsRoot);
  double cpuSeconds = 0;
  for (auto _ : state) {
    const double before = processCpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
    cpuSeconds += processCpuSeconds() - before;
  }
  state.counters["cpu_ms_per_s"] =
      benchmark::Counter(cpuSeconds * 1000 / static_cast<double>(state.iterations()));
  state.counters["watched"] = static_cast<double>(watcher.watchedFolders());
}
BENCHMARK(BM_IdleWatcher)->Arg(365)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return vistrel::bench::RunBenchmarks<QCoreApplication>(argc, argv);
}
