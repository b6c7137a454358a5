// Video export: the export check box switches recording on and off, RateFPS
// sets the video's frame rate, and every snapshot a slide-show tick shows
// while the box is checked becomes one frame of the AVI file.
//
// Export on: box checked, red text, generator and logger enabled. Export off:
// box unchecked, white text, both disabled. The generator is always disabled
// before the logger, so the stop that completes the file reaches a logger
// that still records.

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include <QDateTime>

#include "app/unit1.h"
#include "app/widgets/check_box.h"
#include "app/widgets/dialogs.h"
#include "app/widgets/dispatch.h"
#include "app/widgets/image.h"
#include "app/widgets/list_box.h"
#include "app/widgets/spin_edit.h"
#include "app/widgets/timer.h"
#include "controls/colors.h"
#include "picture/errors.h"
#include "picture/jpeg_image.h"
#include "picture/picture.h"
#include "pipeline/image_gen.h"
#include "platform/file_system.h"
#include "platform/media/status.h"
#include "platform/video_names.h"
#include "recording/errors.h"
#include "recording/export_session.h"
#include "recording/video_logger.h"

namespace vistrel::app {
namespace {

// Loads the snapshot at the Windows path `path` into `picture`.
void loadSnapshot(TPicture& picture, const std::string& path) {
  const auto host = platform::FileSystem::instance().toHost(path);
  if (!host) throw EFOpenError("Cannot open file " + path);
  LoadPictureFile(picture, host->string(), path);
}

// Throws the loader's "Cannot open file %s" when the file at the Windows
// path `path` cannot be opened for reading; else returns its host path.
std::filesystem::path requireReadable(const std::string& path) {
  auto host = platform::FileSystem::instance().toHost(path);
  if (!host || !std::ifstream(*host, std::ios::binary).is_open())
    throw EFOpenError("Cannot open file " + path);
  return std::move(*host);
}

}  // namespace

std::string TForm1::reserveVideoFile() {
  const std::string folder = platform::FileSystem::instance().programFolder();
  const QDateTime now = clock_ ? clock_() : QDateTime::currentDateTime();
  // Several recordings switched on within one second get "-2", "-3", ...,
  // so that no saved video is ever replaced.
  const recording::FileReservation file = recording::reserveVideoName(folder, ".avi", now);
  if (file.reserved) return file.name;
  if (file.error == EEXIST) {
    throw EDSException(FormatGraphError(
        "Can't create file : " + platform::videoName(folder, ".avi", now, 1) + " .",
        media::STATUS_FILE_EXISTS));
  }
  throw EDSException(FormatGraphError(
      "Can't create file : " + file.name + " .",
      file.host.empty() ? media::STATUS_PATH_NOT_FOUND : media::statusFromErrno(file.error, true)));
}

void TForm1::attachExportSession() {
  // Failures of recording work done after its handler returned (a frame
  // written at the next message turn, or on the recorder's own thread)
  // reach the window here.
  exportSession_ = std::make_unique<recording::ExportSession>(
      *VLImageGen1, *VLDSVideoLogger1, recording::ExportSession::MessageTurns::Caller,
      [this](const std::string& message) { RecordingFailed(message); });
}

void TForm1::setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

void TForm1::setStampedExport(bool on) { exportSession_->setTimeStamps(on); }

void TForm1::CheckBox1MouseUp(Sender*, Qt::MouseButton button, Qt::KeyboardModifiers, int, int) {
  // Only a left click toggles the box. A release that left it as the
  // export already is (another button, a press that ended outside the box)
  // switches nothing and reports nothing: a "saved" message for a video
  // that was never recorded, or a new file mid-recording, would mislead.
  if (button == Qt::LeftButton) switchExport();
}

void TForm1::switchExport() {
  if (CheckBox1->checked() == exportOn()) return;
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
  try {
    TPicture first;
    loadFirstShowable(first);
    const std::string reserved = reserveVideoFile();
    leftOut_.clear();
    // The session enables the logger, then the generator; a start that
    // fails disables both again and removes the file while it is empty.
    exportSession_->start(reserved, RateFPS->value(), first);
  } catch (...) {
    // A checked box must mean a recording: go back to Off and report the
    // failure.
    CheckBox1->setChecked(false);
    CheckBox1->setFontColor(controls::clWhite);
    throw;
  }
  CheckBox1->setFontColor(controls::clRed);
}

void TForm1::switchExportOff() {
  // The stop completes the file while the logger still records.
  const recording::ExportOutcome outcome = exportSession_->stop();
  CheckBox1->setFontColor(controls::clWhite);
  if (outcome.complete() && outcome.framesWritten == 0) {
    // A file without a frame is no video any player reads: it goes, and
    // nothing is called saved.
    if (const auto host = platform::FileSystem::instance().toHost(outcome.fileName)) {
      std::error_code ignored;
      std::filesystem::remove(*host, ignored);
    }
    RefillSavedVideosList();
    Dialogs::instance().showMessage(kNothingRecordedMessage + outcome.fileName + leftOutText());
    return;
  }
  if (!outcome.complete()) {
    // "Saved" only for a complete file holding every frame handed to it.
    RefillSavedVideosList();  // what was written is there to look at
    std::string message = kVideoIncompleteMessage + VLDSVideoLogger1->FileName() + "\r\n\r\n" +
                          std::to_string(outcome.framesWritten) + " frames written, " +
                          std::to_string(outcome.framesLost) + " frames lost." + leftOutText();
    const std::string& cause = outcome.stopFailure.empty() ? outcome.failure : outcome.stopFailure;
    if (!cause.empty()) message += "\r\n\r\n" + cause;
    // The file and what the system or FFmpeg said of it.
    if (!outcome.reason.empty()) message += "\r\n" + outcome.reason;
    throw Exception(message);
  }
  Dialogs::instance().showMessage(std::string(kVideoSavedMessage) + VLDSVideoLogger1->FileName() +
                                  leftOutText());
  RefillSavedVideosList();
}

std::string TForm1::leftOutText() const {
  if (leftOut_.empty()) return std::string();
  std::string text = std::string("\r\n\r\n") + kLeftOutMessage;
  for (const auto& [path, reason] : leftOut_) {
    text += "\r\n";
    text += path;
    text += " (" + reason + ")";
  }
  return text;
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

void TForm1::loadFirstShowable(TPicture& picture) {
  // The first snapshot gives the stream its frame size; one that cannot be
  // shown never becomes a frame, so it must not set the size either. The
  // show reports it when it gets there.
  for (int index = 0; index < ListBox1->itemCount(); ++index) {
    const std::string path = SnapshotPath(index);
    if (unshowable_.contains(path)) continue;
    try {
      loadSnapshot(picture, path);
      picture.prepare();                    // an empty file decodes only here
      RequireWholeScan(picture.Graphic());  // never becomes a frame either
      return;
    } catch (const std::exception&) {
    }
  }
  loadSnapshot(picture, SnapshotPath(0));  // none decodes: report the first
  picture.prepare();
}

void TForm1::exportFrame(int index) {
  // The next period counts from the end of the hand-over. A failure leaves
  // the timer off: the show halts with one error box.
  SlideShowTimer->setEnabled(false);
  // The tick has just loaded and decoded snapshot `index` into Image1; the
  // generator's copy shares those pixels instead of decoding the file again,
  // and the planes the worker decoded beside them when there are any.
  // A file gone meanwhile still fails here, as loading it would.
  const std::string path = SnapshotPath(index);
  const std::filesystem::path host = requireReadable(path);
  try {
    // Shown as far as it goes, but no frame: the video would pass the
    // padding off as what the camera saw.
    RequireWholeScan(Image1->picture().Graphic());
  } catch (const EJPEG& damage) {
    leftOut_.emplace_back(path, damage.what());
    SlideShowTimer->setEnabled(true);
    return;
  }
  // Only the hand-over happens here: the recorder compresses and writes the
  // frame on its own thread.
  exportSession_->frame(recording::frameSource(path, host), Image1->picture());
  SlideShowTimer->setEnabled(true);
}

}  // namespace vistrel::app
