// Rebuilding the tree list at a records root holding many date folders:
// listing, filtering and the case-ignoring locale sort.

#include <filesystem>
#include <memory>
#include <string>

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "bench/bench_main.h"
#include "browse/directory_list_box.h"
#include "platform/file_system.h"

namespace {

void BM_RebuildRecordsRoot(benchmark::State& state) {
  QTemporaryDir drive;
  const std::filesystem::path records =
      std::filesystem::path(drive.path().toStdString()) / "Program Files/Vistrel/Records";
  for (int i = 0; i < state.range(0); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d", 2000 + i / 372, 1 + i / 31 % 12, 1 + i % 31);
    std::filesystem::create_directories(records / name);
  }
  vistrel::platform::Drive c;
  c.letter = 'C';
  c.hostRoot = drive.path().toStdString();
  vistrel::platform::FileSystem::install(std::make_unique<vistrel::platform::FileSystem>(
      std::vector<vistrel::platform::Drive>{c}, "C:\\Program Files\\Vistrel\\Records"));
  vistrel::browse::TDirectoryListBox list;
  for (auto _ : state) list.Rebuild();
  state.counters["entries"] = list.count();
  vistrel::platform::FileSystem::install(nullptr);
}
BENCHMARK(BM_RebuildRecordsRoot)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return vistrel::bench::RunBenchmarks<QApplication>(argc, argv); }
