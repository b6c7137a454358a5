#include "activity/activity_cache.h"

#include <cstdlib>

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "activity/activity_score.h"

namespace vistrel::activity {
namespace {

// Changes whenever a score would come out differently: the format's version
// and every scoring parameter.
QByteArray signature() {
  return QByteArray("vistrel-activity-scores 1 scale=1/8 grid=") + QByteArray::number(kGridWidth) +
         "x" + QByteArray::number(kGridHeight) +
         " blur=121 changed=" + QByteArray::number(kChangedLevels);
}

QByteArray encoded(const std::string& text) {
  // "-" stands for the empty text, so every field has at least one byte.
  if (text.empty()) return "-";
  return QByteArray::fromStdString(text).toPercentEncoding();
}

std::string decoded(const QByteArray& field) {
  if (field == "-") return {};
  return QByteArray::fromPercentEncoding(field).toStdString();
}

// The second line of a cache file: the hour folder it belongs to.
QByteArray folderLine(const std::filesystem::path& hourFolder) {
  return "folder " + encoded(hourFolder.string());
}

bool parseEntry(const QByteArray& line, std::string* name, CachedScore* entry) {
  const QList<QByteArray> fields = line.split(' ');
  if (fields.size() != 6) return false;
  bool sizeOk = false;
  bool timeOk = false;
  entry->stamp.size = fields[1].toULongLong(&sizeOk);
  entry->stamp.modifiedNs = fields[2].toLongLong(&timeOk);
  if (!sizeOk || !timeOk) return false;
  if (fields[3] != "-") {
    bool countOk = false;
    const int changed = fields[3].toInt(&countOk);
    if (!countOk || changed < 0 || changed > kGridPixels) return false;
    entry->changedPixels = changed;
  }
  *name = decoded(fields[0]);
  entry->comparedWith = decoded(fields[4]);
  entry->problem = decoded(fields[5]);
  return !name->empty();
}

}  // namespace

std::filesystem::path defaultCacheFolder() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg != nullptr && std::filesystem::path(xdg).is_absolute())
    return std::filesystem::path(xdg) / "vistrel";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : "/") / ".cache" / "vistrel";
}

std::filesystem::path cacheFileOf(const std::filesystem::path& cacheFolder,
                                  const std::filesystem::path& hourFolder) {
  const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(hourFolder.string()),
                                                   QCryptographicHash::Sha1)
                              .toHex();
  return cacheFolder / "activity" / (hash.toStdString() + ".scores");
}

std::optional<CachedHour> readCachedHour(const std::filesystem::path& cacheFile,
                                         const std::filesystem::path& hourFolder) {
  QFile file(QString::fromStdString(cacheFile.string()));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QList<QByteArray> lines = file.readAll().split('\n');
  // Signature, folder, the entries, and the empty piece after the last '\n'.
  if (lines.size() < 3 || lines[0] != signature() || lines[1] != folderLine(hourFolder) ||
      !lines.back().isEmpty())
    return std::nullopt;
  CachedHour hour;
  hour.reserve(std::size_t(lines.size()));
  for (qsizetype i = 2; i + 1 < lines.size(); ++i) {
    std::string name;
    CachedScore entry;
    if (!parseEntry(lines[i], &name, &entry)) return std::nullopt;
    hour[name] = std::move(entry);
  }
  return hour;
}

std::string writeCachedHour(const std::filesystem::path& cacheFile,
                            const std::filesystem::path& hourFolder,
                            const std::vector<std::string>& order, const CachedHour& hour) {
  const QString path = QString::fromStdString(cacheFile.string());
  if (!QDir().mkpath(QString::fromStdString(cacheFile.parent_path().string())))
    return "Cannot create folder " + cacheFile.parent_path().string();
  QByteArray text = signature() + '\n' + folderLine(hourFolder) + '\n';
  text.reserve(text.size() + qsizetype(order.size()) * 64);
  for (const std::string& name : order) {
    const auto found = hour.find(name);
    if (found == hour.end()) continue;
    const CachedScore& entry = found->second;
    text += encoded(name) + ' ' + QByteArray::number(entry.stamp.size) + ' ' +
            QByteArray::number(entry.stamp.modifiedNs) + ' ' +
            (entry.changedPixels ? QByteArray::number(*entry.changedPixels) : QByteArray("-")) +
            ' ' + encoded(entry.comparedWith) + ' ' + encoded(entry.problem) + '\n';
  }
  // QSaveFile writes a temporary file beside the target and renames it.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
    return "Cannot write file " + cacheFile.string() + ": " + file.errorString().toStdString();
  return {};
}

}  // namespace vistrel::activity
