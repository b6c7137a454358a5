// vistrel-export: writes snapshots of the archive into one video from the
// command line, without a window (no display needed).
//
// Exit status: 0 every snapshot written; 1 written, some snapshots skipped;
// 2 usage error; 3 the video could not be written; 130 interrupted (the
// video is completed with the frames so far).

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDateTime>

#include "platform/command_options.h"
#include "platform/drive_table.h"
#include "platform/file_system.h"
#include "tools/export/export_options.h"
#include "tools/export/output_file.h"
#include "tools/export/progress_line.h"
#include "tools/export/snapshot_sources.h"
#include "tools/export/video_exporter.h"

namespace {

using namespace vistrel;
using namespace vistrel::exporter;
namespace fs = std::filesystem;

enum ExitStatus {
  kAllWritten = 0,
  kSomeSkipped = 1,
  kUsage = 2,
  kNotWritten = 3,
  kInterrupted = 130
};

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) { interrupted.store(true); }

void catchInterrupts() {
  struct sigaction action = {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

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

// The video's final host path: --output as given (a Windows or a host path),
// else the window's naming rule in the program folder.
fs::path finalPath(const ExportOptions& options) {
  platform::FileSystem& files = platform::FileSystem::instance();
  const std::string extension = videoExtension(options.codec);
  if (options.output.empty()) {
    const std::string name =
        nextVideoName(files.programFolder(), extension, QDateTime::currentDateTime());
    if (auto host = files.toHost(name, true)) return *host;
    throw EExportFailed("Cannot write in " + files.programFolder());
  }
  const std::string& output = options.output;
  if (output.size() >= 2 && output[1] == ':') {
    if (auto host = files.toHost(files.fullPath(output), true)) return *host;
    throw EExportFailed("No such folder for " + output);
  }
  std::error_code error;
  return fs::absolute(output, error);
}

// The Windows path the logger writes, for a host path (under Z: when no
// other drive holds it).
std::string windowsPath(const fs::path& host) {
  return platform::FileSystem::instance().fromHost(host).value_or(host.string());
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
    const platform::FileSystem files(drives, std::string());
    std::fputs(exportUsageText(files.programFolder(false)).c_str(), stdout);
    return kAllWritten;
  }

  // Sources given as host paths count from the folder the export runs in.
  std::error_code cwdError;
  const fs::path hostCwd = fs::current_path(cwdError);
  {
    const platform::FileSystem probe(drives, std::string());
    const std::string initial = cwdError ? std::string() : probe.fromHost(hostCwd).value_or("");
    platform::FileSystem::install(std::make_unique<platform::FileSystem>(drives, initial));
  }
  QCoreApplication application(argc, argv);

  std::vector<std::string> snapshots;
  try {
    snapshots = collectSnapshots(options);
  } catch (const std::exception& error) {
    return fail(kUsage, error.what());
  }
  if (snapshots.empty()) return fail(kUsage, "Nothing to export: the folders hold no snapshots");

  std::optional<OutputFile> output;
  fs::path target;
  ExportReport report;
  catchInterrupts();
  ProgressLine progress(stderr, isatty(STDERR_FILENO) == 1);
  try {
    target = finalPath(options);
    if (!options.output.empty() && fs::exists(fs::symlink_status(target)))
      return fail(kUsage, target.string() + " exists already; it is not replaced");
    output.emplace(target, options.output.empty());

    const ExportSettings settings{options.codec, options.rateFps,
                                  windowsPath(output->temporaryPath())};
    report = exportVideo(
        snapshots, settings,
        [&](std::size_t done, std::size_t total) {
          if (!options.quiet) progress.update(done, total);
        },
        &interrupted);
    if (!options.quiet) progress.finish();
    if (report.framesWritten == 0) {
      output->discard();
      return fail(kInterrupted, "Interrupted before the first frame; no video was written");
    }
    target = output->commit();
  } catch (const std::exception& error) {
    if (!options.quiet) progress.finish();
    if (output) output->discard();
    return fail(kNotWritten, std::string("The video could not be written: ") + error.what());
  }

  for (const SkippedSnapshot& skipped : report.skipped)
    std::printf("skipped %s: %s\n", skipped.path.c_str(), skipped.message.c_str());
  const double seconds = static_cast<double>(report.framesWritten) / options.rateFps;
  std::printf("%llu frames written, %zu snapshots skipped: %s (%.1f s at %d fps)%s\n",
              static_cast<unsigned long long>(report.framesWritten), report.skipped.size(),
              target.c_str(), seconds, options.rateFps, report.interrupted ? ", interrupted" : "");
  if (report.interrupted) return kInterrupted;
  return report.skipped.empty() ? kAllWritten : kSomeSkipped;
}
