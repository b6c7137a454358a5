#include "pipeline/image_buffer.h"

#include <algorithm>
#include <cstring>

#include <libyuv/convert_argb.h>
#include <libyuv/convert_from_argb.h>
#include <libyuv/planar_functions.h>

#include "pipeline/errors.h"

namespace vistrel {

namespace {

TVLSmartImageBuffer* NewBlock(int width, int height, std::uint8_t format) {
  if (format != 0) throw EOWException("Unsupported image format " + std::to_string(format));
  auto* block = TVLSmartRGBBuffer::Create(width, height);
  block->AddHolder(true);
  return block;
}

}  // namespace

TVLImageBuffer::TVLImageBuffer() : block_(NewBlock(0, 0, 0)) {}

TVLImageBuffer::TVLImageBuffer(int width, int height, std::uint8_t format)
    : block_(NewBlock(width, height, format)), format_(format) {}

TVLImageBuffer::~TVLImageBuffer() { block_->ReleaseHolder(isOwner_); }

std::shared_ptr<TVLImageBuffer> TVLImageBuffer::Clone() const {
  auto clone = std::make_shared<TVLImageBuffer>();
  clone->Assign(*this);
  return clone;
}

void TVLImageBuffer::Replace(TVLSmartImageBuffer* block) {
  block_->ReleaseHolder(isOwner_);
  block_ = block;
  isOwner_ = true;
}

void TVLImageBuffer::Assign(const TVLImageBuffer& source) {
  if (source.block_ != block_) {
    source.block_->AddHolder(true);
    Replace(source.block_);
  }
  format_ = source.format_;
}

bool TVLImageBuffer::MakeUnique(bool keepContents) {
  if (block_->OwnerCount() < 2) return false;
  TVLSmartImageBuffer* fresh = NewBlock(Width(), Height(), format_);
  if (keepContents && block_->DataSize() > 0) {
    std::memcpy(fresh->Data(), block_->Data(), block_->DataSize());
  }
  fresh->sequenceStamp = block_->sequenceStamp;
  fresh->timeStamp = block_->timeStamp;
  Replace(fresh);
  return true;
}

std::uint8_t* TVLImageBuffer::GetWrite() {
  MakeUnique(false);
  block_->DropPendingFill();  // all of it is about to be written
  block_->planes.reset();
  return block_->Data();
}

std::uint8_t* TVLImageBuffer::GetModify() {
  MakeUnique(true);
  std::uint8_t* data = block_->Data();
  block_->planes.reset();
  return data;
}

void TVLImageBuffer::SetSequenceStamp(const TSLSequenceStamp& stamp) {
  MakeUnique(true);
  block_->sequenceStamp = stamp;
}

void TVLImageBuffer::SetTimeStamp(const TMLTimeStamp& stamp) {
  MakeUnique(true);
  block_->timeStamp = stamp;
}

void TVLImageBuffer::CopyTo(std::size_t offset, TVLImageBuffer& other, std::size_t count,
                            std::size_t otherOffset) const {
  if (offset > ByteSize() || count > ByteSize() - offset || otherOffset > other.ByteSize() ||
      count > other.ByteSize() - otherOffset) {
    throw EOWException("Buffer copy out of range");
  }
  if (count == 0) return;
  std::uint8_t* target = other.GetModify();
  std::memmove(target + otherOffset, GetRead() + offset, count);
}

void TVLImageBuffer::SetFormat(std::uint8_t format) {
  if (format != 0) throw EOWException("Unsupported image format " + std::to_string(format));
  format_ = format;
}

void TVLImageBuffer::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == Width() && height == Height()) return;
  TVLSmartImageBuffer* fresh = NewBlock(width, height, format_);
  fresh->timeStamp = block_->timeStamp;
  Replace(fresh);
}

namespace {

// Fetches the pixels of `bitmap` into blue-green-red rows `pitch` bytes apart
// (negative: upwards from `target`), the whole picture in one SIMD pass.
// Converting here keeps the work on the calling thread.
void StoreBitmap(const QImage& bitmap, std::uint8_t* target, std::ptrdiff_t pitch) {
  const int width = bitmap.width();
  const int height = bitmap.height();
  const int step = static_cast<int>(pitch);
  switch (bitmap.format()) {
    case QImage::Format_BGR888:
      libyuv::CopyPlane(bitmap.constBits(), static_cast<int>(bitmap.bytesPerLine()), target, step,
                        width * 3, height);
      return;
    case QImage::Format_RGB888:  // the decoded JPEGs
      libyuv::RAWToRGB24(bitmap.constBits(), static_cast<int>(bitmap.bytesPerLine()), target, step,
                         width, height);
      return;
    default: {
      const bool argb =
          bitmap.format() == QImage::Format_RGB32 || bitmap.format() == QImage::Format_ARGB32;
      const QImage rows = argb ? bitmap : bitmap.convertToFormat(QImage::Format_RGB32);
      libyuv::ARGBToRGB24(rows.constBits(), static_cast<int>(rows.bytesPerLine()), target, step,
                          width, height);
    }
  }
}

}  // namespace

void TVLImageBuffer::LoadFromBitmap(const QImage& bitmap) {
  if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0) return;
  SetSize(bitmap.width(), bitmap.height());
  StoreBitmap(bitmap, GetWrite(), RowPitch());
}

void TVLImageBuffer::LoadFromBitmapLater(const QImage& bitmap) {
  if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0) return;
  SetSize(bitmap.width(), bitmap.height());
  MakeUnique(false);  // a frame already sent keeps its block and its pixels
  block_->planes.reset();
  block_->SetPendingFill(
      [bitmap](std::uint8_t* target, std::ptrdiff_t step) { StoreBitmap(bitmap, target, step); },
      RowPitch());
}

void TVLImageBuffer::LoadFromPlanesLater(const std::shared_ptr<const VideoPlanes>& planes) {
  if (!planes || planes->Width() <= 0 || planes->Height() <= 0) return;
  SetSize(planes->Width(), planes->Height());
  MakeUnique(false);  // a frame already sent keeps its block and its pixels
  block_->planes = planes;
  block_->SetPendingFill(
      [planes](std::uint8_t* target, std::ptrdiff_t step) {
        // libyuv's "RGB24" is blue-green-red in memory, BT.601 video range.
        libyuv::I420ToRGB24(planes->Plane(0), planes->Stride(0), planes->Plane(1),
                            planes->Stride(1), planes->Plane(2), planes->Stride(2), target,
                            static_cast<int>(step), planes->Width(), planes->Height());
      },
      RowPitch());
}

void TVLImageBuffer::CopyRowsTo(std::uint8_t* firstRow, std::ptrdiff_t step) const {
  if (block_->RunPendingFillInto(firstRow, step)) return;
  libyuv::CopyPlane(GetRead(), RowPitch(), firstRow, static_cast<int>(step), Width() * 3, Height());
}

void TVLImageBuffer::SaveToBitmap(QImage& bitmap) const {
  if (Width() == 0 || Height() == 0) {
    bitmap = QImage();
    return;
  }
  bitmap = QImage(Width(), Height(), QImage::Format_BGR888);
  libyuv::CopyPlane(GetRead(), RowPitch(), bitmap.bits(), static_cast<int>(bitmap.bytesPerLine()),
                    Width() * 3, Height());
}

std::size_t TVLImageBuffer::PixelOffset(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) {
    throw EOWException("Pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                       ") outside the image");
  }
  return (static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * RowStep()) * 3;
}

std::uint32_t TVLImageBuffer::Pixel(int x, int y) const {
  const std::uint8_t* pixel = GetRead() + PixelOffset(x, y);
  return pixel[2] | (pixel[1] << 8) | (pixel[0] << 16);
}

void TVLImageBuffer::SetPixel(int x, int y, std::uint32_t colour) {
  const std::size_t offset = PixelOffset(x, y);
  std::uint8_t* pixel = GetModify() + offset;
  pixel[0] = (colour >> 16) & 0xFF;
  pixel[1] = (colour >> 8) & 0xFF;
  pixel[2] = colour & 0xFF;
}

void TVLImageBuffer::SetChannel(int x, int y, int byte, std::uint8_t value) {
  const std::size_t offset = PixelOffset(x, y) + byte;  // checked before the copy-on-write
  GetModify()[offset] = value;
}

void TVLImageBuffer::Fill(std::uint32_t colour) {
  std::uint8_t* data = GetWrite();
  const std::uint8_t bgr[3] = {static_cast<std::uint8_t>((colour >> 16) & 0xFF),
                               static_cast<std::uint8_t>((colour >> 8) & 0xFF),
                               static_cast<std::uint8_t>(colour & 0xFF)};
  for (int y = 0; y < Height(); ++y) {
    std::uint8_t* row = data + static_cast<std::size_t>(y) * RowPitch();
    for (int x = 0; x < Width(); ++x) std::memcpy(row + std::ptrdiff_t{x} * 3, bgr, 3);
  }
}

}  // namespace vistrel
