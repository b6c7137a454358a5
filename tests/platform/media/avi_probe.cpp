#include "avi_probe.h"

#include <algorithm>

#include <QImage>

namespace vistrel::media::test {

namespace {

// A view of `picture`'s pixels; valid while `picture` lives.
QImage view(const Picture& picture) {
  return QImage(picture.pixels.data(), picture.width, picture.height,
                Picture::rowBytes(picture.width), QImage::Format_BGR888);
}

}  // namespace

std::vector<Picture> decodeFrames(const std::string& path, int width, int height) {
  std::vector<Picture> frames;
  for (const QImage& frame : vistrel::test::decodeAvi(path, width, height, QImage::Format_BGR888)) {
    Picture picture{width, height, std::vector<std::uint8_t>(Picture::rowBytes(width) * height)};
    for (int y = 0; y < height; ++y)
      std::copy_n(frame.constScanLine(y), width * 3, picture.pixel(0, y));
    frames.push_back(std::move(picture));
  }
  return frames;
}

double psnr(const Picture& a, const Picture& b) { return vistrel::test::psnr(view(a), view(b)); }

}  // namespace vistrel::media::test
