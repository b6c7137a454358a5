// The settings side of a compressor: VideoCompression (capabilities,
// defaults, quality, key frames and its settings block).
// The compressor filter reads the current values when it opens its encoder,
// so changes apply from the next stream on.
//
// Thread: any; the values are guarded.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/media/compression.h"
#include "platform/media/compressor_filter.h"

namespace vistrel::media {

class CompressorSettings : public VideoCompression {
 public:
  explicit CompressorSettings(const CompressorDescription& description);

  Status getInfo(VideoCompressionInfo* info) const override;
  Status putQuality(double quality) override;
  double quality() const override { return currentQuality(); }
  Status putKeyFrameRate(long rate) override;
  long keyFrameRate() const override { return currentKeyFrameRate(); }
  // Kept; no B-frames are made.
  Status putPFramesPerKeyFrame(long frames) override;
  // Kept; a fixed quantiser has no data-rate window.
  Status putWindowSize(std::uint64_t frames) override;

  Status setSettingsBlock(std::vector<std::uint8_t> block) override;
  // The block given, else the compressor's own (see compressor_filter.h).
  std::vector<std::uint8_t> settingsBlock() const override;

 protected:
  double currentQuality() const;
  long currentKeyFrameRate() const;

 private:
  const std::string friendlyName_;
  const std::string code_;
  const bool fixedQuantiser_;
  mutable std::mutex mutex_;
  double quality_ = -1;
  long keyFrameRate_ = -1;
  long pFramesPerKeyFrame_ = -1;
  std::uint64_t windowSize_ = 1;
  std::vector<std::uint8_t> block_;
};

}  // namespace vistrel::media
