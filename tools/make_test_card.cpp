// Draws the start picture, a 768 × 588 television test card (grey grid,
// circle, colour bars, grey steps, frequency gratings), and encodes it as a
// baseline JFIF 1.01 file: 8-bit YCbCr, luminance sampled 2 × 2, 72 dpi.
//
//   make_test_card <output.jpg> [quality, default 85]

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "picture/jpeg_codec.h"

namespace {

constexpr int kWidth = 768;
constexpr int kHeight = 588;
constexpr int kCell = 48;  // grid pitch in pixels

void DrawGrid(QPainter& p) {
  p.fillRect(0, 0, kWidth, kHeight, QColor(96, 96, 96));
  p.setPen(QPen(Qt::white, 2));
  for (int x = 0; x <= kWidth; x += kCell) p.drawLine(x, 0, x, kHeight);
  for (int y = 6; y <= kHeight; y += kCell) p.drawLine(0, y, kWidth, y);
  // Black and white blocks along the border show overscan and edge timing.
  for (int x = 0; x < kWidth; x += kCell) {
    const QColor c = (x / kCell) % 2 ? Qt::black : Qt::white;
    p.fillRect(x + 4, 10, kCell - 8, 12, c);
    p.fillRect(x + 4, kHeight - 22, kCell - 8, 12, c);
  }
}

void DrawInsideCircle(QPainter& p, const QRect& circle) {
  QPainterPath clip;
  clip.addEllipse(circle);
  p.save();
  p.setClipPath(clip);
  p.fillRect(circle, QColor(128, 128, 128));

  const int top = circle.top();
  const int band = circle.height() / 6;
  // Colour bars at 75 %: white, yellow, cyan, green, magenta, red, blue, black.
  const QColor bars[] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
                         {191, 0, 191},   {191, 0, 0},   {0, 0, 191},   {0, 0, 0}};
  const int barWidth = circle.width() / 8 + 1;
  for (int i = 0; i < 8; ++i) {
    p.fillRect(circle.left() + i * barWidth, top + band, barWidth, 2 * band, bars[i]);
  }
  // Grey steps from black to white.
  for (int i = 0; i < 6; ++i) {
    const int v = i * 255 / 5;
    p.fillRect(circle.left() + i * circle.width() / 6, top + 3 * band, circle.width() / 6 + 1, band,
               QColor(v, v, v));
  }
  // Frequency gratings: vertical lines of 4 down to 1 pixel pitch.
  int x = circle.left();
  const int gratingWidth = circle.width() / 5;
  for (int pitch = 4; pitch >= 1; --pitch, x += gratingWidth) {
    for (int gx = 0; gx < gratingWidth; ++gx) {
      const int v = ((gx / pitch) % 2) ? 235 : 16;
      p.fillRect(x + gx, top + 4 * band, 1, band, QColor(v, v, v));
    }
  }
  // The last field: a one-pixel checkerboard, the finest detail there is.
  for (int gy = 0; gy < band; ++gy) {
    for (int gx = x; gx <= circle.right(); ++gx) {
      const int v = ((gx + gy) % 2) ? 235 : 16;
      p.fillRect(gx, top + 4 * band + gy, 1, 1, QColor(v, v, v));
    }
  }
  // A zone plate (rings closing in) in the lowest field shows aliasing.
  const QPoint centre(circle.center().x(), top + 5 * band + band / 2);
  for (int gy = top + 5 * band; gy <= circle.bottom(); ++gy) {
    for (int gx = circle.left(); gx <= circle.right(); ++gx) {
      const double r2 =
          double(gx - centre.x()) * (gx - centre.x()) + double(gy - centre.y()) * (gy - centre.y());
      const int v = 128 + static_cast<int>(100 * std::cos(r2 / 120.0));
      p.fillRect(gx, gy, 1, 1, QColor(v, v, v));
    }
  }
  // A white line and centre cross for geometry.
  p.setPen(QPen(Qt::white, 2));
  p.drawLine(circle.center().x(), top, circle.center().x(), circle.bottom());
  p.drawLine(circle.left(), circle.center().y(), circle.right(), circle.center().y());
  p.restore();

  p.setPen(QPen(Qt::white, 4));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(circle);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <output.jpg> [quality]\n", argv[0]);
    return 2;
  }
  const int quality = argc > 2 ? std::atoi(argv[2]) : 85;

  QImage card(kWidth, kHeight, QImage::Format_RGB888);
  {
    QPainter p(&card);
    p.setRenderHint(QPainter::Antialiasing);
    DrawGrid(p);
    const int diameter = 6 * kCell + kCell / 2 * 3;  // 360 px
    DrawInsideCircle(p,
                     QRect((kWidth - diameter) / 2, (kHeight - diameter) / 2, diameter, diameter));
  }

  vistrel::jpeg::EncodeOptions options;
  options.quality = quality;
  options.densityDpi = 72;
  const std::vector<std::uint8_t> bytes = vistrel::jpeg::Encode(card, options);
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr || bytes.empty() ||
      std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) {
    std::fprintf(stderr, "make_test_card: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s: %zu bytes\n", argv[1], bytes.size());
  return 0;
}
