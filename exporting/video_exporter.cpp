#include "exporting/video_exporter.h"

#include <chrono>
#include <memory>
#include <thread>

#include <QCoreApplication>
#include <QThread>

#include "exporting/snapshot_reader.h"
#include "kUnit1Layout.h"
#include "picture/picture.h"
#include "pipeline/image_gen.h"
#include "platform/layout/layout_parser.h"
#include "recording/export_session.h"
#include "recording/video_logger.h"

namespace vistrel::exporter {
namespace {

// Compression properties carry no links to other components, so reading
// them needs neither the window nor fix-ups.
class DetachedReadContext final : public layout::ReadContext {
 public:
  explicit DetachedReadContext(layout::Component& root) : root_(root) {}
  layout::Component& root() override { return root_; }
  void addFixup(std::function<void()>) override {}

 private:
  layout::Component& root_;
};

const layout::ObjectNode* findObject(const layout::ObjectNode& node, const std::string& name) {
  if (node.name == name) return &node;
  for (const layout::ObjectNode& child : node.children)
    if (const layout::ObjectNode* found = findObject(child, name)) return found;
  return nullptr;
}

const char* compressorFor(VideoCodec codec) {
  switch (codec) {
    case VideoCodec::Mjpeg:
      return "Motion JPEG Codec";
    case VideoCodec::H264:
      return "H.264 Codec";
    case VideoCodec::Xvid:
      break;
  }
  return nullptr;  // the stored one
}

// Gives `component` the stored properties of the window's component
// `name` whose names start with one of `prefixes` (never its pin links).
void readStored(layout::Component& component, const std::string& name,
                std::initializer_list<const char*> prefixes) {
  static const layout::ObjectNode form = layout::parseLayoutText(resources::kUnit1Layout);
  const layout::ObjectNode* stored = findObject(form, name);
  if (!stored) throw EExportFailed("The window's layout holds no " + name);
  DetachedReadContext context(component);
  for (const layout::PropertyNode& property : stored->properties) {
    for (const char* prefix : prefixes) {
      if (property.name.rfind(prefix, 0) == 0) {
        component.readProperty(property.name, property.value, context);
        break;
      }
    }
  }
  component.loaded();  // as after reading a layout: the stored state takes effect
}

// Off the main thread, the recording's graph is built by the main thread's
// event loop at its next turn, and the frames wait in the logger's queue
// meanwhile. Waiting for it here keeps the queue short and lets the rest of
// the recording, its stop included, run on this thread, so that the outcome
// counts every frame. Ends early on an interrupt or a failed start.
void waitForStart(const TVLDSVideoLogger& logger, const std::atomic<bool>* interrupt) {
  constexpr auto kLook = std::chrono::milliseconds(2);
  constexpr auto kAtMost = std::chrono::seconds(30);
  const auto until = std::chrono::steady_clock::now() + kAtMost;
  while (!logger.GraphRunning() && logger.LastRecording().failure.empty() &&
         !(interrupt && interrupt->load()) && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(kLook);
}

}  // namespace

const char* videoExtension(VideoCodec codec) { return codec == VideoCodec::H264 ? ".mp4" : ".avi"; }

void applyStoredCompression(TVLDSVideoLogger& logger, VideoCodec codec) {
  readStored(logger, "VLDSVideoLogger1", {"VideoCompression."});
  TVLDSVideoCompressionItems& items = logger.VideoCompression().Compressions();
  const char* wanted = compressorFor(codec);
  if (wanted) {
    items.Clear();
    items.Add().SetCompressor(wanted);
  }
  // Without its compressor the logger would quietly store raw frames.
  if (items.Count() == 0 || items.Item(0).DisplayName().empty())
    throw EExportFailed(std::string("The compressor \"") +
                        (wanted          ? wanted
                         : items.Count() ? items.Item(0).Compressor().c_str()
                                         : "") +
                        "\" is not installed");
}

ExportReport exportVideo(const std::vector<std::string>& snapshots, const ExportSettings& settings,
                         const ExportProgress& progress, const std::atomic<bool>* interrupt) {
  auto generator = std::make_unique<TVLImageGen>();
  // Disabled, on the external clock: a frame only when asked for one.
  readStored(*generator, "VLImageGen1", {"Enabled", "ClockSource", "PumpPriority"});
  auto logger = std::make_unique<TVLDSVideoLogger>();
  applyStoredCompression(*logger, settings.codec);
  const TVLDSVideoLogger& recorder = *logger;
  // No message loop runs here: the session runs the logger's turns itself.
  recording::ExportSession session(std::move(generator), std::move(logger),
                                   recording::ExportSession::MessageTurns::Session);
  session.setTimeStamps(settings.stamp);

  ExportReport report;
  SnapshotReader reader(snapshots);
  const bool onMainThread = QCoreApplication::instance() != nullptr &&
                            QThread::currentThread() == QCoreApplication::instance()->thread();
  TPicture picture;
  std::size_t done = 0;
  bool started = false;
  std::string failure;  // one the session did not see
  try {
    while (!reader.atEnd()) {
      if (interrupt && interrupt->load()) {
        report.interrupted = true;
        break;
      }
      const std::string path = reader.nextPath();
      try {
        reader.read(picture);
      } catch (const std::exception& error) {
        report.skipped.push_back({path, error.what()});
        if (progress) progress(++done, snapshots.size());
        continue;
      }
      // The first snapshot that loads gives the video its frame size.
      if (!started) {
        started = true;
        session.start(settings.fileName, settings.rateFps, picture);
      }
      ++done;
      // A video with a hole in it would pass for a whole one: stop here.
      if (!session.frame(recording::frameSource(path), picture)) break;
      if (done == 1 && !onMainThread) waitForStart(recorder, interrupt);
      if (progress) progress(done, snapshots.size());
    }
  } catch (const std::exception& error) {
    failure = error.what();
  }
  report.snapshotsLeft = snapshots.size() - done;
  const recording::ExportOutcome outcome = session.stop();
  if (!started && !report.interrupted && failure.empty())
    throw EExportFailed("None of the " + std::to_string(snapshots.size()) +
                        " snapshots could be loaded");
  report.framesWritten = outcome.framesWritten;
  report.framesLost = outcome.framesLost;
  report.reason = outcome.reason;
  report.failure = outcome.failure.empty() ? failure : outcome.failure;
  return report;
}

}  // namespace vistrel::exporter
