#include "recording/export_session.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include <QCoreApplication>
#include <QFileInfo>
#include <QtGlobal>

#include "picture/bitmap.h"
#include "picture/jpeg_image.h"
#include "picture/picture.h"
#include "picture/time_stamp.h"
#include "picture/video_planes.h"
#include "pipeline/image_gen.h"
#include "platform/archive_layout.h"
#include "platform/file_system.h"
#include "platform/video_names.h"
#include "recording/video_logger.h"

namespace vistrel::recording {
namespace {

namespace fs = std::filesystem;

// "-2" up to "-999" for recordings started within one second.
constexpr int kMaxCopiesPerSecond = 999;

// Removes the file of `windowsName` when it is empty.
void removeIfEmpty(const std::string& windowsName) {
  media::Status status = media::S_OK;
  const std::string host = RecordingHostPath(windowsName, &status);
  std::error_code error;
  if (!host.empty() && fs::file_size(host, error) == 0 && !error) fs::remove(host, error);
}

}  // namespace

FrameSource frameSource(const std::string& windowsPath) {
  if (const auto host = platform::FileSystem::instance().toHost(windowsPath))
    return frameSource(windowsPath, *host);
  return {windowsPath, platform::snapshotTime(windowsPath, QDateTime())};
}

FrameSource frameSource(const std::string& windowsPath, const fs::path& hostPath) {
  // Invalid for a file that is not there.
  const QDateTime modified = QFileInfo(QString::fromStdString(hostPath.string())).lastModified();
  return {windowsPath, platform::snapshotTime(windowsPath, modified)};
}

int createFileExclusively(const fs::path& hostPath) {
  const int fd = ::open(hostPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  ::close(fd);
  return 0;
}

FileReservation reserveVideoName(const std::string& windowsFolder, const std::string& extension,
                                 const QDateTime& now) {
  const platform::FileSystem& files = platform::FileSystem::instance();
  FileReservation result;
  for (int attempt = 0; attempt <= kMaxCopiesPerSecond; ++attempt) {
    result.name = platform::videoName(windowsFolder, extension, now, attempt);
    if (files.fileExists(result.name)) continue;
    // Where the logger will create it: a missing folder keeps its name, so
    // that the system's own error reports it.
    const auto host = files.toHostForCreate(result.name);
    if (!host) {
      result.host.clear();
      result.error = ENOENT;
      return result;
    }
    result.host = *host;
    result.error = createFileExclusively(*host);
    if (result.error == 0) {
      result.reserved = true;
      return result;
    }
    if (result.error != EEXIST) return result;
    // Taken between the look and the creation: the next name.
  }
  result.error = EEXIST;
  return result;
}

// The failures the logger and its graph report after the call that caused
// them. Shared with the installed handlers, which outlive the session.
struct ExportSession::Hooks {
  std::mutex mutex;
  std::string refused;  // the first one since the recording started
  FailureHandler onFailure;

  void note(const std::string& text) {
    std::lock_guard lock(mutex);
    if (refused.empty()) refused = text;
  }
  std::string first() {
    std::lock_guard lock(mutex);
    return refused;
  }
};

ExportSession::ExportSession(TVLImageGen& generator, TVLDSVideoLogger& logger, MessageTurns turns,
                             FailureHandler onFailure)
    : generator_(generator), logger_(logger), turns_(turns), hooks_(std::make_shared<Hooks>()) {
  hooks_->onFailure = std::move(onFailure);
  if (logger_.InputPin().Source() != &generator_.OutputPin())
    generator_.OutputPin().Connect(&logger_.InputPin());
  const std::weak_ptr<Hooks> hooks = hooks_;
  // A frame the running graph could not take, heard at once (the deferred
  // report comes a message turn later).
  logger_.Graph().SetOnWarning([hooks](layout::Component&, const std::string& text, std::int32_t) {
    if (const auto alive = hooks.lock()) alive->note(text);
  });
  // One handler for the process: the last session made hears the failures.
  // Once it is gone, the session made before it hears them again (the
  // window's, after an export of its own ran beside it); with none left
  // they are logged, as without a handler.
  {
    const std::lock_guard lock(liveHooksMutex());
    liveHooks().push_back(hooks);
  }
  TVLBaseCommonLogger::SetDeferredErrorHandler([](const std::exception& error) {
    const auto alive = newestLiveHooks();
    if (!alive) {
      qWarning("Recording: %s", error.what());
      return;
    }
    alive->note(error.what());
    if (alive->onFailure) alive->onFailure(error.what());
  });
}

ExportSession::ExportSession(std::unique_ptr<TVLImageGen> generator,
                             std::unique_ptr<TVLDSVideoLogger> logger, MessageTurns turns,
                             FailureHandler onFailure)
    : ExportSession(*generator, *logger, turns, std::move(onFailure)) {
  ownGenerator_ = std::move(generator);
  ownLogger_ = std::move(logger);
}

ExportSession::~ExportSession() {
  logger_.Graph().SetOnWarning(nullptr);
  const std::lock_guard lock(liveHooksMutex());
  std::erase_if(liveHooks(), [this](const std::weak_ptr<Hooks>& hooks) {
    const auto alive = hooks.lock();
    return !alive || alive == hooks_;
  });
}

std::mutex& ExportSession::liveHooksMutex() {
  static std::mutex mutex;
  return mutex;
}

std::vector<std::weak_ptr<ExportSession::Hooks>>& ExportSession::liveHooks() {
  static std::vector<std::weak_ptr<Hooks>> hooks;  // under liveHooksMutex(), oldest first
  return hooks;
}

std::shared_ptr<ExportSession::Hooks> ExportSession::newestLiveHooks() {
  const std::lock_guard lock(liveHooksMutex());
  for (auto hooks = liveHooks().rbegin(); hooks != liveHooks().rend(); ++hooks)
    if (auto alive = hooks->lock()) return alive;
  return nullptr;
}

void ExportSession::runMessageTurn() {
  if (turns_ == MessageTurns::Session) QCoreApplication::processEvents();
}

void ExportSession::start(const std::string& fileName, int rateFps, const TPicture& first) {
  {
    std::lock_guard lock(hooks_->mutex);
    hooks_->refused.clear();
  }
  fileName_ = fileName;
  handedOver_ = 0;
  thrown_.clear();
  first_ = last_ = FrameSource();
  try {
    generator_.SetPicture(first);
    generator_.SetFrameRate(rateFps);
    logger_.SetFileName(fileName);
    logger_.SetEnabled(true);
    generator_.SetEnabled(true);
  } catch (...) {
    // Disabling only sets flags and sends the stop; it cannot hide the error.
    try {
      generator_.SetEnabled(false);
    } catch (...) {
    }
    logger_.SetEnabled(false);
    removeIfEmpty(fileName);
    throw;
  }
  recording_ = true;
}

bool ExportSession::frame(const FrameSource& source, const TPicture& picture) {
  if (!recording_) {
    generator_.SetPicture(picture);
    return true;
  }
  try {
    generator_.SetPicture(timeStamps_ && source.time.isValid() ? stampedFrame(source.time, picture)
                                                               : picture);
    ++handedOver_;
    if (first_.path.empty()) first_ = source;
    last_ = source;
    generator_.GenerateFrame();
  } catch (const std::exception& error) {
    if (thrown_.empty()) thrown_ = error.what();
    throw;
  }
  runMessageTurn();  // the work the logger handed to this thread
  return hooks_->first().empty();
}

const TPicture& ExportSession::stampedFrame(const QDateTime& time, const TPicture& picture) {
  if (picture.empty()) return picture;
  const QString text = timeStampText(time);
  if (text != stampText_ || picture.height() != stampHeight_) {
    stamp_ = renderStamp(text, picture.height());
    stampText_ = text;
    stampHeight_ = picture.height();
  }
  const QPoint at = stampPosition(QSize(picture.width(), picture.height()), stamp_.size());
  if (!stamped_) stamped_ = std::make_unique<TPicture>();
  // A copy, so that the caller's picture (the window's, on screen) keeps
  // what it shows and any decoding error it has not reported yet.
  std::unique_ptr<TGraphic> copy = picture.Graphic()->clone();
  QImage bitmap;
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(copy.get())) {
    if (jpeg->videoPlanes()) {
      // The planes are shared read-only with the decoder's other users.
      std::unique_ptr<VideoPlanes> planes = jpeg->videoPlanes()->Copy();
      blendStamp(*planes, stamp_, at);
      jpeg->setVideoPlanes(std::move(planes));
      stamped_->SetGraphic(std::move(copy));
      return *stamped_;
    }
    try {
      bitmap = jpeg->bitmap();
    } catch (const std::exception&) {
      // Damaged: handed over unstamped, so the generator reports the
      // damage as it does for any frame.
      return picture;
    }
  } else if (auto* raster = dynamic_cast<TRasterGraphic*>(copy.get())) {
    bitmap = raster->image();
  }
  if (bitmap.isNull()) return picture;
  blendStamp(bitmap, stamp_, at);
  auto stampedBitmap = std::make_unique<TBitmap>();
  stampedBitmap->setImage(std::move(bitmap));
  stamped_->SetGraphic(std::move(stampedBitmap));
  return *stamped_;
}

ExportOutcome ExportSession::stop() {
  ExportOutcome outcome;
  if (!recording_) return outcome;
  recording_ = false;
  try {
    generator_.SetEnabled(false);
    runMessageTurn();
  } catch (const std::exception& error) {
    outcome.stopFailure = error.what();
  }
  try {
    logger_.SetEnabled(false);
  } catch (const std::exception& error) {
    if (outcome.stopFailure.empty()) outcome.stopFailure = error.what();
  }
  outcome.fileName = fileName_;
  outcome.first = first_;
  outcome.last = last_;
  // The logger's outcome is this recording's only once a frame or the
  // generator's start reached it; before, it still tells of the last one.
  const TVLBaseCommonLogger::RecordingOutcome logged = logger_.LastRecording();
  if (logged.fileName == fileName_) {
    outcome.framesWritten = logged.framesWritten;
    outcome.framesLost = logged.framesLost;
    outcome.failure = logged.failure;
    outcome.reason = logged.reason;
  }
  // With the caller's message loop, frames may still wait for its next turn
  // here: only a session that ran the turns itself can count them as lost.
  const bool allHandled = turns_ == MessageTurns::Session;
  if (allHandled) {
    outcome.framesLost =
        std::max(outcome.framesLost, handedOver_ - std::min(handedOver_, outcome.framesWritten));
  }
  if (outcome.failure.empty()) outcome.failure = hooks_->first();
  if (outcome.failure.empty()) outcome.failure = thrown_;
  if (outcome.failure.empty()) outcome.failure = outcome.stopFailure;
  if (outcome.failure.empty() && allHandled && outcome.framesWritten != handedOver_) {
    outcome.failure = "The video holds " + std::to_string(outcome.framesWritten) + " of " +
                      std::to_string(handedOver_) + " frames";
  }
  removeIfEmpty(fileName_);
  return outcome;
}

}  // namespace vistrel::recording
