// Media types: what flows through a pin connection. Video formats carry a
// VIDEOINFOHEADER-like block (a frame time, a bitmap header). RGB
// pictures are bottom-up DIBs: positive height, first stored row is the
// bottom row, rows padded to 4 bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/media/guid.h"

namespace vistrel::media {

// Media times: signed counts of 100 ns.
using ReferenceTime = std::int64_t;
inline constexpr ReferenceTime kUnitsPerSecond = 10'000'000;

inline constexpr std::uint32_t BI_RGB = 0;

struct BitmapInfoHeader {
  std::int32_t width = 0;
  std::int32_t height = 0;  // > 0: bottom-up
  std::uint16_t bitCount = 0;
  std::uint32_t compression = BI_RGB;  // BI_RGB or a four-character code
  std::uint32_t imageSize = 0;         // bytes of one picture
  bool operator==(const BitmapInfoHeader&) const = default;
};

struct VideoInfo {
  ReferenceTime avgTimePerFrame = 0;  // 0: unknown, the sample times decide
  BitmapInfoHeader header;
  std::vector<std::uint8_t> extraData;  // codec set-up bytes following the header
  bool operator==(const VideoInfo&) const = default;
};

struct MediaType {
  Guid majorType;
  Guid subType;
  bool fixedSizeSamples = false;
  bool temporalCompression = false;
  std::uint32_t sampleSize = 0;
  Guid formatType;
  std::optional<VideoInfo> videoInfo;  // present when formatType is FORMAT_VideoInfo
  bool operator==(const MediaType&) const = default;
};

// Bytes per row of a DIB: ((width × bitCount + 31) / 32) × 4.
constexpr std::uint32_t dibStride(std::int32_t width, int bitCount) {
  return static_cast<std::uint32_t>((std::int64_t(width) * bitCount + 31) / 32 * 4);
}

// Uncompressed video types as a push source offers them: RGB24 (bottom-up,
// bit count 24, BI_RGB), YUY2 (bit count 16) or I420 (bit count 12, the
// colour planes (width + 1) / 2 x (height + 1) / 2), fixed-size samples.
MediaType makeRgb24VideoType(std::int32_t width, std::int32_t height);
MediaType makeYuy2VideoType(std::int32_t width, std::int32_t height);
MediaType makeI420VideoType(std::int32_t width, std::int32_t height);
// Bytes of one I420 picture.
std::uint32_t i420ImageSize(std::int32_t width, std::int32_t height);

}  // namespace vistrel::media
