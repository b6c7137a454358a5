#include "tools/export/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_system.h"
#include "platform/video_names.h"

namespace vistrel::exporter {
namespace {

namespace fs = std::filesystem;

// As the window: "-2" up to "-999" for exports started within one second.
constexpr int kMaxCopiesPerSecond = 999;

std::string folderOf(const fs::path& path) {
  return path.parent_path().empty() ? std::string(".") : path.parent_path().string();
}

}  // namespace

std::string nextVideoName(const std::string& windowsFolder, const std::string& extension,
                          const QDateTime& now) {
  const platform::FileSystem& files = platform::FileSystem::instance();
  for (int attempt = 0;; ++attempt) {
    std::string name = platform::videoName(windowsFolder, extension, now, attempt);
    if (!files.fileExists(name)) return name;
  }
}

void createExclusively(const fs::path& hostPath) {
  // O_EXCL also fails on a symbolic link, dangling or not: the file is
  // never written through one.
  const int fd = ::open(hostPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) {
    ::close(fd);
    return;
  }
  if (errno == EEXIST)
    throw EOutputTaken(hostPath.string() + " exists already; it is not replaced");
  throw EExportFailed("Cannot write in " + folderOf(hostPath) + ": " + std::strerror(errno));
}

fs::path reserveNextVideoName(const std::string& windowsFolder, const std::string& extension,
                              const QDateTime& now) {
  const platform::FileSystem& files = platform::FileSystem::instance();
  for (int attempt = 0; attempt <= kMaxCopiesPerSecond; ++attempt) {
    const std::string name = platform::videoName(windowsFolder, extension, now, attempt);
    if (files.fileExists(name)) continue;
    const auto host = files.toHost(name, true);
    if (!host) throw EExportFailed("Cannot write in " + windowsFolder);
    try {
      createExclusively(*host);
      return *host;
    } catch (const EOutputTaken&) {
      // Taken between the look and the creation: the next name.
    }
  }
  throw EExportFailed("Cannot write in " + windowsFolder + ": every name for this second is taken");
}

}  // namespace vistrel::exporter
