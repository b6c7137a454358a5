// LoadPictureFile: the graphic class comes from the extension, and every
// failure leaves the picture's previous graphic in place.

#include <gtest/gtest.h>

#include <jerror.h>
#include <jpeglib.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "picture/errors.h"
#include "picture/file_format_registry.h"
#include "picture/graphic.h"
#include "picture/jpeg_codec.h"
#include "picture/jpeg_image.h"
#include "picture/picture.h"
#include "sample_jpegs.h"
#include "temp_folder.h"

namespace vistrel {
namespace {

using testing::blockPattern;
using testing::encodeJpeg;
using testing::writeFile;

class LoadPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TJPEGImage::setScreenBitsPerPixel(24);
    jpeg_ = encodeJpeg(blockPattern(48, 32));
    // The picture starts out holding a 16 × 16 JPEG.
    writeFile(path("previous.jpg"), encodeJpeg(blockPattern(16, 16)));
    LoadPictureFile(picture_, path("previous.jpg"));
    previous_ = picture_.Graphic();
    picture_.setOnChange([this] { ++changes_; });
  }

  std::string path(const std::string& name) const { return (dir_.path() / name).string(); }

  test::TempFolder dir_;
  std::vector<std::uint8_t> jpeg_;
  TPicture picture_;
  TGraphic* previous_ = nullptr;
  int changes_ = 0;
};

TEST_F(LoadPictureTest, RegistryHoldsTheSixFormatsInOrder) {
  const auto& entries = TFileFormatsList::instance().entries();
  ASSERT_GE(entries.size(), 6u);
  const char* expected[][3] = {{"wmf", "Metafiles", "TMetafile"},
                               {"emf", "Enhanced Metafiles", "TMetafile"},
                               {"ico", "Icons", "TIcon"},
                               {"bmp", "Bitmaps", "TBitmap"},
                               {"jpeg", "JPEG Image File", "TJPEGImage"},
                               {"jpg", "JPEG Image File", "TJPEGImage"}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(entries[i].extension, expected[i][0]);
    EXPECT_EQ(entries[i].description, expected[i][1]);
    EXPECT_EQ(entries[i].className, expected[i][2]);
  }
}

TEST_F(LoadPictureTest, ExtensionChoosesTheGraphicIgnoringCase) {
  struct Row {
    const char* name;
    const char* format;  // null: JPEG
    const char* className;
  };
  const Row rows[] = {{"SNAP01.JPG", nullptr, "TJPEGImage"},
                      {"snap.v2.JpEg", nullptr, "TJPEGImage"},
                      {"picture.bmp", "BMP", "TBitmap"},
                      {"picture.ICO", "ICO", "TIcon"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    writeFile(path(row.name),
              row.format ? testing::imageBytes(blockPattern(48, 32), row.format) : jpeg_);
    const int changesBefore = changes_;
    LoadPictureFile(picture_, path(row.name));
    ASSERT_NE(picture_.Graphic(), nullptr);
    EXPECT_STREQ(picture_.Graphic()->className(), row.className);
    EXPECT_EQ(picture_.width(), 48);
    EXPECT_EQ(picture_.height(), 32);
    EXPECT_EQ(changes_, changesBefore + 1);
  }
}

TEST_F(LoadPictureTest, FailuresKeepThePreviousPicture) {
  writeFile(path("snap01.jpe"), jpeg_);
  writeFile(path("noext"), jpeg_);
  writeFile(path("bitmap.jpg"), testing::imageBytes(blockPattern(8, 8)));
  writeFile(path("header.jpg"), {jpeg_.begin(), jpeg_.begin() + 20});
  writeFile(path("drawing.wmf"), {1, 2, 3});
  writeFile(path("broken.bmp"), jpeg_);
  dir_.folder("folder.jpg");
  ASSERT_EQ(::mkfifo(path("fifo.jpg").c_str(), 0644), 0);  // opening it would wait for a writer

  struct Row {
    std::string name;
    std::string className;
    std::string message;
  };
  const Row rows[] = {
      {"snap01.jpe", "EInvalidGraphic", "Unknown picture file extension (.jpe)"},
      {"noext", "EInvalidGraphic", "Unknown picture file extension (.)"},
      {"bitmap.jpg", "EJPEG", "JPEG error #" + std::to_string(JERR_NO_SOI)},
      {"header.jpg", "EJPEG", "JPEG error #" + std::to_string(JERR_NO_IMAGE)},
      {"missing.jpg", "EFOpenError", "Cannot open file " + path("missing.jpg")},
      {"folder.jpg", "EFOpenError", "Cannot open file " + path("folder.jpg")},
      {"fifo.jpg", "EFOpenError", "Cannot open file " + path("fifo.jpg")},
      {"drawing.wmf", "EInvalidGraphic", "Metafiles are not supported"},
      {"broken.bmp", "EInvalidGraphic", "Bitmap image is not valid"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    try {
      LoadPictureFile(picture_, path(row.name));
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.className(), row.className);
      EXPECT_EQ(e.what(), row.message);
    }
    EXPECT_EQ(picture_.Graphic(), previous_);
    EXPECT_EQ(picture_.width(), 16);
  }
  EXPECT_EQ(changes_, 0);
}

// Junk of a gigabyte named like a snapshot (sparse: it costs no disk) is
// read only as far as a picture can reach, whether its header is junk too
// or a good snapshot comes first.
TEST_F(LoadPictureTest, HugeFilesAreReadOnlyAsFarAsAPictureReaches) {
  constexpr std::uintmax_t kGigabyte = std::uintmax_t{1} << 30;
  writeFile(path("junk.jpg"), {});
  std::filesystem::resize_file(path("junk.jpg"), kGigabyte);
  writeFile(path("tail.jpg"), jpeg_);
  std::filesystem::resize_file(path("tail.jpg"), kGigabyte);

  try {
    LoadPictureFile(picture_, path("junk.jpg"));
    ADD_FAILURE() << "no error";
  } catch (const EJPEG& e) {
    EXPECT_EQ(e.what(), "JPEG error #" + std::to_string(JERR_NO_SOI));
  }
  LoadPictureFile(picture_, path("tail.jpg"));
  EXPECT_EQ(picture_.width(), 48);
  EXPECT_EQ(ReadPictureFile(path("junk.jpg"), "junk.jpg", &jpeg::FileBytesNeeded).size(),
            kPictureHeadBytes);
  EXPECT_EQ(ReadPictureFile(path("tail.jpg"), "tail.jpg", &jpeg::FileBytesNeeded).size(),
            kPictureHeadBytes);
  // A reader that took the whole gigabyte would have held it.
  struct rusage usage {};
  ASSERT_EQ(::getrusage(RUSAGE_SELF, &usage), 0);
  EXPECT_LT(usage.ru_maxrss, 512L * 1024) << "peak kB";
}

TEST_F(LoadPictureTest, MessagesNameThePathTheUserKnows) {
  try {
    LoadPictureFile(picture_, path("gone.jpg"), "C:\\Records\\gone.jpg");
    ADD_FAILURE() << "no error";
  } catch (const EFOpenError& e) {
    EXPECT_STREQ(e.what(), "Cannot open file C:\\Records\\gone.jpg");
  }
  EXPECT_EQ(PictureFileExtension("C:\\a.b\\SNAP"), "");
  EXPECT_EQ(PictureFileExtension("/a.b/snap.JPG"), "JPG");
}

TEST_F(LoadPictureTest, EmptyJpegFileLoadsAndFailsOnceAtTheFirstPaint) {
  writeFile(path("empty.jpg"), {});
  LoadPictureFile(picture_, path("empty.jpg"));
  EXPECT_NE(picture_.Graphic(), previous_);
  EXPECT_EQ(changes_, 1);
  EXPECT_THROW(picture_.prepare(), EJPEG);
  EXPECT_NO_THROW(picture_.prepare());
}

TEST_F(LoadPictureTest, GraphicChangesReachTheOwner) {
  auto* jpeg = dynamic_cast<TJPEGImage*>(picture_.Graphic());
  ASSERT_NE(jpeg, nullptr);
  jpeg->setPixelFormat(TJPEGPixelFormat::jf8Bit);
  EXPECT_EQ(changes_, 1);
}

TEST_F(LoadPictureTest, AssignSharesTheJpegBytes) {
  TPicture copy;
  copy.Assign(picture_);
  auto* original = dynamic_cast<TJPEGImage*>(picture_.Graphic());
  auto* copied = dynamic_cast<TJPEGImage*>(copy.Graphic());
  ASSERT_NE(copied, nullptr);
  EXPECT_NE(copied, original);
  EXPECT_EQ(copied->data().get(), original->data().get());
  // Loading into the original frees its graphic; the copy keeps the bytes.
  const std::weak_ptr<const std::vector<std::uint8_t>> bytes = original->data();
  LoadPictureFile(picture_, path("previous.jpg"));
  EXPECT_EQ(copied->width(), 16);
  EXPECT_EQ(bytes.use_count(), 1);
}

}  // namespace
}  // namespace vistrel
