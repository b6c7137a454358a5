#include "picture/graphic.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "picture/errors.h"
#include "picture/jpeg_codec.h"

namespace vistrel {

void TGraphic::changed() const {
  if (onChange_) onChange_();
}

const std::size_t kMaxPictureFileBytes =
    kPictureHeadBytes + std::size_t(jpeg::kMaxPicturePixels) * 4;

std::size_t TGraphic::FileBytesNeeded(const std::uint8_t* /*head*/, std::size_t /*size*/) const {
  return kMaxPictureFileBytes;
}

int OpenPictureFile(const std::string& hostPath, struct stat* info) {
  const int fd = ::open(hostPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  const int error = ::fstat(fd, info) != 0 ? errno : S_ISREG(info->st_mode) ? 0 : ENODEV;
  if (error == 0) return fd;
  ::close(fd);
  errno = error;
  return -1;
}

int ReadPictureBytes(int fd, const struct stat& info, std::vector<std::uint8_t>& bytes,
                     const PictureBytesNeeded& needed) {
  // Linux has no share modes: a writer elsewhere cannot be locked out, so a
  // file that changes while read is read as it is at that moment, to the
  // size it had when opened.
  const std::size_t size = info.st_size > 0 ? std::size_t(info.st_size) : 0;
  std::size_t done = 0;
  auto readTo = [&](std::size_t target) {
    bytes.resize(target);
    while (done < target) {
      const ssize_t got = ::pread(fd, bytes.data() + done, target - done, off_t(done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return errno;
      if (got == 0) break;  // cut meanwhile
      done += std::size_t(got);
    }
    bytes.resize(done);
    return 0;
  };
  if (const int error = readTo(std::min(size, kPictureHeadBytes))) return error;
  if (done < kPictureHeadBytes || done == size) return 0;
  const std::size_t bound = needed ? needed(bytes.data(), done) : kMaxPictureFileBytes;
  return readTo(std::max(done, std::min(size, bound)));
}

std::vector<std::uint8_t> ReadPictureFile(const std::string& hostPath, const std::string& shownPath,
                                          const PictureBytesNeeded& needed) {
  struct stat info {};
  const int fd = OpenPictureFile(hostPath, &info);
  if (fd < 0) throw EFOpenError("Cannot open file " + shownPath);
  std::vector<std::uint8_t> bytes;
  const int error = ReadPictureBytes(fd, info, bytes, needed);
  ::close(fd);
  // A folder opens on Linux but cannot be read: it is reported as
  // unopenable rather than as an empty picture, as is any other failed read.
  if (error != 0) throw EFOpenError("Cannot open file " + shownPath);
  return bytes;
}

}  // namespace vistrel
