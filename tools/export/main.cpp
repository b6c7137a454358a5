// vistrel-export: writes snapshots of the archive into one video from the
// command line, without a window (no display needed).
//
// With --events it writes no video but lists the events on standard output
// (damaged snapshots and notes on standard error); with --motion it writes
// only the events' snapshots and their context; with --contact-sheet it
// writes one picture of small tiles instead.
//
// Exit status: 0 every snapshot written (or read, with --events); 1 written
// (listed), some snapshots skipped;
// 2 usage error; 3 the video (or sheet) could not be written, or writing
// failed part way (the video keeps the frames written before; a sheet is
// removed); 128 + the signal's number
// when stopped by SIGINT (130), SIGTERM (143), SIGHUP (129) or SIGPIPE
// (141): the video is completed with the frames so far.
//
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>

#include "exporting/contact_sheet.h"
#include "exporting/snapshot_events.h"
#include "exporting/video_exporter.h"
#include "platform/command_options.h"
#include "platform/drive_table.h"
#include "platform/file_system.h"
#include "tools/export/export_options.h"
#include "tools/export/ffmpeg_log.h"
#include "tools/export/output_file.h"
#include "tools/export/progress_line.h"
#include "tools/export/skip_report.h"
#include "tools/export/snapshot_sources.h"

namespace {

using namespace vistrel;
using namespace vistrel::exporter;
namespace fs = std::filesystem;

enum ExitStatus { kAllWritten = 0, kSomeSkipped = 1, kUsage = 2, kNotWritten = 3 };

std::atomic<bool> interrupted{false};
std::atomic<int> stopSignal{0};  // the first signal that stopped the export

extern "C" void onInterrupt(int signal) {
  int none = 0;
  stopSignal.compare_exchange_strong(none, signal);
  interrupted.store(true);
}

// Ctrl+C, a kill and a closed terminal or dropped connection all complete
// the file with the frames so far: the frames are the point of the run.
// SIGPIPE is what a dropped connection without a terminal (ssh with a
// command) sends at the next progress line.
void catchInterrupts() {
  struct sigaction action = {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaction(signal, &action, nullptr);
}

// The shell's status for a process ended by the signal.
int interruptedStatus() { return 128 + stopSignal.load(); }

int fail(int status, const std::string& message) {
  std::fprintf(stderr, "vistrel-export: %s\n", message.c_str());
  return status;
}

std::vector<std::string> collectSnapshots(const ExportOptions& options) {
  if (!options.from.empty()) return snapshotsOfRange(options.from, options.to);
  std::vector<std::string> snapshots;
  for (const std::string& source : options.sources) {
    std::vector<std::string> more = snapshotsOfSource(source);
    snapshots.insert(snapshots.end(), more.begin(), more.end());
  }
  return snapshots;
}

// Creates the video's file under its final host path and returns that path:
// --output as given (a Windows or a host path; throws EOutputTaken when it
// exists), else the window's naming rule in the current folder.
fs::path reserveOutput(const ExportOptions& options) {
  platform::FileSystem& files = platform::FileSystem::instance();
  const std::string extension = videoExtension(options.codec);
  if (options.output.empty()) {
    std::error_code error;
    const fs::path here = fs::current_path(error);
    std::optional<std::string> folder = error ? std::nullopt : files.fromHost(here);
    if (!folder) throw EExportFailed("The current folder cannot be written to; give --output");
    if (folder->back() != '\\') *folder += '\\';  // the naming rule appends the name
    return reserveNextVideoName(*folder, extension, QDateTime::currentDateTime());
  }
  const fs::path target = outputHostPath(options.output);
  createExclusively(target);
  return target;
}

// Removes the reserved file of an export that put no frame into it.
void removeUnused(const fs::path& target) {
  std::error_code error;
  fs::remove(target, error);
}

// The Windows path the logger writes, for a host path (in the host
// namespace when no drive holds it, so that it names that very file).
std::string windowsPath(const fs::path& host) {
  return platform::FileSystem::instance().fromHost(host).value_or(host.string());
}

// Prints the skip list: each snapshot named as its source was.
void printSkipped(std::FILE* out, const std::vector<SkippedSnapshot>& skipped,
                  const ExportOptions& options) {
  for (const SkippedSnapshot& snapshot : skipped)
    std::fprintf(out, "skipped %s: %s\n", pathAsGiven(snapshot.path, options.sources).c_str(),
                 loaderMessageInWords(snapshot.message).c_str());
  std::fflush(out);
}

void printCacheProblems(const std::vector<std::string>& problems, const ExportOptions& options) {
  if (options.quiet) return;
  for (const std::string& problem : problems)
    std::fprintf(stderr, "vistrel-export: the activity index was not kept: %s\n", problem.c_str());
}

// --events: the events on standard output, one a line (or one JSON object a
// line), damaged snapshots and the count on standard error.
int listEvents(const std::vector<std::string>& snapshots, const ExportOptions& options) {
  const SnapshotEvents found = findSnapshotEvents(snapshots, options.eventOptions);
  for (const activity::ActivityEvent& event : found.events) {
    const std::string peak = pathAsGiven(event.peakPath, options.sources);
    const std::string line =
        options.json ? eventJson(event, peak, pathAsGiven(event.firstPath, options.sources),
                                 pathAsGiven(event.lastPath, options.sources))
                     : eventLine(event, peak);
    std::printf("%s\n", line.c_str());
  }
  std::fflush(stdout);
  printSkipped(stderr, found.damaged, options);
  printCacheProblems(found.cacheProblems, options);
  if (!options.quiet)
    std::fprintf(stderr, "%zu event%s among %zu snapshots, %zu skipped\n", found.events.size(),
                 found.events.size() == 1 ? "" : "s", snapshots.size(), found.damaged.size());
  return found.damaged.empty() ? kAllWritten : kSomeSkipped;
}

QtMessageHandler qtHandler = nullptr;  // the one dropRuntimeFolderNote passes on to

void dropRuntimeFolderNote(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
  if (type == QtWarningMsg && message.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR")))
    return;
  if (qtHandler != nullptr) qtHandler(type, context, message);
}

// --contact-sheet: the picture under its name, created before any snapshot
// is read (so a taken name costs nothing), removed again when it cannot be
// completed.
int writeContactSheet(const std::vector<std::string>& snapshots, const ExportOptions& options) {
  fs::path target;
  catchInterrupts();
  try {
    target = outputHostPath(options.contactSheet);
    createExclusively(target);
  } catch (const EOutputTaken& error) {
    return fail(kUsage, error.what());
  } catch (const std::exception& error) {
    return fail(kNotWritten,
                std::string("The contact sheet could not be written: ") + error.what());
  }
  ContactSheet sheet;
  try {
    sheet = makeContactSheet(snapshots, {options.columns, options.tileWidth, options.eventOptions},
                             &interrupted);
    if (!sheet.interrupted) saveContactSheet(sheet.image, target);
  } catch (const std::exception& error) {
    removeUnused(target);
    return fail(kNotWritten,
                std::string("The contact sheet could not be written: ") + error.what());
  }
  if (sheet.interrupted) {
    removeUnused(target);
    return fail(interruptedStatus(), "Interrupted; no contact sheet was written");
  }
  printCacheProblems(sheet.cacheProblems, options);
  printSkipped(stdout, sheet.damaged, options);
  const SheetLayout& layout = sheet.layout;
  const std::string sampled =
      layout.step > 1 ? ", 1 in " + std::to_string(layout.step) + " shown" : std::string();
  std::printf("%zu snapshots, %zu event%s, %zu snapshots skipped%s: %s (%d x %d, %zu tiles)\n",
              snapshots.size(), sheet.events, sheet.events == 1 ? "" : "s", sheet.damaged.size(),
              sampled.c_str(), target.c_str(), layout.size().width(), layout.size().height(),
              layout.tiles);
  std::fflush(stdout);
  return sheet.damaged.empty() ? kAllWritten : kSomeSkipped;
}

}  // namespace

int main(int argc, char** argv) {
  ExportOptions options;
  std::vector<platform::Drive> drives;
  try {
    options = parseExportOptions(std::vector<std::string>(argv + 1, argv + argc));
    drives = platform::defaultDrives(options.driveOptions, !options.help && !options.version);
  } catch (const std::exception& error) {
    return fail(kUsage, error.what());
  }
  if (options.version) {
    std::puts(platform::versionText("vistrel-export").c_str());
    return kAllWritten;
  }
  if (options.help) {
    std::fputs(exportUsageText(platform::helpWidth(STDOUT_FILENO)).c_str(), stdout);
    return kAllWritten;
  }
  routeFfmpegLog(options.quiet ? kFfmpegQuiet : options.verbose);

  // Sources given as host paths count from the folder the export runs in.
  std::error_code cwdError;
  const fs::path hostCwd = fs::current_path(cwdError);
  {
    const platform::FileSystem probe(drives, std::string());
    const std::string initial = cwdError ? std::string() : probe.fromHost(hostCwd).value_or("");
    platform::FileSystem::install(std::make_unique<platform::FileSystem>(drives, initial));
  }
  // The sheet's text and the time stamps need Qt's fonts, which come with a
  // GUI application; the offscreen platform needs no display. Without either
  // nothing here needs more than QCoreApplication.
  std::unique_ptr<QCoreApplication> application;
  if (options.contactSheet.empty() && !options.stamp) {
    application = std::make_unique<QCoreApplication>(argc, argv);
  } else {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Started from cron or an ssh command there is no XDG_RUNTIME_DIR; Qt
    // falls back to a folder of its own and says so, which is no news to
    // the user of a batch tool.
    qtHandler = qInstallMessageHandler(dropRuntimeFolderNote);
    application = std::make_unique<QGuiApplication>(argc, argv);
    qInstallMessageHandler(qtHandler);
  }

  std::vector<std::string> snapshots;
  try {
    snapshots = collectSnapshots(options);
  } catch (const std::exception& error) {
    return fail(kUsage, error.what());
  }
  if (snapshots.empty()) return fail(kUsage, "Nothing to export: the folders hold no snapshots");
  if (options.events) return listEvents(snapshots, options);
  if (!options.contactSheet.empty()) return writeContactSheet(snapshots, options);

  // --motion: the video takes the events' snapshots only.
  const std::vector<std::string> listed = snapshots;
  std::vector<SkippedSnapshot> indexedDamage;
  std::size_t leftOut = 0;
  if (options.motion) {
    MotionSelection selection = selectMotion(snapshots, options.eventOptions, options.context);
    printCacheProblems(selection.cacheProblems, options);
    indexedDamage = std::move(selection.damaged);
    std::vector<std::string> selected = std::move(selection.snapshots);
    leftOut = snapshots.size() - selected.size();
    if (selected.empty()) {
      printSkipped(stdout, indexedDamage, options);
      std::printf("No events among %zu snapshots; no video written\n", snapshots.size());
      std::fflush(stdout);
      return indexedDamage.empty() ? kAllWritten : kSomeSkipped;
    }
    snapshots = std::move(selected);
  }

  fs::path target;
  ExportReport report;
  catchInterrupts();
  try {
    target = reserveOutput(options);
  } catch (const EOutputTaken& error) {
    return fail(kUsage, error.what());
  } catch (const std::exception& error) {
    return fail(kNotWritten, std::string("The video could not be written: ") + error.what());
  }
  ProgressLine progress(stderr, isatty(STDERR_FILENO) == 1);
  progress.setLeftOut(leftOut);
  try {
    const ExportSettings settings{options.codec, options.rateFps, windowsPath(target),
                                  options.stamp};
    report = exportVideo(
        snapshots, settings,
        [&](std::size_t done, std::size_t total) {
          if (!options.quiet) progress.update(done, total);
        },
        &interrupted);
  } catch (const std::exception& error) {
    if (!options.quiet) progress.finish();
    removeUnused(target);
    return fail(kNotWritten, std::string("The video could not be written: ") + error.what());
  }
  if (!options.quiet) progress.finish();

  if (options.motion) report.skipped = joinSkipped(listed, indexedDamage, report.skipped);
  printSkipped(stdout, report.skipped, options);
  const std::string cause =
      report.failure + (report.reason.empty() ? std::string() : " (" + report.reason + ")");
  if (report.framesWritten == 0) {
    removeUnused(target);
    if (!report.failure.empty())
      return fail(kNotWritten, "The video could not be written: " + cause);
    return fail(interruptedStatus(), "Interrupted before the first frame; no video was written");
  }
  const double seconds = static_cast<double>(report.framesWritten) / options.rateFps;
  const std::string leftOutText =
      options.motion ? ", " + std::to_string(leftOut) + " left out without activity" : "";
  std::printf("%llu frames written, %zu snapshots skipped%s: %s (%.1f s at %d fps)%s\n",
              static_cast<unsigned long long>(report.framesWritten), report.skipped.size(),
              leftOutText.c_str(), target.c_str(), seconds, options.rateFps,
              !report.failure.empty() ? ", incomplete"
              : report.interrupted    ? ", interrupted"
                                      : "");
  std::fflush(stdout);
  if (!report.failure.empty()) {
    // As the window says it: what the file holds, what it lacks, and why.
    return fail(kNotWritten, "The video is incomplete: " + target.string() + "\n  " +
                                 std::to_string(report.framesWritten) + " frames written, " +
                                 std::to_string(report.framesLost) + " frames lost, " +
                                 std::to_string(report.snapshotsLeft) +
                                 " snapshots not exported.\n  " + cause);
  }
  if (report.interrupted) return interruptedStatus();
  return report.skipped.empty() ? kAllWritten : kSomeSkipped;
}
