#include "activity/activity_score.h"

#include <algorithm>

namespace vistrel::activity {
namespace {

std::uint8_t lowest(std::uint8_t a, std::uint8_t b) { return a < b ? a : b; }
std::uint8_t highest(std::uint8_t a, std::uint8_t b) { return a > b ? a : b; }

// The darkest and brightest value in each pixel's 3 × 3 neighbourhood
// (edges repeated), separably. Plain loops over whole rows, which the
// compiler turns into vector code.
void neighbourhoodRange(const LumaGrid& grid, LumaGrid& low, LumaGrid& high) {
  LumaGrid rowLow;
  LumaGrid rowHigh;
  for (int y = 0; y < kGridHeight; ++y) {
    const std::uint8_t* __restrict in = &grid[gridRow(y)];
    std::uint8_t* __restrict outLow = &rowLow[gridRow(y)];
    std::uint8_t* __restrict outHigh = &rowHigh[gridRow(y)];
    const int last = kGridWidth - 1;
    outLow[0] = lowest(in[0], in[1]);
    outHigh[0] = highest(in[0], in[1]);
    for (int x = 1; x < last; ++x) {
      outLow[x] = lowest(lowest(in[x - 1], in[x]), in[x + 1]);
      outHigh[x] = highest(highest(in[x - 1], in[x]), in[x + 1]);
    }
    outLow[last] = lowest(in[last - 1], in[last]);
    outHigh[last] = highest(in[last - 1], in[last]);
  }
  for (int y = 0; y < kGridHeight; ++y) {
    const std::uint8_t* __restrict up = &rowLow[gridRow(std::max(y - 1, 0))];
    const std::uint8_t* __restrict mid = &rowLow[gridRow(y)];
    const std::uint8_t* __restrict down = &rowLow[gridRow(std::min(y + 1, kGridHeight - 1))];
    const std::uint8_t* __restrict upHigh = &rowHigh[gridRow(std::max(y - 1, 0))];
    const std::uint8_t* __restrict midHigh = &rowHigh[gridRow(y)];
    const std::uint8_t* __restrict downHigh = &rowHigh[gridRow(std::min(y + 1, kGridHeight - 1))];
    std::uint8_t* __restrict outLow = &low[gridRow(y)];
    std::uint8_t* __restrict outHigh = &high[gridRow(y)];
    for (int x = 0; x < kGridWidth; ++x) {
      outLow[x] = lowest(lowest(up[x], mid[x]), down[x]);
      outHigh[x] = highest(highest(upHigh[x], midHigh[x]), downHigh[x]);
    }
  }
}

}  // namespace

double activityScore(const LumaGrid& before, const LumaGrid& after) {
  int total = 0;
  for (int i = 0; i < kGridPixels; ++i) total += int(after[i]) - int(before[i]);
  // In sixteenths of a level, so the mean keeps its fraction.
  const int meanSixteenths = total * 16 / kGridPixels;
  const int limitSixteenths = kChangedLevels * 16;
  LumaGrid low;
  LumaGrid high;
  neighbourhoodRange(before, low, high);
  int changed = 0;
  for (int i = 0; i < kGridPixels; ++i) {
    const int value = int(after[i]) * 16 - meanSixteenths;
    const int darker = value < int(low[i]) * 16 - limitSixteenths ? 1 : 0;
    const int brighter = value > int(high[i]) * 16 + limitSixteenths ? 1 : 0;
    changed += darker + brighter;
  }
  return double(changed) / kGridPixels;
}

}  // namespace vistrel::activity
