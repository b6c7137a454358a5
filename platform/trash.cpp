#include "platform/trash.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <system_error>

namespace vistrel::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kInfoSuffix = ".trashinfo";
// Numbered names tried before giving up on a name that is taken throughout.
constexpr int kNameAttempts = 1000;
// A longer "extension" is just part of the name and may be cut.
constexpr std::size_t kLongestExtension = 16;

bool fail(std::string* reason, const std::string& message) {
  if (reason != nullptr) *reason = message;
  return false;
}

std::string systemMessage(int code) {
  return std::error_code(code, std::generic_category()).message();
}

// $XDG_DATA_HOME/Trash; a relative XDG_DATA_HOME is ignored, as the base
// directory rules require. Empty when there is no home folder at all.
fs::path homeTrash() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return fs::path(data) / "Trash";
  const char* home = std::getenv("HOME");
  std::string folder = home != nullptr && home[0] == '/' ? home : "";
  if (folder.empty()) {
    if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) {
      folder = user->pw_dir;
    }
  }
  if (folder.empty()) return {};
  return fs::path(folder) / ".local/share/Trash";
}

// Device of the path or, while it does not exist yet, of its nearest
// existing ancestor (the device it will be created on).
std::optional<dev_t> deviceOf(fs::path path) {
  struct stat info {};
  while (stat(path.c_str(), &info) != 0) {
    if (!path.has_relative_path()) return std::nullopt;
    path = path.parent_path();
  }
  return info.st_dev;
}

// The mount point holding `folder` (an absolute path without links) on
// device `device`: the highest ancestor still on that device.
fs::path topDirectory(fs::path folder, dev_t device) {
  struct stat info {};
  while (folder.has_relative_path()) {
    const fs::path parent = folder.parent_path();
    if (stat(parent.c_str(), &info) != 0 || info.st_dev != device) break;
    folder = parent;
  }
  return folder;
}

// Creates the folder with mode 0700 unless it exists; true when it is (now)
// a folder of this user that is not a link.
bool ownFolder(const fs::path& folder, std::string* reason) {
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    return fail(reason, "cannot create " + folder.string() + ": " + systemMessage(errno));
  }
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) {
    return fail(reason, "cannot use " + folder.string() + ": " + systemMessage(errno));
  }
  if (!S_ISDIR(info.st_mode)) {
    return fail(reason, "cannot use " + folder.string() + ": " + systemMessage(ENOTDIR));
  }
  if (info.st_uid != getuid()) {
    return fail(reason, "cannot use " + folder.string() + ": it belongs to another user");
  }
  return true;
}

// Creates the missing folders of the home trash path (mode 0700, as for any
// folder of the user's data) and the trash's files/ and info/.
bool prepareHomeTrash(const fs::path& trash, std::string* reason) {
  fs::path made;
  for (const fs::path& part : trash) {
    made /= part;
    if (!made.has_relative_path()) continue;
    if (mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
      return fail(reason, "cannot create " + made.string() + ": " + systemMessage(errno));
    }
  }
  return ownFolder(trash, reason) && ownFolder(trash / "files", reason) &&
         ownFolder(trash / "info", reason);
}

// $topdir/.Trash/$uid when the administrator prepared $topdir/.Trash (a real
// folder, sticky so users cannot remove each other's entries), else
// $topdir/.Trash-$uid. Empty with *reason set when neither can be used.
fs::path prepareVolumeTrash(const fs::path& top, std::string* reason) {
  const std::string uid = std::to_string(getuid());
  struct stat shared {};
  const fs::path sharedTrash = top / ".Trash";
  if (lstat(sharedTrash.c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) &&
      (shared.st_mode & S_ISVTX) != 0) {
    std::string ignored;
    const fs::path trash = sharedTrash / uid;
    if (ownFolder(trash, &ignored) && ownFolder(trash / "files", &ignored) &&
        ownFolder(trash / "info", &ignored)) {
      return trash;
    }
  }
  const fs::path trash = top / (".Trash-" + uid);
  if (ownFolder(trash, reason) && ownFolder(trash / "files", reason) &&
      ownFolder(trash / "info", reason)) {
    return trash;
  }
  return {};
}

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The trash's name for the `number`th attempt at `original`: "a.jpg",
// "a.2.jpg", "a.3.jpg"…, with the stem cut so that the name plus ".trashinfo"
// stays within `nameMax` bytes.
std::string trashName(const std::string& original, int number, std::size_t nameMax) {
  std::string stem = original;
  std::string extension;
  const std::size_t dot = original.rfind('.');
  if (dot != std::string::npos && dot > 0 && original.size() - dot <= kLongestExtension) {
    stem = original.substr(0, dot);
    extension = original.substr(dot);
  }
  std::string tail = (number > 1 ? "." + std::to_string(number) : std::string()) + extension;
  const std::size_t room = nameMax - kInfoSuffix.size();
  if (tail.size() >= room) tail.clear();  // a file system with tiny names
  if (stem.size() + tail.size() > room) {
    std::size_t cut = room - tail.size();
    // Back to the start of a UTF-8 sequence (at most three steps), so a
    // UTF-8 name stays UTF-8.
    for (int step = 0; step < 3 && cut > 0 && isContinuationByte(stem[cut]); ++step) --cut;
    stem.resize(cut);
  }
  return stem + tail;
}

std::string deletionDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

bool writeAll(int fd, const std::string& text) {
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t put = write(fd, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

}  // namespace

std::string percentEncodePath(std::string_view hostPath) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : hostPath) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                       (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                       byte == '~' || byte == '/';
    if (plain) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0xF];
    }
  }
  return encoded;
}

bool moveHostEntryToTrash(const fs::path& hostPath, std::string* reason) {
  const fs::path absolute = hostPath.lexically_normal();
  const std::string name = absolute.filename().string();
  if (!absolute.is_absolute() || name.empty() || name == "." || name == "..") {
    return fail(reason, "not a path to a file: " + hostPath.string());
  }
  struct stat entry {};
  if (lstat(absolute.c_str(), &entry) != 0) return fail(reason, systemMessage(errno));
  std::error_code code;
  const fs::path folder = fs::canonical(absolute.parent_path(), code);
  if (code) return fail(reason, code.message());
  const fs::path original = folder / name;
  // Nothing leaves a read-only volume. Asked anyway, rename(2) would answer
  // for the mount it crosses first, "Invalid cross-device link", and hide
  // the real reason.
  struct statvfs volume {};
  if (statvfs(folder.c_str(), &volume) == 0 && (volume.f_flag & ST_RDONLY) != 0) {
    return fail(reason, systemMessage(EROFS));
  }

  // Where the entry goes and how its Path= is written: absolute for the
  // home trash, relative to the volume's top folder for a volume trash.
  fs::path trash = homeTrash();
  std::string recordedPath = original.string();
  const std::optional<dev_t> homeDevice = trash.empty() ? std::nullopt : deviceOf(trash);
  if (homeDevice && *homeDevice == entry.st_dev) {
    if (!prepareHomeTrash(trash, reason)) return false;
  } else {
    const fs::path top = topDirectory(folder, entry.st_dev);
    trash = prepareVolumeTrash(top, reason);
    if (trash.empty()) return false;
    recordedPath = original.lexically_relative(top).string();
  }

  const fs::path infoFolder = trash / "info";
  const fs::path filesFolder = trash / "files";
  const long limit = pathconf(infoFolder.c_str(), _PC_NAME_MAX);
  const std::size_t nameMax = limit > 32 && limit < 4096 ? static_cast<std::size_t>(limit) : 255;
  const std::string info = "[Trash Info]\nPath=" + percentEncodePath(recordedPath) +
                           "\nDeletionDate=" + deletionDate() + "\n";

  // The .trashinfo is created first and exclusively: it reserves the name
  // against other programs trashing at the same moment.
  for (int number = 1; number <= kNameAttempts; ++number) {
    const std::string trashed = trashName(name, number, nameMax);
    const fs::path infoFile = infoFolder / (trashed + std::string(kInfoSuffix));
    const int fd =
        open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) {
      return fail(reason, "cannot create " + infoFile.string() + ": " + systemMessage(errno));
    }
    struct stat taken {};
    if (lstat((filesFolder / trashed).c_str(), &taken) == 0) {
      // A leftover without its .trashinfo: keep it, take the next name.
      close(fd);
      unlink(infoFile.c_str());
      continue;
    }
    const bool written = writeAll(fd, info);
    const int writeError = errno;
    if (close(fd) != 0 || !written) {
      const int code = written ? errno : writeError;
      unlink(infoFile.c_str());
      return fail(reason, "cannot write " + infoFile.string() + ": " + systemMessage(code));
    }
    if (rename(absolute.c_str(), (filesFolder / trashed).c_str()) != 0) {
      const int code = errno;
      unlink(infoFile.c_str());
      return fail(reason,
                  "cannot move it into " + filesFolder.string() + ": " + systemMessage(code));
    }
    return true;
  }
  return fail(reason, "every trash name for it in " + trash.string() + " is taken");
}

}  // namespace vistrel::platform
