// VideoPlanes: one picture as the video encoders take it, planar Y, Cb, Cr
// with the colour at half resolution both ways (4:2:0, "I420"), in the video
// range (luma 16-235, colour 16-240; ITU-R BT.601 like the snapshots). Plane
// 0 is luma, width x height samples; planes 1 and 2 are Cb and Cr,
// ChromaWidth() x ChromaHeight() samples. Rows may be longer than the
// picture (Stride()); what lies past a row's end is not part of it.
//
// Immutable once made: the decoder builds it, then threads share it read-only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vistrel {

class VideoPlanes {
 public:
  // Planes for width x height with rows of the given strides (each at least
  // its plane's width), uninitialised. Strides of 0 mean "the plane's width".
  VideoPlanes(int width, int height, int lumaStride = 0, int chromaStride = 0, int lumaRows = 0,
              int chromaRows = 0);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int ChromaWidth() const { return (width_ + 1) / 2; }
  int ChromaHeight() const { return (height_ + 1) / 2; }
  // Plane 0, 1 or 2.
  int PlaneWidth(int plane) const { return plane == 0 ? width_ : ChromaWidth(); }
  int PlaneHeight(int plane) const { return plane == 0 ? height_ : ChromaHeight(); }
  int Stride(int plane) const { return stride_[plane]; }
  const std::uint8_t* Plane(int plane) const { return bytes_.get() + offset_[plane]; }
  std::uint8_t* Plane(int plane) { return bytes_.get() + offset_[plane]; }

  // Bytes of the picture packed as I420 (each plane's rows without gaps).
  std::size_t PackedSize() const;
  // Writes the picture packed as I420 into `target` (PackedSize() bytes).
  void CopyPackedTo(std::uint8_t* target) const;
  // A copy of the picture with rows of its planes' widths, to change while
  // this one stays as it is.
  std::unique_ptr<VideoPlanes> Copy() const;

 private:
  int width_;
  int height_;
  int stride_[3];
  std::size_t offset_[3];
  std::unique_ptr<std::uint8_t[]> bytes_;
};

}  // namespace vistrel
