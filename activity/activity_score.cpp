#include "activity/activity_score.h"

#include <algorithm>

namespace vistrel::activity {
namespace {

// The darkest and brightest value in each pixel's 3 × 3 neighbourhood
// (edges repeated), separably.
void neighbourhoodRange(const LumaGrid& grid, LumaGrid& low, LumaGrid& high) {
  LumaGrid rowLow;
  LumaGrid rowHigh;
  for (int y = 0; y < kGridHeight; ++y) {
    const std::uint8_t* in = &grid[y * kGridWidth];
    std::uint8_t* outLow = &rowLow[y * kGridWidth];
    std::uint8_t* outHigh = &rowHigh[y * kGridWidth];
    outLow[0] = std::min(in[0], in[1]);
    outHigh[0] = std::max(in[0], in[1]);
    for (int x = 1; x < kGridWidth - 1; ++x) {
      outLow[x] = std::min(std::min(in[x - 1], in[x]), in[x + 1]);
      outHigh[x] = std::max(std::max(in[x - 1], in[x]), in[x + 1]);
    }
    const int last = kGridWidth - 1;
    outLow[last] = std::min(in[last - 1], in[last]);
    outHigh[last] = std::max(in[last - 1], in[last]);
  }
  for (int y = 0; y < kGridHeight; ++y) {
    const int up = std::max(y - 1, 0) * kGridWidth;
    const int mid = y * kGridWidth;
    const int down = std::min(y + 1, kGridHeight - 1) * kGridWidth;
    for (int x = 0; x < kGridWidth; ++x) {
      low[mid + x] = std::min(std::min(rowLow[up + x], rowLow[mid + x]), rowLow[down + x]);
      high[mid + x] = std::max(std::max(rowHigh[up + x], rowHigh[mid + x]), rowHigh[down + x]);
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
    const bool darker = value < int(low[i]) * 16 - limitSixteenths;
    const bool brighter = value > int(high[i]) * 16 + limitSixteenths;
    changed += int(darker) + int(brighter);
  }
  return double(changed) / kGridPixels;
}

}  // namespace vistrel::activity
