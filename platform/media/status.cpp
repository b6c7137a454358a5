#include "platform/media/status.h"

#include <cerrno>
#include <utility>

#include "platform/media/ffmpeg_handles.h"

namespace vistrel::media {

StatusCode statusFromErrno(int error, bool creating) {
  if (error == 0) return S_OK;
  if (error == ENOENT) return creating ? STATUS_PATH_NOT_FOUND : STATUS_FILE_NOT_FOUND;
  static constexpr std::pair<int, StatusCode> kCodes[] = {{ENOTDIR, STATUS_PATH_NOT_FOUND},
                                                          {ELOOP, STATUS_PATH_NOT_FOUND},
                                                          {EACCES, E_ACCESSDENIED},
                                                          {EPERM, E_ACCESSDENIED},
                                                          {EISDIR, E_ACCESSDENIED},
                                                          {EROFS, STATUS_WRITE_PROTECT},
                                                          {EMFILE, STATUS_TOO_MANY_OPEN_FILES},
                                                          {ENFILE, STATUS_TOO_MANY_OPEN_FILES},
                                                          {ENOSPC, STATUS_DISK_FULL},
                                                          {EDQUOT, STATUS_DISK_FULL},
                                                          {EFBIG, STATUS_DISK_FULL},
                                                          {EEXIST, STATUS_FILE_EXISTS},
                                                          {ENAMETOOLONG, STATUS_FILENAME_TOO_LONG},
                                                          {EINVAL, E_INVALIDARG},
                                                          {ENOMEM, E_OUTOFMEMORY},
                                                          {EBUSY, STATUS_SHARING_VIOLATION},
                                                          {ETXTBSY, STATUS_SHARING_VIOLATION},
                                                          {EIO, STATUS_IO_DEVICE},
                                                          {ENOSYS, E_NOTIMPL},
                                                          {EOPNOTSUPP, E_NOTIMPL}};
  for (const auto& [code, status] : kCodes)
    if (code == error) return status;
  return E_FAIL;
}

StatusCode statusFromAVError(int averror, bool creating) {
  if (averror >= 0) return S_OK;
  switch (averror) {
    case AVERROR_ENCODER_NOT_FOUND:
    case AVERROR_MUXER_NOT_FOUND:
    case AVERROR_DECODER_NOT_FOUND:
    case AVERROR_PROTOCOL_NOT_FOUND:
      return VFW_E_NOT_FOUND;
    case AVERROR_INVALIDDATA:
    case AVERROR_PATCHWELCOME:
      return VFW_E_INVALIDMEDIATYPE;
    default:
      // AVERROR(e) is -e for every errno value on POSIX systems; FFmpeg's
      // own codes (EOF, EXIT, BUG, EXTERNAL, ...) lie far below.
      return averror > -4096 ? statusFromErrno(-averror, creating) : E_FAIL;
  }
}

Status ffmpeg::fail(int averror, const std::string& what, const std::string& path, bool creating) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_make_error_string(text, sizeof text, averror);
  return media::fail(statusFromAVError(averror, creating),
                     what + (path.empty() ? "" : " '" + path + "'") + ": " + text);
}

}  // namespace vistrel::media
