// Reads recorded AVI files back with tools we did not write: ffprobe for the
// stream facts, ffmpeg for the decoded pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <QImage>

namespace vistrel::test {

struct AviFacts {
  std::string codecName;  // "mpeg4", "rawvideo"
  std::string codecTag;   // "XVID", "[0][0][0][0]"
  int width = 0;
  int height = 0;
  std::string frameRate;            // "5/1"
  int frames = -1;                  // decoded frame count (0 for a stream without frames)
  double duration = -1;             // seconds
  std::vector<double> packetTimes;  // presentation times of the packets, seconds
};

// nullopt when ffprobe rejects the file; `error` gets its message.
std::optional<AviFacts> ProbeAvi(const std::string& path, std::string* error = nullptr);

// Every frame decoded by ffmpeg, as RGB888 pictures of the given size.
std::vector<QImage> DecodeAvi(const std::string& path, int width, int height);

// Peak signal-to-noise ratio in dB over every sample (1000 when equal).
double Psnr(const QImage& a, const QImage& b);

}  // namespace vistrel::test
