// Status codes of the media-graph service: Windows' 32-bit codes,
// so that a failure reported as "%s - %u - %x" carries the same number the
// user would see there. Negative values are failures, S_OK and S_FALSE are
// successes.
//
// A failed Status may carry a detail: what failed, the file involved and
// FFmpeg's or the system's own text. It travels with the code through every
// `return status;`, so the recorder can put it in front of the user.
//
// Thread: everything here may be called from any thread; a Status is a value.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace vistrel::media {

using StatusCode = std::int32_t;

constexpr StatusCode statusCode(std::uint32_t value) { return static_cast<StatusCode>(value); }

inline constexpr StatusCode S_OK = 0;
inline constexpr StatusCode S_FALSE = 1;
inline constexpr StatusCode E_NOTIMPL = statusCode(0x80004001);
inline constexpr StatusCode E_NOINTERFACE = statusCode(0x80004002);
inline constexpr StatusCode E_FAIL = statusCode(0x80004005);
inline constexpr StatusCode E_UNEXPECTED = statusCode(0x8000FFFF);
inline constexpr StatusCode E_ACCESSDENIED = statusCode(0x80070005);
inline constexpr StatusCode E_HANDLE = statusCode(0x80070006);
inline constexpr StatusCode E_OUTOFMEMORY = statusCode(0x8007000E);
inline constexpr StatusCode E_INVALIDARG = statusCode(0x80070057);
// Win32 errors wrapped as statuses (0x8007xxxx).
inline constexpr StatusCode STATUS_FILE_NOT_FOUND = statusCode(0x80070002);
inline constexpr StatusCode STATUS_PATH_NOT_FOUND = statusCode(0x80070003);
inline constexpr StatusCode STATUS_TOO_MANY_OPEN_FILES = statusCode(0x80070004);
inline constexpr StatusCode STATUS_WRITE_PROTECT = statusCode(0x80070013);
inline constexpr StatusCode STATUS_SHARING_VIOLATION = statusCode(0x80070020);
inline constexpr StatusCode STATUS_FILE_EXISTS = statusCode(0x80070050);
inline constexpr StatusCode STATUS_DISK_FULL = statusCode(0x80070070);
inline constexpr StatusCode STATUS_FILENAME_TOO_LONG = statusCode(0x800700CE);
inline constexpr StatusCode STATUS_IO_DEVICE = statusCode(0x8007045D);
// Media-graph errors.
inline constexpr StatusCode VFW_E_INVALIDMEDIATYPE = statusCode(0x80040200);
inline constexpr StatusCode VFW_E_ALREADY_CONNECTED = statusCode(0x80040204);
inline constexpr StatusCode VFW_E_NO_ACCEPTABLE_TYPES = statusCode(0x80040207);
inline constexpr StatusCode VFW_E_INVALID_DIRECTION = statusCode(0x80040208);
inline constexpr StatusCode VFW_E_NOT_CONNECTED = statusCode(0x80040209);
inline constexpr StatusCode VFW_E_BUFFER_OVERFLOW = statusCode(0x8004020D);
inline constexpr StatusCode VFW_E_NOT_COMMITTED = statusCode(0x80040211);
inline constexpr StatusCode VFW_E_NOT_FOUND = statusCode(0x80040216);
inline constexpr StatusCode VFW_E_NOT_STOPPED = statusCode(0x80040224);
inline constexpr StatusCode VFW_E_WRONG_STATE = statusCode(0x80040227);
inline constexpr StatusCode VFW_E_TYPE_NOT_ACCEPTED = statusCode(0x8004022A);
inline constexpr StatusCode VFW_E_SAMPLE_TIME_NOT_SET = statusCode(0x80040249);
inline constexpr StatusCode VFW_E_NOT_IN_GRAPH = statusCode(0x8004025F);

// A code with an optional detail. Converts to and from its code, so that
// `status == E_FAIL`, `switch (status)` and `return S_OK;` read as before.
class Status {
 public:
  Status(StatusCode code = S_OK) : code_(code) {}
  Status(StatusCode code, std::string detail)
      : code_(code), detail_(std::make_shared<const std::string>(std::move(detail))) {}
  operator StatusCode() const { return code_; }
  // Empty when the failure said nothing more than its code.
  std::string detail() const { return detail_ ? *detail_ : std::string(); }

 private:
  StatusCode code_;
  std::shared_ptr<const std::string> detail_;  // shared: statuses are copied up every call
};

constexpr bool succeeded(StatusCode status) { return status >= 0; }
constexpr bool failed(StatusCode status) { return status < 0; }

// errno → status. ENOENT gives "file not found"; a caller creating a file
// (where a missing name means a missing folder) asks with creating = true
// and gets "path not found", as Windows reports it.
StatusCode statusFromErrno(int error, bool creating = false);
// FFmpeg's negative AVERROR codes → status (AVERROR(errno) through
// statusFromErrno, FFmpeg's own codes to the nearest media status).
StatusCode statusFromAVError(int averror, bool creating = false);

// `status` with `detail`, for `return fail(E_FAIL, "Can't ... '<path>'")`.
inline Status fail(StatusCode status, std::string detail) { return {status, std::move(detail)}; }

}  // namespace vistrel::media
