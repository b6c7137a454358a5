// Differential fuzzing of the DC-only scan decoder: on any bytes it either
// declines or gives exactly libjpeg's 1/8-scale gray pixels, and libjpeg
// then finds the file undamaged. Memory errors and undefined behaviour in
// its reading of untrusted bytes are caught by the sanitizers.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "activity/eighth_luma.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vistrel::activity::EighthLuma ours;
  if (!vistrel::activity::decodeEighthLumaDc(data, size, &ours)) return 0;
  vistrel::activity::EighthLuma reference;
  std::string damage;
  const int code = vistrel::activity::decodeEighthLumaLibjpeg(data, size, &reference, &damage);
  if (code != 0 || !damage.empty()) {
    std::fprintf(stderr, "taken, but libjpeg says code %d, damage \"%s\"\n", code, damage.c_str());
    std::abort();
  }
  if (ours.width != reference.width || ours.height != reference.height ||
      ours.pixels != reference.pixels) {
    std::fprintf(stderr, "pixels differ from libjpeg's (%d x %d against %d x %d)\n", ours.width,
                 ours.height, reference.width, reference.height);
    std::abort();
  }
  return 0;
}
