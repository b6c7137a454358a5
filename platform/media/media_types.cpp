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

Guid Guid::fromFourCC(std::uint32_t fourCC) {
  return Guid{fourCC, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

const Guid MEDIATYPE_Video = Guid::fromFourCC(makeFourCC('v', 'i', 'd', 's'));
const Guid MEDIASUBTYPE_RGB24 =
    Guid{0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const Guid MEDIASUBTYPE_YUY2 = Guid::fromFourCC(makeFourCC('Y', 'U', 'Y', '2'));
const Guid MEDIASUBTYPE_I420 = Guid::fromFourCC(makeFourCC('I', '4', '2', '0'));
const Guid MEDIASUBTYPE_Avi =
    Guid{0xE436EB88, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const Guid MEDIASUBTYPE_Mp4 =
    Guid{0x5E1A3C20, 0x7B1D, 0x4F6E, {0x9A, 0x52, 0x56, 0x49, 0x53, 0x54, 0x52, 0x4C}};
const Guid FORMAT_VideoInfo =
    Guid{0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
const Guid CLSID_VideoCompressorCategory =
    Guid{0x33D9A760, 0x90C8, 0x11D0, {0xBD, 0x43, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
const Guid CLSID_LegacyAmFilterCategory =
    Guid{0x083863F1, 0x70DE, 0x11D0, {0xBD, 0x40, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
const Guid CLSID_AviDest =
    Guid{0xE2510970, 0xF137, 0x11CE, {0x8B, 0x67, 0x00, 0xAA, 0x00, 0xA3, 0xF1, 0xA6}};
const Guid CLSID_AVICo =
    Guid{0xD76E2820, 0x1563, 0x11CF, {0xAC, 0x98, 0x00, 0xAA, 0x00, 0x4C, 0x0F, 0xA9}};

std::uint32_t i420ImageSize(std::int32_t width, std::int32_t height) {
  const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
  return w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2);
}

MediaType makeVideoType(const Guid& subType, std::int32_t width, std::int32_t height) {
  MediaType type;
  type.majorType = MEDIATYPE_Video;
  type.subType = subType;
  type.formatType = FORMAT_VideoInfo;
  type.fixedSizeSamples = true;
  VideoInfo info;
  info.header.width = width;
  info.header.height = height;
  if (subType == MEDIASUBTYPE_YUY2) {
    info.header.bitCount = 16;
    info.header.compression = makeFourCC('Y', 'U', 'Y', '2');
    info.header.imageSize = static_cast<std::uint32_t>(width / 2 * height * 4);
  } else if (subType == MEDIASUBTYPE_I420) {
    info.header.bitCount = 12;
    info.header.compression = makeFourCC('I', '4', '2', '0');
    info.header.imageSize = i420ImageSize(width, height);
  } else {
    info.header.bitCount = 24;
    info.header.imageSize = dibStride(width, 24) * static_cast<std::uint32_t>(height);
  }
  type.sampleSize = info.header.imageSize;
  type.videoInfo = info;
  return type;
}

}  // namespace vistrel::media
