// TJPEGImage: header on load, one decode at the first need, damaged data,
// 8-bit screens, and how the bitmap is stretched.

#include <set>

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <jerror.h>
#include <jpeglib.h>
#include <cstdio>

#include "picture/errors.h"
#include "picture/jpeg_image.h"
#include "sample_jpegs.h"

namespace vistrel {
namespace {

using testing::blockPattern;
using testing::encodeJpeg;
using testing::rowsDistance;

std::string jpegMessage(int code) { return "JPEG error #" + std::to_string(code); }

std::vector<std::uint8_t> ReadFile(const char* path) {
  std::vector<std::uint8_t> bytes;
  if (std::FILE* file = std::fopen(path, "rb")) {
    bytes.resize(200000);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
  }
  return bytes;
}

class JpegImageTest : public ::testing::Test {
 protected:
  void SetUp() override { TJPEGImage::setScreenBitsPerPixel(24); }
  void TearDown() override { TJPEGImage::setScreenBitsPerPixel(24); }

  // Paints `image` over a magenta canvas of `canvasSize` into `target`.
  static QImage Paint(TJPEGImage& image, QSize canvasSize, QRect target) {
    QImage canvas(canvasSize, QImage::Format_RGB32);
    canvas.fill(Qt::magenta);
    QPainter painter(&canvas);
    image.draw(painter, target);
    return canvas;
  }

  // What the message of the exception that prepare() throws says; "" when
  // none is thrown.
  static std::string prepareError(TJPEGImage& image) {
    try {
      image.prepare();
    } catch (const EJPEG& e) {
      return e.what();
    }
    return "";
  }
};

TEST_F(JpegImageTest, HeaderIsReadOnLoadAndDecodingWaitsForTheFirstNeed) {
  const QImage source = blockPattern(96, 64);
  for (const bool progressive : {false, true}) {
    SCOPED_TRACE(progressive ? "progressive" : "baseline");
    TJPEGImage image;
    int changes = 0;
    image.setOnChange([&] { ++changes; });
    image.loadFromBytes(encodeJpeg(source, progressive));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(image.width(), 96);
    EXPECT_EQ(image.height(), 64);
    EXPECT_EQ(image.progressive(), progressive);
    EXPECT_FALSE(image.grayscale());

    const QImage& bitmap = image.bitmap();
    ASSERT_EQ(bitmap.format(), QImage::Format_RGB888);
    EXPECT_LE(rowsDistance(bitmap, source, 0, 64), 12);
    // Later draws reuse the same bitmap.
    const qint64 key = bitmap.cacheKey();
    Paint(image, {48, 32}, {0, 0, 48, 32});
    EXPECT_EQ(image.bitmap().cacheKey(), key);
  }
}

TEST_F(JpegImageTest, GrayscaleFileDecodesToAnEightBitGrayBitmap) {
  const QImage source = blockPattern(64, 48).convertToFormat(QImage::Format_Grayscale8);
  TJPEGImage image;
  image.loadFromBytes(encodeJpeg(source, false, true));
  EXPECT_TRUE(image.grayscale());
  const QImage& bitmap = image.bitmap();
  ASSERT_EQ(bitmap.format(), QImage::Format_Indexed8);
  for (QRgb entry : bitmap.colorTable()) {
    EXPECT_TRUE(qRed(entry) == qGreen(entry) && qGreen(entry) == qBlue(entry));
  }
  EXPECT_LE(rowsDistance(bitmap, source.convertToFormat(QImage::Format_RGB888), 0, 48), 12);
}

TEST_F(JpegImageTest, EightBitScreenQuantizesTo236Colours) {
  TJPEGImage::setScreenBitsPerPixel(8);
  // Many colours, so that the quantizer has to reduce them.
  QImage source(128, 128, QImage::Format_RGB888);
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) source.setPixelColor(x, y, QColor(x * 2, y * 2, (x + y) % 256));
  }
  TJPEGImage image;
  image.loadFromBytes(encodeJpeg(source));
  EXPECT_EQ(image.pixelFormat(), TJPEGPixelFormat::jf8Bit);
  const QImage& bitmap = image.bitmap();
  ASSERT_EQ(bitmap.format(), QImage::Format_Indexed8);
  EXPECT_EQ(bitmap.colorCount(), 236);
  // Still recognisably the picture.
  EXPECT_LE(testing::colourDistance(bitmap.pixel(100, 20), source.pixel(100, 20)), 40);
}

TEST_F(JpegImageTest, CopiesShareTheCompressedBytes) {
  TJPEGImage image;
  image.loadFromBytes(encodeJpeg(blockPattern(32, 32)));
  const std::unique_ptr<TGraphic> copy = image.clone();
  const auto& jpegCopy = dynamic_cast<const TJPEGImage&>(*copy);
  EXPECT_EQ(jpegCopy.data().get(), image.data().get());
  EXPECT_EQ(jpegCopy.width(), 32);
  // Loading new data into one leaves the other's bytes alone.
  const auto before = jpegCopy.data();
  image.loadFromBytes(encodeJpeg(blockPattern(16, 16)));
  EXPECT_EQ(jpegCopy.data(), before);
  EXPECT_EQ(jpegCopy.width(), 32);
}

// `jpeg` with its frame header claiming `width` x `height`: a small file that
// asks for a huge bitmap.
std::vector<std::uint8_t> ClaimingSize(std::vector<std::uint8_t> jpeg, int width, int height) {
  for (std::size_t i = 0; i + 8 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
      jpeg[i + 6] = static_cast<std::uint8_t>(height);
      jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
      jpeg[i + 8] = static_cast<std::uint8_t>(width);
      break;
    }
  }
  return jpeg;
}

TEST_F(JpegImageTest, UnreadableOrOversizedHeaderFailsOnLoad) {
  const std::vector<std::uint8_t> good = encodeJpeg(blockPattern(32, 32));
  struct Row {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::string message;
  };
  const Row rows[] = {
      {"bitmap", testing::imageBytes(blockPattern(8, 8)), jpegMessage(JERR_NO_SOI)},
      {"ends before the frame header",
       {good.begin(), good.begin() + 20},
       jpegMessage(JERR_NO_IMAGE)},
      {"claims 16000 x 16000", ClaimingSize(good, 16000, 16000),
       "Picture too large: 16000 x 16000 pixels (at most 67108864 pixels)"},
      {"claims 16384 x 16384, progressive",
       ClaimingSize(encodeJpeg(blockPattern(32, 32), true), 16384, 16384),
       "Picture too large: 16384 x 16384 pixels (at most 67108864 pixels)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TJPEGImage image;
    try {
      image.loadFromBytes(row.bytes);
      ADD_FAILURE() << "no error";
    } catch (const EJPEG& e) {
      EXPECT_EQ(e.what(), row.message);
      EXPECT_STREQ(e.className(), "EJPEG");
    }
    EXPECT_TRUE(image.empty());
  }
  // At the bound the header loads; only decoding would allocate.
  TJPEGImage largest;
  largest.loadFromBytes(ClaimingSize(good, 8192, 8192));
  EXPECT_EQ(largest.width(), 8192);
}

TEST_F(JpegImageTest, EmptyFileReportsOnceAtTheFirstPaintThenPaintsNothing) {
  TJPEGImage image;
  image.loadFromBytes({});
  EXPECT_TRUE(image.empty());
  EXPECT_EQ(prepareError(image), jpegMessage(JERR_INPUT_EMPTY));
  EXPECT_EQ(prepareError(image), "");
  const QImage canvas = Paint(image, {20, 20}, {0, 0, 20, 20});
  EXPECT_EQ(canvas.pixel(10, 10), QColor(Qt::magenta).rgb());
}

TEST_F(JpegImageTest, FileCutInItsScanDataShowsTheDecodedRowsWithoutError) {
  // libjpeg only warns about a premature end: it pads the missing data, so
  // the picture draws without a message, the missing part flat.
  const QImage source = blockPattern(128, 128);
  const std::vector<std::uint8_t> whole = encodeJpeg(source);
  const std::size_t scan = testing::scanDataStart(whole);
  const std::size_t cut = scan + (whole.size() - scan) / 2;
  TJPEGImage image;
  image.loadFromBytes({whole.begin(), whole.begin() + static_cast<long>(cut)});
  EXPECT_EQ(prepareError(image), "");
  // Named for a caller to whom the padded picture is not the file's.
  EXPECT_EQ(image.damage(), "Premature end of JPEG file");
  const QImage& bitmap = image.bitmap();
  EXPECT_LE(rowsDistance(bitmap, source, 0, 16), 12);
  const QRgb last = bitmap.pixel(127, 127);
  EXPECT_NEAR(qRed(last), qGreen(last), 2);  // padding decodes to flat gray
  EXPECT_GT(rowsDistance(bitmap, source, 112, 128), 12);
}

TEST_F(JpegImageTest, FatalDamageAfterGoodRowsIsReportedOnceAndTheRowsStay) {
  // A frame header in the middle of the scan data: libjpeg decodes the rows
  // before it, then stops with a fatal error.
  const QImage source = blockPattern(128, 128);
  std::vector<std::uint8_t> bytes = encodeJpeg(source);
  const std::size_t damage = testing::scanDataStart(bytes) + (bytes.size() / 3);
  bytes[damage] = 0xFF;
  bytes[damage + 1] = 0xC0;

  for (const bool drawFirst : {false, true}) {
    SCOPED_TRACE(drawFirst ? "drawn before prepared" : "prepared first");
    TJPEGImage image;
    image.loadFromBytes(bytes);
    QImage canvas;
    if (drawFirst) canvas = Paint(image, {128, 128}, {0, 0, 128, 128});
    EXPECT_EQ(prepareError(image), jpegMessage(JERR_SOF_DUPLICATE));
    EXPECT_EQ(prepareError(image), "");
    if (!drawFirst) canvas = Paint(image, {128, 128}, {0, 0, 128, 128});
    EXPECT_LE(rowsDistance(canvas.convertToFormat(QImage::Format_RGB888), source, 0, 16), 12);
    const QImage& bitmap = image.bitmap();  // no new report
    EXPECT_EQ(bitmap.size(), QSize(128, 128));
  }
}

TEST_F(JpegImageTest, AdobeCmykFileDecodesToItsColours) {
  // 16 × 16, yellow at the top running to cyan at the bottom, stored the
  // Adobe way (inverted CMYK).
  TJPEGImage image;
  image.loadFromBytes(ReadFile(VISTREL_CMYK_JPEG));
  const QImage& bitmap = image.bitmap();
  ASSERT_EQ(bitmap.format(), QImage::Format_RGB888);
  EXPECT_LE(testing::colourDistance(bitmap.pixel(8, 0), qRgb(255, 255, 0)), 24);
  EXPECT_LE(testing::colourDistance(bitmap.pixel(8, 15), qRgb(0, 255, 255)), 24);
}

TEST_F(JpegImageTest, StartPictureFillsTheWholeControl) {
  const std::vector<std::uint8_t> bytes = ReadFile(VISTREL_TEST_CARD);
  TJPEGImage card;
  card.loadFromBytes(bytes);
  EXPECT_EQ(card.width(), 768);
  EXPECT_EQ(card.height(), 588);
  EXPECT_FALSE(card.progressive());

  const QImage canvas = Paint(card, {642, 482}, {1, 1, 640, 480});
  const QRgb magenta = QColor(Qt::magenta).rgb();
  int outside = 0, unpainted = 0;
  for (int y = 0; y < 482; ++y) {
    for (int x = 0; x < 642; ++x) {
      const bool inside = x >= 1 && x <= 640 && y >= 1 && y <= 480;
      const bool isMagenta = canvas.pixel(x, y) == magenta;
      if (inside && isMagenta) ++unpainted;
      if (!inside && !isMagenta) ++outside;
    }
  }
  EXPECT_EQ(unpainted, 0);
  EXPECT_EQ(outside, 0);
}

TEST_F(JpegImageTest, StretchingRepeatsPixelsWithoutAveraging) {
  // Sharp black and white halves; JPEG may ring, but every painted pixel
  // must be a copy of the bitmap pixel it stands for.
  QImage source(16, 16, QImage::Format_RGB888);
  source.fill(Qt::black);
  for (int y = 0; y < 16; ++y) {
    for (int x = 8; x < 16; ++x) source.setPixelColor(x, y, Qt::white);
  }
  TJPEGImage image;
  image.loadFromBytes(encodeJpeg(source));
  const QImage bitmap = image.bitmap();
  const QImage canvas = Paint(image, {64, 48}, {0, 0, 64, 48});
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      ASSERT_EQ(canvas.pixel(x, y), bitmap.pixel(x / 4, y / 3)) << x << "," << y;
    }
  }
}

TEST_F(JpegImageTest, EightBitScreenStretchesTrueColourWithHalftone) {
  TJPEGImage::setScreenBitsPerPixel(8);
  QImage source(16, 16, QImage::Format_RGB888);
  source.fill(Qt::black);
  for (int y = 0; y < 16; ++y) {
    for (int x = 8; x < 16; ++x) source.setPixelColor(x, y, Qt::white);
  }
  const std::vector<std::uint8_t> bytes = encodeJpeg(source);
  auto paintedColours = [&](TJPEGPixelFormat format) {
    TJPEGImage image;
    image.loadFromBytes(bytes);
    image.setPixelFormat(format);
    std::set<QRgb> bitmapColours, painted;
    const QImage bitmap = image.bitmap().convertToFormat(QImage::Format_RGB32);
    for (int x = 0; x < 16; ++x) bitmapColours.insert(bitmap.pixel(x, 8));
    const QImage canvas = Paint(image, {128, 16}, {0, 0, 128, 16});
    for (int x = 0; x < 128; ++x) painted.insert(canvas.pixel(x, 8));
    std::erase_if(painted, [&](QRgb c) { return bitmapColours.count(c) != 0; });
    return painted.size();  // colours the stretch made up
  };
  // 8-bit bitmap on an 8-bit screen: plain copies. 24-bit bitmap: averaged.
  EXPECT_EQ(paintedColours(TJPEGPixelFormat::jf8Bit), 0u);
  EXPECT_GT(paintedColours(TJPEGPixelFormat::jf24Bit), 0u);
}

}  // namespace
}  // namespace vistrel
