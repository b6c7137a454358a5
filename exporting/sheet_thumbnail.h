// A snapshot as a contact sheet's tile: decoded by libjpeg already scaled
// down by the largest of 1/2, 1/4 and 1/8 that still leaves it at least as
// large as the tile, then brought to the tile's box (its shape kept).
//
// Thread: reentrant; the contact sheet's workers call it side by side.
#pragma once

#include <string>

#include <QImage>
#include <QSize>

namespace vistrel::exporter {

struct SheetThumbnail {
  QImage image;         // within the box, its shape kept; null when damaged
  std::string problem;  // the loader's message for a damaged snapshot
};

// Reads and decodes the snapshot at `hostPath` (empty: it has none) for a
// tile of `box`; `shownPath` is the name a problem text gives. A snapshot
// whose scan data is cut short or corrupt counts as damaged, as it does in
// a video.
SheetThumbnail loadSheetThumbnail(const std::string& hostPath, const std::string& shownPath,
                                  QSize box);

// The width and height the JPEG header of the file at `hostPath` gives;
// empty when it cannot be read.
QSize readSnapshotSize(const std::string& hostPath);

// libjpeg's scale denominator (1, 2, 4 or 8) for a `picture` shown in `box`.
int thumbnailScale(QSize picture, QSize box);

}  // namespace vistrel::exporter
