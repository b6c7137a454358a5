// A push source for the tests: one output pin "VideoOutput" offering RGB24
// bottom-up frames of a set size, fed frame by frame on the caller's thread.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/media/filter_graph.h"

namespace vistrel::media::test {

// A top-down picture in the pipeline's layout: B, G, R bytes, rows
// 3 × (width rounded up to 4) bytes apart.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;

  static int rowBytes(int width) { return 3 * ((width + 3) / 4 * 4); }
  std::uint8_t* pixel(int x, int y) { return &pixels[y * rowBytes(width) + 3 * x]; }
  const std::uint8_t* pixel(int x, int y) const { return &pixels[y * rowBytes(width) + 3 * x]; }
};

// A moving pattern (gradients, grain and a bright block) that differs per
// frame, so that row order, skew, frame order and lost detail all show.
Picture makePicture(int width, int height, int frameIndex);

class TestSource final : public BaseFilter {
 public:
  // `subType`: MEDIASUBTYPE_RGB24 or MEDIASUBTYPE_YUY2.
  TestSource(int width, int height, const Guid& subType = MEDIASUBTYPE_RGB24);
  ~TestSource() override;

  // Copies `picture` into a sample bottom-up and delivers it; times are set
  // (with the sync-point mark) unless both are 0.
  Status deliver(const Picture& picture, ReferenceTime start, ReferenceTime stop);
  // Delivers `bytes` as they are (YUY2 frames).
  Status deliverRaw(const std::vector<std::uint8_t>& bytes, ReferenceTime start,
                    ReferenceTime stop);
  Pin* output() const { return output_.get(); }

 protected:
  bool outputType(MediaType* type) const override {
    *type = type_;
    return true;
  }
  std::int32_t outputBufferSize() const override {
    return static_cast<std::int32_t>(type_.sampleSize);
  }

 private:
  const MediaType type_;
};

}  // namespace vistrel::media::test
