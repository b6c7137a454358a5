// Feeds arbitrary bytes to the JPEG graphic: header read on load, the full
// decode, and a stretched draw. No file system is involved. The decoding
// settings (8-bit output, gray output, fastest decoding) come from the input
// size, so every setting sees every kind of input.

#include <cstddef>
#include <cstdint>

#include <QImage>
#include <QPainter>

#include "picture/errors.h"
#include "picture/jpeg_image.h"

namespace {

// Larger pictures only cost time; libjpeg's memory limits apply to them
// the same way.
constexpr long long kMaxPixels = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool screenSet = [] {
    vistrel::TJPEGImage::setScreenBitsPerPixel(24);
    return true;
  }();
  (void)screenSet;

  vistrel::TJPEGImage image;
  const std::size_t mode = size % 8;
  if (mode & 1) image.setPixelFormat(vistrel::TJPEGPixelFormat::jf8Bit);
  if (mode & 2) image.setGrayscaleOutput(true);
  if (mode & 4) image.setPerformance(vistrel::TJPEGPerformance::jpBestSpeed);
  try {
    image.loadFromMemory(data, size);
  } catch (const vistrel::EJPEG&) {
    return 0;
  }
  if (static_cast<long long>(image.width()) * image.height() > kMaxPixels) return 0;
  try {
    image.decode();
  } catch (const vistrel::EJPEG&) {
    // The rows decoded so far are still drawn below.
  }
  QImage canvas(32, 24, QImage::Format_RGB32);
  QPainter painter(&canvas);
  image.draw(painter, QRect(0, 0, 32, 24));
  return 0;
}
