#include "tools/export/output_file.h"

#include <cerrno>
#include <cstring>

#include "platform/file_system.h"
#include "recording/export_session.h"

namespace vistrel::exporter {
namespace {

namespace fs = std::filesystem;

std::string folderOf(const fs::path& path) {
  return path.parent_path().empty() ? std::string(".") : path.parent_path().string();
}

}  // namespace

fs::path outputHostPath(const std::string& output) {
  if (output.size() >= 2 && output[1] == ':') {
    platform::FileSystem& files = platform::FileSystem::instance();
    const auto host = files.toHost(files.fullPath(output), true);
    if (!host) throw EExportFailed("No such folder for " + output);
    return *host;
  }
  std::error_code error;
  return fs::absolute(output, error);
}

void createExclusively(const fs::path& hostPath) {
  const int error = recording::createFileExclusively(hostPath);
  if (error == 0) return;
  if (error == EEXIST)
    throw EOutputTaken(hostPath.string() + " exists already; it is not replaced");
  throw EExportFailed("Cannot write in " + folderOf(hostPath) + ": " + std::strerror(error));
}

fs::path reserveNextVideoName(const std::string& windowsFolder, const std::string& extension,
                              const QDateTime& now) {
  const recording::FileReservation file =
      recording::reserveVideoName(windowsFolder, extension, now);
  if (file.reserved) return file.host;
  if (file.host.empty()) throw EExportFailed("Cannot write in " + windowsFolder);
  if (file.error == EEXIST)
    throw EExportFailed("Cannot write in " + windowsFolder +
                        ": every name for this second is taken");
  throw EExportFailed("Cannot write in " + folderOf(file.host) + ": " + std::strerror(file.error));
}

}  // namespace vistrel::exporter
