// TVLDSCommonLogger: a logger that records through a media graph. It starts
// and stops the graph, turns each frame into a timed sample of its source
// filter and keeps the running time; a subclass builds the graph
// (BuildAndRunGraph).
//
// Timing: frames are laid end to end from 0. A stamped frame keeps its own
// duration and the gap to the previous stamped frame, except that the gap
// of the first frame, of the first frame after a pause and of a frame whose
// sequence number skips ahead is closed; an unstamped frame lasts one frame
// period.
//
// Thread: as the base: under the component's lock, on the thread that
// drains the queues. Compressing and writing a frame runs on the recorder's
// own thread (FrameWriter): the drain only hands the frame over, and a
// stop waits for every frame handed over before it completes the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/media/filter_graph.h"
#include "recording/base_common_logger.h"
#include "recording/frame_writer.h"
#include "recording/graph.h"
#include "recording/video_source_filter.h"

namespace vistrel {

class TVLDSCommonLogger : public TVLBaseCommonLogger {
 public:
  // The largest video side an uncompressed recording takes (a larger frame
  // would be hundreds of megabytes). With compression, the compressors'
  // own limits hold (VideoSizeLimit). A larger start is refused with an
  // error before any file is made.
  static constexpr std::int32_t kMaxVideoSide = 8191;

  TVLDSCommonLogger();
  ~TVLDSCommonLogger() override;

  TDSGraph& Graph() { return graph_; }
  const TDSGraph& Graph() const { return graph_; }

  // Waits until the recorder's thread has written every frame handed to it;
  // failures are reported and taken off the count as at the stop.
  void WaitForWrites();

  // Inspection: the end time of the last sample written (100 ns).
  std::int64_t VideoRunningTime() const;

 protected:
  void StartVideo(std::int32_t width, std::int32_t height, std::uint8_t formatCode,
                  std::int64_t framePeriod100ns) override;
  void StartAudio() override;
  void StopLogging(bool clearQueues) override;
  bool HasVideoSource() const override { return static_cast<bool>(videoSource_); }
  bool HasAudioSource() const override { return false; }  // no audio is recorded
  void WriteVideoFrame(bool write, const std::shared_ptr<TVLImageBuffer>& frame) override;
  void WriteAudioBuffer(bool write, const std::shared_ptr<TSLGenericBuffer>& buffer,
                        std::int64_t& samplesTaken) override;
  QObject* ProgressWindowHandle() override { return graph_.MessageWindow(); }

  // Builds the graph for the recording file name and runs it; false when it
  // was not built (a handled failure, or no file name).
  virtual bool BuildAndRunGraph() = 0;
  // The largest side a recording of `width` x `height` can have, and what
  // sets it ("XviD MPEG-4 Codec"; empty for the uncompressed fallback).
  struct SizeLimit {
    std::int32_t maxSide = kMaxVideoSide;
    std::string by;
  };
  virtual SizeLimit VideoSizeLimit(std::int32_t width, std::int32_t height) const;
  // Stops a running graph (completing the file) and releases it.
  virtual void StopGraph();
  // Releases every graph object.
  virtual void ReleaseGraph();
  // Reports (OnError, else EDSException "Can't complete file : <name> .")
  // a stop that could not complete the file, once everything is released.
  void ReportStopFailure();
  // Waits for the frames handed to the recorder's thread and reports a frame
  // the graph refused since the last report (OnWarning).
  void FinishWrites();
  void ReportWriteResults(const FrameWriter::Results& results);

  TDSGraph graph_;
  media::Ref<media::CaptureGraphBuilder> builder_;
  media::Ref<media::MediaControl> mediaControl_;
  media::Ref<media::BaseFilter> multiplexer_;
  media::Ref<TDSVideoSourceFilter> videoSource_;
  media::Ref<media::BaseFilter> videoCompressor_;

 private:
  std::int64_t videoRunningTime_ = 0;
  std::int64_t lastEndStamp_ = 0;
  std::uint64_t lastSequenceNumber_ = 0;
  bool firstFrame_ = false;
  media::Status stopFailure_ = media::S_OK;
  std::string stopFailureFile_;
  std::string writingFileName_;  // the file the queued frames go to
  // Last member: destroyed (drained and joined) first.
  FrameWriter writer_;
};

}  // namespace vistrel
