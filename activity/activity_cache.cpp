#include "activity/activity_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>

#include "activity/activity_score.h"

namespace vistrel::activity {
namespace {

// Changes whenever a score would come out differently: the format's version
// and every scoring parameter.
QByteArray signature() {
  return QByteArray("vistrel-activity-scores 2 scale=1/8 grid=") + QByteArray::number(kGridWidth) +
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
  if (fields.size() != 7) return false;
  bool sizeOk = false;
  bool modifiedOk = false;
  bool changedOk = false;
  entry->stamp.size = fields[1].toULongLong(&sizeOk);
  entry->stamp.modifiedNs = fields[2].toLongLong(&modifiedOk);
  entry->stamp.changedNs = fields[3].toLongLong(&changedOk);
  if (!sizeOk || !modifiedOk || !changedOk) return false;
  if (fields[4] != "-") {
    bool countOk = false;
    const int changed = fields[4].toInt(&countOk);
    if (!countOk || changed < 0 || changed > kGridPixels) return false;
    entry->changedPixels = changed;
  }
  *name = decoded(fields[0]);
  entry->comparedWith = decoded(fields[5]);
  entry->problem = decoded(fields[6]);
  return !name->empty();
}

// Closes a descriptor when it goes.
struct Descriptor {
  int fd = -1;
  Descriptor() = default;
  explicit Descriptor(int opened) : fd(opened) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
  // Closes it now; false (with errno) when the close reports an error.
  bool close() {
    const int closing = fd;
    fd = -1;
    return ::close(closing) == 0;
  }
};

// Reads the whole of a cache file, or nullopt when there is none that may
// be read. A name in the cache folder is easy to guess and the programs may
// run as root, so what stands there is not trusted: a link is not
// followed, a FIFO or device is not waited on (opened without blocking,
// then refused), and only a regular file of at most kMaxCacheFileBytes is
// read.
std::optional<QByteArray> readCacheFile(const std::filesystem::path& cacheFile) {
  const Descriptor file(::open(cacheFile.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (file.fd < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0 ||
      std::uint64_t(info.st_size) > kMaxCacheFileBytes)
    return std::nullopt;
  QByteArray text(qsizetype(info.st_size), Qt::Uninitialized);
  qsizetype done = 0;
  while (done < text.size()) {
    const ssize_t got = ::read(file.fd, text.data() + done, std::size_t(text.size() - done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return std::nullopt;  // an error, or cut while read: a writer replaces it
    done += got;
  }
  return text;
}

std::string systemError(int code) { return std::strerror(code); }

// A name for the temporary file beside `finalName` that no other writer
// (thread or process) picks at the same time.
std::string temporaryName(const std::string& finalName) {
  static std::atomic<unsigned> counter{0};
  return "." + finalName + ".part-" + std::to_string(::getpid()) + "-" +
         std::to_string(counter.fetch_add(1));
}

// Writes `text` completely into the new file `fd`, then onto the disk.
// Returns 0 or the errno of the first failure.
int writeAndSync(int fd, const QByteArray& text) {
  qsizetype done = 0;
  while (done < text.size()) {
    const ssize_t put = ::write(fd, text.constData() + done, std::size_t(text.size() - done));
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return errno;
    if (put == 0) return EIO;
    done += put;
  }
  if (::fsync(fd) != 0) return errno;
  return 0;
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
  const std::optional<QByteArray> text = readCacheFile(cacheFile);
  if (!text) return std::nullopt;
  const QList<QByteArray> lines = text->split('\n');
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
  const std::filesystem::path folder = cacheFile.parent_path();
  if (!QDir().mkpath(QString::fromStdString(folder.string())))
    return "Cannot create folder " + folder.string();
  QByteArray text = signature() + '\n' + folderLine(hourFolder) + '\n';
  text.reserve(text.size() + qsizetype(order.size()) * 64);
  for (const std::string& name : order) {
    const auto found = hour.find(name);
    if (found == hour.end()) continue;
    const CachedScore& entry = found->second;
    text += encoded(name) + ' ' + QByteArray::number(entry.stamp.size) + ' ' +
            QByteArray::number(entry.stamp.modifiedNs) + ' ' +
            QByteArray::number(entry.stamp.changedNs) + ' ' +
            (entry.changedPixels ? QByteArray::number(*entry.changedPixels) : QByteArray("-")) +
            ' ' + encoded(entry.comparedWith) + ' ' + encoded(entry.problem) + '\n';
  }
  const std::string failed = "Cannot write file " + cacheFile.string() + ": ";
  if (std::uint64_t(text.size()) > kMaxCacheFileBytes)
    return failed + "more than " + std::to_string(kMaxCacheFileBytes) + " bytes";

  // The folder is held open, so the temporary file and the rename happen in
  // the same folder even if a path above it is swapped meanwhile; a link in
  // the folder's place is refused rather than followed.
  const Descriptor directory(
      ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (directory.fd < 0) return failed + systemError(errno);
  const std::string finalName = cacheFile.filename().string();
  std::string partName;
  Descriptor part;
  for (int attempt = 0; attempt < 8 && part.fd < 0; ++attempt) {
    partName = temporaryName(finalName);
    part.fd = ::openat(directory.fd, partName.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (part.fd < 0 && errno != EEXIST) break;
  }
  if (part.fd < 0) return failed + systemError(errno);
  int error = writeAndSync(part.fd, text);
  if (!part.close() && error == 0) error = errno;
  // rename() replaces whatever has the name (a link is replaced, not
  // followed); the old file stays until the new one is whole on disk.
  if (error == 0 &&
      ::renameat(directory.fd, partName.c_str(), directory.fd, finalName.c_str()) != 0)
    error = errno;
  if (error != 0) {
    ::unlinkat(directory.fd, partName.c_str(), 0);
    return failed + systemError(error);
  }
  return {};
}

}  // namespace vistrel::activity
