#include "platform/archive_watcher.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <vector>

#include <QSocketNotifier>
#include <QtGlobal>

#include "platform/archive_layout.h"
#include "platform/file_system.h"
#include "platform/host_entries.h"

namespace vistrel::platform {
namespace {

namespace fs = std::filesystem;

// Folders above the snapshots: only folders coming and going matter there.
constexpr std::uint32_t kFolderMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                      IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// Hour folders: a snapshot is complete when closed after writing or renamed
// into place; IN_CREATE only marks it as being written.
constexpr std::uint32_t kHourMask = kFolderMask | IN_CLOSE_WRITE | IN_EXCL_UNLINK;

std::string childFolder(const std::string& folder, const std::string& hostName) {
  return folder + "\\" + hostNameToWindows(hostName);
}

bool isFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

// A file that appears complete at once: a hard link or a symbolic link made
// in the folder raises IN_CREATE and is never closed after writing.
bool appearsComplete(const fs::path& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) return true;  // gone again: let a listing tell
  return !S_ISREG(status.st_mode) || status.st_nlink > 1;
}

bool below(const fs::path& path, const fs::path& folder) {
  const std::string& text = path.native();
  const std::string& prefix = folder.native();
  return text == prefix ||
         (text.size() > prefix.size() && text.compare(0, prefix.size(), prefix) == 0 &&
          text[prefix.size()] == '/');
}

}  // namespace

ArchiveWatcher::ArchiveWatcher(QObject* parent) : QObject(parent) {
  coalesce_.setSingleShot(true);
  coalesce_.setInterval(kCoalesceMs);
  connect(&coalesce_, &QTimer::timeout, this, &ArchiveWatcher::report);
}

ArchiveWatcher::~ArchiveWatcher() { stop(); }

void ArchiveWatcher::stop() {
  notifier_.reset();
  if (inotify_ >= 0) ::close(inotify_);  // removes every watch
  inotify_ = -1;
  watches_.clear();
  writing_.clear();
  changedHours_.clear();
  changedParents_.clear();
  coalesce_.stop();
  recordsRoot_.clear();
  ++generation_;
}

bool ArchiveWatcher::watch(const std::string& recordsRoot) {
  stop();
  const FileSystem& fileSystem = FileSystem::instance();
  const std::optional<fs::path> host = fileSystem.toHost(recordsRoot);
  if (!host || !isFolder(*host)) return false;
  inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotify_ < 0) {
    qWarning("vistrel: new snapshots are not shown as they arrive: inotify: %s",
             std::strerror(errno));
    return false;
  }
  notifier_ = std::make_unique<QSocketNotifier>(inotify_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &ArchiveWatcher::readEvents);
  recordsRoot_ = fileSystem.fullPath(recordsRoot);
  if (!addWatch(Level::Root, *host, recordsRoot_)) {
    stop();
    return false;
  }
  return true;
}

bool ArchiveWatcher::addWatch(Level level, const fs::path& host, const std::string& folder) {
  const int descriptor =
      ::inotify_add_watch(inotify_, host.c_str(), level == Level::Hour ? kHourMask : kFolderMask);
  if (descriptor < 0) {
    noteRefusal(errno, host);
    return false;
  }
  // The same folder reached twice (a link) keeps its first name.
  if (!watches_.emplace(descriptor, Watch{level, host, folder}).second) return true;
  if (level == Level::Hour) return true;
  std::vector<std::string> names = host::listNames(host);
  // Newest first: when the kernel runs out of watches, the hours that a
  // recorder writes now are the ones that are watched.
  std::sort(names.begin(), names.end(), std::greater<>());
  for (const std::string& name : names) {
    if (level == Level::Date && hourOfFolderName(name) < 0) continue;
    if (!isFolder(host / name)) continue;
    addWatch(level == Level::Root ? Level::Date : Level::Hour, host / name,
             childFolder(folder, name));
  }
  return true;
}

void ArchiveWatcher::noteRefusal(int error, const fs::path& host) {
  // A folder gone meanwhile or one that may not be read is simply not
  // watched; only running out of watches is worth a word, once.
  if (error != ENOSPC && error != ENOMEM) return;
  if (limitLogged_) return;
  limitLogged_ = true;
  qWarning(
      "vistrel: %s and older folders are not watched for new snapshots: the system's limit "
      "of watched folders is reached (fs.inotify.max_user_watches)",
      host.c_str());
}

bool ArchiveWatcher::beingWritten(const std::string& snapshotPath) const {
  const std::size_t separator = snapshotPath.rfind('\\');
  if (separator == std::string::npos) return false;
  const auto hour = writing_.find(upperName(snapshotPath.substr(0, separator)));
  if (hour == writing_.end()) return false;
  return hour->second.contains(upperName(snapshotPath.substr(separator + 1)));
}

void ArchiveWatcher::readEvents() {
  // Aligned as the kernel's records are.
  alignas(inotify_event) char buffer[64 * 1024];
  while (inotify_ >= 0) {
    const ssize_t length = ::read(inotify_, buffer, sizeof buffer);
    if (length <= 0) break;  // EAGAIN: all read
    for (ssize_t offset = 0; offset < length;) {
      inotify_event event{};
      std::memcpy(&event, buffer + offset, sizeof event);
      const char* name = buffer + offset + sizeof event;
      handleEvent(event.wd, event.mask, event.len > 0 ? std::string(name) : std::string());
      offset += static_cast<ssize_t>(sizeof event + event.len);
    }
  }
  if (!changedHours_.empty() || !changedParents_.empty()) {
    if (!coalesce_.isActive()) coalesce_.start();
  }
}

void ArchiveWatcher::handleEvent(int descriptor, std::uint32_t mask, const std::string& hostName) {
  if ((mask & IN_Q_OVERFLOW) != 0) {
    // Events were lost: every folder may have changed.
    for (const auto& [unused, watch] : watches_) {
      (watch.level == Level::Hour ? changedHours_ : changedParents_).insert(watch.folder);
    }
    return;
  }
  const auto found = watches_.find(descriptor);
  if (found == watches_.end()) return;
  if ((mask & IN_IGNORED) != 0) {
    watches_.erase(found);
    return;
  }
  const Watch watch = found->second;
  if ((mask & (IN_DELETE_SELF | IN_MOVE_SELF)) != 0) {
    if (watch.level == Level::Root) changedParents_.insert(watch.folder);
    forget(watch.host);
    return;
  }
  // A name holding a "\" has no Windows path: the path layer never lists it.
  if (hostName.empty() || hostName.find('\\') != std::string::npos) return;
  const fs::path childHost = watch.host / hostName;
  const bool folderEntry = (mask & IN_ISDIR) != 0;
  if (watch.level == Level::Hour) {
    if (folderEntry) return;
    std::set<std::string>& writing = writing_[upperName(watch.folder)];
    const std::string name = upperName(hostNameToWindows(hostName));
    if ((mask & IN_CREATE) != 0 && !appearsComplete(childHost)) {
      writing.insert(name);
      return;
    }
    writing.erase(name);
    changedHours_.insert(watch.folder);
    return;
  }
  if (!folderEntry) return;
  changedParents_.insert(watch.folder);
  const std::string child = childFolder(watch.folder, hostName);
  if ((mask & (IN_CREATE | IN_MOVED_TO)) != 0) {
    if (watch.level == Level::Root) {
      addWatch(Level::Date, childHost, child);
      // Hours made before the watch was in place, with their snapshots.
      for (const auto& [unused, added] : watches_) {
        if (added.level == Level::Hour && below(added.host, childHost))
          changedHours_.insert(added.folder);
      }
    } else if (hourOfFolderName(hostName) >= 0 && addWatch(Level::Hour, childHost, child)) {
      changedHours_.insert(child);
    }
  } else if ((mask & IN_MOVED_FROM) != 0) {
    forget(childHost);
  }
}

void ArchiveWatcher::forget(const fs::path& host) {
  // A folder moved away keeps its watches, which would go on reporting
  // under its old name; a deleted one has lost them already (the calls
  // then fail harmlessly).
  std::vector<int> stale;
  for (const auto& [descriptor, watch] : watches_) {
    if (!below(watch.host, host)) continue;
    stale.push_back(descriptor);
    // Its snapshots are no longer where they were listed.
    if (watch.level == Level::Hour) changedHours_.insert(watch.folder);
  }
  for (const int descriptor : stale) {
    const auto found = watches_.find(descriptor);
    writing_.erase(upperName(found->second.folder));
    ::inotify_rm_watch(inotify_, descriptor);
    watches_.erase(found);
  }
}

void ArchiveWatcher::report() {
  const std::set<std::string> hours = std::move(changedHours_);
  const std::set<std::string> parents = std::move(changedParents_);
  changedHours_.clear();
  changedParents_.clear();
  // A slot may watch another root: what is left belongs to the old one.
  const std::uint64_t generation = generation_;
  for (const std::string& parent : parents) {
    if (generation != generation_) return;
    emit foldersChanged(parent);
  }
  for (const std::string& hour : hours) {
    if (generation != generation_) return;
    emit hourChanged(hour);
  }
}

}  // namespace vistrel::platform
