#include "exporting/sheet_thumbnail.h"

#include <unistd.h>

#include <new>
#include <vector>

#include "picture/graphic.h"
#include "picture/jpeg_codec.h"

namespace vistrel::exporter {
namespace {

std::string jpegError(int code) { return "JPEG error #" + std::to_string(code); }

SheetThumbnail damaged(std::string problem) { return {QImage(), std::move(problem)}; }

// The file's bytes, read no further than `needed` allows; false when it
// cannot be read.
bool readFile(const std::string& hostPath, std::vector<std::uint8_t>& bytes,
              const PictureBytesNeeded& needed) {
  if (hostPath.empty()) return false;
  struct stat info {};
  const int fd = OpenPictureFile(hostPath, &info);
  if (fd < 0) return false;
  const int error = ReadPictureBytes(fd, info, bytes, needed);
  ::close(fd);
  return error == 0;
}

SheetThumbnail decodeForBox(const std::vector<std::uint8_t>& bytes, QSize box) {
  jpeg::HeaderInfo header;
  if (const int code = jpeg::ReadHeader(bytes.data(), bytes.size(), &header))
    return damaged(jpegError(code));
  jpeg::DecodeOptions options;
  options.fastest = true;
  options.scaleDenom = thumbnailScale(QSize(header.width, header.height), box);
  jpeg::DecodeResult decoded = jpeg::Decode(bytes.data(), bytes.size(), options);
  if (decoded.errorCode != 0) return damaged(jpegError(decoded.errorCode));
  // libjpeg pads cut or corrupt data with grey, which would pass for what
  // the camera saw.
  if (!decoded.damage.empty()) return damaged(decoded.damage);
  QImage fitted = decoded.bitmap.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  return {fitted.convertToFormat(QImage::Format_RGB888), std::string()};
}

}  // namespace

QSize readSnapshotSize(const std::string& hostPath) {
  std::vector<std::uint8_t> bytes;
  jpeg::HeaderInfo header;
  try {
    // The header lies in the head.
    const auto headOnly = [](const std::uint8_t*, std::size_t size) { return size; };
    if (!readFile(hostPath, bytes, headOnly) ||
        jpeg::ReadHeader(bytes.data(), bytes.size(), &header) != 0)
      return QSize();
  } catch (const std::bad_alloc&) {
    return QSize();
  }
  return QSize(header.width, header.height);
}

int thumbnailScale(QSize picture, QSize box) {
  const QSize shown = picture.scaled(box, Qt::KeepAspectRatio);
  for (const int denominator : {8, 4, 2}) {
    // libjpeg rounds the scaled size up.
    const QSize scaled((picture.width() + denominator - 1) / denominator,
                       (picture.height() + denominator - 1) / denominator);
    if (scaled.width() >= shown.width() && scaled.height() >= shown.height()) return denominator;
  }
  return 1;
}

SheetThumbnail loadSheetThumbnail(const std::string& hostPath, const std::string& shownPath,
                                  QSize box) {
  std::vector<std::uint8_t> bytes;
  try {
    if (!readFile(hostPath, bytes, &jpeg::FileBytesNeeded))
      return damaged("Cannot open file " + shownPath);
    return decodeForBox(bytes, box);
  } catch (const std::bad_alloc&) {
    return damaged(jpegError(jpeg::OutOfMemoryCode()));
  }
}

}  // namespace vistrel::exporter
