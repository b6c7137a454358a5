// Pictures the picture tests decode: drawn here, encoded with libjpeg's
// compressor, so every case controls exactly what the file holds.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QPainter>

#include "picture/jpeg_codec.h"

namespace vistrel::testing {

// Broad colour areas aligned to 16-pixel blocks (JPEG keeps them nearly
// exact) with a distinct colour per block row, so rows can be told apart.
inline QImage blockPattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB888);
  for (int y = 0; y < height; y += 16) {
    for (int x = 0; x < width; x += 16) {
      const int r = (x * 7 + y * 3) % 256, g = (y * 5) % 256, b = (x * 11) % 256;
      for (int dy = 0; dy < 16 && y + dy < height; ++dy) {
        for (int dx = 0; dx < 16 && x + dx < width; ++dx) {
          image.setPixelColor(x + dx, y + dy, QColor(r, g, b));
        }
      }
    }
  }
  return image;
}

inline std::vector<std::uint8_t> encodeJpeg(const QImage& image, bool progressive = false,
                                            bool grayscale = false, int quality = 95) {
  jpeg::EncodeOptions options;
  options.quality = quality;
  options.progressive = progressive;
  options.grayscale = grayscale;
  return jpeg::Encode(image, options);
}

// The image in a format Qt writes ("BMP", "ICO").
inline std::vector<std::uint8_t> imageBytes(const QImage& image, const char* format = "BMP") {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return {bytes.begin(), bytes.end()};
}

// Offset of the first byte after the start-of-scan header.
inline std::size_t scanDataStart(const std::vector<std::uint8_t>& jpeg) {
  for (std::size_t i = 0; i + 3 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) {
      return i + 2 + (std::size_t{jpeg[i + 2]} << 8 | jpeg[i + 3]);
    }
  }
  return jpeg.size();
}

inline void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// Largest per-channel difference between two pixels.
inline int colourDistance(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                   std::abs(qBlue(a) - qBlue(b))});
}

// Largest difference over the rows [firstRow, endRow), away from the edges
// of blockPattern's blocks (chroma upsampling blends across them).
inline int rowsDistance(const QImage& a, const QImage& b, int firstRow, int endRow) {
  auto nearEdge = [](int v) { return v % 16 < 2 || v % 16 > 13; };
  int worst = 0;
  for (int y = firstRow; y < endRow; ++y) {
    if (nearEdge(y)) continue;
    for (int x = 0; x < a.width(); ++x) {
      if (nearEdge(x)) continue;
      worst = std::max(worst, colourDistance(a.pixel(x, y), b.pixel(x, y)));
    }
  }
  return worst;
}

}  // namespace vistrel::testing
