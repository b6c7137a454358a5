#include "app/preview_interval.h"

#include <cfenv>
#include <cmath>

#include "platform/exception.h"

namespace vistrel::app {

int previewIntervalMs(int rate) {
  if (rate == 0) throw Exception("Floating point division by zero");
  const int savedRounding = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double interval = std::nearbyint(1000.0 / static_cast<double>(rate));
  std::fesetround(savedRounding);
  return static_cast<int>(interval);
}

}  // namespace vistrel::app
