#include "picture/video_planes.h"

#include <algorithm>

#include <libyuv/planar_functions.h>

namespace vistrel {

VideoPlanes::VideoPlanes(int width, int height, int lumaStride, int chromaStride, int lumaRows,
                         int chromaRows)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {
  stride_[0] = std::max(lumaStride, width_);
  stride_[1] = stride_[2] = std::max(chromaStride, ChromaWidth());
  const std::size_t lumaBytes =
      static_cast<std::size_t>(stride_[0]) * static_cast<std::size_t>(std::max(lumaRows, height_));
  const std::size_t chromaBytes = static_cast<std::size_t>(stride_[1]) *
                                  static_cast<std::size_t>(std::max(chromaRows, ChromaHeight()));
  offset_[0] = 0;
  offset_[1] = lumaBytes;
  offset_[2] = lumaBytes + chromaBytes;
  // Default-initialised: the decoder writes every sample. The slack at the
  // end is for readers with vector loads (the video scaler), which read a
  // little past the last sample of a plane.
  constexpr std::size_t kReadSlack = 64;
  bytes_.reset(new std::uint8_t[lumaBytes + 2 * chromaBytes + kReadSlack]);
}

std::size_t VideoPlanes::PackedSize() const {
  return static_cast<std::size_t>(width_) * height_ +
         2 * static_cast<std::size_t>(ChromaWidth()) * ChromaHeight();
}

void VideoPlanes::CopyPackedTo(std::uint8_t* target) const {
  for (int plane = 0; plane < 3; ++plane) {
    const int width = PlaneWidth(plane);
    libyuv::CopyPlane(Plane(plane), Stride(plane), target, width, width, PlaneHeight(plane));
    target += static_cast<std::size_t>(width) * PlaneHeight(plane);
  }
}

std::unique_ptr<VideoPlanes> VideoPlanes::Copy() const {
  auto copy = std::make_unique<VideoPlanes>(width_, height_);
  CopyPackedTo(copy->Plane(0));  // packed planes are its planes, back to back
  return copy;
}

}  // namespace vistrel
