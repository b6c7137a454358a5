#include "platform/archive_layout.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "platform/file_listing.h"
#include "platform/file_system.h"
#include "platform/host_entries.h"

namespace vistrel::platform {
namespace {

namespace fs = std::filesystem;

// The value of `text` when it is exactly `digits` decimal digits, else -1.
int readNumber(std::string_view text, std::size_t digits) {
  if (text.size() != digits) return -1;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The last `count` components of a path ("\" or "/"), nearest first.
std::vector<std::string_view> lastComponents(std::string_view path, std::size_t count) {
  std::vector<std::string_view> components;
  std::size_t end = path.size();
  while (components.size() < count && end > 0) {
    const std::size_t slash = path.find_last_of("\\/", end - 1);
    const std::size_t begin = slash == std::string_view::npos ? 0 : slash + 1;
    if (end > begin) components.push_back(path.substr(begin, end - begin));
    if (slash == std::string_view::npos) break;
    end = slash;
  }
  return components;
}

std::string joined(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (path.empty() || (path.back() != '\\' && path.back() != '/')) path += '\\';
  path += name;
  return path;
}

bool isHostFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

// The folder `relative` (names separated by "/") below `folder`, each name
// matched as the path layer matches it; nullopt when a name is missing.
std::optional<fs::path> findHostFolder(fs::path folder, std::string_view relative) {
  while (!relative.empty()) {
    const std::size_t slash = relative.find('/');
    const std::string_view name = relative.substr(0, slash);
    const std::optional<std::string> spelled = host::findEntryName(folder, name);
    if (!spelled || !isHostFolder(folder / *spelled)) return std::nullopt;
    folder /= *spelled;
    relative = slash == std::string_view::npos ? std::string_view() : relative.substr(slash + 1);
  }
  return folder;
}

bool holdsHostHourFolder(const fs::path& folder) {
  for (const std::string& name : host::listNames(folder)) {
    if (hourOfFolderName(name) >= 0 && isHostFolder(folder / name)) return true;
  }
  return false;
}

bool holdsHostDateFolder(const fs::path& folder) {
  for (const std::string& name : host::listNames(folder)) {
    if (isHostFolder(folder / name) && holdsHostHourFolder(folder / name)) return true;
  }
  return false;
}

bool named(const fs::path& path, const char* name) {
  return upperName(path.filename().string()) == upperName(name);
}

}  // namespace

QDate dateOfFolderName(std::string_view name) {
  if (name.size() != 10 || name[4] != '-' || name[7] != '-') return QDate();
  const int year = readNumber(name.substr(0, 4), 4);
  const int month = readNumber(name.substr(5, 2), 2);
  const int day = readNumber(name.substr(8, 2), 2);
  if (year < 0 || month < 0 || day < 0) return QDate();
  return QDate(year, month, day);  // invalid for a day that does not exist
}

std::string dateFolderName(const QDate& date) {
  return date.toString(QStringLiteral("yyyy-MM-dd")).toStdString();
}

int hourOfFolderName(std::string_view name) {
  const int hour = readNumber(name, 2);
  return hour <= kLastHour ? hour : -1;
}

std::string hourFolderName(int hour) {
  char name[16];
  std::snprintf(name, sizeof name, "%.2d", hour);
  return name;
}

std::optional<QTime> namedSnapshotTime(std::string_view name, int hour) {
  const int named = readNumber(name.substr(0, name.rfind('.')), 6);
  // The recorder names a snapshot by its time within the hour folder; a
  // name whose hour is another folder's was renamed or copied, and says
  // nothing about this one.
  if (named < 0 || named / 10000 != hour || named / 100 % 100 >= 60 || named % 100 >= 60)
    return std::nullopt;
  return QTime(hour, named / 100 % 100, named % 100);
}

QDateTime snapshotTime(const std::string& path, const QDateTime& modified) {
  const std::vector<std::string_view> parts = lastComponents(path, 3);
  if (parts.size() < 3) return modified;
  const QDate date = dateOfFolderName(parts[2]);
  const int hour = hourOfFolderName(parts[1]);
  if (!date.isValid() || hour < 0) return modified;
  if (const auto named = namedSnapshotTime(parts[0], hour)) return QDateTime(date, *named);
  const int minute = modified.isValid() ? modified.time().minute() : 0;
  const int second = modified.isValid() ? modified.time().second() : 0;
  return QDateTime(date, QTime(hour, minute, second));
}

std::vector<std::string> hourFolders(const std::string& dateFolder, int firstHour, int lastHour) {
  const FileSystem& files = FileSystem::instance();
  std::vector<std::string> folders;
  for (int hour = std::max(firstHour, 0); hour <= std::min(lastHour, kLastHour); ++hour) {
    const std::string folder = joined(dateFolder, hourFolderName(hour));
    if (files.canEnterDirectory(folder)) folders.push_back(files.fullPath(folder));
  }
  return folders;
}

bool holdsHourFolders(const std::string& folder) { return !hourFolders(folder).empty(); }

std::vector<std::string> dateFolders(const std::string& recordsRoot) {
  const FileSystem& files = FileSystem::instance();
  const std::string root = files.fullPath(recordsRoot);
  std::vector<std::string> folders;
  for (const FindData& entry : files.findFiles(joined(root, "*"))) {
    if ((entry.attributes & kAttrDirectory) == 0) continue;
    std::string folder = joined(root, entry.name);
    if (holdsHourFolders(folder)) folders.push_back(std::move(folder));
  }
  return folders;
}

std::vector<std::string> snapshotNames(const std::string& hourFolder) {
  return ordinaryFileNames(joined(hourFolder, kSnapshotPattern));
}

std::vector<std::string> hostSnapshotNames(const fs::path& hourFolder) {
  return ordinaryHostFileNames(hourFolder, kSnapshotPattern);
}

std::optional<fs::path> recordsRootIn(const fs::path& folder) {
  for (const char* below : {"Program Files/Vistrel/Records", "Vistrel/Records", "Records"}) {
    if (std::optional<fs::path> root = findHostFolder(folder, below)) return root;
  }
  if (named(folder, "Records") || holdsHostDateFolder(folder)) return folder;
  return std::nullopt;
}

std::optional<ArchivePlace> findArchive(const fs::path& path) {
  std::error_code error;
  if (!fs::exists(path, error)) return std::nullopt;
  // A snapshot (or any other file): the folder that holds it.
  const fs::path folder = isHostFolder(path) ? path : path.parent_path();
  if (std::optional<fs::path> root = recordsRootIn(folder)) return ArchivePlace{*root, {}};
  const std::string name = folder.filename().string();
  if (dateOfFolderName(name).isValid()) return ArchivePlace{folder.parent_path(), {name}};
  const fs::path date = folder.parent_path();
  const std::string dateName = date.filename().string();
  if (hourOfFolderName(name) >= 0 && dateOfFolderName(dateName).isValid())
    return ArchivePlace{date.parent_path(), {dateName, name}};
  return std::nullopt;
}

}  // namespace vistrel::platform
