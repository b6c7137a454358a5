#include "activity/luma_thumbnail.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <new>

#include "activity/eighth_luma.h"
#include "picture/graphic.h"
#include "picture/jpeg_codec.h"

namespace vistrel::activity {
namespace {

// The (unblurred) 1/8-scale luma brought onto the grid: exact copy when the
// sizes match, the mean of the covered pixels when the source is larger,
// the nearest pixel when it is smaller.
LumaGrid resampleToGrid(const EighthLuma& picture) {
  const std::uint8_t* pixels = picture.pixels.data();
  const int width = picture.width;
  const int height = picture.height;
  LumaGrid grid;
  if (width == kGridWidth && height == kGridHeight) {
    std::copy_n(pixels, kGridPixels, grid.begin());
    return grid;
  }
  for (int y = 0; y < kGridHeight; ++y) {
    const int y0 = y * height / kGridHeight;
    const int y1 = std::max(y0 + 1, (y + 1) * height / kGridHeight);
    for (int x = 0; x < kGridWidth; ++x) {
      const int x0 = x * width / kGridWidth;
      const int x1 = std::max(x0 + 1, (x + 1) * width / kGridWidth);
      unsigned sum = 0;
      for (int sy = y0; sy < y1; ++sy)
        for (int sx = x0; sx < x1; ++sx) sum += pixels[std::size_t(sy) * width + sx];
      const unsigned count = unsigned(y1 - y0) * unsigned(x1 - x0);
      grid[gridRow(y) + x] = static_cast<std::uint8_t>((sum + count / 2) / count);
    }
  }
  return grid;
}

// A 3 × 3 binomial blur with the edge pixels repeated: separable [1 2 1] / 4
// both ways, rounded once at the end.
LumaGrid blurGrid(const LumaGrid& grid) {
  std::array<std::uint16_t, kGridPixels> rows;
  for (int y = 0; y < kGridHeight; ++y) {
    const std::uint8_t* in = &grid[gridRow(y)];
    std::uint16_t* out = &rows[gridRow(y)];
    for (int x = 0; x < kGridWidth; ++x) {
      const int left = in[std::max(x - 1, 0)];
      const int right = in[std::min(x + 1, kGridWidth - 1)];
      out[x] = static_cast<std::uint16_t>(left + 2 * in[x] + right);
    }
  }
  LumaGrid blurred;
  for (int y = 0; y < kGridHeight; ++y) {
    const std::uint16_t* up = &rows[gridRow(std::max(y - 1, 0))];
    const std::uint16_t* mid = &rows[gridRow(y)];
    const std::uint16_t* down = &rows[gridRow(std::min(y + 1, kGridHeight - 1))];
    for (int x = 0; x < kGridWidth; ++x)
      blurred[gridRow(y) + x] = static_cast<std::uint8_t>((up[x] + 2 * mid[x] + down[x] + 8) / 16);
  }
  return blurred;
}

constexpr std::size_t kKeptBufferBytes = std::size_t{8} << 20;

LumaThumbnail loadOrThrow(const std::string& hostPath, const std::string& shownPath) {
  LumaThumbnail failed;
  failed.problem = "Cannot open file " + shownPath;
  struct stat info {};
  const int fd = OpenPictureFile(hostPath, &info);
  if (fd < 0) return failed;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  // Reused by the thread's next snapshot; an unusually large file's buffer
  // is given back at once.
  thread_local std::vector<std::uint8_t> bytes;
  struct Trimmer {
    ~Trimmer() {
      if (bytes.capacity() > kKeptBufferBytes) std::vector<std::uint8_t>().swap(bytes);
    }
  } trimmer;
  if (ReadPictureBytes(fd, info, bytes, &jpeg::FileBytesNeeded) != 0) return failed;
  LumaThumbnail thumbnail = decodeLumaThumbnail(bytes.data(), bytes.size());
  thumbnail.stamp = fileStampOf(info);
  return thumbnail;
}

}  // namespace

FileStamp fileStampOf(const struct stat& info) {
  return {std::uint64_t(info.st_size),
          std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
          std::int64_t(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec};
}

LumaThumbnail decodeLumaThumbnail(const std::uint8_t* data, std::size_t size) {
  LumaThumbnail thumbnail;
  thumbnail.stamp.size = size;
  // Thread-local: a worker decodes thousands of snapshots and reuses it.
  thread_local EighthLuma picture;
  if (decodeEighthLumaDc(data, size, &picture)) {
    thumbnail.grid = blurGrid(resampleToGrid(picture));
    return thumbnail;
  }
  std::string damage;
  const int code = decodeEighthLumaLibjpeg(data, size, &picture, &damage);
  if (code == -1) {
    thumbnail.problem =
        "Picture too large (more than " + std::to_string(jpeg::kMaxPicturePixels) + " pixels)";
  } else if (code != 0) {
    thumbnail.problem = "JPEG error #" + std::to_string(code);
  } else if (!damage.empty()) {
    // libjpeg pads what is missing with grey, which would score as a change.
    thumbnail.problem = damage;
  } else {
    thumbnail.grid = blurGrid(resampleToGrid(picture));
  }
  return thumbnail;
}

LumaThumbnail loadLumaThumbnail(const std::string& hostPath, const std::string& shownPath) {
  try {
    return loadOrThrow(hostPath, shownPath);
  } catch (const std::bad_alloc&) {
    // A file too large to hold (or a memory-starved machine): the loader's
    // "Insufficient memory" code, as the picture loader reports it.
    LumaThumbnail failed;
    failed.problem = "JPEG error #" + std::to_string(jpeg::OutOfMemoryCode());
    return failed;
  }
}

}  // namespace vistrel::activity
