#include "picture/scaled_decode.h"

#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "picture/jpeg_codec.h"

namespace vistrel::jpeg {
namespace {

struct CloseFile {
  void operator()(const int* fd) const {
    ::close(*fd);
    delete fd;
  }
};

// The file's bytes, at most kMaxScaledFileBytes of a regular file; false
// when it is not a regular file, too big, or cannot be read.
bool readBounded(const std::string& hostPath, std::vector<std::uint8_t>& bytes) {
  // O_NONBLOCK: a FIFO in place of a snapshot must not hold the window.
  const int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  const std::unique_ptr<int, CloseFile> closer(new int(fd));
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return false;
  if (status.st_size > kMaxScaledFileBytes) return false;
  bytes.resize(std::size_t(status.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (got < 0) return false;
    if (got == 0) break;  // shortened while read: decode what is there
    done += std::size_t(got);
  }
  bytes.resize(done);
  return true;
}

}  // namespace

int ScaleDenominatorFor(QSize picture, QSize box) {
  if (picture.isEmpty() || box.isEmpty()) return 1;
  const QSize shown = picture.scaled(box, Qt::KeepAspectRatio);
  for (const int denominator : {8, 4, 2}) {
    // libjpeg rounds the scaled size up.
    const QSize scaled((picture.width() + denominator - 1) / denominator,
                       (picture.height() + denominator - 1) / denominator);
    if (scaled.width() >= shown.width() && scaled.height() >= shown.height()) return denominator;
  }
  return 1;
}

ScaledPicture DecodeScaledFile(const std::string& hostPath, const std::string& shownPath,
                               QSize box) {
  try {
    std::vector<std::uint8_t> bytes;
    if (!readBounded(hostPath, bytes)) return {QImage(), "Cannot open file " + shownPath};
    HeaderInfo header;
    if (const int code = ReadHeader(bytes.data(), bytes.size(), &header))
      return {QImage(), "JPEG error #" + std::to_string(code)};
    if (std::int64_t{header.width} * header.height > kMaxPicturePixels)
      return {QImage(), "Picture too large: " + shownPath};
    DecodeOptions options;
    options.fastest = true;
    options.scaleDenom = ScaleDenominatorFor(QSize(header.width, header.height), box);
    DecodeResult decoded = Decode(bytes.data(), bytes.size(), options);
    if (decoded.errorCode != 0)
      return {QImage(), "JPEG error #" + std::to_string(decoded.errorCode)};
    // libjpeg pads missing scan data with grey, which would pass for a picture.
    if (!decoded.damage.empty()) return {QImage(), decoded.damage};
    // The scaled size is within a factor of two of the box: a fast scale is
    // good enough for a picture that changes with every mouse move.
    return {decoded.bitmap.scaled(box, Qt::KeepAspectRatio, Qt::FastTransformation), {}};
  } catch (const std::bad_alloc&) {
    return {QImage(), "JPEG error #" + std::to_string(OutOfMemoryCode())};
  }
}

}  // namespace vistrel::jpeg
