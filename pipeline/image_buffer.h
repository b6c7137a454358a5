// TVLImageBuffer: one video frame. Several buffer objects may share one data
// block; a buffer about to be written gets a block of its own first when
// another owner shares it (copy-on-write). Only RGB24 (format code 0) is
// built; its layout is fixed in smart_buffer.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include <QImage>
#include <QSize>

#include "pipeline/data_buffer.h"

namespace vistrel {

class TVLImageBuffer : public TMLMediaBuffer {
 public:
  // An RGB buffer with a 0 x 0 block (no pixel memory).
  TVLImageBuffer();
  // A new block of the size; format 0 (RGB24) is the only one supported,
  // others throw EOWException.
  TVLImageBuffer(int width, int height, std::uint8_t format = 0);
  ~TVLImageBuffer() override;
  TVLImageBuffer(const TVLImageBuffer&) = delete;
  TVLImageBuffer& operator=(const TVLImageBuffer&) = delete;

  // A new buffer object sharing this one's block.
  std::shared_ptr<TVLImageBuffer> Clone() const;
  // Shares the source's block (as an owner) and takes its format.
  void Assign(const TVLImageBuffer& source);

  const std::uint8_t* GetRead() const override { return block_->Data(); }
  std::uint8_t* GetWrite() override;
  std::uint8_t* GetModify() override;
  std::size_t ByteSize() const override { return block_->DataSize(); }
  TSLSequenceStamp SequenceStamp() const override { return block_->sequenceStamp; }
  void SetSequenceStamp(const TSLSequenceStamp& stamp) override;
  TMLTimeStamp TimeStamp() const override { return block_->timeStamp; }
  void SetTimeStamp(const TMLTimeStamp& stamp) override;

  // Gives this object a block of its own when another owner shares the
  // current one; returns whether it did. Contents are copied when asked.
  bool MakeUnique(bool keepContents);
  // Copies `count` bytes from this buffer at `offset` into `other` at
  // `otherOffset` (which is made unique first). Throws when out of range.
  void CopyTo(std::size_t offset, TVLImageBuffer& other, std::size_t count,
              std::size_t otherOffset) const;

  // Makes the buffer the bitmap's size and fetches its pixels (an empty
  // bitmap changes nothing).
  void LoadFromBitmap(const QImage& bitmap);
  // As LoadFromBitmap, but the pixels are fetched by the first reader of the
  // block, on its thread; until then the block keeps the bitmap (implicitly
  // shared, no pixel copied here).
  void LoadFromBitmapLater(const QImage& bitmap);
  // As LoadFromBitmapLater for a picture held as video planes: the frame
  // carries `planes` on (Planes()) for a recorder that takes them as they
  // are, and a reader of its RGB pixels gets them converted on its thread.
  void LoadFromPlanesLater(const std::shared_ptr<const VideoPlanes>& planes);
  // The planes the pixels were loaded from; null when they came from
  // elsewhere or were written since.
  const std::shared_ptr<const VideoPlanes>& Planes() const { return block_->planes; }
  // Writes the pixels, blue-green-red, row after row `step` bytes apart
  // (negative: upwards) from `firstRow`; a late load goes there straight
  // from its bitmap, and the block stays as it is.
  void CopyRowsTo(std::uint8_t* firstRow, std::ptrdiff_t step) const;
  // Sets `bitmap` to width x height, 24-bit blue-green-red, with the pixels.
  void SaveToBitmap(QImage& bitmap) const;

  int Width() const { return block_->Width(); }
  int Height() const { return block_->Height(); }
  QSize Size() const { return {Width(), Height()}; }
  int RowStep() const { return block_->RowStep(); }
  int BytesPerPixel() const { return block_->BytesPerPixel(); }
  int RowPitch() const { return block_->RowPitch(); }
  std::uint8_t Format() const { return format_; }
  // Only 0 (RGB24) is supported; 0 on an RGB buffer does nothing.
  void SetFormat(std::uint8_t format);

  // Colour values carry red in the low byte, then green, then blue. Positions
  // outside the image throw EOWException.
  std::uint32_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, std::uint32_t colour);
  std::uint8_t Red(int x, int y) const { return Pixel(x, y) & 0xFF; }
  std::uint8_t Green(int x, int y) const { return (Pixel(x, y) >> 8) & 0xFF; }
  std::uint8_t Blue(int x, int y) const { return (Pixel(x, y) >> 16) & 0xFF; }
  void SetRed(int x, int y, std::uint8_t value) { SetChannel(x, y, 2, value); }
  void SetGreen(int x, int y, std::uint8_t value) { SetChannel(x, y, 1, value); }
  void SetBlue(int x, int y, std::uint8_t value) { SetChannel(x, y, 0, value); }

  // A new block of the new size (contents not kept) unless the size is the
  // current one; the time stamp carries over.
  void SetSize(int width, int height);
  void Fill(std::uint32_t colour);
  void Clear() { Fill(0); }

  // Inspection: the shared block's identity and counts.
  const void* BlockId() const { return block_; }
  int BlockOwnerCount() const { return block_->OwnerCount(); }

 private:
  // Takes `block` as owner and releases the current one.
  void Replace(TVLSmartImageBuffer* block);
  std::size_t PixelOffset(int x, int y) const;
  // Byte `byte` (0 blue, 1 green, 2 red) of the pixel.
  void SetChannel(int x, int y, int byte, std::uint8_t value);

  TVLSmartImageBuffer* block_;
  bool isOwner_ = true;
  std::uint8_t format_ = 0;
};

}  // namespace vistrel
