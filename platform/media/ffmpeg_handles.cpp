#include "platform/media/ffmpeg_handles.h"

namespace vistrel::media::ffmpeg {

std::string errorText(int averror) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_make_error_string(text, sizeof text, averror);
  return text;
}

Status fail(int averror, const std::string& what, const std::string& path, bool creating) {
  std::string text = what;
  if (!path.empty()) text += " '" + path + "'";
  text += ": " + errorText(averror);
  return media::fail(statusFromAVError(averror, creating), std::move(text));
}

}  // namespace vistrel::media::ffmpeg
