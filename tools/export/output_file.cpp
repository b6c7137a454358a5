#include "tools/export/output_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_system.h"
#include "platform/video_names.h"
#include "tools/export/video_exporter.h"

namespace vistrel::exporter {
namespace {

namespace fs = std::filesystem;

std::string systemError(int error) { return std::strerror(error); }

// The same name with "-2", "-3" ... before the extension.
fs::path numbered(const fs::path& path, int number) {
  return path.parent_path() /
         (path.stem().string() + "-" + std::to_string(number) + path.extension().string());
}

// rename() that refuses to replace `to`; EEXIST when it is taken.
int renameNoReplace(const fs::path& from, const fs::path& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // File systems without the flag: a hard link fails on a taken name too.
  if (link(from.c_str(), to.c_str()) != 0) return errno;
  unlink(from.c_str());
  return 0;
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

OutputFile::OutputFile(fs::path finalHostPath, bool renameWhenTaken)
    : final_(std::move(finalHostPath)), renameWhenTaken_(renameWhenTaken) {
  const fs::path folder = final_.parent_path().empty() ? fs::path(".") : final_.parent_path();
  // Hidden, and with the final extension: the logger picks the container by it.
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = folder / ("." + final_.stem().string() + ".part" +
                           std::to_string(getpid() + attempt) + final_.extension().string());
    const int fd = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      close(fd);
      open_ = true;
      return;
    }
    if (errno != EEXIST)
      throw EExportFailed("Cannot write in " + folder.string() + ": " + systemError(errno));
  }
  throw EExportFailed("Cannot write in " + folder.string() + ": no free temporary name");
}

OutputFile::~OutputFile() { discard(); }

void OutputFile::discard() {
  if (open_) unlink(temporary_.c_str());
  open_ = false;
}

fs::path OutputFile::commit() {
  fs::path target = final_;
  for (int number = 2;; ++number) {
    const int error = renameNoReplace(temporary_, target);
    if (error == 0) break;
    if (error != EEXIST || !renameWhenTaken_ || number > 1000) {
      open_ = false;  // the complete video stays where it is
      throw EExportFailed(
          "Cannot move the video to " + target.string() + ": " +
          (error == EEXIST ? std::string("a file of that name exists") : systemError(error)) +
          "; it is kept as " + temporary_.string());
    }
    target = numbered(final_, number);
  }
  open_ = false;
  return target;
}

}  // namespace vistrel::exporter
