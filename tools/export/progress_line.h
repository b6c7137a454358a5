// The export's progress on stderr. On a terminal: one line rewritten in
// place ("frames 120/300  24.1 fps  0:07 left"), at most ten times a second.
// Elsewhere (a log file, a pipe): a plain line at every tenth of the way,
// without control characters.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

namespace vistrel::exporter {

class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;

  ProgressLine(std::FILE* out, bool terminal);

  // Snapshots the export passes over on purpose (--motion), said on every
  // line after the frames.
  void setLeftOut(std::size_t leftOut) { leftOut_ = leftOut; }

  void update(std::size_t done, std::size_t total);
  // Ends the line on a terminal, so that what follows starts on its own
  // (once; later calls do nothing until the next update).
  void finish();

  // "frames 120/300  24.1 fps  0:07 left", with "  900 left out" after the
  // frames when `leftOut` is not 0 (exposed for tests).
  static std::string text(std::size_t done, std::size_t total, double seconds,
                          std::size_t leftOut = 0);

 private:
  std::FILE* out_;
  bool terminal_;
  Clock::time_point start_ = Clock::now();
  Clock::time_point lastShown_{};
  std::size_t lastTenth_ = 0;
  std::size_t shownWidth_ = 0;
  std::size_t leftOut_ = 0;
};

}  // namespace vistrel::exporter
