// TVLDSVideoLogger: the recorder component of the main window. Frames that
// reach its InputPin are written into the AVI file named by FileName,
// compressed with the first usable compressor of VideoCompression (or
// uncompressed when none can be used).
//
// The file name is a Windows path of the program's drive table
// (platform::FileSystem); the file is created on the host path it maps to.
// A name ending in ".mp4" gets an MP4 file (for the H.264 compressor), any
// other an AVI file.
//
// Thread: the main thread (see TVLBaseCommonLogger).
#pragma once

#include <string>
#include <vector>

#include "platform/layout/stored_properties.h"
#include "recording/common_logger.h"
#include "recording/video_compression.h"

namespace vistrel {

class TVLDSVideoLogger : public TVLDSCommonLogger {
 public:
  TVLDSVideoLogger();
  // The layout reader's constructor; the owner is the component it is read into.
  explicit TVLDSVideoLogger(layout::Component& owner);
  ~TVLDSVideoLogger() override;

  std::string className() const override { return "TVLDSVideoLogger"; }

  TVLDSVideoCompression& VideoCompression() { return videoCompression_; }
  TALDSAudioCompression& AudioCompression() { return audioCompression_; }

  bool readProperty(const std::string& name, const layout::Value& value,
                    layout::ReadContext& context) override;
  std::vector<layout::Property> storedProperties() const override;

 protected:
  bool BuildAndRunGraph() override;
  // The limit of the first installed compressor that takes the size, else
  // of the first installed one; the uncompressed one without compression.
  SizeLimit VideoSizeLimit(std::int32_t width, std::int32_t height) const override;

 private:
  static const layout::PropertyTable& propertyTable();
  bool ConnectCompressor();
  // Makes videoSource_ a source of `subType` in the graph (replacing one of
  // another type).
  media::Status UseVideoSource(const media::Guid& subType);

  TVLDSVideoCompression videoCompression_;
  TALDSAudioCompression audioCompression_;
};

// The host path a recording file name is created at; empty (with `status`
// set) when its drive is not mapped. Folders that do not exist are mapped
// as written, so that creating the file reports the system's own error.
std::string RecordingHostPath(const std::string& fileName, media::Status* status);

namespace recording {
// Registers the recording components with the layout's class registry.
void registerClasses();
}  // namespace recording

}  // namespace vistrel
