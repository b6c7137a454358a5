// Video export: the export check box switches recording on and off, RateFPS
// sets the video's frame rate, and every snapshot a slide-show tick shows
// while the box is checked becomes one frame of the AVI file.
//
// Export on: box checked, red text, generator and logger enabled. Export off:
// box unchecked, white text, both disabled. The generator is always disabled
// before the logger, so the stop that completes the file reaches a logger
// that still records.

#include <QDateTime>

#include "app/controls/check_box.h"
#include "app/controls/colors.h"
#include "app/controls/dialogs.h"
#include "app/controls/list_box.h"
#include "app/controls/spin_edit.h"
#include "app/controls/timer.h"
#include "app/unit1.h"
#include "picture/picture.h"
#include "picture/picture_errors.h"
#include "pipeline/image_gen.h"
#include "platform/file_system.h"
#include "recording/ds_video_logger.h"

namespace vistrel::app {
namespace {

constexpr const char* kPlainVideoName = "vistrel.avi";

// Loads the snapshot at the Windows path `path` into the generator's picture.
void loadIntoGenerator(TVLImageGen& generator, const std::string& path) {
  const auto host = platform::FileSystem::instance().toHost(path);
  if (!host) throw EFOpenError("Cannot open file " + path);
  LoadPictureFile(generator.Picture(), host->string(), path);
}

// "vistrel.avi" in the program folder while no such file exists there, else
// a name stamped with the local date and time of switching on.
std::string nextVideoFileName() {
  const platform::FileSystem& files = platform::FileSystem::instance();
  const std::string folder = files.programFolder();
  if (!files.fileExists(folder + kPlainVideoName)) return folder + kPlainVideoName;
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  return folder + "vistrel-" + stamp.toStdString() + ".avi";
}

}  // namespace

void TForm1::CheckBox1MouseUp(Sender*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  if (CheckBox1->checked()) {
    switchExportOn();
  } else {
    switchExportOff();
  }
}

void TForm1::switchExportOn() {
  if (ListBox1->itemCount() == 0) {
    CheckBox1->setChecked(false);
    return;
  }
  try {
    // The first snapshot gives the stream its frame size.
    loadIntoGenerator(*VLImageGen1, SnapshotPath(0));
    VLDSVideoLogger1->SetFileName(nextVideoFileName());
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
    CheckBox1->setFontColor(clWhite);
    throw;
  }
  CheckBox1->setFontColor(clRed);
}

void TForm1::switchExportOff() {
  try {
    VLImageGen1->Stop();  // the stop completes the file while the logger still records
    VLImageGen1->SetEnabled(false);
  } catch (...) {
    VLDSVideoLogger1->SetEnabled(false);
    CheckBox1->setFontColor(clWhite);
    throw;  // no "saved" message for a file that could not be completed
  }
  VLDSVideoLogger1->SetEnabled(false);
  CheckBox1->setFontColor(clWhite);
  Dialogs::instance().showMessage(std::string(kVideoSavedMessage) + VLDSVideoLogger1->FileName());
  RefillSavedVideosList();
}

void TForm1::RateFPSChange(Sender*) {
  // 0 can be typed before the field clamps it; the generator counts a rate
  // below 1 as 1 when it starts a stream.
  VLImageGen1->SetFrameRate(RateFPS->value());
}

void TForm1::exportFrame(int index) {
  // The next period counts from the end of the hand-over. A failure leaves
  // the timer off: the show halts with one error box.
  SlideShowTimer->setEnabled(false);
  loadIntoGenerator(*VLImageGen1, SnapshotPath(index));
  VLImageGen1->GenerateFrame();
  SlideShowTimer->setEnabled(true);
}

}  // namespace vistrel::app
