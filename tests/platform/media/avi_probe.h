// The shared AVI reader in the media tests' terms: frames as Picture, names
// as the media tests use them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "avi_reader.h"
#include "test_source_filter.h"

namespace vistrel::media::test {

using ProbeResult = vistrel::test::AviFacts;

// nullopt when ffprobe rejects the file; `error` gets its message.
inline std::optional<ProbeResult> probe(const std::string& path, std::string* error = nullptr) {
  return vistrel::test::probeAvi(path, error);
}

// Every frame of the file's first video stream decoded to top-down pixels
// in the pipeline's byte order (B, G, R; rows as Picture::rowBytes).
std::vector<Picture> decodeFrames(const std::string& path, int width, int height);

// The decoded frames as one block of raw bytes in `pixelFormat` ("yuyv422").
inline std::vector<std::uint8_t> decodeRaw(const std::string& path,
                                           const std::string& pixelFormat) {
  return vistrel::test::decodeAviRaw(path, pixelFormat);
}

// Peak signal-to-noise ratio in dB over all samples (infinity when equal).
double psnr(const Picture& a, const Picture& b);

}  // namespace vistrel::media::test
