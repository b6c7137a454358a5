// The batch export: snapshots become the frames of one video through the
// same components the window records with (the image generator feeding the
// video logger, with the compressor settings stored in the window's layout),
// one frame per snapshot at the chosen rate. Snapshots that cannot be shown
// are skipped and reported, never written.
//
// Thread: see exportVideo.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/exception.h"

namespace vistrel {
class TVLDSVideoLogger;
}

namespace vistrel::exporter {

// The video could not be written (no encoder, a file that cannot be created
// or completed, a frame the file refused).
VISTREL_EXCEPTION(EExportFailed, Exception);

enum class VideoCodec { Xvid, Mjpeg, H264 };

// ".avi" or ".mp4".
const char* videoExtension(VideoCodec codec);

struct SkippedSnapshot {
  std::string path;     // Windows path
  std::string message;  // the picture loader's message
};

struct ExportReport {
  std::uint64_t framesWritten = 0;  // the frames the file holds
  std::uint64_t framesLost = 0;     // handed to the recorder, not in the file
  std::size_t snapshotsLeft = 0;    // never reached: interrupted or stopped by a failure
  std::vector<SkippedSnapshot> skipped;
  bool interrupted = false;  // stopped early; the file holds the frames so far
  // Set when writing failed (a full disk, a frame the file refused): the
  // export stopped there and completed the file with what it holds. The
  // recorder's message, and what the system or FFmpeg said, naming the file.
  std::string failure;
  std::string reason;
};

struct ExportSettings {
  VideoCodec codec = VideoCodec::Xvid;
  int rateFps = 5;
  std::string fileName;  // Windows path the video is written to
  // Each frame with its snapshot's time burned in (needs a QGuiApplication).
  bool stamp = false;
};

// Called after each snapshot, written or skipped: snapshots done, total.
using ExportProgress = std::function<void(std::size_t done, std::size_t total)>;

// Writes `snapshots` (Windows paths) into settings.fileName and completes
// the file. Runs on the main thread or on a worker; on a worker the main
// thread's event loop must run, as the recording's start is built there. When `interrupt` becomes
// true the export stops before the next snapshot and completes the file with the frames so far; so
// it does when writing fails, with the failure in the report. Throws EExportFailed, before any
// frame reached the file, when the recorder cannot be set up or no snapshot at all could be loaded.
ExportReport exportVideo(const std::vector<std::string>& snapshots, const ExportSettings& settings,
                         const ExportProgress& progress, const std::atomic<bool>* interrupt);

// Gives `logger` the compression stored for the window's logger, with the
// compressor of `codec` in place of the stored one for mjpeg and h264.
// Throws EExportFailed when that compressor is not installed.
void applyStoredCompression(TVLDSVideoLogger& logger, VideoCodec codec);

}  // namespace vistrel::exporter
