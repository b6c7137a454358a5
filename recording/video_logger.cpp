#include "recording/video_logger.h"

#include <cstdio>
#include <filesystem>
#include <optional>

#include "platform/exception.h"
#include "platform/file_system.h"
#include "platform/layout/class_registry.h"
#include "platform/media/devices.h"
#include "platform/media/media_types.h"

namespace vistrel {

using namespace media;

std::string RecordingHostPath(const std::string& fileName, Status* status) {
  if (auto host = platform::FileSystem::instance().toHostForCreate(fileName)) return host->string();
  *status = STATUS_PATH_NOT_FOUND;
  return std::string();
}

namespace {

// A name ending in ".mp4" (any case) is written as MP4, every other as AVI.
const Guid& ContainerOf(const std::string& hostPath) {
  const std::string extension = std::filesystem::path(hostPath).extension().string();
  const bool mp4 = extension.size() == 4 && (extension[1] | 0x20) == 'm' &&
                   (extension[2] | 0x20) == 'p' && extension[3] == '4';
  return mp4 ? MEDIASUBTYPE_Mp4 : MEDIASUBTYPE_Avi;
}

}  // namespace

TVLDSVideoLogger::TVLDSVideoLogger() = default;

TVLDSVideoLogger::TVLDSVideoLogger(layout::Component&) {}

TVLDSVideoLogger::~TVLDSVideoLogger() { BeforeDestruction(); }

Status TVLDSVideoLogger::UseVideoSource(const Guid& subType) {
  FilterGraph* graph = graph_.FilterGraph();
  if (videoSource_) {
    if (videoSource_->Pin().SubType() == subType) return S_OK;
    graph->removeFilter(videoSource_.get());
  }
  videoSource_ = Ref<TDSVideoSourceFilter>(new TDSVideoSourceFilter(subType));
  videoSource_->SetFrameSize(videoFormat_.width, videoFormat_.height);
  videoSource_->SetFramePeriod(videoFormat_.framePeriod100ns);
  return graph->addFilter(videoSource_.get(), "VideoSource");
}

TVLDSVideoLogger::SizeLimit TVLDSVideoLogger::VideoSizeLimit(std::int32_t width,
                                                             std::int32_t height) const {
  if (!videoCompression_.Enabled()) return {};
  const TVLDSVideoCompressionItems& items = videoCompression_.Compressions();
  std::optional<SizeLimit> first;
  for (std::size_t i = 0; i < items.Count(); ++i) {
    Ref<BaseFilter> compressor = items.Item(i).CreateCompressor();
    Ref<media::VideoCompression> settings = queryInterface<media::VideoCompression>(compressor);
    VideoCompressionInfo info;
    if (!settings || failed(settings->getInfo(&info)) || info.maxPictureSide <= 0) continue;
    const SizeLimit limit{info.maxPictureSide, info.description};
    if (width <= limit.maxSide && height <= limit.maxSide) return limit;
    if (!first) first = limit;
  }
  // None installed: the frames go uncompressed.
  return first.value_or(SizeLimit{});
}

bool TVLDSVideoLogger::ConnectCompressor() {
  if (!videoCompression_.Enabled()) return false;
  TVLDSVideoCompressionItems& items = videoCompression_.Compressions();
  FilterGraph* graph = graph_.FilterGraph();
  // Each compressor gets 4:2:0 planes when it takes them (frames held as
  // planes go in as they are, RGB frames are converted accurately on the
  // recorder's thread), RGB otherwise.
  const std::vector<Guid> sourceTypes =
      videoFormat_.formatCode == 1 ? std::vector<Guid>{MEDIASUBTYPE_YUY2}
                                   : std::vector<Guid>{MEDIASUBTYPE_I420, MEDIASUBTYPE_RGB24};
  for (std::size_t i = 0; i < items.Count(); ++i) {
    const TVLDSVideoCompressionItem& item = items.Item(i);
    for (const Guid& sourceType : sourceTypes) {
      Ref<BaseFilter> compressor = item.CreateCompressor();
      if (!compressor) break;  // not installed: skipped without a report
      if (failed(UseVideoSource(sourceType))) return false;
      if (failed(graph->addFilter(compressor.get(), "VideoCompressor"))) break;
      const Status status =
          builder_->renderStream(videoSource_.get(), compressor.get(), multiplexer_.get());
      if (succeeded(status)) {
        item.ApplySettings(*compressor);
        videoCompressor_ = compressor;
        return true;
      }
      graph->removeFilter(compressor.get());
    }
  }
  return false;
}

bool TVLDSVideoLogger::BuildAndRunGraph() {
  if (recordingFileName_.empty()) return false;
  if (!graph_.CreateFilterGraph()) return false;
  FilterGraph* graph = graph_.FilterGraph();
  graph_.AddAdditionalFilters();

  builder_ = createCaptureGraphBuilder();
  if (!builder_) return graph_.ReportError("Can't build DirectShow graph builder.", E_FAIL);
  mediaControl_ = queryInterface<MediaControl>(graph);
  if (!mediaControl_) return graph_.ReportError("Can't obtain IMediaControl.", E_NOINTERFACE);
  Status status = builder_->setFiltergraph(graph);
  if (failed(status)) return graph_.ReportError("Can't build DirectShow graph builder.", status);

  const std::string hostPath = RecordingHostPath(recordingFileName_, &status);
  if (!hostPath.empty()) {
    status = builder_->setOutputFileName(ContainerOf(hostPath), hostPath, &multiplexer_);
  }
  if (hostPath.empty() || failed(status))
    return graph_.ReportError("Can't create file : " + recordingFileName_ + " .", status);

  const Guid subType = videoFormat_.formatCode == 1 ? MEDIASUBTYPE_YUY2 : MEDIASUBTYPE_RGB24;
  status = UseVideoSource(subType);
  if (failed(status)) return graph_.ReportError("Can't set video source filter.", status);

  if (!ConnectCompressor()) {
    // An uncompressed file stores the frames as the window shows them.
    status = UseVideoSource(subType);
    if (failed(status)) return graph_.ReportError("Can't set video source filter.", status);
    status = builder_->renderStream(videoSource_.get(), nullptr, multiplexer_.get());
    if (failed(status)) return graph_.ReportError("Can't render video output.", status);
  }
  graph_.GraphBuilt();

  status = mediaControl_->run();
  if (failed(status)) {
    mediaControl_->stop();
    return graph_.ReportError("Can't start logger.", status);
  }
  graph_.Activate();
  Transition(RecorderEvent::GraphRunning);
  return true;
}

const layout::PropertyTable& TVLDSVideoLogger::propertyTable() {
  using P = layout::Stored<TVLDSVideoLogger>;
  using L = TVLDSVideoLogger;
  using Collection = layout::Value::Collection;
  static const layout::PropertyTable table(
      {},
      {P::property("FileName", &L::FileName, &L::SetFileName),
       P::property("Enabled", &L::Enabled, &L::SetEnabled),
       P::property(
           "Graph.Register", [](const L& l) { return l.graph_.Register(); },
           [](L& l, bool value) { l.graph_.SetRegister(value); }),
       P::property(
           "Graph.AdditionalFilters",
           [](const L& l) { return l.graph_.AdditionalFilters().Stored(); },
           [](L& l, const Collection& value) { l.graph_.AdditionalFilters().Read(value); }),
       P::property(
           "VideoCompression.Enabled", [](const L& l) { return l.videoCompression_.Enabled(); },
           [](L& l, bool value) { l.videoCompression_.SetEnabled(value); }),
       P::property(
           "VideoCompression.Compressions",
           [](const L& l) { return l.videoCompression_.Compressions().Stored(); },
           [](L& l, const Collection& value) { l.videoCompression_.Compressions().Read(value); }),
       P::property(
           "AudioCompression.Enabled", [](const L& l) { return l.audioCompression_.Enabled(); },
           [](L& l, bool value) { l.audioCompression_.SetEnabled(value); }),
       P::property(
           "AudioCompression.Compressions", [](const L& l) { return l.audioCompression_.Stored(); },
           [](L& l, const Collection& value) { l.audioCompression_.Read(value); })});
  return table;
}

bool TVLDSVideoLogger::readProperty(const std::string& name, const layout::Value& value,
                                    layout::ReadContext& context) {
  return propertyTable().read(*this, name, value, context) || readPinProperty(name, value, context);
}

std::vector<layout::Property> TVLDSVideoLogger::storedProperties() const {
  std::vector<layout::Property> out;
  appendPinProperties(out);
  std::vector<layout::Property> own = propertyTable().write(*this);
  out.insert(out.end(), own.begin(), own.end());
  return out;
}

namespace recording {

void registerClasses() { layout::registerClass<TVLDSVideoLogger>("TVLDSVideoLogger"); }

}  // namespace recording

}  // namespace vistrel
