#include "platform/shell_operations.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
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

#include <QByteArray>
#include <QDesktopServices>
#include <QUrl>

#include "platform/host_entries.h"
#include "platform/trash.h"

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
// `shown` is the entry's Windows path, for the message.
void removeEntry(int parentFd, const std::string& name, const std::string& shown,
                 std::string* firstError) {
  if (unlinkat(parentFd, name.c_str(), 0) == 0) return;
  const int unlinkError = errno;
  auto note = [&](int code) {
    if (firstError->empty()) *firstError = shown + ": " + systemMessage(code);
  };
  // Folders answer EISDIR here (EPERM on some systems, which also stands for
  // an immutable file): only opening it as a folder tells them apart.
  if (unlinkError != EISDIR && unlinkError != EPERM) return note(unlinkError);
  const int fd = openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    // Not a folder after all: the unlink's error is the real reason.
    note(errno == ENOTDIR || errno == ELOOP ? unlinkError : errno);
    return;
  }
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    note(errno);
    close(fd);
    return;
  }
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    const std::string child = entry->d_name;
    if (child != "." && child != "..") names.push_back(child);
  }
  for (const std::string& child : names) {
    removeEntry(dirfd(dir), child, shown + "\\" + hostNameToWindows(child), firstError);
  }
  closedir(dir);
  if (unlinkat(parentFd, name.c_str(), AT_REMOVEDIR) != 0) note(errno);
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

// A file being copied is written beside its target under a visible name
// that says what it is, "vistrel-partial-copy-PID-N.tmp", with the copying
// process's id. Earlier versions used a hidden ".vistrel-copy-PID-N".
constexpr std::string_view kPartialCopyPrefix = "vistrel-partial-copy-";
constexpr std::string_view kPartialCopySuffix = ".tmp";
constexpr std::string_view kOldPartialCopyPrefix = ".vistrel-copy-";

std::string partialCopyName(pid_t pid, int attempt) {
  return std::string(kPartialCopyPrefix) + std::to_string(pid) + "-" + std::to_string(attempt) +
         std::string(kPartialCopySuffix);
}

// The id of the process that wrote the partial copy `name`; nullopt for
// any other name.
std::optional<pid_t> partialCopyOwner(std::string_view name) {
  std::string_view rest;
  if (name.starts_with(kPartialCopyPrefix) && name.ends_with(kPartialCopySuffix)) {
    rest = name.substr(kPartialCopyPrefix.size(),
                       name.size() - kPartialCopyPrefix.size() - kPartialCopySuffix.size());
  } else if (name.starts_with(kOldPartialCopyPrefix)) {
    rest = name.substr(kOldPartialCopyPrefix.size());
  } else {
    return std::nullopt;
  }
  const std::size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size()) return std::nullopt;
  const auto digits = [](std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  const std::string_view pid = rest.substr(0, dash);
  if (pid.size() > 9 || !digits(pid) || !digits(rest.substr(dash + 1))) return std::nullopt;
  return static_cast<pid_t>(std::stol(std::string(pid)));
}

// Removes the partial copies in `folder` that a copy killed on its way
// left behind: regular files of that name whose process is gone. A live
// copy's file (of this process or another) stays.
void removeDeadPartialCopies(const fs::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    close(fd);
    return;
  }
  while (const dirent* entry = readdir(dir)) {
    const std::optional<pid_t> owner = partialCopyOwner(entry->d_name);
    if (!owner || *owner == getpid()) continue;
    if (*owner > 0 && (kill(*owner, 0) == 0 || errno != ESRCH)) continue;
    struct stat info {};
    if (fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(info.st_mode))
      unlinkat(dirfd(dir), entry->d_name, 0);
  }
  closedir(dir);
}

// Copies one regular file to `target` through a temporary file beside it, so
// that a failed or cancelled copy never leaves a half-written target. On
// failure *reason is the system's word for it (nothing when cancelled).
bool copyRegularFile(const fs::path& source, const fs::path& target, std::string* reason,
                     const ChunkProgress& progress = {}, bool* cancelled = nullptr) {
  std::error_code code;
  fs::path temporary;
  for (int attempt = 0;; ++attempt) {
    temporary = target.parent_path() / partialCopyName(getpid(), attempt);
    if (!fs::exists(fs::symlink_status(temporary, code))) break;
  }
  bool stopped = false;
  if (!writeCopy(source, temporary, progress, &stopped, reason)) {
    fs::remove(temporary, code);
    if (cancelled != nullptr) *cancelled = stopped;
    return false;
  }
  fs::rename(temporary, target, code);
  if (code) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return fail(reason, "cannot replace the file there: " + code.message());
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
  // What was not copied, in copy order: a file, a link, or a folder with
  // the files below it.
  struct Missed {
    std::string shown;  // the Windows path it would have had
    std::string reason;
    std::size_t files = 0;
  };
  std::vector<Missed> missed;
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

  // Files and links below the folder, where they can be read.
  static std::size_t countFiles(const fs::path& folder) {
    std::size_t count = 0;
    std::error_code code;
    for (fs::recursive_directory_iterator it(folder, code), end; !code && it != end;
         it.increment(code)) {
      count += it->is_symlink(code) || it->is_regular_file(code);
    }
    return count;
  }

  void copyTree(const fs::path& source, const fs::path& target, const std::string& targetShown) {
    std::error_code code;
    if (!fs::is_directory(target, code) && !fs::create_directory(target, code)) {
      note(targetShown, code.message(), countFiles(source));
      return;
    }
    removeDeadPartialCopies(target);
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(source, code), end; !code && it != end; it.increment(code)) {
      entries.push_back(*it);
    }
    if (code) note(targetShown, "cannot read the folder: " + code.message(), 0);
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
      std::string reason;
      const std::string name = from.filename().string();
      auto chunk = [&](std::uint64_t written) {
        return observer == nullptr || observer->progress(bytesDone + written, bytesTotal, name);
      };
      bool stopped = false;
      if (!copyRegularFile(from, to, &reason, chunk, &stopped)) {
        if (stopped) {
          cancelled = true;
          return;
        }
        note(shown, reason, 1);
      }
    }
    bytesDone += code ? 0 : size;
  }

  void copyLink(const fs::path& from, const fs::path& to, const std::string& shown) {
    std::error_code code;
    const fs::path link = fs::read_symlink(from, code);
    if (code) return note(shown, code.message(), 1);
    if (!mayReplace(to, shown)) return;
    fs::remove(to, code);  // a folder of that name stays: removal fails
    fs::create_symlink(link, to, code);
    if (code) note(shown, code.message(), 1);
  }

  void note(const std::string& shown, const std::string& reason, std::size_t files) {
    missed.push_back(Missed{shown, reason, files});
  }

  // One message for everything that was not copied: how many files, and
  // the first few of them with their reasons.
  std::string report(std::string_view folder, std::string_view destination) const {
    constexpr std::size_t kNamed = 5;
    std::size_t files = 0;
    for (const Missed& item : missed) files += item.files;
    std::string message =
        "Cannot copy all of " + std::string(folder) + " into " + std::string(destination) + ": ";
    if (files > 0) {
      message +=
          std::to_string(files) + (files == 1 ? " file was" : " files were") + " not copied: ";
    }
    for (std::size_t i = 0; i < missed.size() && i < kNamed; ++i) {
      const Missed& item = missed[i];
      if (i > 0) message += ", ";
      message += item.shown + " (";
      if (item.files > 1) message += std::to_string(item.files) + " files: ";
      message += item.reason + ")";
    }
    if (missed.size() > kNamed)
      message += " and " + std::to_string(missed.size() - kNamed) + " more";
    return message;
  }
};

}  // namespace

bool moveToTrash(const FileSystem& fileSystem, std::string_view path, std::string* error) {
  const std::optional<fs::path> host = fileSystem.toHost(path);
  if (!host) return fail(error, "Cannot find " + std::string(path));
  std::string reason;
  if (!moveHostEntryToTrash(fs::absolute(*host), &reason)) {
    return fail(error, "Cannot move " + std::string(path) + " to the trash: " + reason);
  }
  return true;
}

bool deleteFolder(const FileSystem& fileSystem, std::string_view path, std::string* error) {
  const std::string full = fileSystem.fullPath(path);
  if (full.size() <= 3) return fail(error, "Refusing to delete the drive root " + full);
  const std::optional<fs::path> host = fileSystem.toHost(full);
  if (!host) return fail(error, "Cannot find " + full);
  if (!host->has_relative_path()) return fail(error, "Refusing to delete the root folder " + full);
  const int parentFd = open(host->parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parentFd < 0) return fail(error, "Cannot open the folder holding " + full);
  std::string firstError;
  removeEntry(parentFd, host->filename().string(), full, &firstError);
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
  removeDeadPartialCopies(hostTarget.parent_path());
  std::string reason;
  if (!copyRegularFile(*source, hostTarget, &reason)) {
    return fail(error, "Cannot copy " + std::string(file) + " to " + target + ": " + reason);
  }
  return true;
}

bool copyFolderInto(const FileSystem& fileSystem, std::string_view folder,
                    std::string_view destinationFolder, CopyObserver* observer,
                    std::string* error) {
  const std::optional<fs::path> source = fileSystem.toHost(folder);
  std::error_code code;
  if (!source || !fs::is_directory(*source, code)) {
    return fail(error, "Cannot find the folder " + std::string(folder));
  }
  std::optional<fs::path> destination = fileSystem.toHost(destinationFolder);
  if (!destination) destination = fileSystem.toHostForCreate(destinationFolder);
  if (!destination) return fail(error, "Cannot find the folder " + std::string(destinationFolder));
  const bool destinationExists = fs::exists(fs::status(*destination, code));
  if (destinationExists && !fs::is_directory(*destination, code)) {
    return fail(error, "Cannot copy into " + std::string(destinationFolder) + ": not a folder");
  }
  const fs::path realSource = fs::canonical(*source, code);
  const fs::path realDestination = fs::weakly_canonical(*destination, code);
  if (isInside(realDestination, realSource)) {
    return fail(error, "Cannot copy " + std::string(folder) + " into itself");
  }
  // Into the folder that holds it, the copy would be the folder itself:
  // each file would replace itself.
  if (realDestination == realSource.parent_path() ||
      fs::weakly_canonical(*destination / source->filename(), code) == realSource) {
    return fail(error, "Cannot copy " + std::string(folder) + " into " +
                           std::string(destinationFolder) + ", the folder that holds it");
  }
  // Created only now, so that a refused copy leaves no folder behind.
  if (!destinationExists && !fs::create_directories(*destination, code) && code) {
    return fail(error, "Cannot create the folder " + std::string(destinationFolder) + ": " +
                           code.message());
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
  if (!copy.missed.empty()) return fail(error, copy.report(folder, targetShown));
  return true;
}

bool openWithDefaultProgram(const FileSystem& fileSystem, std::string_view path,
                            std::string* error) {
  const std::optional<fs::path> host = fileSystem.toHost(path);
  if (!host) return fail(error, "Cannot find " + std::string(path));
  // Built from the path's bytes: a QString would turn a name that is not
  // UTF-8 into replacement characters. The URL reaches the launcher in this
  // encoded form, which keeps every byte.
  const QUrl url = QUrl::fromEncoded(
      QByteArray::fromStdString("file://" + percentEncodePath(fs::absolute(*host).string())),
      QUrl::StrictMode);
  if (!QDesktopServices::openUrl(url)) {
    return fail(error, "No program opens " + std::string(path));
  }
  return true;
}

}  // namespace vistrel::platform
