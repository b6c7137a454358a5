#include "recording/common_logger.h"

#include <utility>

#include <QtGlobal>

namespace vistrel {

TVLDSCommonLogger::TVLDSCommonLogger() : graph_(*this, LockObject()) {}

TVLDSCommonLogger::~TVLDSCommonLogger() { BeforeDestruction(); }

TVLDSCommonLogger::SizeLimit TVLDSCommonLogger::VideoSizeLimit(std::int32_t, std::int32_t) const {
  return {};
}

std::int64_t TVLDSCommonLogger::VideoRunningTime() const {
  TOWReadLockSection lock(LockObject());
  return videoRunningTime_;
}

void TVLDSCommonLogger::StartVideo(std::int32_t width, std::int32_t height, std::uint8_t,
                                   std::int64_t) {
  if (width <= 0 || height <= 0) return;
  if (const SizeLimit limit = VideoSizeLimit(width, height);
      width > limit.maxSide || height > limit.maxSide) {
    // Refused before a file exists: the format cannot hold it, and the
    // uncompressed fallback would write hundreds of megabytes per frame.
    const std::string by = limit.by.empty() ? std::string() : " with " + limit.by;
    graph_.ReportError("Can't record video of " + std::to_string(width) + " x " +
                           std::to_string(height) + " pixels" + by + " (at most " +
                           std::to_string(limit.maxSide) + " x " + std::to_string(limit.maxSide) +
                           ").",
                       media::E_INVALIDARG);
    return;
  }
  ResetProgressSnapshot();
  // The frames still queued belong to the previous recording and its outcome.
  FinishWrites();
  // Each recording counts its own frames.
  outcome_ = RecordingOutcome();
  outcome_.fileName = recordingFileName_;
  lastSequenceNumber_ = 0;
  videoRunningTime_ = 0;
  lastEndStamp_ = 0;
  firstFrame_ = true;
  Transition(RecorderEvent::Started);
  activeFileName_ = fileName_;
  // With audio, the audio path would start the graph; no audio is recorded.
  if (AudioInputPin().IsConnected()) return;
  if (graph_.Built() || videoSource_) {
    StopGraph();
    ReleaseGraph();
    ReportStopFailure();
  }
  bool running = false;
  try {
    running = BuildAndRunGraph();
  } catch (...) {
    // A later build must start from nothing, and the file must not stay open.
    ReleaseGraph();
    throw;
  }
  if (!running) ReleaseGraph();
}

void TVLDSCommonLogger::StartAudio() {
  // No audio is recorded; the audio path keeps its shape only.
}

void TVLDSCommonLogger::FinishWrites() { ReportWriteResults(writer_.drain()); }

void TVLDSCommonLogger::WaitForWrites() {
  TOWWriteLockSection lock(LockObject());
  FinishWrites();
}

void TVLDSCommonLogger::StopGraph() {
  if (!IsGraphRunning()) return;
  // Every frame handed over belongs in the file before it is completed.
  FinishWrites();
  if (mediaControl_) {
    const media::Status status = mediaControl_->stop();
    if (media::failed(status) && media::succeeded(stopFailure_)) {
      stopFailure_ = status;
      stopFailureFile_ = recordingFileName_;
    }
  }
  graph_.Deactivate();
  Transition(RecorderEvent::GraphStopped);
  ReleaseGraph();
}

void TVLDSCommonLogger::ReportStopFailure() {
  const media::Status status = std::exchange(stopFailure_, media::S_OK);
  if (media::succeeded(status)) return;
  // The file could not be completed (a full disk, say): saying nothing
  // would let the user believe the video was saved.
  const std::string text = "Can't complete file : " + stopFailureFile_ + " .";
  if (outcome_.failure.empty()) {
    outcome_.failure = FormatGraphError(text, status);
    outcome_.reason = status.detail();
  }
  graph_.ReportError(text, status);
}

void TVLDSCommonLogger::ReleaseGraph() {
  videoCompressor_.reset();
  graph_.ReleaseFilterGraph();
  builder_.reset();
  mediaControl_.reset();
  multiplexer_.reset();
  videoSource_.reset();
}

void TVLDSCommonLogger::StopLogging(bool clearQueues) {
  StopGraph();
  ReleaseGraph();
  if (clearQueues) EmptyQueues();
  activeFileName_.clear();
  Transition(RecorderEvent::Stopped);
  ReportStopFailure();
}

void TVLDSCommonLogger::WriteVideoFrame(bool write, const std::shared_ptr<TVLImageBuffer>& frame) {
  if (!IsGraphRunning() || !videoSource_ || !frame) return;
  const TMLTimeStamp stamp = frame->TimeStamp();
  if (stamp.valid) {
    std::int64_t gap = 0;
    if (firstFrame_) {
      firstFrame_ = false;
    } else if (State() == RecorderState::Resuming) {
      Transition(RecorderEvent::GapClosed);
    } else {
      const TSLSequenceStamp sequence = frame->SequenceStamp();
      const auto difference =
          static_cast<std::int32_t>(static_cast<std::uint32_t>(stamp.start - lastEndStamp_));
      if (sequence.valid) {
        const auto number = static_cast<std::uint64_t>(sequence.number);
        gap = number > lastSequenceNumber_ + 1 ? 0 : difference;
        lastSequenceNumber_ = number;
      } else {
        gap = difference;
      }
    }
    lastEndStamp_ = stamp.end;
    if (write && gap > 0) videoRunningTime_ += gap;
  }
  const std::int64_t sampleStart = videoRunningTime_;
  if (!stamp.valid) {
    videoRunningTime_ += videoFormat_.framePeriod100ns;
  } else if (write) {
    videoRunningTime_ += stamp.end - stamp.start;
  }
  const std::int64_t sampleEnd = videoRunningTime_;
  if (!write) return;
  // Counted as written once handed over; a failure that the recorder's
  // thread finds later takes the frame back (ReportWriteResults), and the
  // stop waits for every one (WaitForWrites gives the final count earlier).
  const bool firstOfRecording = outcome_.framesWritten == 0 && outcome_.framesLost == 0;
  ++outcome_.framesWritten;
  ReportWriteResults(writer_.takeResults());
  writingFileName_ = recordingFileName_;
  // The writer gets a buffer object of its own: the block is shared, and a
  // sender that writes into its frame afterwards gets a copy (copy-on-write).
  writer_.submit([source = videoSource_, own = frame->Clone(), sampleStart, sampleEnd] {
    if (own->Format() == 1) {
      return source->DeliverRawFrame(own->GetRead(), static_cast<std::uint32_t>(own->ByteSize()),
                                     sampleStart, sampleEnd);
    }
    // A picture held as video planes goes into the video as it is.
    if (const auto& planes = own->Planes();
        planes && source->Pin().SubType() == media::MEDIASUBTYPE_I420)
      return source->DeliverPlanarFrame(*planes, sampleStart, sampleEnd);
    // A picture loaded late is converted straight into the sample.
    return source->DeliverRGBFrame(
        [&own](std::uint8_t* firstRow, std::ptrdiff_t step) { own->CopyRowsTo(firstRow, step); },
        own->Width(), own->Height(), sampleStart, sampleEnd);
  });
  // The first frame of a recording is waited for: a file that cannot take
  // any frame (a full disk) is reported at once, before the show goes on.
  if (firstOfRecording) FinishWrites();
  ReportProgress();
}

void TVLDSCommonLogger::ReportWriteResults(const FrameWriter::Results& results) {
  // A frame the graph could not take (a full disk, a compressor that
  // refuses it) must not pass unnoticed: the graph's warning event hears of
  // every one, the window of the first.
  for (const FrameWriter::Failure& failure : results.failures) {
    const std::string text = "Can't write video frame to file : " + writingFileName_ + " .";
    graph_.ReportWarning(text, failure.status);
    if (outcome_.framesWritten > 0) --outcome_.framesWritten;
    RecordFailure(FormatGraphError(text, failure.status), failure.detail);
  }
}

void TVLDSCommonLogger::WriteAudioBuffer(bool, const std::shared_ptr<TSLGenericBuffer>&,
                                         std::int64_t& samplesTaken) {
  samplesTaken = 0;
}

}  // namespace vistrel
