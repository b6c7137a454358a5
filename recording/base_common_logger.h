// TVLBaseCommonLogger: the base of our recorders. It owns the pins, FileName
// and Enabled, the operation queues, the hand-over to the main thread and the
// progress reports; a concrete recorder supplies the media side through a few
// virtuals (start a recording, write a frame, stop), so nothing here knows
// the media graph.
//
// Threads: operations are handled on the thread that sends them, under the
// lock group of the component and its two input pins. Work that must build
// a graph, and the first frame after a pause or a file-name change, is moved
// to the main thread's next message turn through a TSLMainThreadNotify.
// OnProgress runs on the thread that owns ProgressWindowHandle() (the main
// thread). We record video only: whatever reaches AudioInputPin is dropped.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <QObject>

#include "pipeline/component.h"
#include "pipeline/image_buffer.h"
#include "pipeline/main_thread_notify.h"
#include "pipeline/sink_pin.h"
#include "recording/logger_operations.h"
#include "recording/logger_pins.h"
#include "recording/operation_list.h"

namespace vistrel {

class TVLBaseCommonLogger;

// Sender, frames written so far.
using TVLLoggerProgressEvent = std::function<void(TVLBaseCommonLogger& sender, std::int64_t)>;

class TVLBaseCommonLogger : public TOWComponent {
 public:
  TVLBaseCommonLogger();
  // The most derived destructor must call BeforeDestruction() first.
  ~TVLBaseCommonLogger() override;

  TVLOWImageSinkPin& InputPin() { return *inputPin_; }
  TALOWAudioSinkPin& AudioInputPin() { return *audioInputPin_; }
  TOWStringSinkPin& FileNamePin() { return *fileNamePin_; }
  TOWBoolSinkPin& EnablePin() { return *enablePin_; }

  std::string FileName() const;
  // A new non-empty name, while enabled and not recording, queues a start
  // with the last recorded format; while recording, the next frame closes
  // the current file and opens the new one.
  void SetFileName(const std::string& fileName);
  bool Enabled() const;
  // Switching off stops nothing: frames are dropped and the file stays open
  // until a stop is handled, the file name changes or the logger goes away.
  void SetEnabled(bool enabled);

  void SetOnProgress(TVLLoggerProgressEvent handler);

  // Failures of work deferred to the main thread cannot reach the code that
  // sent the operation; they go to this process-wide handler (the
  // application shows them in its error box). Without one they are logged.
  using DeferredErrorHandler = std::function<void(const std::exception&)>;
  static void SetDeferredErrorHandler(DeferredErrorHandler handler);

  // What became of the frames handed to the current recording (or to the
  // last one, once it stopped). A complete file has no failure and no frame
  // lost.
  struct RecordingOutcome {
    std::string fileName;
    std::uint64_t framesWritten = 0;
    std::uint64_t framesLost = 0;
    std::string failure;  // the first failure, formatted; empty when none
    // What the system or FFmpeg said of that failure, naming the file
    // (e.g. "Can't write '/videos/a.avi': No space left on device"); may be
    // empty.
    std::string reason;
  };
  RecordingOutcome LastRecording() const;

  // Inspection.
  bool GraphRunning() const;
  std::size_t VideoQueueCount() const;
  std::uint64_t FramesWritten() const;

  // Layout component: the published pins.
  std::vector<TOWPublishedPin> PublishedPins() const override;

 protected:
  // ---- supplied by the recorder ----
  virtual bool ProcessAudioOperation(const TOWOperationPtr& operation, bool inMainThread);
  virtual bool ProcessVideoOperation(const TOWOperationPtr& operation, bool inMainThread);
  virtual void StartVideo(std::int32_t width, std::int32_t height, std::uint8_t formatCode,
                          std::int64_t framePeriod100ns) = 0;
  virtual void StartAudio() = 0;
  virtual void StopLogging(bool clearQueues) = 0;
  virtual bool HasVideoSource() const = 0;
  virtual bool HasAudioSource() const = 0;
  virtual void WriteVideoFrame(bool write, const std::shared_ptr<TVLImageBuffer>& frame) = 0;
  virtual void WriteAudioBuffer(bool write, const std::shared_ptr<TSLGenericBuffer>& buffer,
                                std::int64_t& samplesTaken) = 0;
  // The object (living on the main thread) that progress messages are posted to.
  virtual QObject* ProgressWindowHandle() = 0;

  // Disconnects both input pins and stops logging; later calls do nothing.
  void BeforeDestruction();
  // Called by the recorder after each frame written.
  void ReportProgress();
  // A frame of the current recording failed: counts it lost and, for the
  // first failure of the recording only, keeps `text` and reports it on the
  // main thread through the deferred error handler (the window halts the
  // show). Later failures are counted, not reported again. `reason` is the
  // failure's detail, kept for LastRecording().
  void RecordFailure(const std::string& text, const std::string& reason);

  // The component's lock; setters and the recorder's state use it.
  TOWObject& LockObject() { return lock_; }
  const TOWObject& LockObject() const { return lock_; }
  void EmptyQueues();

  // Where the recording stands, under the component's lock. Only
  // Transition() changes it.
  enum class RecorderState {
    Idle,         // nothing started: the next frame written starts a recording
    StartQueued,  // a start waits for the main thread's next message turn
    NoGraph,      // started, but no graph could be built: frames wait, bounded
    Recording,    // the graph runs and takes the frames
    Paused,       // the graph runs; a frame was dropped while disabled
    Resuming,     // frames came back after a pause: the next timed one closes the gap
  };
  enum class RecorderEvent {
    StartQueued,           // a frame off the main thread asked for a start
    Started,               // StartVideo began a recording
    GraphRunning,          // the recording's graph was built and runs
    GraphStopped,          // the graph stopped and was released; the recording goes on
    Stopped,               // the recording ended
    DroppedWhileDisabled,  // a frame arrived while disabled
    Resumed,               // a frame arrived while enabled after a pause
    GapClosed,             // the first timed frame after the pause was written
  };
  RecorderState State() const { return state_; }
  void Transition(RecorderEvent event);
  bool IsVideoStarted() const {
    return state_ != RecorderState::Idle && state_ != RecorderState::StartQueued;
  }
  bool IsGraphRunning() const { return IsVideoStarted() && state_ != RecorderState::NoGraph; }

  // The recorder's data, under the component's lock.
  struct VideoFormat {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int64_t framePeriod100ns = 0;
    std::uint8_t formatCode = 0;
  };
  VideoFormat videoFormat_;
  std::string fileName_;
  bool enabled_ = true;  // the Enabled property
  std::string activeFileName_;
  std::string recordingFileName_;
  RecordingOutcome outcome_;  // of the current recording, or of the last one
  // The drain's scheduling, whatever the state: a drain was posted to the
  // main thread, so frames arriving meanwhile queue behind it.
  bool mainThreadDrainPending_ = false;

  // Progress snapshot, guarded by its own critical section.
  void ResetProgressSnapshot();

 private:
  // One function per video operation kind; each returns whether the
  // operation was consumed.
  bool ProcessStartFile(const TVLInternalStartFrameOperation& start);
  bool ProcessStartFrame(const TOWStartFrameOperation& start);
  bool ProcessInternalStop();
  bool ProcessStop();
  // A frame taken from the video queue; false when it went back to the
  // queue's head.
  bool ProcessFrame(const TOWOperationPtr& operation, const TOWSuppliedBufferOperation& supplied,
                    bool inMainThread);

  std::uint8_t VideoArrived(const TOWOperationPtr& operation);
  void Drain(bool inMainThread);
  void DrainFromMainThread();
  // The FileName and Enabled setters: when a recording could begin (a file
  // name, enabled, no graph running), queues a start with the last recorded
  // format.
  void QueueStart();
  // A start of the video stream in the drain: records the format and starts
  // the video when enabled.
  void OpenVideoStream(std::int32_t width, std::int32_t height, std::int64_t period,
                       std::uint8_t formatCode);
  // Runs on the progress window's thread: OnProgress with the latest count.
  void DeliverProgress();

  TOWObject lock_;
  std::unique_ptr<TVLOWImageSinkPin> inputPin_;
  std::unique_ptr<TALOWAudioSinkPin> audioInputPin_;
  std::unique_ptr<TOWStringSinkPin> fileNamePin_;
  std::unique_ptr<TOWBoolSinkPin> enablePin_;
  TSLOperationList videoQueue_;
  TSLOperationList audioQueue_;
  std::unique_ptr<TSLMainThreadNotify> notifier_;

  TVLLoggerProgressEvent onProgress_;
  mutable std::mutex progressMutex_;
  std::int64_t progressSnapshot_ = 0;
  bool progressMessagePosted_ = false;
  bool destroyed_ = false;
  RecorderState state_ = RecorderState::Idle;
};

}  // namespace vistrel
