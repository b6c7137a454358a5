// Full range (JPEG: every sample 0-255) to video range (luma 16-235, colour
// 16-240), in place, rounded exactly as libswscale rounds it, so that our
// frames match what FFmpeg makes of the same snapshot. Its 15-bit steps
// (luma (v * 14071 + 33561947) >> 14, colour (v * 1799 + 4081085) >> 11 on
// v << 7, rounded on output) give, for every 8-bit value v, exactly
//   luma:   (v * 1759 + 33775) >> 11
//   colour: (v * 1799 + 32910) >> 11
//
// Each function maps `width` samples of `height` rows, `stride` bytes apart
// (stride >= width); bytes past a row's end are left alone. SIMD where the
// target has it (SSE2 on x86-64), the formula above elsewhere, same result.
//
// Thread: reentrant.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vistrel {

void LumaToVideoRange(std::uint8_t* first, std::size_t stride, int width, int height);
void ChromaToVideoRange(std::uint8_t* first, std::size_t stride, int width, int height);

}  // namespace vistrel
