#include "platform/host_entries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace vistrel::platform::host {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

bool validName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// Listings leave out names holding a backslash, which a Windows program
// could not take apart from a path; looked up by their escaped form
// (hostNameToWindows) they are still reached.
bool listableName(std::string_view name) {
  return validName(name) && name.find('\\') == std::string_view::npos;
}

// upperName(name) == upperWanted, without allocating for ASCII names (a
// folder of snapshots is scanned name by name).
bool matchesUpper(std::string_view name, std::string_view upperWanted) {
  if (name.size() != upperWanted.size()) {
    const bool ascii = std::all_of(name.begin(), name.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) return false;  // ASCII keeps its length when upper-cased
    return upperName(name) == upperWanted;
  }
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c >= 0x80) return upperName(name) == upperWanted;
    const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : name[i];
    if (upper != upperWanted[i]) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> listNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
  if (!dir) return names;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view name(entry->d_name);
    if (listableName(name)) names.emplace_back(name);
  }
  return names;
}

std::optional<std::string> findEntryName(const std::filesystem::path& folder,
                                         std::string_view name) {
  std::string hostName = windowsNameToHost(name);
  if (!validName(hostName)) return std::nullopt;
  struct stat st;
  if (lstat((folder / hostName).c_str(), &st) == 0) return hostName;
  const std::string wanted = upperName(name);
  std::optional<std::string> best;
  for (std::string& candidate : listNames(folder)) {
    if (matchesUpper(hostNameToWindows(candidate), wanted) && (!best || candidate < *best))
      best = std::move(candidate);
  }
  return best;
}

namespace {

// The attributes of an entry whose stat() failed but which exists: a
// dangling link, neither a file nor a folder.
FindData danglingEntry(std::string_view name) {
  FindData data{std::string(name), kAttrSystem, 0};
  if (!name.empty() && name.front() == '.') data.attributes |= kAttrHidden;
  return data;
}

FindData entryOf(const struct stat& st, std::string_view name) {
  FindData data{std::string(name), 0, 0};
  if (S_ISDIR(st.st_mode)) {
    data.attributes = kAttrDirectory;
  } else if (S_ISREG(st.st_mode)) {
    data.attributes = kAttrArchive;
    data.size = static_cast<std::uint64_t>(st.st_size);
  } else {
    data.attributes = kAttrSystem;  // fifos, sockets, devices
  }
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) data.attributes |= kAttrReadOnly;
  if (!name.empty() && name.front() == '.') data.attributes |= kAttrHidden;
  return data;
}

}  // namespace

std::optional<FindData> describeEntry(const std::filesystem::path& hostPath,
                                      std::string_view name) {
  struct stat st;
  if (stat(hostPath.c_str(), &st) != 0) {
    if (lstat(hostPath.c_str(), &st) != 0) return std::nullopt;
    return danglingEntry(name);
  }
  return entryOf(st, name);
}

std::optional<FindData> describeEntryAt(int folder, const std::string& hostName,
                                        std::string_view name) {
  struct stat st;
  if (fstatat(folder, hostName.c_str(), &st, 0) != 0) {
    if (fstatat(folder, hostName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    return danglingEntry(name);
  }
  return entryOf(st, name);
}

bool canEnter(const std::filesystem::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  return access(folder.c_str(), X_OK) == 0;
}

}  // namespace vistrel::platform::host
