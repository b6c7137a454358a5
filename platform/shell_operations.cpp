#include "platform/shell_operations.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>
#include <vector>

#include <QDesktopServices>
#include <QFile>
#include <QString>
#include <QUrl>

#include "platform/host_entries.h"

namespace vistrel::platform {
namespace {

namespace fs = std::filesystem;

bool fail(std::string* error, const std::string& message) {
  if (error != nullptr) *error = message;
  return false;
}

std::string systemMessage(int code) {
  return std::error_code(code, std::generic_category()).message();
}

// Removes `name` inside the open folder `parentFd` and, for a folder,
// everything below it. Never follows a symbolic link: folders are opened with
// O_NOFOLLOW, so a folder swapped for a link meanwhile is unlinked as a link.
void removeEntry(int parentFd, const std::string& name, const fs::path& shown,
                 std::string* firstError) {
  if (unlinkat(parentFd, name.c_str(), 0) == 0) return;
  if (errno != EISDIR && errno != EPERM) {
    if (firstError->empty()) *firstError = shown.string() + ": " + systemMessage(errno);
    return;
  }
  const int fd = openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    if (firstError->empty()) *firstError = shown.string() + ": " + systemMessage(errno);
    return;
  }
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    close(fd);
    return;
  }
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    const std::string child = entry->d_name;
    if (child != "." && child != "..") names.push_back(child);
  }
  for (const std::string& child : names) removeEntry(dirfd(dir), child, shown / child, firstError);
  closedir(dir);
  if (unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0 && firstError->empty()) {
    *firstError = shown.string() + ": " + systemMessage(errno);
  }
}

// Called with the bytes of the file written so far; false stops the copy.
using ChunkProgress = std::function<bool(std::uint64_t bytesWritten)>;

// Writes `source` into the new file `temporary` in chunks. False with
// *cancelled set when `progress` asked to stop.
bool writeCopy(const fs::path& source, const fs::path& temporary, const ChunkProgress& progress,
               bool* cancelled, std::string* message) {
  constexpr std::size_t kChunkBytes = 1 << 20;
  const int in = open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return fail(message, systemMessage(errno));
  struct stat info {};
  fstat(in, &info);
  const int out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (out < 0) {
    const int code = errno;
    close(in);
    return fail(message, systemMessage(code));
  }
  std::vector<char> buffer(kChunkBytes);
  std::uint64_t written = 0;
  bool ok = true;
  while (ok) {
    const ssize_t got = read(in, buffer.data(), buffer.size());
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      ok = fail(message, systemMessage(errno));
      break;
    }
    for (ssize_t done = 0; ok && done < got;) {
      const ssize_t put = write(out, buffer.data() + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) ok = fail(message, systemMessage(errno));
      if (put > 0) done += put;
    }
    written += static_cast<std::uint64_t>(got);
    if (ok && progress && !progress(written)) {
      *cancelled = true;
      ok = false;
    }
  }
  if (ok) fchmod(out, info.st_mode & 07777);
  close(in);
  // A full disk may only show when the data is flushed.
  if (close(out) != 0 && ok) ok = fail(message, systemMessage(errno));
  return ok;
}

// Copies one regular file to `target` through a temporary file beside it, so
// that a failed or cancelled copy never leaves a half-written target.
bool copyRegularFile(const fs::path& source, const fs::path& target, std::string* error,
                     const ChunkProgress& progress = {}, bool* cancelled = nullptr) {
  std::error_code code;
  fs::path temporary;
  for (int attempt = 0;; ++attempt) {
    temporary = target.parent_path() /
                (".vistrel-copy-" + std::to_string(getpid()) + "-" + std::to_string(attempt));
    if (!fs::exists(fs::symlink_status(temporary, code))) break;
  }
  bool stopped = false;
  std::string message;
  if (!writeCopy(source, temporary, progress, &stopped, &message)) {
    fs::remove(temporary, code);
    if (cancelled != nullptr) *cancelled = stopped;
    if (stopped) return fail(error, "The copy of " + source.string() + " was cancelled");
    return fail(error,
                "Cannot copy " + source.string() + " to " + target.string() + ": " + message);
  }
  fs::rename(temporary, target, code);
  if (code) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return fail(error, "Cannot replace " + target.string() + ": " + code.message());
  }
  return true;
}

bool isInside(const fs::path& inner, const fs::path& outer) {
  auto o = outer.begin();
  auto i = inner.begin();
  for (; o != outer.end(); ++o, ++i) {
    if (i == inner.end() || *i != *o) return false;
  }
  return true;
}

struct TreeCopy {
  TreeCopy(const FileSystem& files, CopyObserver* copyObserver)
      : fileSystem(files), observer(copyObserver) {}

  const FileSystem& fileSystem;
  CopyObserver* observer;
  std::uint64_t bytesDone = 0;
  std::uint64_t bytesTotal = 0;
  std::optional<CollisionAnswer> standing;  // ReplaceAll or SkipAll once given
  std::string firstError;
  bool cancelled = false;

  static std::uint64_t measure(const fs::path& folder) {
    std::uint64_t total = 0;
    std::error_code code;
    for (fs::recursive_directory_iterator it(folder, code), end; !code && it != end;
         it.increment(code)) {
      if (it->is_regular_file(code) && !it->is_symlink(code)) total += it->file_size(code);
    }
    return total;
  }

  void copyTree(const fs::path& source, const fs::path& target, const std::string& targetShown) {
    std::error_code code;
    if (!fs::is_directory(target, code) && !fs::create_directory(target, code)) {
      note("Cannot create " + target.string() + ": " + code.message());
      return;
    }
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(source, code), end; !code && it != end; it.increment(code)) {
      entries.push_back(*it);
    }
    if (code) note("Cannot read " + source.string() + ": " + code.message());
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
      return nameLess(a.path().filename().string(), b.path().filename().string());
    });
    for (const fs::directory_entry& entry : entries) {
      if (cancelled) return;
      const std::string sourceName = entry.path().filename().string();
      // A name that exists in another case is the same name on this system.
      const std::string name =
          host::findEntryName(target, hostNameToWindows(sourceName)).value_or(sourceName);
      const fs::path to = target / name;
      const std::string shown = targetShown + "\\" + hostNameToWindows(name);
      const fs::file_status status = entry.symlink_status(code);
      if (fs::is_symlink(status)) {
        copyLink(entry.path(), to, shown);
      } else if (fs::is_directory(status)) {
        copyTree(entry.path(), to, shown);
      } else if (fs::is_regular_file(status)) {
        copyFile(entry.path(), to, shown);
      }
    }
  }

  bool mayReplace(const fs::path& to, const std::string& shown) {
    std::error_code code;
    if (!fs::exists(fs::symlink_status(to, code))) return true;
    CollisionAnswer answer =
        standing ? *standing
                 : (observer != nullptr ? observer->collision(shown) : CollisionAnswer::Replace);
    if (answer == CollisionAnswer::ReplaceAll || answer == CollisionAnswer::SkipAll) {
      standing = answer;
    }
    if (answer == CollisionAnswer::Cancel) cancelled = true;
    return answer == CollisionAnswer::Replace || answer == CollisionAnswer::ReplaceAll;
  }

  void copyFile(const fs::path& from, const fs::path& to, const std::string& shown) {
    std::error_code code;
    const std::uint64_t size = fs::file_size(from, code);
    if (observer != nullptr && !observer->progress(bytesDone, bytesTotal, from.filename())) {
      cancelled = true;
      return;
    }
    if (mayReplace(to, shown) && !cancelled) {
      std::string error;
      const std::string name = from.filename().string();
      auto chunk = [&](std::uint64_t written) {
        return observer == nullptr || observer->progress(bytesDone + written, bytesTotal, name);
      };
      bool stopped = false;
      if (!copyRegularFile(from, to, &error, chunk, &stopped)) {
        if (stopped) {
          cancelled = true;
          return;
        }
        note(error);
      }
    }
    bytesDone += code ? 0 : size;
  }

  void copyLink(const fs::path& from, const fs::path& to, const std::string& shown) {
    std::error_code code;
    const fs::path link = fs::read_symlink(from, code);
    if (code || !mayReplace(to, shown)) return;
    fs::remove(to, code);  // a folder of that name stays: removal fails
    fs::create_symlink(link, to, code);
    if (code) note("Cannot create link " + to.string() + ": " + code.message());
  }

  void note(const std::string& message) {
    if (firstError.empty()) firstError = message;
  }
};

}  // namespace

bool moveToTrash(const FileSystem& fileSystem, std::string_view path, std::string* error) {
  const std::optional<fs::path> host = fileSystem.toHost(path);
  if (!host) return fail(error, "Cannot find " + std::string(path));
  QFile file(QString::fromStdString(host->string()));
  if (!file.moveToTrash()) {
    return fail(error, "Cannot move " + std::string(path) +
                           " to the trash: " + file.errorString().toStdString());
  }
  return true;
}

bool deleteFolder(const FileSystem& fileSystem, std::string_view path, std::string* error) {
  const std::string full = fileSystem.fullPath(path);
  if (full.size() <= 3) return fail(error, "Refusing to delete the drive root " + full);
  const std::optional<fs::path> host = fileSystem.toHost(full);
  if (!host) return fail(error, "Cannot find " + full);
  const int parentFd = open(host->parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parentFd < 0) return fail(error, "Cannot open the folder holding " + full);
  std::string firstError;
  removeEntry(parentFd, host->filename().string(), *host, &firstError);
  close(parentFd);
  if (!firstError.empty()) return fail(error, "Cannot delete " + full + ": " + firstError);
  return true;
}

bool copyFileInto(const FileSystem& fileSystem, std::string_view file,
                  std::string_view destinationFolder, std::string* error) {
  const std::optional<fs::path> source = fileSystem.toHost(file);
  const std::optional<fs::path> folder = fileSystem.toHost(destinationFolder);
  std::error_code code;
  if (!source || !fs::is_regular_file(*source, code)) {
    return fail(error, "Cannot find the file " + std::string(file));
  }
  if (!folder || !fs::is_directory(*folder, code)) {
    return fail(error, "Cannot find the folder " + std::string(destinationFolder));
  }
  const std::string name = hostNameToWindows(source->filename().string());
  // An existing file of the same name, possibly spelled in another case.
  const std::string target = fileSystem.fullPath(std::string(destinationFolder) + "\\" + name);
  const fs::path hostTarget =
      fileSystem.toHost(target, true).value_or(*folder / source->filename());
  if (fs::exists(hostTarget, code) && fs::equivalent(*source, hostTarget, code)) {
    return fail(error,
                "Cannot copy " + std::string(file) + ": source and destination are the same file");
  }
  return copyRegularFile(*source, hostTarget, error);
}

bool copyFolderInto(const FileSystem& fileSystem, std::string_view folder,
                    std::string_view destinationFolder, CopyObserver* observer,
                    std::string* error) {
  const std::optional<fs::path> source = fileSystem.toHost(folder);
  const std::optional<fs::path> destination = fileSystem.toHost(destinationFolder);
  std::error_code code;
  if (!source || !fs::is_directory(*source, code)) {
    return fail(error, "Cannot find the folder " + std::string(folder));
  }
  if (!destination || !fs::is_directory(*destination, code)) {
    return fail(error, "Cannot find the folder " + std::string(destinationFolder));
  }
  const fs::path realSource = fs::canonical(*source, code);
  const fs::path realDestination = fs::canonical(*destination, code);
  if (isInside(realDestination, realSource)) {
    return fail(error, "Cannot copy " + std::string(folder) + " into itself");
  }
  const std::string name = hostNameToWindows(source->filename().string());
  const std::string targetShown = fileSystem.fullPath(destinationFolder);
  const fs::path target =
      fileSystem.toHost(targetShown + (targetShown.back() == '\\' ? "" : "\\") + name, true)
          .value_or(*destination / source->filename());
  TreeCopy copy(fileSystem, observer);
  copy.bytesTotal = TreeCopy::measure(*source);
  copy.copyTree(*source, target, fileSystem.fullPath(targetShown + "\\" + name));
  if (copy.cancelled) return fail(error, "The copy of " + std::string(folder) + " was cancelled");
  if (!copy.firstError.empty()) return fail(error, copy.firstError);
  return true;
}

bool openWithDefaultProgram(const FileSystem& fileSystem, std::string_view path,
                            std::string* error) {
  const std::optional<fs::path> host = fileSystem.toHost(path);
  if (!host) return fail(error, "Cannot find " + std::string(path));
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(host->string())))) {
    return fail(error, "No program opens " + std::string(path));
  }
  return true;
}

}  // namespace vistrel::platform
