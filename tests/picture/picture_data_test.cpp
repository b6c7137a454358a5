// The stored form of a picture (the window layout's start picture).

#include <gtest/gtest.h>

#include "picture/errors.h"
#include "picture/jpeg_image.h"
#include "picture/picture_data.h"
#include "sample_jpegs.h"

namespace vistrel {
namespace {

std::vector<std::uint8_t> Stored(const std::string& className,
                                 const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint8_t> stored;
  stored.push_back(static_cast<std::uint8_t>(className.size()));
  for (const char c : className) stored.push_back(static_cast<std::uint8_t>(c));
  const auto count = static_cast<std::uint32_t>(bytes.size());
  for (int shift = 0; shift < 32; shift += 8) stored.push_back(std::uint8_t(count >> shift));
  stored.insert(stored.end(), bytes.begin(), bytes.end());
  return stored;
}

class PictureDataTest : public ::testing::Test {
 protected:
  void SetUp() override { TJPEGImage::setScreenBitsPerPixel(24); }
  const std::vector<std::uint8_t> jpeg_ = testing::encodeJpeg(testing::blockPattern(40, 24));
};

TEST_F(PictureDataTest, JpegRoundTrips) {
  TPicture picture;
  ReadPictureData(picture, Stored("TJPEGImage", jpeg_));
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_STREQ(picture.Graphic()->className(), "TJPEGImage");
  EXPECT_EQ(picture.width(), 40);
  EXPECT_EQ(picture.height(), 24);
  EXPECT_EQ(WritePictureData(picture), Stored("TJPEGImage", jpeg_));
}

TEST_F(PictureDataTest, UnregisteredClassLeavesThePictureEmpty) {
  TPicture picture;
  ReadPictureData(picture, Stored("TJPEGImage", jpeg_));
  for (const char* name : {"TPngImage", "TJpegImage", "TJPEGImage2"}) {
    SCOPED_TRACE(name);
    ReadPictureData(picture, Stored(name, jpeg_));
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_TRUE(WritePictureData(picture).empty());
    ReadPictureData(picture, Stored("TJPEGImage", jpeg_));
  }
}

TEST_F(PictureDataTest, DamagedDataKeepsThePicture) {
  TPicture picture;
  ReadPictureData(picture, Stored("TJPEGImage", jpeg_));
  const TGraphic* before = picture.Graphic();

  std::vector<std::uint8_t> shortData = Stored("TJPEGImage", jpeg_);
  shortData.pop_back();
  EXPECT_THROW(ReadPictureData(picture, shortData), EReadError);
  EXPECT_THROW(ReadPictureData(picture, std::vector<std::uint8_t>{10, 'T', 'J'}), EReadError);
  EXPECT_THROW(ReadPictureData(picture, Stored("TJPEGImage", {1, 2, 3})), EJPEG);
  EXPECT_EQ(picture.Graphic(), before);
}

}  // namespace
}  // namespace vistrel
