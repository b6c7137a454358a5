// 128-bit identifiers of the media-graph service (media types, formats,
// classes and device categories) with Windows' values, so that
// display names such as "@device:cm:{33D9A760-...}\xvid" read as they do there.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <string>

namespace vistrel::media {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  auto operator<=>(const Guid&) const = default;

  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
  std::string toString() const;
  // The media subtype of a four-character code: {code-0000-0010-8000-00AA00389B71}.
  static Guid fromFourCC(std::uint32_t fourCC);
};

constexpr std::uint32_t makeFourCC(char a, char b, char c, char d) {
  return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 |
         std::uint32_t(std::uint8_t(c)) << 16 | std::uint32_t(std::uint8_t(d)) << 24;
}

// Major types, subtypes and format types.
extern const Guid MEDIATYPE_Video;
extern const Guid MEDIASUBTYPE_RGB24;
extern const Guid MEDIASUBTYPE_YUY2;
// Planar 4:2:0 Y, Cb, Cr, each plane packed (Windows' I420).
extern const Guid MEDIASUBTYPE_I420;
extern const Guid MEDIASUBTYPE_Avi;
// An MP4 file (ISO base media), our own subtype for the H.264 export.
extern const Guid MEDIASUBTYPE_Mp4;
extern const Guid FORMAT_VideoInfo;
// Device categories of the system device enumerator.
extern const Guid CLSID_VideoCompressorCategory;
extern const Guid CLSID_LegacyAmFilterCategory;
// Classes of the service's own filters.
extern const Guid CLSID_AviDest;
extern const Guid CLSID_AVICo;

}  // namespace vistrel::media
