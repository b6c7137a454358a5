// Reads AVI files back with tools we did not write: ffprobe for the stream
// facts, ffmpeg for the decoded pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "test_source_filter.h"

namespace vistrel::media::test {

struct ProbeResult {
  std::string formatName;  // "avi"
  std::string codecName;   // "mpeg4", "rawvideo", ...
  std::string codecTag;    // codec_tag_string: "XVID", "[0][0][0][0]"
  std::string pixelFormat;
  int width = 0;
  int height = 0;
  std::string frameRate;  // r_frame_rate, "5/1"
  int frames = -1;        // nb_read_frames (decoded count)
  double duration = -1;   // format duration in seconds
  int streams = 0;
};

// nullopt when ffprobe rejects the file; `error` gets its message.
std::optional<ProbeResult> probe(const std::string& path, std::string* error = nullptr);

// Every frame of the file's first video stream decoded to top-down pixels
// in the pipeline's byte order (B, G, R; rows as Picture::rowBytes).
std::vector<Picture> decodeFrames(const std::string& path, int width, int height);

// The decoded frames as one block of raw bytes in `pixelFormat` ("yuyv422").
std::vector<std::uint8_t> decodeRaw(const std::string& path, const std::string& pixelFormat);

// Peak signal-to-noise ratio in dB over all samples (infinity when equal).
double psnr(const Picture& a, const Picture& b);

}  // namespace vistrel::media::test
