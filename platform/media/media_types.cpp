#include "platform/media/media_types.h"

#include <cstdio>

namespace vistrel::media {

std::string Guid::toString() const {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1,
                data2, data3, data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6],
                data4[7]);
  return text;
}

MediaType makeVideoType(const Guid& subType, std::int32_t width, std::int32_t height) {
  const auto rows = static_cast<std::uint32_t>(height);
  BitmapInfoHeader header{width, height, 24, BI_RGB, dibStride(width, 24) * rows};
  // The YUV subtypes are made of their four-character codes.
  if (subType == MEDIASUBTYPE_YUY2)
    header = {width, height, 16, subType.data1, static_cast<std::uint32_t>(width / 2) * 4 * rows};
  else if (subType == MEDIASUBTYPE_I420)
    header = {width, height, 12, subType.data1, i420ImageSize(width, height)};
  const VideoInfo info{0, header};
  return {MEDIATYPE_Video, subType, true, false, header.imageSize, FORMAT_VideoInfo, info};
}

}  // namespace vistrel::media
