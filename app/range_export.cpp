#include "app/range_export.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/unit1.h"
#include "app/widgets/dialogs.h"
#include "app/widgets/spin_edit.h"
#include "exporting/contact_sheet.h"
#include "exporting/snapshot_events.h"
#include "exporting/snapshot_reader.h"
#include "exporting/video_exporter.h"
#include "platform/file_system.h"
#include "recording/export_session.h"

namespace vistrel::app {
namespace {

namespace fs = std::filesystem;
using exporter::SkippedSnapshot;
using exporter::VideoCodec;

// The object name of the jobs, children of the window.
constexpr const char* kJobName = "rangeExport";
// How often the progress box looks at the worker.
constexpr int kProgressPollMs = 100;
// The contact sheet's name: the naming rule of the videos, as a JPEG.
constexpr const char* kSheetExtension = ".jpg";

struct RangeSettings {
  VideoCodec codec = VideoCodec::Xvid;
  bool stamp = true;
  bool motion = false;
  int rateFps = 5;  // the window's video rate (RateFPS) when the box was accepted
};

// What the worker made of the range; read on the GUI thread once it is done.
struct RangeResult {
  std::string windowsName;  // the file written, or empty when none was reserved
  fs::path host;
  std::uint64_t frames = 0;  // video frames the file holds
  std::uint64_t framesLost = 0;
  std::size_t snapshotsLeft = 0;  // never reached after a failure
  std::size_t leftOut = 0;        // "only what moved": snapshots without activity
  std::vector<SkippedSnapshot> skipped;
  bool cancelled = false;
  bool noEvents = false;  // "only what moved" found nothing to write
  // The export could not be written at all (nothing is kept), or writing
  // failed part way (the file keeps what it holds): the reason.
  std::string notWritten;
  std::string incomplete;
  // The contact sheet's figures.
  std::size_t sheetEvents = 0;
  int sheetWidth = 0;
  int sheetHeight = 0;
  std::size_t sheetStep = 1;
};

// The settings box: format, time stamp, only what moved. OK is the default
// button, so Return takes what the box shows; Escape cancels.
class RangeSettingsDialog final : public QDialog {
 public:
  RangeSettingsDialog(std::size_t snapshots, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Export Range"));
    setAccessibleName(QStringLiteral("Export range"));
    setAccessibleDescription(
        QStringLiteral("Settings of the video of %1 snapshots").arg(snapshots));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    format_ = new QComboBox(this);
    format_->addItem(QStringLiteral("AVI (Xvid)"));
    format_->addItem(QStringLiteral("MP4 (H.264)"));
    format_->setAccessibleName(QStringLiteral("Video format"));
    auto* formatLabel = new QLabel(QStringLiteral("&Format:"), this);
    formatLabel->setBuddy(format_);
    form->addRow(formatLabel, format_);
    layout->addLayout(form);
    stamp_ = new QCheckBox(QStringLiteral("&Time stamp on each frame"), this);
    stamp_->setChecked(true);
    stamp_->setAccessibleName(QStringLiteral("Time stamp"));
    layout->addWidget(stamp_);
    motion_ = new QCheckBox(QStringLiteral("Only what &moved"), this);
    motion_->setAccessibleName(QStringLiteral("Only what moved"));
    motion_->setAccessibleDescription(
        QStringLiteral("Only the snapshots of the range's events and a few around each"));
    layout->addWidget(motion_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("&Export"));
    ok->setAccessibleName(QStringLiteral("Export"));
    ok->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("Cancel"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    format_->setFocus();
  }

  RangeSettings settings() const {
    RangeSettings chosen;
    chosen.codec = format_->currentIndex() == 1 ? VideoCodec::H264 : VideoCodec::Xvid;
    chosen.stamp = stamp_->isChecked();
    chosen.motion = motion_->isChecked();
    return chosen;
  }

 private:
  QComboBox* format_ = nullptr;
  QCheckBox* stamp_ = nullptr;
  QCheckBox* motion_ = nullptr;
};

// "vistrel.avi", else the one stamped with the time, "-2", ... in the
// program folder, created empty so that nothing is ever written over.
// Throws with the reason when no name can be had.
recording::FileReservation reserveInProgramFolder(const std::string& extension) {
  const std::string folder = platform::FileSystem::instance().programFolder();
  recording::FileReservation file =
      recording::reserveVideoName(folder, extension, QDateTime::currentDateTime());
  if (file.reserved) return file;
  const std::string reason =
      file.host.empty() ? std::string("the folder is not on any drive") : std::strerror(file.error);
  throw Exception("Can't create file " + file.name + ": " + reason);
}

// One export of a range, from the settings to the closing message. A child
// of the window: closing the window cancels a running export and waits for
// its worker, which stops before its next snapshot (and, for a video,
// completes the file with the frames so far, as vistrel-export does when it
// is interrupted).
//
// Thread: the GUI thread, apart from run(), which runs on the worker and
// hands its progress and result over under mutex_; the GUI thread polls
// them with a QTimer.
class RangeExportJob final : public QObject {
 public:
  RangeExportJob(TForm1& form, std::vector<std::string> snapshots, RangeOutput what,
                 RangeSettings settings, QWidget* parent)
      : QObject(&form),
        form_(form),
        snapshots_(std::move(snapshots)),
        what_(what),
        settings_(settings) {
    const QString label = what_ == RangeOutput::Video
                              ? QStringLiteral("Exporting %1 snapshots...")
                              : QStringLiteral("Drawing a contact sheet of %1 snapshots...");
    progress_ = new QProgressDialog(label.arg(snapshots_.size()), QStringLiteral("&Cancel"), 0,
                                    static_cast<int>(snapshots_.size()), parent ? parent : &form);
    progress_->setWindowTitle(what_ == RangeOutput::Video ? QStringLiteral("Export Range")
                                                          : QStringLiteral("Contact Sheet"));
    progress_->setAccessibleName(what_ == RangeOutput::Video
                                     ? QStringLiteral("Export progress")
                                     : QStringLiteral("Contact sheet progress"));
    // Blocks the timeline (its parent) at most: the main window, its lists,
    // the picture and a running show stay usable.
    progress_->setWindowModality(parent ? Qt::WindowModal : Qt::NonModal);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumDuration(0);
    progress_->setValue(0);
    connect(progress_, &QProgressDialog::canceled, this, [this] { cancel_.store(true); });
    setObjectName(QString::fromLatin1(kJobName));
    poll_.setInterval(kProgressPollMs);
    connect(&poll_, &QTimer::timeout, this, [this] { poll(); });
  }

  ~RangeExportJob() override {
    cancel_.store(true);
    if (worker_.joinable()) worker_.join();
    delete progress_;  // a QPointer: gone already when its parent went first
  }

  // Cancels, waits for the worker and reports (once).
  void finishNow() {
    if (reported_) return;
    cancel_.store(true);
    if (worker_.joinable()) worker_.join();
    poll();
  }

  RangeExportJob(const RangeExportJob&) = delete;
  RangeExportJob& operator=(const RangeExportJob&) = delete;

  // Reserves the file and starts the worker; a name that cannot be had is
  // reported at once and ends the job.
  void start() {
    try {
      if (!(what_ == RangeOutput::Video && settings_.motion)) reserve();
    } catch (const std::exception& error) {
      Dialogs::instance().showError(error.what());
      deleteLater();
      return;
    }
    progress_->show();
    worker_ = std::thread([this] { run(); });
    poll_.start();
  }

 private:
  // The output's name; for "only what moved" the worker calls it once it
  // knows there is something to write, as vistrel-export does.
  void reserve() {
    const recording::FileReservation file = reserveInProgramFolder(
        what_ == RangeOutput::Video ? exporter::videoExtension(settings_.codec) : kSheetExtension);
    const std::lock_guard lock(mutex_);
    result_.windowsName = file.name;
    result_.host = file.host;
  }

  std::pair<std::string, fs::path> target() {
    const std::lock_guard lock(mutex_);
    return {result_.windowsName, result_.host};
  }

  void setProgress(std::size_t done) {
    const std::lock_guard lock(mutex_);
    done_ = done;
  }

  void run() {
    RangeResult result;
    try {
      if (what_ == RangeOutput::Video) {
        runVideo(result);
      } else {
        runSheet(result);
      }
    } catch (const std::exception& error) {
      result.notWritten = error.what();
    }
    const auto [name, host] = target();
    result.windowsName = name;
    result.host = host;
    // Nothing kept: the empty file reserved goes again.
    if (!result.host.empty() &&
        (!result.notWritten.empty() || result.noEvents ||
         (what_ == RangeOutput::Video ? result.frames == 0 : result.cancelled))) {
      std::error_code ignored;
      fs::remove(result.host, ignored);
    }
    const std::lock_guard lock(mutex_);
    result_ = std::move(result);
    finished_ = true;
  }

  void runVideo(RangeResult& result) {
    std::vector<std::string> snapshots = snapshots_;
    std::vector<SkippedSnapshot> indexedDamage;
    if (settings_.motion) {
      exporter::MotionSelection selection =
          exporter::selectMotion(snapshots, activity::EventOptions{}, exporter::kMotionContext);
      indexedDamage = std::move(selection.damaged);
      result.leftOut = snapshots.size() - selection.snapshots.size();
      if (selection.snapshots.empty()) {
        result.noEvents = true;
        result.skipped = std::move(indexedDamage);
        return;
      }
      if (cancel_.load()) {
        result.cancelled = true;
        return;
      }
      snapshots = std::move(selection.snapshots);
      reserve();
    }
    const exporter::ExportSettings settings{settings_.codec, settings_.rateFps, target().first,
                                            settings_.stamp};
    const exporter::ExportReport report = exporter::exportVideo(
        snapshots, settings, [this](std::size_t done, std::size_t) { setProgress(done); },
        &cancel_);
    result.frames = report.framesWritten;
    result.framesLost = report.framesLost;
    result.snapshotsLeft = report.snapshotsLeft;
    result.cancelled = report.interrupted;
    result.skipped = settings_.motion
                         ? exporter::joinSkipped(snapshots_, indexedDamage, report.skipped)
                         : report.skipped;
    if (!report.failure.empty())
      result.incomplete =
          report.failure + (report.reason.empty() ? std::string() : " (" + report.reason + ")");
  }

  void runSheet(RangeResult& result) {
    const exporter::ContactSheet sheet =
        exporter::makeContactSheet(snapshots_, exporter::SheetSettings{}, &cancel_);
    if (sheet.interrupted) {
      result.cancelled = true;
      return;
    }
    exporter::saveContactSheet(sheet.image, target().second);
    result.skipped = sheet.damaged;
    result.sheetEvents = sheet.events;
    result.sheetWidth = sheet.layout.size().width();
    result.sheetHeight = sheet.layout.size().height();
    result.sheetStep = sheet.layout.step;
  }

  void poll() {
    std::size_t done = 0;
    bool finished = false;
    {
      const std::lock_guard lock(mutex_);
      done = done_;
      finished = finished_;
    }
    if (progress_ && !finished) progress_->setValue(static_cast<int>(done));
    if (!finished || reported_) return;
    reported_ = true;
    poll_.stop();
    if (worker_.joinable()) worker_.join();
    if (progress_) progress_->hide();
    RangeResult result;
    {
      const std::lock_guard lock(mutex_);
      result = std::move(result_);
    }
    // A video or a sheet in the program folder is listed whatever became of
    // the rest.
    form_.RefillSavedVideosList();
    report(result);
    deleteLater();
  }

  // The closing message: the file by its host path and its Windows path,
  // what it holds and the snapshots left out, as vistrel-export lists them.
  void report(const RangeResult& result) const {
    std::string skipped;
    for (const SkippedSnapshot& snapshot : result.skipped)
      skipped +=
          "\r\nskipped " + snapshot.path + ": " + exporter::loaderMessageInWords(snapshot.message);
    const std::string count = std::to_string(snapshots_.size());
    const std::string kind = what_ == RangeOutput::Video ? "video" : "contact sheet";
    if (!result.notWritten.empty()) {
      Dialogs::instance().showError("The " + kind + " could not be written: " + result.notWritten +
                                    skipped);
      return;
    }
    if (result.noEvents) {
      Dialogs::instance().showMessage("No events among " + count + " snapshots; no video written" +
                                      skipped);
      return;
    }
    const std::string where =
        result.host.string() + "\r\n(" + result.windowsName + ")" + "\r\n\r\n";
    if (what_ == RangeOutput::ContactSheet) {
      if (result.cancelled) {
        Dialogs::instance().showMessage("Cancelled; no contact sheet was written.");
        return;
      }
      const std::string sampled =
          result.sheetStep > 1 ? ", 1 in " + std::to_string(result.sheetStep) + " shown" : "";
      Dialogs::instance().showMessage("Contact sheet saved to:\r\n\r\n" + where + count +
                                      " snapshots, " + std::to_string(result.sheetEvents) +
                                      (result.sheetEvents == 1 ? " event, " : " events, ") +
                                      std::to_string(result.skipped.size()) + " snapshots skipped" +
                                      sampled + " (" + std::to_string(result.sheetWidth) + " x " +
                                      std::to_string(result.sheetHeight) + ")" + skipped);
      return;
    }
    if (result.frames == 0) {
      Dialogs::instance().showMessage(
          result.cancelled
              ? "Cancelled before the first frame; no video was written." + skipped
              : "No snapshot of the range could be shown; no video was written." + skipped);
      return;
    }
    const std::string leftOut =
        settings_.motion ? ", " + std::to_string(result.leftOut) + " left out without activity"
                         : "";
    const std::string figures = std::to_string(result.frames) + " frames written, " +
                                std::to_string(result.skipped.size()) + " snapshots skipped" +
                                leftOut + ".";
    if (!result.incomplete.empty()) {
      Dialogs::instance().showError("The video is incomplete:\r\n\r\n" + where + figures + "\r\n" +
                                    std::to_string(result.framesLost) + " frames lost, " +
                                    std::to_string(result.snapshotsLeft) +
                                    " snapshots not exported.\r\n" + result.incomplete + skipped);
      return;
    }
    const std::string cancelled =
        result.cancelled ? "\r\nCancelled: the video holds the frames written until then." : "";
    Dialogs::instance().showMessage("Video saved to:\r\n\r\n" + where + figures + cancelled +
                                    skipped);
  }

  TForm1& form_;
  const std::vector<std::string> snapshots_;
  const RangeOutput what_;
  const RangeSettings settings_;
  QPointer<QProgressDialog> progress_;
  QTimer poll_;
  bool reported_ = false;
  std::atomic<bool> cancel_{false};
  std::mutex mutex_;
  std::size_t done_ = 0;   // under mutex_
  bool finished_ = false;  // under mutex_; the worker is done with everything
  RangeResult result_;     // under mutex_: the name reserved, then the whole result
  std::thread worker_;
};

}  // namespace

void cancelRangeExports(TForm1& form) {
  const QList<QObject*> jobs =
      form.findChildren<QObject*>(QString::fromLatin1(kJobName), Qt::FindDirectChildrenOnly);
  for (QObject* job : jobs) static_cast<RangeExportJob*>(job)->finishNow();
}

void exportSnapshotRange(TForm1& form, std::vector<std::string> snapshots, RangeOutput what,
                         QWidget* parent) {
  if (snapshots.empty()) return;
  if (what == RangeOutput::ContactSheet) {
    // A sheet takes no settings: it shows every snapshot and frames the events.
    (new RangeExportJob(form, std::move(snapshots), what, RangeSettings{}, parent))->start();
    return;
  }
  auto* dialog = new RangeSettingsDialog(snapshots.size(), parent ? parent : &form);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowModality(parent ? Qt::WindowModal : Qt::NonModal);
  const QPointer<TForm1> window(&form);
  QObject::connect(
      dialog, &QDialog::accepted, dialog,
      [dialog, window, parent, snapshots = std::move(snapshots)]() mutable {
        if (!window) return;
        RangeSettings settings = dialog->settings();
        // As the window records: a rate below 1 counts as 1.
        settings.rateFps = std::max(window->RateFPS->value(), 1);
        (new RangeExportJob(*window, std::move(snapshots), RangeOutput::Video, settings, parent))
            ->start();
      });
  dialog->open();
}

}  // namespace vistrel::app
