// The timeline's speed: laying out and painting a whole date of 86,400
// snapshots (one a second, all scored, a few events) into the window's
// graph (goal: under 100 ms), and the thumbnail decode of a 1920 x 1080
// snapshot at the size the hover shows it (goal: 30 a second or more).

#include <filesystem>
#include <fstream>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "bench/bench_main.h"
#include "picture/jpeg_codec.h"
#include "picture/scaled_decode.h"
#include "timeline/timeline_graph.h"

namespace {

using namespace vistrel;

timeline::DayHours wholeDay() {
  timeline::DayHours hours;
  for (int h = 0; h < 24; ++h) {
    activity::DayHour& hour = hours[std::size_t(h)];
    hour.state = activity::HourState::Ready;
    hour.folder = "C:\\Program Files\\Vistrel\\Records\\2026-12-07\\" + std::to_string(h);
    hour.snapshots.resize(3600);
    for (int s = 0; s < 3600; ++s) {
      activity::DaySnapshot& snapshot = hour.snapshots[std::size_t(s)];
      snapshot.time = QTime(h, s / 60, s % 60);
      snapshot.name = snapshot.time.toString("HHmmss").toStdString() + ".jpg";
      snapshot.score = (s / 300) % 4 == 0 ? 0.03 : 0.001 * (s % 7);
    }
    for (std::size_t first = 0; first < 3600; first += 1200) {
      activity::ActivityEvent event;
      event.first = first;
      event.last = first + 299;
      hour.events.push_back(event);
    }
  }
  return hours;
}

void BM_PaintCachedDate(benchmark::State& state) {
  const timeline::DayHours hours = wholeDay();
  timeline::TimelineGraph graph(hours);
  graph.resize(24 * 44, 220);
  QImage target(graph.size(), QImage::Format_RGB32);
  for (auto _ : state) {
    graph.hoursChanged();  // the layout of all 86,400 snapshots, as on a new score
    graph.render(&target);
    benchmark::DoNotOptimize(target.constBits());
  }
  state.SetItemsProcessed(state.iterations() * 86400);
}
BENCHMARK(BM_PaintCachedDate)->Unit(benchmark::kMillisecond);

void BM_ScrubThumbnail1080p(benchmark::State& state) {
  QImage frame(1920, 1080, QImage::Format_RGB888);
  QPainter painter(&frame);
  painter.fillRect(frame.rect(), QColor(70, 110, 60));
  for (int i = 0; i < 40; ++i)
    painter.fillRect(i * 48, (i * 37) % 1000, 40, 80, QColor(i * 6, 90, 200 - i * 4));
  painter.end();
  const std::vector<std::uint8_t> bytes = jpeg::Encode(frame, {});
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / "bench_timeline_1080p.jpg";
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  for (auto _ : state) {
    jpeg::ScaledPicture picture =
        jpeg::DecodeScaledFile(file.string(), "bench", timeline::TimelineGraph::kThumbnailBox);
    benchmark::DoNotOptimize(picture.image.constBits());
  }
  state.SetItemsProcessed(state.iterations());
  std::filesystem::remove(file);
}
BENCHMARK(BM_ScrubThumbnail1080p)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return vistrel::bench::RunBenchmarks<QApplication>(argc, argv); }
