// Our DC-only scan decoder against libjpeg's own 1/8-scale gray decode:
// the same pixels on every kind of file it takes, and on damaged or unusual
// files either the same pixels or a refusal, so the loader's problem text
// stays libjpeg's.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <jpeglib.h>

#include "activity/eighth_luma.h"
#include "activity/luma_thumbnail.h"

namespace vistrel::activity {
namespace {

struct Layout {
  const char* name;
  int components;  // 1 gray, 3 YCbCr
  int lumaAcross, lumaDown;
  int width, height;
  int restartMcus = 0;
  bool optimise = false;
  bool progressive = false;
  bool arithmetic = false;
};

// Noise over gradients, with pure black and white patches so that the DC
// terms reach both ends of the range; each picture a little different.
std::vector<std::uint8_t> testPicture(int width, int height, int channels, unsigned seed) {
  std::vector<std::uint8_t> rgb(std::size_t(width) * height * channels);
  unsigned state = seed * 2654435761u + 1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c) {
        state = state * 1103515245u + 12345u;
        int value = (x * 255 / width + y * (c + 1) * 3) % 256 + int((state >> 16) % 61) - 30;
        if ((x / 24 + y / 24) % 5 == 0) value = 0;
        if ((x / 24 + y / 24) % 7 == 0) value = 255;
        rgb[(std::size_t(y) * width + x) * channels + c] = std::uint8_t(std::clamp(value, 0, 255));
      }
  return rgb;
}

std::vector<std::uint8_t> encode(const Layout& layout, int quality, unsigned seed) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = JDIMENSION(layout.width);
  cinfo.image_height = JDIMENSION(layout.height);
  cinfo.input_components = layout.components;
  cinfo.in_color_space = layout.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.comp_info[0].h_samp_factor = layout.lumaAcross;
  cinfo.comp_info[0].v_samp_factor = layout.lumaDown;
  cinfo.restart_interval = unsigned(layout.restartMcus);
  cinfo.optimize_coding = layout.optimise ? TRUE : FALSE;
  cinfo.arith_code = layout.arithmetic ? TRUE : FALSE;
  if (layout.progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  const auto pixels = testPicture(layout.width, layout.height, layout.components, seed);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(
        &pixels[std::size_t(cinfo.next_scanline) * layout.width * layout.components]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<std::uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

// libjpeg's verdict on `bytes` compared with ours, for a file the fast path
// may or may not take. Returns whether it took it.
bool expectSameAsLibjpeg(const std::vector<std::uint8_t>& bytes, const std::string& what) {
  EighthLuma reference;
  std::string damage;
  const int code = decodeEighthLumaLibjpeg(bytes.data(), bytes.size(), &reference, &damage);
  EighthLuma ours;
  const bool took = decodeEighthLumaDc(bytes.data(), bytes.size(), &ours);
  const LumaThumbnail thumbnail = decodeLumaThumbnail(bytes.data(), bytes.size());
  if (code != 0 || !damage.empty()) {
    EXPECT_FALSE(took) << what;
    EXPECT_FALSE(thumbnail.grid) << what;
    EXPECT_EQ(thumbnail.problem, code == 0 ? damage : "JPEG error #" + std::to_string(code))
        << what;
    return took;
  }
  EXPECT_TRUE(thumbnail.problem.empty()) << what;
  if (took) {
    EXPECT_EQ(ours.width, reference.width) << what;
    EXPECT_EQ(ours.height, reference.height) << what;
    EXPECT_TRUE(ours.pixels == reference.pixels) << what;
  }
  return took;
}

TEST(EighthLuma, GivesLibjpegsPixelsForEveryCommonLayout) {
  const Layout layouts[] = {
      {"4:2:0", 3, 2, 2, 640, 480},
      {"4:2:2", 3, 2, 1, 200, 152},
      {"4:4:0", 3, 1, 2, 96, 64},
      {"4:4:4", 3, 1, 1, 120, 88},
      {"gray", 1, 1, 1, 136, 104},
      {"gray sampled 2x2", 1, 2, 2, 72, 40},
      {"4:2:0 odd size", 3, 2, 2, 203, 149},
      {"4:4:4 odd size", 3, 1, 1, 9, 17},
      {"4:2:0 restart every MCU", 3, 2, 2, 160, 120, 1},
      {"4:2:2 restart every 7 MCUs", 3, 2, 1, 211, 75, 7},
      {"gray restart every 5 blocks", 1, 1, 1, 100, 60, 5},
      {"4:2:0 optimised tables", 3, 2, 2, 176, 144, 0, true},
      {"4:4:4 optimised, restarts", 3, 1, 1, 104, 72, 3, true},
  };
  unsigned seed = 0;
  for (const Layout& layout : layouts)
    for (const int quality : {10, 50, 75, 95, 100}) {
      const std::string what = std::string(layout.name) + " q" + std::to_string(quality);
      EXPECT_TRUE(expectSameAsLibjpeg(encode(layout, quality, ++seed), what)) << what;
    }
}

TEST(EighthLuma, DamagedAndUnusualFilesGetLibjpegsAnswer) {
  const Layout base{"4:2:0 restarts", 3, 2, 2, 160, 120, 4};
  const std::vector<std::uint8_t> good = encode(base, 75, 7);
  const std::size_t scanStart = [&] {
    for (std::size_t i = 0; i + 1 < good.size(); ++i)
      if (good[i] == 0xFF && good[i + 1] == 0xDA) return i + 2 + (good[i + 2] << 8 | good[i + 3]);
    return good.size();
  }();
  ASSERT_LT(scanStart, good.size());

  // Cut anywhere in the scan, just before the end marker, or inside it.
  for (const std::size_t keep : {scanStart + 10, (scanStart + good.size()) / 2, good.size() - 3,
                                 good.size() - 2, good.size() - 1}) {
    const std::vector<std::uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(keep));
    EXPECT_FALSE(expectSameAsLibjpeg(cut, "cut at " + std::to_string(keep)));
  }
  // Flipped bytes across the scan: codes that mean something else, codes
  // that are none, restart markers with the wrong number, markers in the
  // data. Whatever libjpeg makes of them, the answer must be the same.
  int taken = 0;
  for (std::size_t at = scanStart; at < good.size() - 2; at += 37)
    for (const std::uint8_t flip : {0x01, 0x5A, 0xFF}) {
      std::vector<std::uint8_t> damaged = good;
      damaged[at] ^= flip;
      taken +=
          expectSameAsLibjpeg(damaged, "flip " + std::to_string(flip) + " at " + std::to_string(at))
              ? 1
              : 0;
    }
  EXPECT_GT(taken, 0) << "no damaged file decoded cleanly: the comparison above proved little";
  // A chroma component naming a quantisation table that was never defined:
  // libjpeg refuses the file although the luma never needs that table.
  std::vector<std::uint8_t> undefinedTable = good;
  for (std::size_t i = 0; i + 15 < undefinedTable.size(); ++i)
    if (undefinedTable[i] == 0xFF && undefinedTable[i + 1] == 0xC0) {
      undefinedTable[i + 15] = 3;
      break;
    }
  EXPECT_FALSE(expectSameAsLibjpeg(undefinedTable, "undefined chroma quantisation table"));
  // Other coding processes go to libjpeg whole.
  Layout progressive = base;
  progressive.progressive = true;
  EXPECT_FALSE(expectSameAsLibjpeg(encode(progressive, 75, 8), "progressive"));
  Layout arithmetic = base;
  arithmetic.arithmetic = true;
  EXPECT_FALSE(expectSameAsLibjpeg(encode(arithmetic, 75, 9), "arithmetic"));
  // Data after the end marker is not looked at.
  std::vector<std::uint8_t> trailing = good;
  trailing.insert(trailing.end(), {0x12, 0xFF, 0xD8});
  EXPECT_TRUE(expectSameAsLibjpeg(trailing, "bytes after the end"));
}

}  // namespace
}  // namespace vistrel::activity
