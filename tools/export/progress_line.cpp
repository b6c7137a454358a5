#include "tools/export/progress_line.h"

#include <algorithm>
#include <cmath>

namespace vistrel::exporter {

ProgressLine::ProgressLine(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

std::string ProgressLine::text(std::size_t done, std::size_t total, double seconds,
                               std::size_t leftOut) {
  char line[128];
  char frames[64];
  if (leftOut > 0)
    std::snprintf(frames, sizeof frames, "%zu/%zu  %zu left out", done, total, leftOut);
  else
    std::snprintf(frames, sizeof frames, "%zu/%zu", done, total);
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
  if (rate > 0 && done < total) {
    const long left = std::lround(static_cast<double>(total - done) / rate);
    std::snprintf(line, sizeof line, "frames %s  %.1f fps  %ld:%02ld left", frames, rate, left / 60,
                  left % 60);
  } else {
    std::snprintf(line, sizeof line, "frames %s  %.1f fps", frames, rate);
  }
  return line;
}

void ProgressLine::update(std::size_t done, std::size_t total) {
  const Clock::time_point now = Clock::now();
  const double seconds = std::chrono::duration<double>(now - start_).count();
  if (terminal_) {
    if (done < total && now - lastShown_ < std::chrono::milliseconds(100)) return;
    lastShown_ = now;
    const std::string line = text(done, total, seconds, leftOut_);
    // Blanks cover what a longer earlier line left behind.
    const std::size_t pad = shownWidth_ > line.size() ? shownWidth_ - line.size() : 0;
    std::fprintf(out_, "\r%s%*s", line.c_str(), static_cast<int>(pad), "");
    shownWidth_ = line.size();
  } else {
    const std::size_t tenth = total ? done * 10 / total : 10;
    if (tenth <= lastTenth_) return;
    lastTenth_ = tenth;
    std::fprintf(out_, "%s\n", text(done, total, seconds, leftOut_).c_str());
  }
  std::fflush(out_);
}

void ProgressLine::finish() {
  if (terminal_ && shownWidth_ > 0) std::fputc('\n', out_);
  shownWidth_ = 0;
  std::fflush(out_);
}

}  // namespace vistrel::exporter
