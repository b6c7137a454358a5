#include "tools/export/snapshot_sources.h"

#include <filesystem>
#include <optional>

#include <QDate>
#include <QRegularExpression>

#include "platform/archive_layout.h"
#include "platform/file_system.h"

namespace vistrel::exporter {
namespace {

using platform::kLastHour;

void appendHour(const std::string& folder, std::vector<std::string>& snapshots) {
  for (const std::string& name : platform::snapshotNames(folder)) {
    std::string path = folder + "\\";
    path += name;
    snapshots.push_back(std::move(path));
  }
}

// Hours `first` to `last` of a date folder that exist and can be entered.
void appendHours(const std::string& dateFolder, int first, int last,
                 std::vector<std::string>& snapshots) {
  for (const std::string& folder : platform::hourFolders(dateFolder, first, last))
    appendHour(folder, snapshots);
}

// The date folders below the Windows folder `folder` when it is or holds a
// records root (platform::recordsRootIn): a drive root, Program Files,
// Vistrel or the records root itself. Empty for any other folder.
std::vector<std::string> datesBelow(const std::string& folder) {
  const platform::FileSystem& files = platform::FileSystem::instance();
  const std::optional<std::filesystem::path> host = files.toHost(folder);
  if (!host) return {};
  const std::optional<std::filesystem::path> root = platform::recordsRootIn(*host);
  if (!root) return {};
  const std::optional<std::string> windowsRoot = files.fromHost(*root);
  return windowsRoot ? platform::dateFolders(*windowsRoot) : std::vector<std::string>();
}

struct ArchiveHour {
  QDate date;
  int hour = 0;
};

ArchiveHour parseArchiveHour(const std::string& text, const char* option) {
  static const QRegularExpression form(
      QStringLiteral("^\\s*(\\d{4}-\\d{2}-\\d{2})[ T](\\d{1,2})\\s*$"));
  const QRegularExpressionMatch match = form.match(QString::fromStdString(text));
  ArchiveHour result;
  if (match.hasMatch()) {
    result.date = QDate::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd"));
    result.hour = match.captured(2).toInt();
  }
  if (!result.date.isValid() || result.hour > kLastHour)
    throw EExportUsage(std::string(option) + " \"" + text +
                       "\" is not a date and hour like \"2026-12-06 07\"");
  return result;
}

}  // namespace

bool isWindowsPath(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::vector<std::string> snapshotsOfSource(const std::string& source) {
  const platform::FileSystem& files = platform::FileSystem::instance();
  std::string folder;
  if (isWindowsPath(source)) {
    folder = files.fullPath(source);
  } else {
    std::error_code error;
    folder = files.fromHost(std::filesystem::absolute(source, error)).value_or(std::string());
  }
  if (folder.empty() || !files.directoryExists(folder))
    throw EExportUsage("No such folder: " + source);
  std::vector<std::string> snapshots;
  if (platform::holdsHourFolders(folder)) {
    appendHours(folder, 0, kLastHour, snapshots);
  } else if (const std::vector<std::string> dates = datesBelow(folder); !dates.empty()) {
    for (const std::string& date : dates) appendHours(date, 0, kLastHour, snapshots);
  } else {
    appendHour(folder, snapshots);
  }
  return snapshots;
}

std::vector<std::string> snapshotsOfRange(const std::string& from, const std::string& to) {
  const ArchiveHour first = parseArchiveHour(from, "--from");
  const ArchiveHour last = parseArchiveHour(to, "--to");
  if (last.date < first.date || (last.date == first.date && last.hour < first.hour))
    throw EExportUsage("The range ends before it starts: --from \"" + from + "\" --to \"" + to +
                       "\"");
  const platform::FileSystem& files = platform::FileSystem::instance();
  std::vector<std::string> snapshots;
  for (QDate date = first.date; date <= last.date; date = date.addDays(1)) {
    const std::string dateFolder =
        std::string(kRecordsRoot) + "\\" + platform::dateFolderName(date);
    if (!files.directoryExists(dateFolder)) continue;
    appendHours(files.fullPath(dateFolder), date == first.date ? first.hour : 0,
                date == last.date ? last.hour : kLastHour, snapshots);
  }
  return snapshots;
}

}  // namespace vistrel::exporter
