#include "tools/export/ffmpeg_log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

namespace vistrel::exporter {
namespace {

std::mutex lineLock;
std::string pendingLine;  // FFmpeg may give a line in several calls

// Encoders log from their own threads.
void writeLogLine(void* context, int level, const char* format, va_list arguments) {
  if (level > av_log_get_level()) return;
  char text[1024];
  std::vsnprintf(text, sizeof text, format, arguments);
  const std::lock_guard<std::mutex> lock(lineLock);
  if (pendingLine.empty()) {
    const AVClass* const* owner = static_cast<const AVClass* const*>(context);
    const char* name = owner && *owner && (*owner)->item_name ? (*owner)->item_name(context) : "";
    pendingLine = std::string("vistrel-export: ") + (*name ? name : "ffmpeg") + ": ";
  }
  pendingLine += text;
  if (pendingLine.back() != '\n') return;
  std::fputs(pendingLine.c_str(), stderr);
  pendingLine.clear();
}

}  // namespace

void routeFfmpegLog(int verbosity) {
  av_log_set_level(verbosity <= kFfmpegQuiet ? AV_LOG_QUIET
                   : verbosity == 0          ? AV_LOG_WARNING
                   : verbosity == 1          ? AV_LOG_INFO
                                             : AV_LOG_VERBOSE);
  av_log_set_callback(writeLogLine);
}

}  // namespace vistrel::exporter
