// The snapshots a slide show found it cannot show (empty, damaged, gone),
// each remembered with the size and time its file had then. The show reports
// such a snapshot once and passes over it silently afterwards, also after a
// restart; a file that was changed or replaced since is tried again.
//
// Thread: the GUI thread.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace vistrel::app {

class UnshowableSnapshots {
 public:
  // `path` is a Windows path, as SnapshotPath gives it.
  void add(const std::string& path);
  bool contains(const std::string& path) const;

 private:
  struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // file clock ticks
    bool operator==(const FileStamp&) const = default;
  };
  // nullopt when the file does not exist (or cannot be looked at).
  static std::optional<FileStamp> stampOf(const std::string& path);

  std::map<std::string, std::optional<FileStamp>> stamps_;
};

}  // namespace vistrel::app
