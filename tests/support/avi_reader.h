// Reads AVI files back with tools we did not write: ffprobe for the stream
// facts, ffmpeg for the decoded pixels. Each call runs the tool to completion.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QImage>

namespace vistrel::test {

struct AviFacts {
  std::string formatName;  // "avi"
  std::string codecName;   // "mpeg4", "rawvideo", ...
  std::string codecTag;    // codec_tag_string: "XVID", "[0][0][0][0]"
  std::string pixelFormat;
  int width = 0;
  int height = 0;
  std::string frameRate;            // r_frame_rate, "5/1"
  int frames = -1;                  // decoded frame count (0 for a stream without frames)
  int headerFrames = -1;            // the stream's length as its header gives it
  double duration = -1;             // format duration in seconds
  int streams = 0;                  // streams in the file
  std::vector<double> packetTimes;  // presentation times of the packets, seconds
};

// nullopt when ffprobe rejects the file; `error` gets its message.
std::optional<AviFacts> probeAvi(const std::string& path, std::string* error = nullptr);

// The decoded frames of the first video stream as one block of raw bytes in
// ffmpeg's `pixelFormat` ("yuyv422", "rgb24", ...).
std::vector<std::uint8_t> decodeAviRaw(const std::string& path, const std::string& pixelFormat);

// Every frame decoded by ffmpeg, as top-down pictures of the given size;
// `format` is QImage::Format_RGB888 or QImage::Format_BGR888.
std::vector<QImage> decodeAvi(const std::string& path, int width, int height,
                              QImage::Format format = QImage::Format_RGB888);

// Peak signal-to-noise ratio in dB over every sample (infinity when equal,
// 0 when the sizes differ).
double psnr(const QImage& a, const QImage& b);

// The picture file (a JPEG snapshot) as ffmpeg turns it into the video's
// 4:2:0 video-range planes at width x height (I420 bytes; empty on failure).
std::vector<std::uint8_t> referenceI420(const std::string& picturePath, int width, int height);
// PSNR in dB of each plane (Y, U, V) of the I420 frame `index` of `frames`
// against the I420 picture `reference`, both width x height.
std::array<double, 3> planePsnr(const std::vector<std::uint8_t>& frames, std::size_t index,
                                const std::vector<std::uint8_t>& reference, int width, int height);

}  // namespace vistrel::test
