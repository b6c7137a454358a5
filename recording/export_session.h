// One export of snapshots into a video, as the window and the batch exporter
// both run it: the file created exclusively under its final name, the image
// generator feeding the video logger, started with the first picture (which
// gives the video its frame size), one frame per snapshot, the stop, and the
// outcome. The session also owns the two ways a failure of the recording
// comes back (the logger's deferred error handler and its graph's warning
// event), so both front ends hear of a refused frame the same way.
//
// Thread: the main thread (the logger's home), like the components it drives.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <QDateTime>
#include <QImage>
#include <QString>

namespace vistrel {
class TPicture;
class TVLDSVideoLogger;
class TVLImageGen;
}  // namespace vistrel

namespace vistrel::recording {

// Where a frame came from: the snapshot and the local time it was taken.
struct FrameSource {
  std::string path;  // Windows path of the snapshot
  QDateTime time;    // local time; invalid when nothing tells it
};

// The snapshot at `windowsPath` with its time (platform::snapshotTime), the
// modification time read through the installed platform::FileSystem.
FrameSource frameSource(const std::string& windowsPath);
// The same for a snapshot whose host path the caller has already looked up.
FrameSource frameSource(const std::string& windowsPath, const std::filesystem::path& hostPath);

// How creating a video's file went.
struct FileReservation {
  bool reserved = false;
  std::string name;            // the Windows path created, or the last one tried
  std::filesystem::path host;  // its host path; empty when its drive is not mapped
  int error = 0;               // errno when not reserved (EEXIST: taken)
};

// Creates `hostPath` empty and returns 0, or the system's errno. O_EXCL: a
// name that exists, also as a dangling symbolic link, is never opened, so no
// video is ever written over another file or through a link.
int createFileExclusively(const std::filesystem::path& hostPath);

// Creates the first free name of the naming rule (platform::videoName) in
// `windowsFolder`: "vistrel<extension>", else the one stamped with `now`,
// then "-2", "-3" ... up to 999 recordings within one second. A name another
// program creates between the look and the creation moves on to the next.
// Not reserved with EEXIST when every name of that second is taken, with the
// failing name's errno (or an empty host path) for any other failure.
FileReservation reserveVideoName(const std::string& windowsFolder, const std::string& extension,
                                 const QDateTime& now);

// What became of one recording.
struct ExportOutcome {
  std::string fileName;             // Windows path given to start()
  std::uint64_t framesWritten = 0;  // the frames the file holds
  std::uint64_t framesLost = 0;     // handed over, not in the file
  // The first failure (the logger's, else a frame refused, else what a frame
  // or the stop threw, else, with MessageTurns::Session, "The video holds n
  // of m frames"); empty when none. `reason` is what the system or
  // FFmpeg said of it, naming the file; may be empty.
  std::string failure;
  std::string reason;
  std::string stopFailure;  // what the stop itself threw, when it did
  // The first and the last frame handed over; empty paths when none was.
  FrameSource first;
  FrameSource last;

  bool complete() const { return failure.empty() && stopFailure.empty() && framesLost == 0; }
};

class ExportSession {
 public:
  // Who runs the work the logger hands to the main thread's next message
  // turn (the first frame after a start or a pause, failure reports).
  enum class MessageTurns {
    // A running event loop: the caller's. Failures reach onFailure at a
    // later turn, never inside a call of the session.
    Caller,
    // No event loop (the batch exporter): the session runs a turn after
    // each frame and inside the stop, so that a refused frame is known
    // before the next one and the outcome counts every frame.
    Session,
  };
  // A failure of the recording that reached the main thread after the call
  // that caused it (a frame that could not be written, a file that could not
  // be created). Called on the main thread, also between recordings. The
  // session installs the process-wide deferred error handler for it: the
  // session made last hears every such failure; once it is gone the one made
  // before it does, and with none left they are logged.
  using FailureHandler = std::function<void(const std::string& message)>;

  // Drives `generator` and `logger`, which outlive the session (the
  // window's, read from its layout); connects the generator's OutputPin to
  // the logger's InputPin unless it already is.
  ExportSession(TVLImageGen& generator, TVLDSVideoLogger& logger, MessageTurns turns,
                FailureHandler onFailure = {});
  // Takes ownership of `generator` and `logger` (the exporter's own).
  ExportSession(std::unique_ptr<TVLImageGen> generator, std::unique_ptr<TVLDSVideoLogger> logger,
                MessageTurns turns, FailureHandler onFailure = {});
  ~ExportSession();
  ExportSession(const ExportSession&) = delete;
  ExportSession& operator=(const ExportSession&) = delete;

  // Starts a recording into `fileName` (a Windows path, usually just
  // reserved) at `rateFps`, with `first` as the picture that gives the video
  // its frame size; no frame is written yet. The logger is enabled before
  // the generator, so that the generator's start reaches a recording logger.
  // On failure both are disabled again, the file is removed when still
  // empty, and the error is rethrown.
  void start(const std::string& fileName, int rateFps, const TPicture& first);
  bool recording() const { return recording_; }

  // With time stamps on, each frame handed over carries its source's time
  // ("2026-12-04 07:15:32") on a dark box in its bottom-left corner (see
  // picture/time_stamp.h; needs a QGuiApplication). A frame whose source has
  // no time goes as it is. The snapshot's own planes are stamped when the
  // picture has them, else its bitmap; `picture` itself is never changed.
  // Off: frames are handed over untouched, without a copy.
  void setTimeStamps(bool on) { timeStamps_ = on; }

  // Hands `picture` to the recording as its next frame. The recorder
  // compresses and writes it on its own thread. False once the recording
  // refused a frame (with MessageTurns::Caller, as far as known yet): stop.
  // Without a recording the picture only becomes the generator's. Errors of
  // the hand-over are thrown, and count as the recording's failure.
  bool frame(const FrameSource& source, const TPicture& picture);

  // Stops the recording and returns its outcome: the generator is disabled
  // before the logger, so that the stop completing the file reaches a logger
  // that still records (a disabled logger drops it). Throws nothing; the
  // stop's errors are in the outcome. A file that is still empty (no start
  // reached the logger) is removed. Without a recording: an empty outcome.
  ExportOutcome stop();

 private:
  struct Hooks;
  // The hooks of the sessions alive, for the process-wide failure handler.
  static std::mutex& liveHooksMutex();
  static std::vector<std::weak_ptr<Hooks>>& liveHooks();
  static std::shared_ptr<Hooks> newestLiveHooks();
  void runMessageTurn();
  const TPicture& stampedFrame(const QDateTime& time, const TPicture& picture);

  // Set by the owning constructor; destroyed last, after every use below.
  std::unique_ptr<TVLImageGen> ownGenerator_;
  std::unique_ptr<TVLDSVideoLogger> ownLogger_;
  TVLImageGen& generator_;
  TVLDSVideoLogger& logger_;
  MessageTurns turns_;
  std::shared_ptr<Hooks> hooks_;  // shared with the installed handlers

  bool recording_ = false;
  std::string fileName_;
  std::uint64_t handedOver_ = 0;
  std::string thrown_;  // the first error a frame threw
  FrameSource first_;
  FrameSource last_;

  bool timeStamps_ = false;
  std::unique_ptr<TPicture> stamped_;  // the last frame with its stamp
  // The stamp last drawn: consecutive snapshots of one second share it.
  QString stampText_;
  int stampHeight_ = 0;
  QImage stamp_;
};

}  // namespace vistrel::recording
