// Showing one snapshot: LoadPictureFile, the decode at the first draw, and
// the stretched draw into the 640 × 480 picture control. Snapshots of
// 640 × 480 and 1920 × 1080 are drawn and encoded into a temporary folder at
// start-up.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "bench/bench_main.h"
#include "picture/jpeg_codec.h"
#include "picture/jpeg_image.h"
#include "picture/picture.h"

namespace {

QTemporaryDir* gFolder = nullptr;

// A camera-like scene: gradients, edges and some noise, so the file has
// realistic entropy.
QImage Scene(int width, int height) {
  QImage image(width, height, QImage::Format_RGB888);
  std::uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = image.scanLine(y);
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int n = static_cast<int>(noise >> 28) - 8;
      const int base = (x * 255 / width + y * 255 / height) / 2;
      const int stripe = ((x / 37 + y / 23) % 3) * 30;
      row[3 * x] = static_cast<std::uint8_t>(std::clamp(base + stripe + n, 0, 255));
      row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(255 - base + n, 0, 255));
      row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(stripe * 2 + n, 0, 255));
    }
  }
  return image;
}

std::string Snapshot(int width, int height) {
  const std::string path = QDir(gFolder->path())
                               .filePath(QString("snap-%1x%2.jpg").arg(width).arg(height))
                               .toStdString();
  if (!QFile::exists(QString::fromStdString(path))) {
    vistrel::jpeg::EncodeOptions options;
    options.quality = 75;
    const std::vector<std::uint8_t> bytes = vistrel::jpeg::Encode(Scene(width, height), options);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  return path;
}

void LoadDecodeDraw(benchmark::State& state) {
  const std::string path =
      Snapshot(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  QImage control(640, 480, QImage::Format_RGB32);
  for (auto _ : state) {
    vistrel::TPicture picture;
    vistrel::LoadPictureFile(picture, path);
    picture.prepare();
    QPainter painter(&control);
    picture.draw(painter, QRect(0, 0, 640, 480));
  }
  state.SetLabel(std::to_string(QFileInfo(QString::fromStdString(path)).size()) + " bytes");
}
BENCHMARK(LoadDecodeDraw)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

// A repaint: the decoded bitmap is reused, only the stretch remains.
void Repaint(benchmark::State& state) {
  vistrel::TPicture picture;
  vistrel::LoadPictureFile(
      picture, Snapshot(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
  picture.prepare();
  QImage control(640, 480, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&control);
    picture.draw(painter, QRect(0, 0, 640, 480));
  }
}
BENCHMARK(Repaint)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir folder;
  gFolder = &folder;
  return vistrel::bench::RunBenchmarks<QGuiApplication>(argc, argv);
}
