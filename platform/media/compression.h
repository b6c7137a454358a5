// The settings interface of a video compressor: its capabilities and
// defaults, the quality and key-frame settings, and its stored settings
// block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/media/status.h"
#include "platform/media/unknown.h"

namespace vistrel::media {

// Capability bits of VideoCompressionInfo::capabilities.
inline constexpr long CompressionCaps_CanQuality = 0x01;
inline constexpr long CompressionCaps_CanCrunch = 0x02;
inline constexpr long CompressionCaps_CanKeyFrame = 0x04;
inline constexpr long CompressionCaps_CanBFrame = 0x08;
inline constexpr long CompressionCaps_CanWindow = 0x10;

struct VideoCompressionInfo {
  std::string version;
  std::string description;
  long defaultKeyFrameRate = 0;
  long defaultPFramesPerKey = 0;
  double defaultQuality = 0;  // 0..1
  long capabilities = 0;
};

class VideoCompression : public virtual Unknown {
 public:
  // Every field is filled; the caller picks what it needs.
  virtual Status getInfo(VideoCompressionInfo* info) const = 0;
  // 0..1 (1 best); a negative value asks for the compressor's default.
  virtual Status putQuality(double quality) = 0;
  virtual double quality() const = 0;
  // A key frame every `rate` frames; a negative value asks for the default.
  virtual Status putKeyFrameRate(long rate) = 0;
  virtual long keyFrameRate() const = 0;
  virtual Status putPFramesPerKeyFrame(long frames) = 0;
  // Frames over which a data rate is averaged.
  virtual Status putWindowSize(std::uint64_t frames) = 0;
  // The settings block the window's layout stores with the compressor: kept
  // as given and handed back unchanged (E_INVALIDARG beyond 1 MiB).
  virtual Status setSettingsBlock(std::vector<std::uint8_t> block) = 0;
  virtual std::vector<std::uint8_t> settingsBlock() const = 0;
};

}  // namespace vistrel::media
