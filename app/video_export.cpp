// Video export: the export check box switches recording on and off, RateFPS
// sets the video's frame rate, and every snapshot a slide-show tick shows
// while the box is checked becomes one frame of the AVI file.
//
// Export on: box checked, red text, generator and logger enabled. Export off:
// box unchecked, white text, both disabled. The generator is always disabled
// before the logger, so the stop that completes the file reaches a logger
// that still records.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>

#include <QDateTime>

#include "app/controls/check_box.h"
#include "app/controls/dialogs.h"
#include "app/controls/dispatch.h"
#include "app/controls/image.h"
#include "app/controls/list_box.h"
#include "app/controls/spin_edit.h"
#include "app/controls/timer.h"
#include "app/unit1.h"
#include "controls/colors.h"
#include "picture/picture.h"
#include "picture/picture_errors.h"
#include "pipeline/image_gen.h"
#include "platform/file_system.h"
#include "platform/media/status.h"
#include "platform/video_names.h"
#include "recording/ds_exception.h"
#include "recording/ds_video_logger.h"

namespace vistrel::app {
namespace {

constexpr int kMaxCopiesPerSecond = 999;

// Loads the snapshot at the Windows path `path` into the generator's picture.
void loadIntoGenerator(TVLImageGen& generator, const std::string& path) {
  const auto host = platform::FileSystem::instance().toHost(path);
  if (!host) throw EFOpenError("Cannot open file " + path);
  LoadPictureFile(generator.Picture(), host->string(), path);
}

// Throws the loader's "Cannot open file %s" when the file at the Windows
// path `path` cannot be opened for reading.
void requireReadable(const std::string& path) {
  const auto host = platform::FileSystem::instance().toHost(path);
  if (!host || !std::ifstream(*host, std::ios::binary).is_open())
    throw EFOpenError("Cannot open file " + path);
}

// Creates `name` (a Windows path) empty, failing when anything already
// bears that name. False when it exists; throws for any other failure.
bool createExclusively(const std::string& name) {
  media::Status status = media::S_OK;
  const std::string host = RecordingHostPath(name, &status);
  if (host.empty())
    throw EDSException(FormatGraphError("Can't create file : " + name + " .", status));
  const int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0 && errno == EEXIST) return false;
  if (fd < 0) {
    throw EDSException(FormatGraphError("Can't create file : " + name + " .",
                                        media::statusFromErrno(errno, true)));
  }
  ::close(fd);
  return true;
}

// Removes the file reserved for a recording that did not start, when it is
// still empty.
void removeIfEmpty(const std::string& name) {
  media::Status status = media::S_OK;
  const std::string host = RecordingHostPath(name, &status);
  std::error_code error;
  if (!host.empty() && std::filesystem::file_size(host, error) == 0 && !error)
    std::filesystem::remove(host, error);
}

}  // namespace

std::string TForm1::reserveVideoFile() {
  const platform::FileSystem& files = platform::FileSystem::instance();
  const std::string folder = files.programFolder();
  const QDateTime now = clock_ ? clock_() : QDateTime::currentDateTime();
  // Several recordings switched on within one second get "-2", "-3", ...,
  // so that no saved video is ever replaced.
  for (int attempt = 0; attempt <= kMaxCopiesPerSecond; ++attempt) {
    const std::string name = platform::videoName(folder, ".avi", now, attempt);
    if (!files.fileExists(name) && createExclusively(name)) return name;
  }
  throw EDSException(
      FormatGraphError("Can't create file : " + platform::videoName(folder, ".avi", now, 1) + " .",
                       media::STATUS_FILE_EXISTS));
}

void TForm1::setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

void TForm1::CheckBox1MouseUp(Sender*, Qt::MouseButton button, Qt::KeyboardModifiers, int, int) {
  // Only a left click toggles the box. A release that left it as the
  // export already is (another button, a press that ended outside the box)
  // switches nothing and reports nothing: a "saved" message for a video
  // that was never recorded, or a new file mid-recording, would mislead.
  if (button != Qt::LeftButton || CheckBox1->checked() == exportOn()) return;
  if (CheckBox1->checked()) {
    switchExportOn();
  } else {
    switchExportOff();
  }
}

bool TForm1::exportOn() const { return VLDSVideoLogger1->Enabled(); }

void TForm1::switchExportOn() {
  if (ListBox1->itemCount() == 0) {
    CheckBox1->setChecked(false);
    return;
  }
  std::string reserved;
  try {
    loadFirstShowableIntoGenerator();
    reserved = reserveVideoFile();
    VLDSVideoLogger1->SetFileName(reserved);
    VLDSVideoLogger1->SetEnabled(true);
    VLImageGen1->SetEnabled(true);
    VLImageGen1->SetFrameRate(RateFPS->value());
    VLImageGen1->Start();
  } catch (...) {
    // A checked box must mean a recording: go back to Off (completing any
    // file already started) and report the failure.
    VLImageGen1->SetEnabled(false);
    VLDSVideoLogger1->SetEnabled(false);
    CheckBox1->setChecked(false);
    CheckBox1->setFontColor(controls::clWhite);
    if (!reserved.empty()) removeIfEmpty(reserved);
    throw;
  }
  CheckBox1->setFontColor(controls::clRed);
}

void TForm1::switchExportOff() {
  // The stop completes the file while the logger still records.
  const std::optional<std::string> stopFailure = runCatching([this] {
    VLImageGen1->Stop();
    VLImageGen1->SetEnabled(false);
  });
  VLDSVideoLogger1->SetEnabled(false);
  CheckBox1->setFontColor(controls::clWhite);
  const TVLBaseCommonLogger::RecordingOutcome outcome = VLDSVideoLogger1->LastRecording();
  // A name chosen by switching on again during a recording that no frame
  // reached: its reserved file was never written.
  if (!outcome.fileName.empty() && outcome.fileName != VLDSVideoLogger1->FileName())
    removeIfEmpty(VLDSVideoLogger1->FileName());
  if (stopFailure || outcome.framesLost > 0 || !outcome.failure.empty()) {
    // "Saved" only for a complete file holding every frame handed to it.
    RefillSavedVideosList();  // what was written is there to look at
    std::string message = kVideoIncompleteMessage + VLDSVideoLogger1->FileName() + "\r\n\r\n" +
                          std::to_string(outcome.framesWritten) + " frames written, " +
                          std::to_string(outcome.framesLost) + " frames lost.";
    const std::string& cause = stopFailure ? *stopFailure : outcome.failure;
    if (!cause.empty()) message += "\r\n\r\n" + cause;
    // The file and what the system or FFmpeg said of it.
    if (!outcome.reason.empty()) message += "\r\n" + outcome.reason;
    throw Exception(message);
  }
  Dialogs::instance().showMessage(std::string(kVideoSavedMessage) + VLDSVideoLogger1->FileName());
  RefillSavedVideosList();
}

void TForm1::RecordingFailed(const std::string& message) {
  // A frame that could not be written halts the show: the recording has
  // a hole from here on, and the user should know before going on. The
  // export goes off with it, so no later frame is handed to a recording
  // that already failed; the box then says what is on disk.
  SlideShowTimer->setEnabled(false);
  if (!exportOn()) {
    reportError(message);
    return;
  }
  CheckBox1->setChecked(false);
  const std::optional<std::string> report = runCatching([this] { switchExportOff(); });
  reportError(message + (report ? "\r\n\r\n" + *report : std::string()));
}

void TForm1::RateFPSChange(Sender*) {
  // 0 can be typed before the field clamps it; the generator counts a rate
  // below 1 as 1 when it starts a stream.
  VLImageGen1->SetFrameRate(RateFPS->value());
}

void TForm1::loadFirstShowableIntoGenerator() {
  // The first snapshot gives the stream its frame size; one that cannot be
  // shown never becomes a frame, so it must not set the size either. The
  // show reports it when it gets there.
  for (int index = 0; index < ListBox1->itemCount(); ++index) {
    const std::string path = SnapshotPath(index);
    if (unshowable_.contains(path)) continue;
    try {
      loadIntoGenerator(*VLImageGen1, path);
      VLImageGen1->Picture().prepare();  // an empty file decodes only here
      return;
    } catch (const std::exception&) {
    }
  }
  loadIntoGenerator(*VLImageGen1, SnapshotPath(0));  // none decodes: report the first
  VLImageGen1->Picture().prepare();
}

void TForm1::exportFrame(int index) {
  // The next period counts from the end of the hand-over. A failure leaves
  // the timer off: the show halts with one error box.
  SlideShowTimer->setEnabled(false);
  // The tick has just loaded and decoded snapshot `index` into Image1; the
  // generator's copy shares those pixels instead of decoding the file again.
  // A file gone meanwhile still fails here, as loading it would.
  requireReadable(SnapshotPath(index));
  VLImageGen1->Picture().Assign(Image1->picture());
  // Only the hand-over happens here: the recorder compresses and writes the
  // frame on its own thread.
  VLImageGen1->GenerateFrame();
  SlideShowTimer->setEnabled(true);
}

}  // namespace vistrel::app
