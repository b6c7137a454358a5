// Small pictures of snapshots for hovering and scrubbing: libjpeg scales
// while it decodes (its DCT scaling, 1/2, 1/4 or 1/8), so a 1920 x 1080
// snapshot shown at 240 x 135 costs about a sixtieth of a full decode.
//
// Thread: any; each call is independent.
#pragma once

#include <cstdint>
#include <string>

#include <QImage>
#include <QSize>

namespace vistrel::jpeg {

// Files larger than this are not read for a thumbnail: no camera snapshot
// comes near it, and a junk file named .jpg must not be read whole.
inline constexpr std::int64_t kMaxScaledFileBytes = std::int64_t{64} << 20;

// The largest of 8, 4, 2 that still gives at least the size that `picture`
// takes when fitted into `box` (keeping its aspect), else 1.
int ScaleDenominatorFor(QSize picture, QSize box);

struct ScaledPicture {
  QImage image;         // fitted into the box; null when `problem` is set
  std::string problem;  // why nothing can be shown: unreadable, damaged, too big
};

// Reads the JPEG file at `hostPath` and decodes it at the scale that fits
// `box`, then fits it exactly. A file that cannot be read, is larger than
// kMaxScaledFileBytes, fails to decode or whose scan data is cut short gives
// a problem text instead (with `shownPath` where a path is named).
ScaledPicture DecodeScaledFile(const std::string& hostPath, const std::string& shownPath,
                               QSize box);

}  // namespace vistrel::jpeg
