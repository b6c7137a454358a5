// The 1/8-scale luma picture of a JPEG snapshot (one pixel per 8 × 8 luma
// block), by two decoders that must agree pixel for pixel:
// - decodeEighthLumaLibjpeg(): libjpeg at scale 1/8, gray output. It
//   decodes every coefficient of every block of every component, and is the
//   reference for what a snapshot looks like and for every problem text.
// - decodeEighthLumaDc(): our own walk through the entropy-coded scan of the
//   common kind of snapshot (sequential, Huffman, 8-bit, one scan with all
//   components). It keeps only the luma DC terms; the AC codes and the
//   chroma blocks are stepped over without storing anything. It declines
//   anything else and any damage, so that libjpeg decides what such a file
//   gives.
//
// Used by luma_thumbnail.cpp; declared here so the tests and the fuzzer can
// hold the two side by side.
//
// Thread: both are reentrant (the fast decoder keeps a per-thread cache of
// its Huffman lookup tables).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vistrel::activity {

struct EighthLuma {
  int width = 0;                     // ceil(picture width / 8)
  int height = 0;                    // ceil(picture height / 8)
  std::vector<std::uint8_t> pixels;  // width × height, row after row
};

// Fills `out` and returns true, or returns false (with `out` in any state)
// when the file is not of the kind it handles, is damaged in any way, or is
// above the loader's pixel limit.
bool decodeEighthLumaDc(const std::uint8_t* data, std::size_t size, EighthLuma* out);

// libjpeg's 1/8-scale gray decode. Returns 0, libjpeg's message code of a
// fatal error, or -1 for a picture above the loader's pixel limit. `damage`
// receives libjpeg's text of the first warning that the scan data is cut
// short or corrupt (empty when none); the pixels are then libjpeg's padded
// guess.
int decodeEighthLumaLibjpeg(const std::uint8_t* data, std::size_t size, EighthLuma* out,
                            std::string* damage);

}  // namespace vistrel::activity
