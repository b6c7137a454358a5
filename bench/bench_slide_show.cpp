// One slide-show tick of the main window: list lookup, load and decode of a
// snapshot, selection, label and position bar (which loads it once more
// through the bar's change handler). At 30 snapshots per second a tick has
// 33 ms.

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include "app/controls/check_box.h"
#include "app/controls/panel.h"
#include "app/controls/timer.h"
#include "app/unit1.h"
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
  form->DirectoryListBox1->setCurrentDirectory(
      "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07");
  form->SledeciSat->setChecked(false);
  form->SlideShowClick(form->SlideShow);
  for (auto _ : state) {
    form->SlideShowTimer->fire();
    if (!form->SlideShowTimer->enabled()) {  // end of the folder: start over
      state.PauseTiming();
      form->STOPClick(form->STOP);
      form->SlideShowClick(form->SlideShow);
      state.ResumeTiming();
    }
  }
  form.reset();
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_SlideShowTick)->Arg(640)->Arg(1280)->Arg(1920)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return vistrel::bench::RunBenchmarks<QApplication>(argc, argv); }
