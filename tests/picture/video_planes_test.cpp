// Decoding JPEG files straight into the video's planes: every colour layout
// a camera writes ends up as 4:2:0 in the video range, the planes in their
// places, the colour where the picture has it.

#include <cmath>
#include <string>

#include <QImage>

#include <gtest/gtest.h>

#include "picture/jpeg_codec.h"
#include "picture/jpeg_image.h"
#include "picture/video_range.h"
#include "sample_jpegs.h"

namespace vistrel {
namespace {

// PSNR of `plane` of `planes` against `expected` (plane-sized, row after row).
double PlanePsnr(const VideoPlanes& planes, int plane, const std::vector<double>& expected) {
  double squares = 0;
  const int width = planes.PlaneWidth(plane);
  for (int y = 0; y < planes.PlaneHeight(plane); ++y)
    for (int x = 0; x < width; ++x) {
      const double d = planes.Plane(plane)[y * planes.Stride(plane) + x] - expected[y * width + x];
      squares += d * d;
    }
  const double mse = squares / (double(width) * planes.PlaneHeight(plane));
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// The video-range planes of an RGB picture (BT.601), colour averaged 2 x 2.
std::vector<std::vector<double>> ReferencePlanes(const QImage& rgb) {
  const int w = rgb.width(), h = rgb.height(), cw = (w + 1) / 2, ch = (h + 1) / 2;
  std::vector<std::vector<double>> out{std::vector<double>(std::size_t(w) * h),
                                       std::vector<double>(std::size_t(cw) * ch),
                                       std::vector<double>(std::size_t(cw) * ch)};
  std::vector<int> counts(std::size_t(cw) * ch);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const QRgb p = rgb.pixel(x, y);
      const double r = qRed(p), g = qGreen(p), b = qBlue(p);
      out[0][y * w + x] = 16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255;
      const std::size_t c = std::size_t(y / 2) * cw + x / 2;
      out[1][c] += 128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255;
      out[2][c] += 128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255;
      ++counts[c];
    }
  for (std::size_t c = 0; c < counts.size(); ++c) {
    out[1][c] /= counts[c];
    out[2][c] /= counts[c];
  }
  return out;
}

TEST(VideoPlanesTest, EveryColourLayoutBecomesVideoRangeHalfResolutionColour) {
  struct Case {
    const char* name;
    int width, height, stepX, stepY;
    bool gray;
  };
  for (const Case& c : {Case{"4:2:0", 98, 62, 2, 2, false}, Case{"4:2:0 odd", 97, 61, 2, 2, false},
                        Case{"4:2:2", 98, 62, 2, 1, false}, Case{"4:4:4", 98, 62, 1, 1, false},
                        Case{"gray", 97, 62, 1, 1, true}}) {
    SCOPED_TRACE(c.name);
    jpeg::EncodeOptions options;
    options.quality = 95;
    options.grayscale = c.gray;
    options.colourStepX = c.stepX;
    options.colourStepY = c.stepY;
    const std::vector<std::uint8_t> file =
        jpeg::Encode(testing::blockPattern(c.width, c.height), options);
    const jpeg::PlanesResult decoded = jpeg::DecodeVideoPlanes(file.data(), file.size());
    ASSERT_EQ(decoded.errorCode, 0);
    ASSERT_TRUE(decoded.planes);
    EXPECT_EQ(decoded.planes->Width(), c.width);
    EXPECT_EQ(decoded.planes->Height(), c.height);
    // Against the file's own RGB decode: a plane in another's place, full
    // range left as it is or colour shifted by a sample falls far below.
    jpeg::DecodeOptions rgb;
    const QImage shown =
        jpeg::Decode(file.data(), file.size(), rgb).bitmap.convertToFormat(QImage::Format_RGB888);
    const auto expected = ReferencePlanes(shown);
    EXPECT_GT(PlanePsnr(*decoded.planes, 0, expected[0]), 40.0);
    EXPECT_GT(PlanePsnr(*decoded.planes, 1, expected[1]), 30.0);
    EXPECT_GT(PlanePsnr(*decoded.planes, 2, expected[2]), 30.0);
  }
}

TEST(VideoPlanesTest, FullRangeExtremesLandOnTheVideoRangeLimitsAndCmykFallsBackToABitmap) {
  for (const QColor colour : {QColor(Qt::black), QColor(Qt::white)}) {
    QImage flat(32, 16, QImage::Format_RGB888);
    flat.fill(colour);
    const std::vector<std::uint8_t> file = testing::encodeJpeg(flat, false, false, 100);
    const jpeg::PlanesResult decoded = jpeg::DecodeVideoPlanes(file.data(), file.size());
    ASSERT_TRUE(decoded.planes);
    EXPECT_EQ(decoded.planes->Plane(0)[5], colour == Qt::black ? 16 : 235);
    EXPECT_EQ(decoded.planes->Plane(1)[3], 128);
    EXPECT_EQ(decoded.planes->Plane(2)[3], 128);
  }
  // CMYK has no Y/Cb/Cr to hand on: the image decodes its bitmap instead.
  std::vector<std::uint8_t> cmyk;
  if (std::FILE* in = std::fopen(VISTREL_CMYK_JPEG, "rb")) {
    cmyk.resize(1 << 20);
    cmyk.resize(std::fread(cmyk.data(), 1, cmyk.size(), in));
    std::fclose(in);
  }
  ASSERT_FALSE(cmyk.empty());
  EXPECT_TRUE(jpeg::DecodeVideoPlanes(cmyk.data(), cmyk.size()).unsupported);
  TJPEGImage image;
  image.loadFromBytes(cmyk);
  image.decodeVideoPlanes();
  EXPECT_FALSE(image.videoPlanes());
  EXPECT_FALSE(image.bitmap().isNull());
}

// A picture both shown and recorded: the bitmap exactly as decode() makes
// it, the planes exactly as decodeVideoPlanes() makes them; a file whose scan
// data is cut short gets no planes, so its video shows the padded bitmap.
TEST(VideoPlanesTest, BitmapAndPlanesDecodeAsEachAloneAndDamageLeavesOnlyTheBitmap) {
  QImage colours(48, 32, QImage::Format_RGB888);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 48; ++x) colours.setPixel(x, y, qRgb(x * 5, 255 - y * 7, (x * y) % 256));
  const std::vector<std::uint8_t> whole = testing::encodeJpeg(colours, false, false, 95);
  const std::size_t scan = testing::scanDataStart(whole);
  const std::vector<std::uint8_t> cut(whole.begin(),
                                      whole.begin() + long(scan + (whole.size() - scan) / 2));
  for (const std::vector<std::uint8_t>* file : {&whole, &cut}) {
    TJPEGImage both, bitmapOnly, planesOnly;
    both.loadFromBytes(*file);
    bitmapOnly.loadFromBytes(*file);
    planesOnly.loadFromBytes(*file);
    both.decodeWithVideoPlanes();
    planesOnly.decodeVideoPlanes();
    EXPECT_EQ(both.bitmap(), bitmapOnly.bitmap());
    if (file == &cut) {
      EXPECT_EQ(both.damage(), "Premature end of JPEG file");
      EXPECT_FALSE(both.videoPlanes());
      continue;
    }
    ASSERT_TRUE(both.videoPlanes() && planesOnly.videoPlanes());
    const VideoPlanes& got = *both.videoPlanes();
    const VideoPlanes& want = *planesOnly.videoPlanes();
    std::vector<std::uint8_t> gotBytes(got.PackedSize()), wantBytes(want.PackedSize());
    got.CopyPackedTo(gotBytes.data());
    want.CopyPackedTo(wantBytes.data());
    EXPECT_EQ(gotBytes, wantBytes);
  }
}

// Every value at every position of a row (so in every SIMD lane and in the
// scalar tail) maps by libswscale's formula, and the bytes between a row's
// end and the next row are left alone.
TEST(VideoPlanesTest, RangeMappingFollowsTheFormulaForEveryValueWidthAndLane) {
  constexpr std::uint8_t kGap = 0xA5;
  for (const bool luma : {true, false}) {
    const int factor = luma ? 1759 : 1799;
    const int offset = luma ? 33775 : 32910;
    for (const int width : {1, 7, 15, 16, 17, 31, 263}) {
      SCOPED_TRACE(std::string(luma ? "luma " : "colour ") + std::to_string(width));
      const int stride = width + 5;
      const int height = 256 + 16;
      std::vector<std::uint8_t> bytes(std::size_t(stride) * height, kGap);
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bytes[y * stride + x] = std::uint8_t(x * 3 + y);
      const std::vector<std::uint8_t> before = bytes;
      (luma ? LumaToVideoRange : ChromaToVideoRange)(bytes.data(), stride, width, height);
      int wrong = 0;
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool inRow = int(i % stride) < width;
        const int want = inRow ? (before[i] * factor + offset) >> 11 : kGap;
        if (bytes[i] != want && ++wrong <= 3)
          ADD_FAILURE() << "at " << i << ": " << int(before[i]) << " -> " << int(bytes[i])
                        << ", want " << want;
      }
    }
  }
}

}  // namespace
}  // namespace vistrel
