#include "picture/video_range.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vistrel {
namespace {

// Both formulas are 16 + ((v * factor + rest) >> 11) with rest < 2048: the
// 16 taken out of the offset keeps `rest` within a signed 16-bit lane.
constexpr int kLumaFactor = 1759;
constexpr int kLumaRest = 33775 - 16 * 2048;
constexpr int kChromaFactor = 1799;
constexpr int kChromaRest = 32910 - 16 * 2048;

void MapScalar(std::uint8_t* row, int from, int width, int factor, int rest) {
  for (int x = from; x < width; ++x)
    row[x] = static_cast<std::uint8_t>(16 + ((row[x] * factor + rest) >> 11));
}

#if defined(__SSE2__)
// Eight 16-bit samples `v`, each paired with a 1 and multiplied-added with
// (factor, rest): v * factor + rest in 32 bits, then >> 11.
inline __m128i MapHalf(__m128i v, __m128i ones, __m128i factors) {
  const __m128i low = _mm_madd_epi16(_mm_unpacklo_epi16(v, ones), factors);
  const __m128i high = _mm_madd_epi16(_mm_unpackhi_epi16(v, ones), factors);
  // At most 224: the signed pack cannot saturate.
  return _mm_packs_epi32(_mm_srli_epi32(low, 11), _mm_srli_epi32(high, 11));
}

void MapRow(std::uint8_t* row, int width, int factor, int rest) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i ones = _mm_set1_epi16(1);
  const __m128i factors = _mm_set1_epi32((rest << 16) | factor);
  const __m128i sixteen = _mm_set1_epi8(16);
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    auto* at = reinterpret_cast<__m128i*>(row + x);
    const __m128i v = _mm_loadu_si128(at);
    const __m128i low = MapHalf(_mm_unpacklo_epi8(v, zero), ones, factors);
    const __m128i high = MapHalf(_mm_unpackhi_epi8(v, zero), ones, factors);
    _mm_storeu_si128(at, _mm_add_epi8(_mm_packus_epi16(low, high), sixteen));
  }
  MapScalar(row, x, width, factor, rest);
}
#else
void MapRow(std::uint8_t* row, int width, int factor, int rest) {
  MapScalar(row, 0, width, factor, rest);
}
#endif

void MapRows(std::uint8_t* first, std::size_t stride, int width, int height, int factor, int rest) {
  for (int y = 0; y < height; ++y) MapRow(first + stride * y, width, factor, rest);
}

}  // namespace

void LumaToVideoRange(std::uint8_t* first, std::size_t stride, int width, int height) {
  MapRows(first, stride, width, height, kLumaFactor, kLumaRest);
}

void ChromaToVideoRange(std::uint8_t* first, std::size_t stride, int width, int height) {
  MapRows(first, stride, width, height, kChromaFactor, kChromaRest);
}

}  // namespace vistrel
