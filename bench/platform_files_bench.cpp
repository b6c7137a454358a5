// Listing and looking up names in a full hour folder (one snapshot a second).

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "platform/file_system.h"

namespace {

namespace fs = std::filesystem;
using vistrel::platform::Drive;
using vistrel::platform::FileSystem;

// A drive C whose hour folder holds 3600 time-named snapshots.
struct HourFolder {
  HourFolder() {
    std::string pattern = (fs::temp_directory_path() / "vistrel-bench-XXXXXX").string();
    root = mkdtemp(pattern.data());
    fs::create_directories(root / "Records/2026-12-06/07");
    for (int second = 0; second < 3600; ++second) {
      char name[32];
      std::snprintf(name, sizeof name, "Snap_07%02d%02d.jpg", second / 60, second % 60);
      std::ofstream(root / "Records/2026-12-06/07" / name) << "x";
    }
    fileSystem = std::make_unique<FileSystem>(
        std::vector<Drive>{Drive{'C', root, vistrel::platform::DriveType::Fixed, "", {}}},
        "C:\\Records\\2026-12-06\\07");
  }
  ~HourFolder() { fs::remove_all(root); }

  fs::path root;
  std::unique_ptr<FileSystem> fileSystem;
};

HourFolder& hourFolder() {
  static HourFolder folder;
  return folder;
}

void BM_FindFilesInHourFolder(benchmark::State& state) {
  FileSystem& fileSystem = *hourFolder().fileSystem;
  for (auto _ : state) benchmark::DoNotOptimize(fileSystem.findFiles("*.jpg"));
}
BENCHMARK(BM_FindFilesInHourFolder)->Unit(benchmark::kMillisecond);

void BM_FullPathExactCase(benchmark::State& state) {
  FileSystem& fileSystem = *hourFolder().fileSystem;
  for (auto _ : state) benchmark::DoNotOptimize(fileSystem.fullPath("Snap_073000.jpg"));
}
BENCHMARK(BM_FullPathExactCase)->Unit(benchmark::kMicrosecond);

void BM_FullPathOtherCase(benchmark::State& state) {
  FileSystem& fileSystem = *hourFolder().fileSystem;
  for (auto _ : state) benchmark::DoNotOptimize(fileSystem.fullPath("SNAP_073000.JPG"));
}
BENCHMARK(BM_FullPathOtherCase)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
