#include "browse/entry_images.h"

#include <array>
#include <cstring>

namespace vistrel::browse {
namespace {

// The standard 16-colour palette, indexed by the digits of the tables below.
constexpr std::array<QRgb, 16> kPalette = {
    0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080, 0xff800080, 0xff008080, 0xff808080,
    0xffc0c0c0, 0xffff0000, 0xff00ff00, 0xffffff00, 0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff,
};

int paletteIndex(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  return 0;
}

// Background: teal (6), which no image uses for itself.
// Outline black (0), folder yellow (b), highlight white (f), shade olive (3).
constexpr const char* kOpenFolder[15] = {
    "6666666666666666",  //
    "6666666666666666",  //
    "6600000666666666",  //
    "60fbfbf066666666",  //
    "0fbfbfbf00000006",  //
    "0bfbfbfbfbfbfb06",  //
    "0fbfbfbfbfbfbf06",  //
    "0bfbf00000000000",  //
    "0fbf03bbbbbbbbb0",  //
    "0bf03bbbbbbbbb06",  //
    "0f03bbbbbbbbbb06",  //
    "0b03bbbbbbbbb066",  //
    "003bbbbbbbbbb066",  //
    "0000000000000666",  //
    "6666666666666666",
};

// The current folder: open, with a white sheet standing in it.
constexpr const char* kCurrentFolder[15] = {
    "6666666666666666",  //
    "6600000666666666",  //
    "60fbfbf000000066",  //
    "0fbfbfb0fffff066",  //
    "0bfbfbf0f000f000",  //
    "0fbfbfb0fffff0f0",  //
    "0bfbfbf0f000f0b0",  //
    "0fbfb00000000000",  //
    "0bfb03bbbbbbbbb0",  //
    "0fb03bbbbbbbbb06",  //
    "0b03bbbbbbbbbb06",  //
    "0f03bbbbbbbbb066",  //
    "003bbbbbbbbbb066",  //
    "0000000000000666",  //
    "6666666666666666",
};

constexpr const char* kClosedFolder[15] = {
    "6666666666666666",  //
    "6666666666666666",  //
    "6600000666666666",  //
    "60bbbbb066666666",  //
    "0000000000000066",  //
    "0fffffffffffff06",  //
    "0fbbbbbbbbbbb306",  //
    "0fbbbbbbbbbbb306",  //
    "0fbbbbbbbbbbb306",  //
    "0fbbbbbbbbbbb306",  //
    "0fbbbbbbbbbbb306",  //
    "0fbbbbbbbbbbb306",  //
    "0333333333333306",  //
    "0000000000000066",  //
    "6666666666666666",
};

// Drives: grey cases (7, 8), dark slots (0), green lights (a), red (9).
constexpr const char* kFloppy[11] = {
    "6666666666666666",  //
    "6660000000000666",  //
    "6660888888880666",  //
    "6660800000080666",  //
    "6660888888880666",  //
    "6660888888880666",  //
    "6660880000880666",  //
    "6660880ff0880666",  //
    "6660880ff0880666",  //
    "6660000000000666",  //
    "6666666666666666",
};

constexpr const char* kHard[11] = {
    "6666666666666666",  //
    "6666666666666666",  //
    "6666666666666666",  //
    "6000000000000006",  //
    "0ffffffffffffff0",  //
    "0f88888888888870",  //
    "0f888888888a8870",  //
    "0777777777777770",  //
    "6000000000000006",  //
    "6666666666666666",  //
    "6666666666666666",
};

constexpr const char* kNetwork[11] = {
    "6666666666666666",  //
    "6000000000000006",  //
    "0ffffffffffffff0",  //
    "0f888888888a8870",  //
    "0777777777777770",  //
    "6000000000000006",  //
    "6666666006666666",  //
    "6666666006666666",  //
    "0000000000000000",  //
    "6666666666666666",  //
    "6666666666666666",
};

constexpr const char* kCdRom[11] = {
    "6666666666666666",  //
    "6666666666666666",  //
    "6000000000000006",  //
    "0ffffffffffffff0",  //
    "0f88888888888870",  //
    "0f80000000000870",  //
    "0f88888888a88870",  //
    "0777777777777770",  //
    "6000000000000006",  //
    "6666666666666666",  //
    "6666666666666666",
};

constexpr const char* kRam[11] = {
    "6666666666666666",  //
    "6666666666666666",  //
    "6666666666666666",  //
    "6000000000000006",  //
    "0222222222222220",  //
    "0200200200200220",  //
    "0200200200200220",  //
    "0222222222222220",  //
    "6000000000000006",  //
    "6060606060606066",  //
    "6666666666666666",
};

}  // namespace

QImage imageFromPaletteRows(const char* const* rows, int height) {
  const int width = static_cast<int>(std::strlen(rows[0]));
  QImage image(width, height, QImage::Format_ARGB32);
  const int transparent = paletteIndex(rows[height - 1][0]);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int index = paletteIndex(rows[y][x]);
      image.setPixel(x, y, index == transparent ? 0u : kPalette[index]);
    }
  }
  return image;
}

const QImage& folderImage(FolderImage kind) {
  static const std::array<QImage, 3> images = {
      imageFromPaletteRows(kOpenFolder, 15),
      imageFromPaletteRows(kCurrentFolder, 15),
      imageFromPaletteRows(kClosedFolder, 15),
  };
  return images[static_cast<int>(kind)];
}

const QImage& driveImage(DriveImage kind) {
  static const std::array<QImage, 5> images = {
      imageFromPaletteRows(kFloppy, 11),  imageFromPaletteRows(kHard, 11),
      imageFromPaletteRows(kNetwork, 11), imageFromPaletteRows(kCdRom, 11),
      imageFromPaletteRows(kRam, 11),
  };
  return images[static_cast<int>(kind)];
}

}  // namespace vistrel::browse
