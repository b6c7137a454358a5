#include "snapshot_scenes.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include <QPainter>
#include <QPainterPath>

#include "picture/jpeg_codec.h"

namespace vistrel::test {
namespace {

std::uint32_t nextRandom(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

QImage background(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient sky(0, 0, 0, height / 2);
  sky.setColorAt(0, QColor(120, 160, 210));
  sky.setColorAt(1, QColor(190, 205, 220));
  painter.fillRect(0, 0, width, height / 2, sky);
  painter.fillRect(0, height / 2, width, height - height / 2, QColor(95, 110, 70));
  // Grass and gravel texture: small random dabs, the same every snapshot.
  std::uint32_t state = 7;
  for (int i = 0; i < width * height / 40; ++i) {
    const int x = int(nextRandom(state) % unsigned(width));
    const int y = height / 2 + int(nextRandom(state) % unsigned(height - height / 2));
    const int shade = int(nextRandom(state) % 60);
    painter.fillRect(x, y, 3, 2, QColor(70 + shade, 85 + shade, 50 + shade / 2));
  }
  // A house with windows and a roof.
  painter.scale(double(width) / 640, double(height) / 480);
  painter.fillRect(380, 150, 200, 150, QColor(170, 120, 90));
  QPainterPath roof;
  roof.moveTo(370, 150);
  roof.lineTo(480, 80);
  roof.lineTo(590, 150);
  roof.closeSubpath();
  painter.fillPath(roof, QColor(110, 50, 40));
  for (int k = 0; k < 3; ++k) painter.fillRect(400 + k * 60, 180, 35, 40, QColor(60, 70, 90));
  painter.fillRect(460, 240, 40, 60, QColor(80, 50, 30));
  painter.fillRect(60, 170, 18, 140, QColor(80, 60, 40));  // a tree
  painter.setBrush(QColor(40, 90, 40));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(20, 100, 100, 100);
  return image;
}

}  // namespace

std::string sceneName(int index) {
  char name[32];
  std::snprintf(name, sizeof name, "snap%04d.jpg", index);
  return name;
}

QImage sceneSnapshot(const SceneScript& script, int index) {
  static thread_local QImage cached;
  static thread_local QSize cachedSize;
  if (cachedSize != QSize(script.width, script.height)) {
    cached = background(script.width, script.height);
    cachedSize = QSize(script.width, script.height);
  }
  // Painted in the raster engine's own format: painting on others converts,
  // possibly on Qt's worker threads, which ThreadSanitizer cannot see into.
  QImage image(script.width, script.height, QImage::Format_RGB32);
  std::uint32_t state = 1000u + std::uint32_t(index) * 7919u;
  int dx = 0;
  int dy = 0;
  if (script.shakePixels > 0) {
    const int span = 2 * script.shakePixels + 1;
    dx = int(nextRandom(state) % unsigned(span)) - script.shakePixels;
    dy = int(nextRandom(state) % unsigned(span)) - script.shakePixels;
  }
  // The scene displaced by (dx, dy), its edge pixels repeated into the gap.
  for (int y = 0; y < script.height; ++y) {
    const auto* from = reinterpret_cast<const QRgb*>(
        cached.constScanLine(std::clamp(y - dy, 0, script.height - 1)));
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < script.width; ++x) row[x] = from[std::clamp(x - dx, 0, script.width - 1)];
  }
  if (index >= script.figureFirst && index <= script.figureLast) {
    QPainter painter(&image);
    {
      // A person: about a third of the picture high, walking left to right.
      const double along =
          script.figureLast == script.figureFirst
              ? 0.5
              : double(index - script.figureFirst) / (script.figureLast - script.figureFirst);
      painter.scale(double(script.width) / 640, double(script.height) / 480);
      const int x = 20 + int(along * 560);
      painter.setPen(Qt::NoPen);
      painter.setBrush(QColor(40, 40, 60));
      painter.drawRoundedRect(x, 250, 50, 110, 12, 12);  // body
      painter.drawRect(x + 8, 360, 14, 60);              // legs
      painter.drawRect(x + 28, 360, 14, 60);
      painter.setBrush(QColor(220, 180, 150));
      painter.drawEllipse(x + 10, 215, 30, 36);  // head
    }
  }
  const int light = int(script.lightPerSnapshot * index);
  QImage snapshot(script.width, script.height, QImage::Format_RGB888);
  for (int y = 0; y < script.height; ++y) {
    const auto* painted = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    std::uint8_t* row = snapshot.scanLine(y);
    for (int x = 0; x < script.width * 3; ++x) {
      const QRgb pixel = painted[x / 3];
      const int channel = x % 3 == 0 ? qRed(pixel) : x % 3 == 1 ? qGreen(pixel) : qBlue(pixel);
      int noise = 0;
      if (script.noiseSigma > 0) {
        // The sum of four uniform values: close to Gaussian.
        const std::uint32_t r = nextRandom(state);
        noise = int(r & 0x3F) + int((r >> 6) & 0x3F) + int((r >> 12) & 0x3F) +
                int((r >> 18) & 0x3F) - 126;
        noise = noise * script.noiseSigma / 37;
      }
      row[x] = std::uint8_t(std::clamp(channel + light + noise, 0, 255));
    }
  }
  return snapshot;
}

void writeSnapshot(const std::filesystem::path& path, const QImage& image, int quality) {
  jpeg::EncodeOptions options;
  options.quality = quality;
  const std::vector<std::uint8_t> bytes = jpeg::Encode(image, options);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<std::string> writeSceneSet(const std::filesystem::path& folder,
                                       const SceneScript& script, int count) {
  std::filesystem::create_directories(folder);
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    names.push_back(sceneName(i));
    writeSnapshot(folder / names.back(), sceneSnapshot(script, i), script.quality);
  }
  return names;
}

}  // namespace vistrel::test
