// The small 16-colour images of the browsing controls' entries, drawn from
// pixel tables in the standard 16-colour palette. Each is drawn
// transparently: pixels of the colour of its bottom-left pixel are left out.
//
// Thread: the GUI thread (the images are built on first use and shared).
#pragma once

#include <QImage>

class QPainter;

namespace vistrel::browse {

// Tree list entries, 16 x 15 pixels.
enum class FolderImage { OpenFolder, CurrentFolder, ClosedFolder };
// Drive selector entries, 16 x 11 pixels.
enum class DriveImage { Floppy, Hard, Network, CdRom, Ram };

// The image with its transparent colour already turned into alpha 0.
const QImage& folderImage(FolderImage kind);
const QImage& driveImage(DriveImage kind);

// Builds an image from rows of palette digits ('0'-'9', 'a'-'f'); the colour
// of the bottom-left pixel becomes transparent. Rows must be equally long.
QImage imageFromPaletteRows(const char* const* rows, int height);

}  // namespace vistrel::browse
