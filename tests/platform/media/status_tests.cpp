// Status codes and identifiers.

#include <cerrno>

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/error.h>
}

#include "platform/media/media_types.h"
#include "platform/media/status.h"

namespace vistrel::media {
namespace {

TEST(Status, ErrnoAndFfmpegCodesMapToStatuses) {
  struct Row {
    int error;
    bool creating;
    StatusCode status;
  };
  const Row rows[] = {
      {EACCES, false, E_ACCESSDENIED},         {EPERM, false, E_ACCESSDENIED},
      {ENOENT, false, STATUS_FILE_NOT_FOUND},  {ENOENT, true, STATUS_PATH_NOT_FOUND},
      {ENOTDIR, false, STATUS_PATH_NOT_FOUND}, {ENOSPC, false, STATUS_DISK_FULL},
      {EROFS, false, STATUS_WRITE_PROTECT},    {ENOMEM, false, E_OUTOFMEMORY},
      {EINVAL, false, E_INVALIDARG},           {EXDEV, false, E_FAIL},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(statusFromErrno(row.error, row.creating), row.status) << row.error;
    EXPECT_EQ(statusFromAVError(AVERROR(row.error), row.creating), row.status) << row.error;
  }
  EXPECT_EQ(statusFromAVError(AVERROR_ENCODER_NOT_FOUND), VFW_E_NOT_FOUND);
  EXPECT_EQ(statusFromAVError(AVERROR_EXTERNAL), E_FAIL);
  EXPECT_EQ(statusFromAVError(0), S_OK);
}

TEST(Guid, FormatsAndMakesFourCCSubtypes) {
  EXPECT_EQ(CLSID_VideoCompressorCategory.toString(), "{33D9A760-90C8-11D0-BD43-00A0C911CE86}");
  EXPECT_EQ(MEDIASUBTYPE_YUY2.toString(), "{32595559-0000-0010-8000-00AA00389B71}");
}

}  // namespace
}  // namespace vistrel::media
