// The frame buffer: RGB24 layout, copy-on-write between buffers sharing a
// block, bitmap conversion both ways, and the size-keyed block pool.
#include <gtest/gtest.h>

#include <cstring>

#include <QColor>
#include <QImage>

#include "pipeline/buffer_pool.h"
#include "pipeline/errors.h"
#include "pipeline/image_buffer.h"

namespace vistrel {
namespace {

struct LayoutRow {
  int width;
  int height;
  int rowStep;
  int pitch;
  std::size_t size;
  friend void PrintTo(const LayoutRow& row, std::ostream* out) {
    *out << row.width << "x" << row.height;
  }
};

class BufferLayoutTest : public ::testing::TestWithParam<LayoutRow> {};

TEST_P(BufferLayoutTest, RowStepIsTheWidthRoundedUpToFourPixels) {
  const LayoutRow row = GetParam();
  TVLImageBuffer buffer(row.width, row.height);
  EXPECT_EQ(buffer.RowStep(), row.rowStep);
  EXPECT_EQ(buffer.RowPitch(), row.pitch);
  EXPECT_EQ(buffer.ByteSize(), row.size);
  EXPECT_EQ(buffer.BytesPerPixel(), 3);
  if (row.size > 0) {
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.GetRead()) % 32, 0u);
  } else {
    EXPECT_EQ(buffer.GetRead(), nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, BufferLayoutTest,
                         ::testing::Values(LayoutRow{5, 2, 8, 24, 48},
                                           LayoutRow{640, 480, 640, 1920, 921600},
                                           LayoutRow{641, 1, 644, 1932, 1932},
                                           LayoutRow{1, 1, 4, 12, 12}, LayoutRow{0, 0, 0, 0, 0}));

TEST(ImageBufferTest, PixelsAreBlueGreenRedTopRowFirst) {
  TVLImageBuffer buffer(5, 2);
  buffer.Clear();
  buffer.SetPixel(1, 1, 0x00332211);  // red 0x11, green 0x22, blue 0x33
  const std::uint8_t* at = buffer.GetRead() + (1 + 1 * 8) * 3;
  EXPECT_EQ(at[0], 0x33);
  EXPECT_EQ(at[1], 0x22);
  EXPECT_EQ(at[2], 0x11);
  EXPECT_EQ(buffer.Pixel(1, 1), 0x00332211u);
  EXPECT_EQ(buffer.Red(1, 1), 0x11);
  EXPECT_EQ(buffer.Blue(1, 1), 0x33);
  buffer.SetGreen(1, 1, 0x99);
  EXPECT_EQ(buffer.Pixel(1, 1), 0x00339911u);
  EXPECT_THROW(buffer.Pixel(5, 0), EOWException);
  EXPECT_THROW(buffer.SetPixel(0, -1, 0), EOWException);
}

TEST(ImageBufferTest, WritingASharedBlockGivesTheWriterItsOwnCopy) {
  TVLImageBuffer internal(4, 4);
  internal.Fill(0x0000FF);
  auto frame = std::make_shared<TVLImageBuffer>(4, 4);
  frame->Assign(internal);
  EXPECT_EQ(frame->BlockId(), internal.BlockId());
  EXPECT_EQ(internal.BlockOwnerCount(), 2);

  internal.Fill(0xFF0000);  // GetWrite moves the internal buffer away
  EXPECT_NE(frame->BlockId(), internal.BlockId());
  EXPECT_EQ(frame->Pixel(3, 3), 0x0000FFu);
  EXPECT_EQ(internal.Pixel(3, 3), 0xFF0000u);
  EXPECT_EQ(frame->BlockOwnerCount(), 1);
  EXPECT_FALSE(frame->MakeUnique(true));  // sole owner: nothing to do

  auto clone = frame->Clone();
  clone->SetRed(0, 0, 7);  // GetModify keeps the rest
  EXPECT_EQ(clone->Pixel(3, 3), 0x0000FFu);
  EXPECT_EQ(clone->Red(0, 0), 7);
  EXPECT_EQ(frame->Red(0, 0), 0xFF);
}

TEST(ImageBufferTest, SetSizeKeepsTheBlockWhenTheSizeIsUnchanged) {
  TVLImageBuffer buffer(3, 3);
  buffer.Fill(0x123456);
  const void* block = buffer.BlockId();
  buffer.SetTimeStamp({true, 10, 20});
  block = buffer.BlockId();
  buffer.SetSize(3, 3);
  EXPECT_EQ(buffer.BlockId(), block);
  EXPECT_EQ(buffer.Pixel(2, 2), 0x123456u);
  buffer.SetSize(6, 1);
  EXPECT_EQ(buffer.Width(), 6);
  EXPECT_TRUE(buffer.TimeStamp().valid);
  EXPECT_EQ(buffer.TimeStamp().end, 20);
}

QImage testPattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
  }
  return image;
}

TEST(ImageBufferTest, LoadFromBitmapKeepsRowsUprightAndUnskewed) {
  const QImage source = testPattern(641, 3);
  TVLImageBuffer buffer;
  buffer.LoadFromBitmap(source);
  ASSERT_EQ(buffer.Width(), 641);
  EXPECT_EQ(buffer.RowStep(), 644);
  for (int y = 0; y < 3; ++y) {
    for (int x : {0, 1, 320, 640}) {
      const QRgb expected = source.pixel(x, y);
      EXPECT_EQ(buffer.Red(x, y), qRed(expected)) << x << "," << y;
      EXPECT_EQ(buffer.Green(x, y), qGreen(expected)) << x << "," << y;
      EXPECT_EQ(buffer.Blue(x, y), qBlue(expected)) << x << "," << y;
    }
  }
  QImage back;
  buffer.SaveToBitmap(back);
  EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), source);
}

TEST(ImageBufferTest, ALateLoadGivesTheBitmapAsItWasToEveryReader) {
  const QImage source = testPattern(641, 3);
  QImage changing = source;
  TVLImageBuffer buffer;
  buffer.LoadFromBitmapLater(changing);
  changing.fill(Qt::white);  // after the hand-over: the buffer keeps the old pixels
  auto clone = buffer.Clone();
  clone->SetTimeStamp({true, 0, 20});  // a block of its own, with the pixels copied
  EXPECT_NE(clone->BlockId(), buffer.BlockId());
  for (const TVLImageBuffer* reader : {clone.get(), &buffer}) {
    QImage back;
    reader->SaveToBitmap(back);
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), source);
  }
  TVLImageBuffer overwritten;
  overwritten.LoadFromBitmapLater(source);
  overwritten.Fill(0xABCDEF);  // written whole: the late load is forgotten
  EXPECT_EQ(overwritten.Pixel(640, 2), 0xABCDEFu);
}

TEST(ImageBufferTest, AnEmptyBitmapLeavesTheBufferUnchanged) {
  TVLImageBuffer empty;
  empty.LoadFromBitmap(QImage());
  EXPECT_EQ(empty.Width(), 0);
  EXPECT_EQ(empty.GetRead(), nullptr);

  TVLImageBuffer filled(2, 2);
  filled.Fill(0xABCDEF);
  filled.LoadFromBitmap(QImage());
  EXPECT_EQ(filled.Pixel(1, 1), 0xABCDEFu);
  QImage saved;
  empty.SaveToBitmap(saved);
  EXPECT_TRUE(saved.isNull());
}

TEST(ImageBufferTest, OnlyRgbIsSupported) {
  TVLImageBuffer buffer(2, 2);
  EXPECT_NO_THROW(buffer.SetFormat(0));
  EXPECT_THROW(buffer.SetFormat(1), EOWException);
  EXPECT_THROW(TVLImageBuffer(2, 2, 2), EOWException);
}

TEST(ImageBufferTest, CopyToChecksItsRange) {
  TVLImageBuffer from(4, 1);
  from.Fill(0x010203);
  TVLImageBuffer to(4, 1);
  to.Clear();
  from.CopyTo(0, to, 3, 3);
  EXPECT_EQ(to.Pixel(1, 0), 0x010203u);
  EXPECT_EQ(to.Pixel(0, 0), 0u);
  EXPECT_THROW(from.CopyTo(10, to, 3, 0), EOWException);
  EXPECT_THROW(from.CopyTo(0, to, 3, 11), EOWException);
}

TEST(BufferPoolTest, BlocksAreReusedByExactSize) {
  auto& pool = TSLBufferPool::Instance();
  const std::size_t size = 7 * 13 * 3 + 1;  // a size no other test uses
  std::uint8_t* first = pool.Allocate(size);
  std::uint8_t* second = pool.Allocate(size);
  pool.Free(first, size);
  pool.Free(second, size);
  EXPECT_EQ(pool.FreeBlocks(size), 2u);
  EXPECT_EQ(pool.Allocate(size), second);  // the most recently returned first
  EXPECT_EQ(pool.FreeBlocks(size + 3), 0u);
  std::uint8_t* other = pool.Allocate(size + 3);
  EXPECT_NE(other, first);
  pool.Free(other, size + 3);
  EXPECT_EQ(pool.Allocate(size), first);
  pool.Free(first, size);
  pool.Free(second, size);
  EXPECT_EQ(pool.Allocate(0), nullptr);
}

TEST(BufferPoolTest, AStreamOfEqualFramesStopsTakingHeapMemory) {
  auto& pool = TSLBufferPool::Instance();
  { TVLImageBuffer warmUp(37, 11); }
  const std::size_t before = pool.HeapAllocations();
  for (int i = 0; i < 50; ++i) {
    TVLImageBuffer frame(37, 11);
    frame.Clear();
  }
  EXPECT_EQ(pool.HeapAllocations(), before);
}

}  // namespace
}  // namespace vistrel
