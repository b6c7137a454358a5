#include "platform/media/media_type.h"

namespace vistrel::media {

namespace {

MediaType makeVideoType(const Guid& subType, std::int32_t width, std::int32_t height,
                        std::uint16_t bitCount, std::uint32_t compression,
                        std::uint32_t imageSize) {
  MediaType type;
  type.majorType = MEDIATYPE_Video;
  type.subType = subType;
  type.formatType = FORMAT_VideoInfo;
  type.fixedSizeSamples = true;
  type.temporalCompression = false;
  type.sampleSize = imageSize;
  VideoInfo info;
  info.header.width = width;
  info.header.height = height;
  info.header.bitCount = bitCount;
  info.header.compression = compression;
  info.header.imageSize = imageSize;
  type.videoInfo = info;
  return type;
}

}  // namespace

MediaType makeRgb24VideoType(std::int32_t width, std::int32_t height) {
  const std::uint32_t size = dibStride(width, 24) * static_cast<std::uint32_t>(height);
  return makeVideoType(MEDIASUBTYPE_RGB24, width, height, 24, BI_RGB, size);
}

MediaType makeYuy2VideoType(std::int32_t width, std::int32_t height) {
  const std::uint32_t size = static_cast<std::uint32_t>(width / 2 * height * 4);
  return makeVideoType(MEDIASUBTYPE_YUY2, width, height, 16, makeFourCC('Y', 'U', 'Y', '2'), size);
}

std::uint32_t i420ImageSize(std::int32_t width, std::int32_t height) {
  const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
  return w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2);
}

MediaType makeI420VideoType(std::int32_t width, std::int32_t height) {
  return makeVideoType(MEDIASUBTYPE_I420, width, height, 12, makeFourCC('I', '4', '2', '0'),
                       i420ImageSize(width, height));
}

}  // namespace vistrel::media
