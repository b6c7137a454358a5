// FFmpeg's log, and through it the encoders' (libx264 logs into FFmpeg's),
// as vistrel-export's own lines on stderr: "vistrel-export: libx264: ...".
// FFmpeg would otherwise print its notes between the progress and the report.
#pragma once

namespace vistrel::exporter {

// How much of it: kFfmpegQuiet nothing, 0 warnings and errors, 1 also notes,
// 2 or more also details.
inline constexpr int kFfmpegQuiet = -1;
void routeFfmpegLog(int verbosity);

}  // namespace vistrel::exporter
