// Video compressors on libavcodec: a filter with one input pin (RGB24
// bottom-up, YUY2 or I420 pictures) and one output pin (compressed frames tagged
// with the compressor's four-character code, one sample per frame), with
// the VideoCompression settings interface.
//
// Picture quality: compressors that take a quantiser (MPEG-4, Motion JPEG)
// run at a fixed quantiser; H.264 at a constant rate factor. Quality q in (0, 1] gives quantiser
// round(31 − 29 q), so 1.0 is 2 (best) and the reported default 28/29 is 3;
// a quality of 0 or below (a stored setting that was never tuned) also
// gives the default 3, which keeps 640 × 480 pictures well above 30 dB PSNR.
// Key frames: a rate above 0 forces one every that many frames; 0 or below
// gives the default (one every 100 frames, plus scene changes). No B-frames
// are made, so every frame leaves the compressor when it enters.
//
// The settings block given to setSettingsBlock() is kept as it is and
// handed back by settingsBlock(); its content is not interpreted. A compressor without one saves a
// 32-byte block of its own: a version of twelve UTF-16 characters
// ("00000000000 "), the 32-bit little-endian number 8 and its four-character
// code name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/media/filter.h"

namespace vistrel::media {

struct CompressorDescription {
  std::string code;          // last part of the display name, e.g. "xvid"
  std::string friendlyName;  // e.g. "XviD MPEG-4 Codec"
  // libavcodec encoder names, preferred first; a stream uses the first that
  // opens for its picture size.
  std::vector<std::string> encoders;
  std::uint32_t fourCC = 0;     // codec tag in the AVI file
  bool fixedQuantiser = false;  // takes a quantiser (qscale)
  int constantRateFactor = 0;   // > 0: constant quality at this factor (libx264's crf)
};

// The name of the first of `description.encoders` that this FFmpeg build
// has, or empty when it has none (the compressor is then not installed).
std::string availableEncoder(const CompressorDescription& description);

// A new compressor filter; null when no encoder of the description exists.
Ref<BaseFilter> createCompressorFilter(const CompressorDescription& description);

// The quantiser used for `quality` (see above).
int quantiserForQuality(double quality);
inline constexpr double kDefaultCompressorQuality = 28.0 / 29.0;
inline constexpr long kDefaultKeyFrameRate = 100;

}  // namespace vistrel::media
