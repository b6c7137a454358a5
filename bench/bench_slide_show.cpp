// One slide-show tick of the main window: list lookup, load and decode of a
// snapshot, selection, label and position bar. At 30 snapshots per second a
// tick has 33 ms.
//
// BM_ShowWithExport plays 300 snapshots in the window at preview rate 30
// with video export on, on the real timer and event loop, and reports the
// snapshots shown per second from the click to the end of the show,
// start-up and the closing tick that shows nothing included ("ticks_per_s"),
// the steady rate between the first and the last snapshot shown
// ("shown_per_s"), and the window thread's CPU
// time per snapshot ("window_cpu_ms", painting included), which a loaded
// machine disturbs far less than the rate. Run it in a real window:
//   QT_QPA_PLATFORM=xcb xvfb-run -a build/bench/bench_slide_show --benchmark_filter=ShowWithExport

#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include "app/unit1.h"
#include "app/widgets/check_box.h"
#include "app/widgets/dialogs.h"
#include "app/widgets/panel.h"
#include "app/widgets/spin_edit.h"
#include "app/widgets/timer.h"
#include "bench/bench_main.h"
#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"
#include "platform/file_system.h"

namespace {

using namespace vistrel;

// Writes `count` snapshots of `width` × `height` into a fresh drive C and
// returns its host folder.
std::filesystem::path makeHour(int count, int width, int height) {
  std::string pattern = (std::filesystem::temp_directory_path() / "vistrel-bench-XXXXXX").string();
  const std::filesystem::path root = mkdtemp(pattern.data());
  const std::filesystem::path hour = root / "Program Files/Vistrel/Records/2026-12-06/07";
  std::filesystem::create_directories(hour);
  for (int i = 0; i < count; ++i) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QLinearGradient(0, 0, width, height));
    painter.drawText(image.rect(), Qt::AlignCenter, QString::number(i));
    painter.end();
    char name[32];
    std::snprintf(name, sizeof name, "%06d.jpg", i);
    image.save(QString::fromStdString((hour / name).string()), "JPG", 80);
  }
  return root;
}

// One timed tick per iteration; at the end of the folder the show starts
// over, untimed.
void fireTicks(benchmark::State& state, app::TForm1& form) {
  for (auto _ : state) {
    form.SlideShowTimer->fire();
    if (!form.SlideShowTimer->enabled()) {
      state.PauseTiming();
      form.STOPClick(form.STOP);
      form.SlideShowClick(form.SlideShow);
      state.ResumeTiming();
    }
  }
}

void BM_SlideShowTick(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = width * 3 / 4;
  const std::filesystem::path root = makeHour(20, width, height);
  platform::Drive drive;
  drive.letter = 'C';
  drive.hostRoot = root;
  platform::FileSystem::install(
      std::make_unique<platform::FileSystem>(std::vector<platform::Drive>{drive}, "C:\\"));
  auto form = app::TForm1::create();
  form->show();
  form->DirectoryListBox1->SetCurrentDirectory(
      "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07");
  form->SledeciSat->setChecked(false);
  form->SlideShowClick(form->SlideShow);
  fireTicks(state, *form);
  form.reset();
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_SlideShowTick)->Arg(640)->Arg(1280)->Arg(1920)->Unit(benchmark::kMillisecond);

// CPU time the calling thread has used, in milliseconds.
double threadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Messages (the "saved to" box) are not shown: no one is there to close them.
class SilentDialogs : public app::Dialogs {
 public:
  void showError(const std::string& message) override { errors.push_back(message); }
  void showMessage(const std::string&) override {}
  bool confirm(const std::string&) override { return false; }
  void showShellError(const std::string& message) override { errors.push_back(message); }
  platform::CollisionAnswer askCollision(const std::string&) override {
    return platform::CollisionAnswer::Cancel;
  }
  std::unique_ptr<platform::CopyObserver> copyProgress(const std::string&) override {
    return nullptr;
  }
  std::vector<std::string> errors;
};

void BM_ShowWithExport(benchmark::State& state) {
  constexpr int kSnapshots = 300;
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const std::filesystem::path root = makeHour(kSnapshots, width, height);
  platform::Drive drive;
  drive.letter = 'C';
  drive.hostRoot = root;
  auto files = std::make_unique<platform::FileSystem>(std::vector<platform::Drive>{drive}, "C:\\");
  files->setExecutablePath(root / "vistrel-preview");  // the videos go to drive C
  platform::FileSystem::install(std::move(files));
  auto* dialogs = new SilentDialogs;
  auto previousDialogs = app::Dialogs::install(std::unique_ptr<app::Dialogs>(dialogs));
  auto form = app::TForm1::create();
  form->show();
  form->DirectoryListBox1->SetCurrentDirectory(
      "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07");
  form->SledeciSat->setChecked(false);
  form->PreviewFPS->setValue(30);  // its change handler sets the interval
  double ticksPerSecond = 0;
  double windowCpuMs = 0;
  double steadyPerSecond = 0;
  for (auto _ : state) {
    form->CheckBox1->setChecked(true);
    form->CheckBox1MouseUp(form->CheckBox1, Qt::LeftButton, {}, 0, 0);
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = threadCpuMs();
    form->SlideShowClick(form->SlideShow);
    // Each snapshot shown moves the slide counter on; the steady rate is
    // the intervals between the first and the last one shown.
    std::int32_t counter = form->slideCounter();
    std::chrono::steady_clock::time_point firstShown;
    std::chrono::steady_clock::time_point lastShown;
    int shown = 0;
    while (form->SlideShowTimer->enabled()) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      if (form->slideCounter() != counter) {
        counter = form->slideCounter();
        lastShown = std::chrono::steady_clock::now();
        if (shown++ == 0) firstShown = lastShown;
      }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const std::chrono::duration<double> between = lastShown - firstShown;
    windowCpuMs = (threadCpuMs() - cpuStart) / kSnapshots;
    ticksPerSecond = kSnapshots / took.count();
    steadyPerSecond = shown > 1 ? (shown - 1) / between.count() : 0;
    form->CheckBox1->setChecked(false);
    form->CheckBox1MouseUp(form->CheckBox1, Qt::LeftButton, {}, 0, 0);
  }
  state.counters["ticks_per_s"] = ticksPerSecond;
  state.counters["shown_per_s"] = steadyPerSecond;
  state.counters["window_cpu_ms"] = windowCpuMs;
  state.SetLabel(std::to_string(width) + "x" + std::to_string(height) + ", " +
                 std::to_string(dialogs->errors.size()) + " errors");
  form.reset();
  app::Dialogs::install(std::move(previousDialogs));
  std::filesystem::remove_all(root);
}
// The window thread's work in one tick with export on, on its own: the
// next period starts only after it. Its CPU time leaves out the waits for
// the recorder when ticks come faster than frames are compressed.
void BM_ExportTick(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const std::filesystem::path root = makeHour(20, width, height);
  platform::Drive drive;
  drive.letter = 'C';
  drive.hostRoot = root;
  auto files = std::make_unique<platform::FileSystem>(std::vector<platform::Drive>{drive}, "C:\\");
  files->setExecutablePath(root / "vistrel-preview");
  platform::FileSystem::install(std::move(files));
  auto previousDialogs = app::Dialogs::install(std::make_unique<SilentDialogs>());
  auto form = app::TForm1::create();
  form->show();
  form->DirectoryListBox1->SetCurrentDirectory(
      "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07");
  form->SledeciSat->setChecked(false);
  form->CheckBox1->setChecked(true);
  form->CheckBox1MouseUp(form->CheckBox1, Qt::LeftButton, {}, 0, 0);
  form->SlideShowClick(form->SlideShow);
  fireTicks(state, *form);
  form->CheckBox1->setChecked(false);
  form->CheckBox1MouseUp(form->CheckBox1, Qt::LeftButton, {}, 0, 0);
  form.reset();
  app::Dialogs::install(std::move(previousDialogs));
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_ExportTick)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

BENCHMARK(BM_ShowWithExport)
    ->Args({640, 480})
    ->Args({1920, 1080})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return vistrel::bench::RunBenchmarks<QApplication>(argc, argv); }
