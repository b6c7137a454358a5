// The registered devices and the service's own filters behind them.
//
// Devices: each has a display name "@device:cm:{category}\<code>", a
// friendly name and a way to create its filter. The video compressors
// (XviD, Cinepak, Motion JPEG, and H.264 for MP4 files) are registered on
// first use, those whose encoder this FFmpeg build lacks left out. The AVI
// sink is listed as "AVI Mux" among the other filters.
//
// Compressors: one input pin (RGB24 bottom-up, YUY2 or I420 pictures), one
// output pin (compressed frames tagged with the compressor's four-character
// code, one sample per frame), and the VideoCompression settings.
// Compressors that take a quantiser (MPEG-4, Motion JPEG) run at a fixed
// quantiser, H.264 at a constant rate factor. Quality q in (0, 1] gives
// quantiser round(31 − 29 q), so 1.0 is 2 (best) and the reported default
// 28/29 is 3; a quality of 0 or below (a stored setting that was never
// tuned) also gives 3, which keeps 640 × 480 pictures well above 30 dB PSNR.
// Key frames: a rate above 0 forces one every that many frames; 0 or below
// gives one every 100 frames, plus scene changes. No B-frames are made, so
// every frame leaves the compressor when it enters.
//
// Thread: any; the registry and the settings are guarded.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/media/filter_graph.h"

namespace vistrel::media {

// Capability bits of VideoCompressionInfo::capabilities.
inline constexpr long CompressionCaps_CanQuality = 0x01;
inline constexpr long CompressionCaps_CanKeyFrame = 0x04;
inline constexpr long CompressionCaps_CanBFrame = 0x08;
inline constexpr long CompressionCaps_CanWindow = 0x10;

inline constexpr double kDefaultCompressorQuality = 28.0 / 29.0;
inline constexpr long kDefaultKeyFrameRate = 100;

struct VideoCompressionInfo {
  std::string version;
  std::string description;
  long defaultKeyFrameRate = 0;
  long defaultPFramesPerKey = 0;
  double defaultQuality = 0;  // 0..1
  long capabilities = 0;
  std::int32_t maxPictureSide = 0;  // the widest and highest picture the format takes
};

// A compressor's settings. The compressor reads them when it opens its
// encoder, so changes apply from the next stream on.
class VideoCompression : public virtual Unknown {
 public:
  VideoCompression(std::string friendlyName, std::string code, bool fixedQuantiser,
                   std::int32_t maxPictureSide)
      : friendlyName_(std::move(friendlyName)),
        code_(std::move(code)),
        fixedQuantiser_(fixedQuantiser),
        maxPictureSide_(maxPictureSide) {}

  Status getInfo(VideoCompressionInfo* info) const;
  // 0..1 (1 best); a negative value asks for the compressor's default.
  Status putQuality(double quality) {
    if (quality > 1.0) return E_INVALIDARG;
    quality_ = quality;
    return S_OK;
  }
  double quality() const { return quality_; }
  // A key frame every `rate` frames; a negative value asks for the default.
  Status putKeyFrameRate(long rate) {
    keyFrameRate_ = rate;
    return S_OK;
  }
  long keyFrameRate() const { return keyFrameRate_; }
  // Accepted and not used: no B-frames are made, a fixed quantiser has no
  // data-rate window.
  Status putPFramesPerKeyFrame(long) { return S_OK; }
  Status putWindowSize(std::uint64_t) { return S_OK; }
  // The settings block the window's layout stores with the compressor: kept
  // as given and handed back unchanged (E_INVALIDARG beyond 1 MiB). Without
  // one the compressor gives a 32-byte block of its own: a version of twelve
  // UTF-16 characters ("00000000000 "), the 32-bit little-endian number 8
  // and its four-character code name.
  Status setSettingsBlock(std::vector<std::uint8_t> block);
  std::vector<std::uint8_t> settingsBlock() const;

 private:
  const std::string friendlyName_;
  const std::string code_;
  const bool fixedQuantiser_;
  const std::int32_t maxPictureSide_;
  std::atomic<double> quality_ = -1;
  std::atomic<long> keyFrameRate_ = -1;
  mutable std::mutex mutex_;  // guards the block
  std::vector<std::uint8_t> block_;
};

struct CompressorDescription {
  std::string code;          // last part of the display name, e.g. "xvid"
  std::string friendlyName;  // e.g. "XviD MPEG-4 Codec"
  // libavcodec encoder names, preferred first; a stream uses the first that
  // opens for its picture size.
  std::vector<std::string> encoders;
  std::uint32_t fourCC = 0;     // codec tag in the AVI file
  bool fixedQuantiser = false;  // takes a quantiser (qscale)
  int constantRateFactor = 0;   // > 0: constant quality at this factor (libx264's crf)
  // Parameter sets once, in the file's header, instead of in each key frame
  // (what MP4 takes): the encoder is opened when the input connects and its
  // header bytes go with the output type, so the file's header is written
  // when the stream starts, not when the first frame has come through.
  bool globalHeader = false;
  // The largest picture side the format takes (MPEG-4 part 2: 13 bits).
  std::int32_t maxSide = 8191;
};

// The name of the first of `description.encoders` that this FFmpeg build
// has, or empty when it has none (the compressor is then not installed).
std::string availableEncoder(const CompressorDescription& description);
// A new compressor filter; null when no encoder of the description exists.
Ref<BaseFilter> createCompressorFilter(const CompressorDescription& description);
int quantiserForQuality(double quality);

// A new AVI (or MP4) sink writing `hostPath`, which it creates at once (an
// empty path: the sink has no file). The file's failure is the OS error's
// status; then there is no sink and nothing stays open.
Status createFileSink(bool mp4, const std::string& hostPath, Ref<BaseFilter>* sink);

using FilterFactory = std::function<Ref<BaseFilter>()>;

// Registers a device (as a driver's set-up would); returns an id for
// unregisterDevice. See deviceDisplayName for its display name.
int registerDevice(const Guid& category, const std::string& code, const std::string& friendlyName,
                   FilterFactory factory);
void unregisterDevice(int id);

// "@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\xvid" for (category,
// "xvid"): "cm" for compressors, "sw" for other filters.
std::string deviceDisplayName(const Guid& category, const std::string& code);

struct CategoryEntry {
  std::string displayName;
  std::string friendlyName;  // unique in the list
};

// The devices of a category (every device without one) in registration order,
// as the recorder lists them: friendly names trimmed, entries without a name
// left out, and a name that occurred n − 1 times before listed as "<name> (n)".
std::vector<CategoryEntry> listCategory(std::optional<Guid> category);

// A new filter of the device with this display name; null (and the reason
// in `failure` when given) when no such device is registered or its filter
// cannot be made.
Ref<BaseFilter> createDevice(const std::string& displayName, Status* failure = nullptr);

}  // namespace vistrel::media
