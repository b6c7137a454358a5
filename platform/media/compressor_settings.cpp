#include "platform/media/compressor_settings.h"

#include <cassert>

namespace vistrel::media {

namespace {
constexpr std::size_t kMaxSettingsBytes = 1 << 20;
}

CompressorSettings::CompressorSettings(const CompressorDescription& description)
    : friendlyName_(description.friendlyName),
      code_(description.code),
      fixedQuantiser_(description.fixedQuantiser) {}

Status CompressorSettings::getInfo(VideoCompressionInfo* info) const {
  assert(info);
  info->version = "1.0";
  info->description = friendlyName_;
  info->defaultKeyFrameRate = kDefaultKeyFrameRate;
  info->defaultPFramesPerKey = 0;
  info->defaultQuality = kDefaultCompressorQuality;
  info->capabilities =
      CompressionCaps_CanKeyFrame | (fixedQuantiser_ ? CompressionCaps_CanQuality : 0);
  return S_OK;
}

Status CompressorSettings::putQuality(double quality) {
  if (quality > 1.0) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  quality_ = quality;
  return S_OK;
}

Status CompressorSettings::putKeyFrameRate(long rate) {
  std::lock_guard lock(mutex_);
  keyFrameRate_ = rate;
  return S_OK;
}

Status CompressorSettings::putPFramesPerKeyFrame(long frames) {
  std::lock_guard lock(mutex_);
  pFramesPerKeyFrame_ = frames;
  return S_OK;
}

Status CompressorSettings::putWindowSize(std::uint64_t frames) {
  std::lock_guard lock(mutex_);
  windowSize_ = frames;
  return S_OK;
}

Status CompressorSettings::setSettingsBlock(std::vector<std::uint8_t> block) {
  if (block.size() > kMaxSettingsBytes) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  block_ = std::move(block);
  return S_OK;
}

double CompressorSettings::currentQuality() const {
  std::lock_guard lock(mutex_);
  return quality_;
}

long CompressorSettings::currentKeyFrameRate() const {
  std::lock_guard lock(mutex_);
  return keyFrameRate_;
}

std::vector<std::uint8_t> CompressorSettings::settingsBlock() const {
  std::lock_guard lock(mutex_);
  if (!block_.empty()) return block_;
  // Our own block: a version of twelve UTF-16 characters, the number 8 and
  // the code name.
  std::vector<std::uint8_t> block;
  for (char c : std::string("00000000000 ")) {
    block.push_back(static_cast<std::uint8_t>(c));
    block.push_back(0);
  }
  for (int b : {8, 0, 0, 0}) block.push_back(static_cast<std::uint8_t>(b));
  std::string code = code_;
  code.resize(4, '\0');
  block.insert(block.end(), code.begin(), code.end());
  return block;
}

}  // namespace vistrel::media
