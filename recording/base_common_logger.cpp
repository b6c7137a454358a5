#include "recording/base_common_logger.h"

#include <QMetaObject>
#include <QtGlobal>

#include "pipeline/source_pin.h"
#include "recording/errors.h"
#include "recording/logger_operations.h"

namespace vistrel {

namespace {

std::mutex deferredErrorMutex;
TVLBaseCommonLogger::DeferredErrorHandler deferredErrorHandler;  // under deferredErrorMutex

void ReportDeferredError(const std::exception& error) {
  TVLBaseCommonLogger::DeferredErrorHandler handler;
  {
    std::lock_guard lock(deferredErrorMutex);
    handler = deferredErrorHandler;
  }
  if (handler) {
    handler(error);
  } else {
    qWarning("Recording: %s", error.what());
  }
}

}  // namespace

TVLBaseCommonLogger::TVLBaseCommonLogger() {
  auto handler = [this](TOWBasicPin&, const TOWStreamType&, std::uint32_t,
                        const TOWOperationPtr& operation) { return VideoArrived(operation); };
  inputPin_ = std::make_unique<TVLOWImageSinkPin>(this, handler);
  // The viewer records no audio; its pin is never connected.
  audioInputPin_ = std::make_unique<TALOWAudioSinkPin>(
      this, [](TOWBasicPin&, const TOWStreamType&, std::uint32_t, const TOWOperationPtr&) {
        return std::uint8_t{0};
      });
  fileNamePin_ = std::make_unique<TOWStringSinkPin>(
      this, [this](const std::string& value) { SetFileName(value); });
  enablePin_ = std::make_unique<TOWBoolSinkPin>(this, [this](bool value) { SetEnabled(value); });
  lock_.Join(*inputPin_);
  lock_.Join(*audioInputPin_);
  notifier_ = std::make_unique<TSLMainThreadNotify>([this] { DrainFromMainThread(); });
}

TVLBaseCommonLogger::~TVLBaseCommonLogger() {
  destroyed_ = true;
  notifier_.reset();
  enablePin_.reset();
  fileNamePin_.reset();
  audioInputPin_.reset();
  inputPin_.reset();
}

void TVLBaseCommonLogger::SetDeferredErrorHandler(DeferredErrorHandler handler) {
  std::lock_guard lock(deferredErrorMutex);
  deferredErrorHandler = std::move(handler);
}

void TVLBaseCommonLogger::BeforeDestruction() {
  {
    TOWWriteLockSection lock(lock_);
    if (destroyed_) return;
    destroyed_ = true;  // from here on, arriving operations are ignored
  }
  try {
    TOWGlobalWriteLockSection global;
    for (TOWSinkPin* pin : {static_cast<TOWSinkPin*>(inputPin_.get()),
                            static_cast<TOWSinkPin*>(audioInputPin_.get())}) {
      if (auto* source = dynamic_cast<TOWSourcePin*>(pin->Source())) source->Disconnect(pin);
    }
  } catch (...) {
    // Best effort: the pins' own destructors disconnect what is left.
  }
  try {
    TOWWriteLockSection lock(lock_);
    StopLogging(true);
  } catch (const std::exception& error) {
    qWarning("Recording: %s", error.what());
  }
  notifier_.reset();
}

std::vector<TOWPublishedPin> TVLBaseCommonLogger::PublishedPins() const {
  return {{"InputPin", inputPin_.get(), -1, {}},
          {"AudioInputPin", audioInputPin_.get(), -1, {}},
          {"FileNamePin", fileNamePin_.get(), -1, {}},
          {"EnablePin", enablePin_.get(), -1, {}}};
}

std::string TVLBaseCommonLogger::FileName() const {
  TOWReadLockSection lock(lock_);
  return fileName_;
}

void TVLBaseCommonLogger::SetFileName(const std::string& fileName) {
  TOWWriteLockSection lock(lock_);
  if (fileName == fileName_) return;
  fileName_ = fileName;
  QueueStart();
}

bool TVLBaseCommonLogger::Enabled() const {
  TOWReadLockSection lock(lock_);
  return enabled_;
}

void TVLBaseCommonLogger::SetEnabled(bool enabled) {
  TOWWriteLockSection lock(lock_);
  enabled_ = enabled;
  QueueStart();
}

void TVLBaseCommonLogger::SetOnProgress(TVLLoggerProgressEvent handler) {
  TOWWriteLockSection lock(lock_);
  onProgress_ = std::move(handler);
}

bool TVLBaseCommonLogger::GraphRunning() const {
  TOWReadLockSection lock(lock_);
  return IsGraphRunning();
}

std::size_t TVLBaseCommonLogger::VideoQueueCount() const {
  TOWReadLockSection lock(lock_);
  return videoQueue_.Count();
}

TVLBaseCommonLogger::RecordingOutcome TVLBaseCommonLogger::LastRecording() const {
  TOWReadLockSection lock(lock_);
  return outcome_;
}

void TVLBaseCommonLogger::RecordFailure(const std::string& text, const std::string& reason) {
  ++outcome_.framesLost;
  if (!outcome_.failure.empty()) return;
  outcome_.failure = text;
  outcome_.reason = reason;
  // Posted to the progress window, so that the report runs on the main
  // thread whichever thread wrote the frame; dropped with the logger.
  if (QObject* window = ProgressWindowHandle()) {
    QMetaObject::invokeMethod(
        window, [text] { ReportDeferredError(EDSException(text)); }, Qt::QueuedConnection);
  }
}

std::uint64_t TVLBaseCommonLogger::FramesWritten() const {
  TOWReadLockSection lock(lock_);
  return outcome_.framesWritten;
}

void TVLBaseCommonLogger::QueueStart() {
  if (fileName_.empty() || !enabled_ || IsGraphRunning() || videoFormat_.width <= 0) return;
  videoQueue_.InsertHead(std::make_shared<TOWStartFrameOperation>(
      videoFormat_.width, videoFormat_.height, videoFormat_.framePeriod100ns,
      videoFormat_.formatCode));
}

void TVLBaseCommonLogger::OpenVideoStream(std::int32_t width, std::int32_t height,
                                          std::int64_t period, std::uint8_t formatCode) {
  videoFormat_ = {width, height, period, formatCode};
  if (enabled_) StartVideo(width, height, formatCode, period);
}

void TVLBaseCommonLogger::EmptyQueues() {
  TOWWriteLockSection videoLock(*inputPin_);
  TOWWriteLockSection audioLock(*audioInputPin_);
  videoQueue_.Clear();
  audioQueue_.Clear();
}

std::uint8_t TVLBaseCommonLogger::VideoArrived(const TOWOperationPtr& operation) {
  bool notify = false;
  {
    TOWWriteLockSection lock(*inputPin_);
    if (destroyed_) return 0;
    if (auto start = OperationAs<TOWStartFrameOperation>(operation))
      videoFormat_ = {start->width, start->height, start->framePeriod100ns, start->formatCode};
    if (!enabled_) {
      Transition(RecorderEvent::DroppedWhileDisabled);
      return 0;
    }
    const bool newFile = activeFileName_ != fileName_;
    if (IsGraphRunning() && (newFile || state_ == RecorderState::Paused)) {
      mainThreadDrainPending_ = true;
      if (newFile) {
        // A new file: close the current one and open the new one at this frame.
        activeFileName_ = fileName_;
        videoQueue_.Append(std::make_shared<TSLInternalStopOperation>());
        videoQueue_.Append(std::make_shared<TVLInternalStartFrameOperation>(
            fileName_, videoFormat_.width, videoFormat_.height, videoFormat_.framePeriod100ns,
            videoFormat_.formatCode));
      }
      // Frames resume after a pause: the pause must leave no gap.
      Transition(RecorderEvent::Resumed);
    }
    videoQueue_.Append(operation);
    notify = mainThreadDrainPending_;
  }
  if (notify) {
    notifier_->Post();
  } else {
    Drain(false);
  }
  return 0;
}

void TVLBaseCommonLogger::DrainFromMainThread() {
  try {
    {
      TOWReadLockSection lock(lock_);
      if (destroyed_) return;
    }
    Drain(true);
  } catch (const std::exception& error) {
    ReportDeferredError(error);
  }
}

void TVLBaseCommonLogger::Drain(bool inMainThread) {
  TOWWriteLockSection videoLock(*inputPin_);
  TOWWriteLockSection audioLock(*audioInputPin_);
  // Cleared when the drain ends, also when a step fails.
  struct PendingClear {
    bool& flag;
    ~PendingClear() { flag = false; }
  } pendingClear{mainThreadDrainPending_};
  for (;;) {
    bool progress = false;
    if (TOWOperationPtr operation = videoQueue_.TakeHead())
      progress = ProcessVideoOperation(operation, inMainThread);
    if (TOWOperationPtr operation = audioQueue_.TakeHead())
      progress = ProcessAudioOperation(operation, inMainThread) || progress;
    if (!progress) break;
  }
}

bool TVLBaseCommonLogger::ProcessAudioOperation(const TOWOperationPtr&, bool) {
  return true;  // no audio is recorded: everything is consumed
}

void TVLBaseCommonLogger::Transition(RecorderEvent event) {
  using S = RecorderState;
  switch (event) {
    case RecorderEvent::StartQueued:
      if (state_ == S::Idle) state_ = S::StartQueued;
      break;
    case RecorderEvent::Started:
      if (!IsVideoStarted()) state_ = S::NoGraph;
      break;
    case RecorderEvent::GraphRunning:
      state_ = S::Recording;
      break;
    case RecorderEvent::GraphStopped:
      if (IsGraphRunning()) state_ = S::NoGraph;
      break;
    case RecorderEvent::Stopped:
      state_ = S::Idle;
      break;
    case RecorderEvent::DroppedWhileDisabled:
      if (IsGraphRunning()) state_ = S::Paused;
      break;
    case RecorderEvent::Resumed:
      if (state_ == S::Paused) state_ = S::Resuming;
      break;
    case RecorderEvent::GapClosed:
      if (state_ == S::Resuming) state_ = S::Recording;
      break;
  }
}

bool TVLBaseCommonLogger::ProcessVideoOperation(const TOWOperationPtr& operation,
                                                bool inMainThread) {
  if (auto start = OperationAs<TVLInternalStartFrameOperation>(operation))
    return ProcessStartFile(*start);
  if (auto start = OperationAs<TOWStartFrameOperation>(operation)) return ProcessStartFrame(*start);
  if (OperationAs<TSLInternalStopOperation>(operation)) return ProcessInternalStop();
  if (OperationAs<TOWStopOperation>(operation)) return ProcessStop();
  if (auto supplied = OperationAs<TOWSuppliedBufferOperation>(operation))
    return ProcessFrame(operation, *supplied, inMainThread);
  return true;  // pump requests and the like need no answer
}

bool TVLBaseCommonLogger::ProcessStartFile(const TVLInternalStartFrameOperation& start) {
  if (IsGraphRunning() && recordingFileName_ == start.fileName) return true;
  recordingFileName_ = start.fileName;
  OpenVideoStream(start.width, start.height, start.framePeriod100ns, start.formatCode);
  return true;
}

bool TVLBaseCommonLogger::ProcessStartFrame(const TOWStartFrameOperation& start) {
  recordingFileName_ = fileName_;
  activeFileName_ = fileName_;
  OpenVideoStream(start.width, start.height, start.framePeriod100ns, start.formatCode);
  return true;
}

bool TVLBaseCommonLogger::ProcessInternalStop() {
  // The audio path would restart its stream here; no audio is recorded.
  StopLogging(false);
  return true;
}

bool TVLBaseCommonLogger::ProcessStop() {
  StopLogging(true);
  return true;
}

bool TVLBaseCommonLogger::ProcessFrame(const TOWOperationPtr& operation,
                                       const TOWSuppliedBufferOperation& supplied,
                                       bool inMainThread) {
  const auto internal = OperationAs<TOWInternalBufferOperation>(operation);
  const bool write = internal ? internal->write : enabled_;
  if (!IsVideoStarted()) {
    if (!write) return true;
    if (!inMainThread) {
      // Starting builds a graph: the main thread does that at its next turn.
      mainThreadDrainPending_ = true;
      videoQueue_.InsertHead(operation);
      if (state_ != RecorderState::StartQueued) {
        Transition(RecorderEvent::StartQueued);
        videoQueue_.InsertHead(std::make_shared<TOWStartFrameOperation>(
            videoFormat_.width, videoFormat_.height, videoFormat_.framePeriod100ns,
            videoFormat_.formatCode));
      }
      notifier_->Post();
      return false;
    }
    StartVideo(videoFormat_.width, videoFormat_.height, videoFormat_.formatCode,
               videoFormat_.framePeriod100ns);
  }
  auto frame = std::dynamic_pointer_cast<TVLImageBuffer>(supplied.buffer);
  if (!frame) return true;  // not a picture: nothing to record
  if (HasVideoSource()) {
    WriteVideoFrame(write, frame);
    return true;
  }
  // No source (no graph could be built): the frame waits at the head, but
  // only while nothing is queued behind it. A newer frame supersedes it, and
  // a stop or start behind it must not be blocked (a stale stop would end
  // the next recording), so the queue never grows without bound.
  if (!videoQueue_.Empty()) {
    if (write) ++outcome_.framesLost;
    return true;
  }
  videoQueue_.InsertHead(std::make_shared<TOWInternalBufferOperation>(write, frame));
  return false;
}

void TVLBaseCommonLogger::ResetProgressSnapshot() {
  std::lock_guard lock(progressMutex_);
  progressSnapshot_ = 0;
}

void TVLBaseCommonLogger::ReportProgress() {
  std::int64_t count = 0;
  {
    TOWReadLockSection lock(lock_);
    if (!onProgress_) return;
    count = static_cast<std::int64_t>(outcome_.framesWritten);
  }
  {
    std::lock_guard lock(progressMutex_);
    if (count == progressSnapshot_) return;
    progressSnapshot_ = count;
    // One message at a time: frames written before it arrives are reported
    // together, with the latest count.
    if (progressMessagePosted_) return;
    progressMessagePosted_ = true;
  }
  QObject* window = ProgressWindowHandle();
  if (!window) {
    std::lock_guard lock(progressMutex_);
    progressMessagePosted_ = false;
    return;
  }
  QMetaObject::invokeMethod(
      window, [this] { DeliverProgress(); }, Qt::QueuedConnection);
}

void TVLBaseCommonLogger::DeliverProgress() {
  std::int64_t snapshot = 0;
  {
    std::lock_guard lock(progressMutex_);
    snapshot = progressSnapshot_;
    progressMessagePosted_ = false;
  }
  TVLLoggerProgressEvent handler;
  {
    TOWReadLockSection lock(lock_);
    handler = onProgress_;
  }
  if (handler) handler(*this, snapshot);
}

}  // namespace vistrel
