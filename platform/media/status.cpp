#include "platform/media/status.h"

#include <cerrno>
#include <cstdio>

extern "C" {
#include <libavutil/error.h>
}

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

std::string statusText(StatusCode status) {
  switch (status) {
    case S_OK:
      return "The operation completed successfully.";
    case S_FALSE:
      return "The operation completed with a false result.";
    case E_NOTIMPL:
      return "Not implemented.";
    case E_NOINTERFACE:
      return "No such interface supported.";
    case E_POINTER:
      return "Invalid pointer.";
    case E_ABORT:
      return "Operation aborted.";
    case E_FAIL:
      return "Unspecified error.";
    case E_UNEXPECTED:
      return "Catastrophic failure.";
    case E_ACCESSDENIED:
      return "Access is denied.";
    case E_HANDLE:
      return "The handle is invalid.";
    case E_OUTOFMEMORY:
      return "Not enough storage is available to complete this operation.";
    case E_INVALIDARG:
      return "The parameter is incorrect.";
    case STATUS_FILE_NOT_FOUND:
      return "The system cannot find the file specified.";
    case STATUS_PATH_NOT_FOUND:
      return "The system cannot find the path specified.";
    case STATUS_TOO_MANY_OPEN_FILES:
      return "The system cannot open the file.";
    case STATUS_WRITE_PROTECT:
      return "The media is write protected.";
    case STATUS_SHARING_VIOLATION:
      return "The process cannot access the file because it is being used by another process.";
    case STATUS_FILE_EXISTS:
    case STATUS_ALREADY_EXISTS:
      return "The file exists.";
    case STATUS_DISK_FULL:
      return "There is not enough space on the disk.";
    case STATUS_INVALID_NAME:
      return "The filename, directory name, or volume label syntax is incorrect.";
    case STATUS_FILENAME_TOO_LONG:
      return "The filename or extension is too long.";
    case STATUS_IO_DEVICE:
      return "The request could not be performed because of an I/O device error.";
    case VFW_E_INVALIDMEDIATYPE:
      return "The specified media type is invalid.";
    case VFW_E_NEED_OWNER:
      return "This object can only be created as an aggregated object.";
    case VFW_E_ALREADY_CONNECTED:
      return "The operation cannot be performed because the pins are already connected.";
    case VFW_E_FILTER_ACTIVE:
      return "The operation cannot be performed because the filter is active.";
    case VFW_E_NO_TYPES:
      return "One of the specified pins supports no media types.";
    case VFW_E_NO_ACCEPTABLE_TYPES:
      return "There is no common media type between these pins.";
    case VFW_E_INVALID_DIRECTION:
      return "Two pins of the same direction cannot be connected together.";
    case VFW_E_NOT_CONNECTED:
      return "The operation cannot be performed because the pins are not connected.";
    case VFW_E_NO_ALLOCATOR:
      return "No sample buffer allocator is available.";
    case VFW_E_BADALIGN:
      return "The specified alignment is invalid.";
    case VFW_E_ALREADY_COMMITTED:
      return "Cannot change the allocated memory while the filter is active.";
    case VFW_E_BUFFERS_OUTSTANDING:
      return "One or more buffers are still active.";
    case VFW_E_NOT_COMMITTED:
      return "Cannot allocate a sample when the allocator is not active.";
    case VFW_E_SIZENOTSET:
      return "Cannot allocate memory because no size has been set.";
    case VFW_E_NOT_FOUND:
      return "An object or name was not found.";
    case VFW_E_CANNOT_CONNECT:
      return "No combination of intermediate filters could be found to make the connection.";
    case VFW_E_CANNOT_RENDER:
      return "No combination of filters could be found to render the stream.";
    case VFW_E_NOT_STOPPED:
      return "The operation could not be performed because the filter is not stopped.";
    case VFW_E_WRONG_STATE:
      return "The operation could not be performed because the filter is in the wrong state.";
    case VFW_E_TYPE_NOT_ACCEPTED:
      return "This media type is not accepted.";
    case VFW_E_TIMEOUT:
      return "The operation timed out.";
    case VFW_E_BUFFER_OVERFLOW:
      return "The buffer is not big enough.";
    case VFW_E_SAMPLE_TIME_NOT_SET:
      return "No time stamp has been set for this sample.";
    case VFW_S_DUPLICATE_NAME:
      return "A filter was added under a changed name because its name was already in use.";
    case VFW_E_NOT_IN_GRAPH:
      return "Cannot perform the requested function on an object that is not in the filter graph.";
    default: {
      char text[64];
      std::snprintf(text, sizeof text, "Unspecified error (0x%08X).",
                    static_cast<unsigned>(status));
      return text;
    }
  }
}

const std::string& Status::detail() const {
  static const std::string none;
  return detail_ ? *detail_ : none;
}

}  // namespace vistrel::media
