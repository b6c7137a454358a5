// Watching a records root while a recorder writes into it: the date folders
// below the root, their hour folders "00" to "23", and the snapshots in
// those, through the kernel's inotify (no polling: an archive that nobody
// writes costs no CPU at all).
//
// Changes are gathered for a short while (kCoalesceMs) and reported once per
// folder, so that a recorder writing 30 snapshots a second causes a few
// re-listings a second, not 30. Folders are reported by their Windows paths
// (the records root in the path layer's spelling, the names below it as
// the path layer spells host names).
//
// A snapshot counts as added once it is complete: closed after writing, or
// renamed into its folder. A file created and still open for writing is
// reported by beingWritten(), so that a listing can leave it out until then.
//
// Folders that vanish drop their watch; folders that cannot be entered are
// not watched. When the kernel refuses more watches (max_user_watches), the
// newest dates and hours are watched first and the refusal is logged once.
//
// Thread: the GUI thread (the thread with the event loop that created it).
// The signals are emitted from that loop, never from inside a call to this
// object, so a slot may call back into it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace vistrel::platform {

class ArchiveWatcher : public QObject {
  Q_OBJECT

 public:
  // How long changes are gathered before they are reported.
  static constexpr int kCoalesceMs = 150;

  explicit ArchiveWatcher(QObject* parent = nullptr);
  ~ArchiveWatcher() override;
  ArchiveWatcher(const ArchiveWatcher&) = delete;
  ArchiveWatcher& operator=(const ArchiveWatcher&) = delete;

  // Watches the records root at the Windows path `recordsRoot`, reached
  // through the process's FileSystem, instead of what was watched before
  // (changes not yet reported are dropped). A root that does not exist or
  // cannot be watched leaves nothing watched; false then.
  bool watch(const std::string& recordsRoot);
  // Watches nothing.
  void stop();

  // The records root watched (as given to watch()), empty when none.
  const std::string& recordsRoot() const { return recordsRoot_; }
  // Folders watched at the moment (the root, dates, hours).
  std::size_t watchedFolders() const { return watches_.size(); }
  // True while the snapshot at the Windows path `snapshotPath` (case
  // ignored) has been created in a watched hour folder and not yet closed
  // after writing.
  bool beingWritten(const std::string& snapshotPath) const;

 signals:
  // Snapshots were added (completed), removed or renamed in the hour folder.
  void hourChanged(const std::string& hourFolder);
  // A date or hour folder appeared in `parentFolder` (the records root or a
  // date folder), or went from it; also a watched folder that went itself.
  void foldersChanged(const std::string& parentFolder);

 private:
  enum class Level { Root, Date, Hour };
  struct Watch {
    Level level = Level::Root;
    std::filesystem::path host;
    std::string folder;  // Windows path
  };

  // Adds a watch for the folder and, below the hour level, for the folders
  // in it (newest first). False when the folder could not be watched.
  bool addWatch(Level level, const std::filesystem::path& host, const std::string& folder);
  void readEvents();
  void handleEvent(int descriptor, std::uint32_t mask, const std::string& hostName);
  // Stops watching the folder at `host` and every folder below it.
  void forget(const std::filesystem::path& host);
  void report();
  void noteRefusal(int error, const std::filesystem::path& host);

  int inotify_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::string recordsRoot_;
  std::map<int, Watch> watches_;
  // Hour folders -> names of the snapshots created there and not yet closed
  // after writing (Windows names, both upper-cased).
  std::map<std::string, std::set<std::string>> writing_;
  std::set<std::string> changedHours_;
  std::set<std::string> changedParents_;
  QTimer coalesce_;
  bool limitLogged_ = false;
  std::uint64_t generation_ = 0;  // counts watch() and stop()
};

}  // namespace vistrel::platform
