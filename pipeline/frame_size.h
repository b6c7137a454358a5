// A frame size: width and height as unsigned 16-bit values. A value whose low
// 16 bits are 0 is stored as 1, so a size is never empty.
#pragma once

#include <cstdint>

namespace vistrel {

class TVLSize {
 public:
  std::uint16_t Width() const { return width_; }
  std::uint16_t Height() const { return height_; }
  void SetWidth(std::int64_t value) { width_ = Stored(value); }
  void SetHeight(std::int64_t value) { height_ = Stored(value); }

 private:
  static std::uint16_t Stored(std::int64_t value) {
    const auto stored = static_cast<std::uint16_t>(value & 0xFFFF);
    return stored == 0 ? 1 : stored;
  }
  std::uint16_t width_ = 50;
  std::uint16_t height_ = 50;
};

}  // namespace vistrel
