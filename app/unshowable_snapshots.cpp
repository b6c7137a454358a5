#include "app/unshowable_snapshots.h"

#include <filesystem>
#include <system_error>

#include "platform/file_system.h"

namespace vistrel::app {

std::optional<UnshowableSnapshots::FileStamp> UnshowableSnapshots::stampOf(
    const std::string& path) {
  const auto host = platform::FileSystem::instance().toHost(path);
  if (!host) return std::nullopt;
  std::error_code error;
  const auto size = std::filesystem::file_size(*host, error);
  if (error) return std::nullopt;
  const auto modified = std::filesystem::last_write_time(*host, error);
  if (error) return std::nullopt;
  return FileStamp{size, modified.time_since_epoch().count()};
}

void UnshowableSnapshots::add(const std::string& path) { stamps_[path] = stampOf(path); }

bool UnshowableSnapshots::contains(const std::string& path) const {
  const auto found = stamps_.find(path);
  return found != stamps_.end() && found->second == stampOf(path);
}

}  // namespace vistrel::app
