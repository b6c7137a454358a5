#include "platform/media/status.h"

#include <cerrno>

#include "platform/media/ffmpeg_handles.h"

namespace vistrel::media {

StatusCode statusFromErrno(int error, bool creating) {
  switch (error) {
    case 0:
      return S_OK;
    case ENOENT:
      return creating ? STATUS_PATH_NOT_FOUND : STATUS_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP:
      return STATUS_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
      return E_ACCESSDENIED;
    case EROFS:
      return STATUS_WRITE_PROTECT;
    case EMFILE:
    case ENFILE:
      return STATUS_TOO_MANY_OPEN_FILES;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return STATUS_DISK_FULL;
    case EEXIST:
      return STATUS_FILE_EXISTS;
    case ENAMETOOLONG:
      return STATUS_FILENAME_TOO_LONG;
    case EINVAL:
      return E_INVALIDARG;
    case ENOMEM:
      return E_OUTOFMEMORY;
    case EBUSY:
    case ETXTBSY:
      return STATUS_SHARING_VIOLATION;
    case EIO:
      return STATUS_IO_DEVICE;
    case ENOSYS:
    case EOPNOTSUPP:
      return E_NOTIMPL;
    default:
      return E_FAIL;
  }
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
    case AVERROR_EOF:
    case AVERROR_EXIT:
    case AVERROR_BUG:
    case AVERROR_BUG2:
    case AVERROR_EXTERNAL:
    case AVERROR_UNKNOWN:
      return E_FAIL;
    default:
      break;
  }
  // AVERROR(e) is -e for every errno value on POSIX systems.
  if (averror > -4096) return statusFromErrno(-averror, creating);
  return E_FAIL;
}

const std::string& Status::detail() const {
  static const std::string none;
  return detail_ ? *detail_ : none;
}

Status ffmpeg::fail(int averror, const std::string& what, const std::string& path, bool creating) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_make_error_string(text, sizeof text, averror);
  return media::fail(statusFromAVError(averror, creating),
                     what + (path.empty() ? "" : " '" + path + "'") + ": " + text);
}

}  // namespace vistrel::media
