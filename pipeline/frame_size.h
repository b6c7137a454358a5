// A frame size: width and height as unsigned 16-bit values. A value whose low
// 16 bits are 0 is stored as 1, so a size is never empty.
#pragma once

#include <cstdint>
#include <functional>

namespace vistrel {

class TVLSize {
 public:
  std::uint16_t Width() const { return width_; }
  std::uint16_t Height() const { return height_; }
  void SetWidth(std::int64_t value) { Store(width_, value); }
  void SetHeight(std::int64_t value) { Store(height_, value); }
  // Runs after every change.
  std::function<void()> onChange;

 private:
  void Store(std::uint16_t& field, std::int64_t value) {
    std::uint16_t stored = static_cast<std::uint16_t>(value & 0xFFFF);
    if (stored == 0) stored = 1;
    if (stored == field) return;
    field = stored;
    if (onChange) onChange();
  }
  std::uint16_t width_ = 50;
  std::uint16_t height_ = 50;
};

}  // namespace vistrel
