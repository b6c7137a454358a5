// The slide show's timer interval for a preview rate in snapshots per second:
// 1000 / rate in double precision, rounded to the nearest integer with ties
// to the even neighbour (16 gives 62, 30 gives 33).
#pragma once

namespace vistrel::app {

// Throws vistrel::Exception "Floating point division by zero" for rate 0.
// A negative rate gives a negative interval, which callers must not use.
int previewIntervalMs(int rate);

}  // namespace vistrel::app
