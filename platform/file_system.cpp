#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>
#include <utility>

#include "platform/drive_table.h"
#include "platform/host_entries.h"

namespace vistrel::platform {
namespace {

namespace fs = std::filesystem;

bool isSeparator(char c) { return c == '\\' || c == '/'; }

char upperLetter(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A host path that no drive holds is named in the host's own namespace,
// "\\?\unix\tmp\out.avi" for /tmp/out.avi, rather than under some drive:
// it then always means itself, whatever the drives map to. Its "letter".
constexpr char kHostNamespace = '/';
constexpr std::string_view kHostPrefix = "\\\\?\\unix";

// Length of the host-namespace prefix at the start of `path` (with the
// separator after it, if any); 0 when `path` is not in that namespace.
std::size_t hostPrefixLength(std::string_view path) {
  if (path.size() < kHostPrefix.size()) return 0;
  for (std::size_t i = 0; i < kHostPrefix.size(); ++i) {
    const char wanted = kHostPrefix[i];
    const char c = path[i];
    const bool same = isSeparator(wanted)
                          ? isSeparator(c)
                          : (c == wanted || (c >= 'A' && c <= 'Z' && c - 'A' + 'a' == wanted));
    if (!same) return 0;
  }
  if (path.size() == kHostPrefix.size()) return path.size();
  return isSeparator(path[kHostPrefix.size()]) ? kHostPrefix.size() + 1 : 0;
}

// The pseudo drive behind the host namespace.
const Drive& hostNamespaceDrive() {
  static const Drive drive{kHostNamespace, "/", DriveType::Fixed,
                           std::string(),  {},  kFsCaseIsPreserved};
  return drive;
}

// A resolved Windows path: drive letter and the folder names below its root.
struct WinPath {
  char letter = 'C';
  std::vector<std::string> parts;

  std::string text() const {
    std::string result =
        letter == kHostNamespace ? std::string(kHostPrefix) + '\\' : std::string{letter, ':', '\\'};
    for (std::size_t i = 0; i < parts.size(); ++i) {
      if (i > 0) result += '\\';
      result += parts[i];
    }
    return result;
  }
};

// Appends the components of `relative` to `base`: "." is dropped, ".."
// removes the last name and stops at the drive root.
void appendComponents(WinPath& base, std::string_view relative) {
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = start;
    while (end < relative.size() && !isSeparator(relative[end])) ++end;
    const std::string_view part = relative.substr(start, end - start);
    if (part == "..") {
      if (!base.parts.empty()) base.parts.pop_back();
    } else if (!part.empty() && part != ".") {
      base.parts.emplace_back(part);
    }
    start = end + 1;
  }
}

// The outcome of walking a Windows path down the host file system.
struct Walk {
  fs::path host;                   // host path of the deepest existing entry
  std::vector<std::string> parts;  // existing names in on-disk spelling, the rest as given
  std::size_t existing = 0;        // number of leading parts that exist
  bool rootExists = false;
};

}  // namespace

struct FileSystem::Impl {
  std::vector<Drive> drives;
  WinPath current;
  std::array<std::optional<WinPath>, 26> driveDirectories;
  std::optional<fs::path> executablePath;

  const Drive* find(char letter) const {
    if (letter == kHostNamespace) return &hostNamespaceDrive();
    letter = upperLetter(letter);
    for (const Drive& d : drives) {
      if (d.letter == letter) return &d;
    }
    return nullptr;
  }

  WinPath driveDirectory(char letter) const {
    letter = upperLetter(letter);
    if (letter == current.letter) return current;
    if (isLetter(letter) && driveDirectories[letter - 'A']) return *driveDirectories[letter - 'A'];
    return WinPath{letter, {}};
  }

  // Resolves `path` against the current directories; nullopt for an empty
  // path or a network path (no drive of the table can hold it).
  std::optional<WinPath> resolve(std::string_view path) const {
    if (path.empty()) return std::nullopt;
    if (const std::size_t prefix = hostPrefixLength(path); prefix > 0) {
      WinPath result{kHostNamespace, {}};
      appendComponents(result, path.substr(prefix));
      return result;
    }
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) return std::nullopt;
    WinPath result;
    std::string_view rest = path;
    if (path.size() >= 2 && path[1] == ':' && isLetter(path[0])) {
      const char letter = upperLetter(path[0]);
      rest = path.substr(2);
      result =
          (!rest.empty() && isSeparator(rest[0])) ? WinPath{letter, {}} : driveDirectory(letter);
    } else if (isSeparator(path[0])) {
      result = WinPath{current.letter, {}};
    } else {
      result = current;
    }
    appendComponents(result, rest);
    return result;
  }

  Walk walk(const WinPath& path) const {
    Walk result;
    result.parts = path.parts;
    const Drive* drive = find(path.letter);
    if (drive == nullptr) return result;
    std::error_code error;
    if (!fs::is_directory(drive->hostRoot, error)) return result;
    result.rootExists = true;
    result.host = drive->hostRoot;
    if (walkAsSpelt(result)) return result;
    for (std::size_t i = 0; i < result.parts.size(); ++i) {
      if (i > 0 && !fs::is_directory(result.host, error)) break;
      std::optional<std::string> spelled = host::findEntryName(result.host, result.parts[i]);
      if (!spelled) break;
      result.host /= *spelled;
      result.parts[i] = hostNameToWindows(*spelled);
      result.existing = i + 1;
    }
    return result;
  }

  // Most paths are spelt as on disk. Then one lstat of the whole host path
  // finds every part at once (each folder on the way was entered to reach
  // the last one), instead of two calls per part: the slide show resolves
  // a snapshot's path several times a tick. False leaves `walk` unchanged.
  static bool walkAsSpelt(Walk& walk) {
    if (walk.parts.empty()) return false;
    fs::path host = walk.host;
    std::vector<std::string> parts;
    parts.reserve(walk.parts.size());
    for (const std::string& part : walk.parts) {
      std::string hostName = windowsNameToHost(part);
      // A backslash is an ordinary character in a host name.
      if (hostName.find_first_of(std::string_view("/\0", 2)) != std::string::npos) return false;
      host /= hostName;
      parts.push_back(hostNameToWindows(hostName));
    }
    struct stat st;
    if (lstat(host.c_str(), &st) != 0) return false;
    walk.host = std::move(host);
    walk.parts = std::move(parts);
    walk.existing = walk.parts.size();
    return true;
  }

  std::optional<fs::path> toHost(const WinPath& path, bool allowMissingLeaf) const {
    Walk w = walk(path);
    if (!w.rootExists) return std::nullopt;
    if (w.existing == w.parts.size()) return w.host;
    std::error_code error;
    if (allowMissingLeaf && w.existing + 1 == w.parts.size() && fs::is_directory(w.host, error)) {
      return w.host / windowsNameToHost(w.parts.back());
    }
    return std::nullopt;
  }

  std::optional<WinPath> spelled(const WinPath& path) const {
    Walk w = walk(path);
    return WinPath{path.letter, std::move(w.parts)};
  }
};

namespace {

std::unique_ptr<FileSystem>& installedInstance() {
  static std::unique_ptr<FileSystem> instance;
  return instance;
}

}  // namespace

FileSystem::FileSystem(std::vector<Drive> drives, const std::string& initialDirectory)
    : impl_(std::make_shared<Impl>()) {
  for (Drive& d : drives) d.letter = upperLetter(d.letter);
  // Only A: to Z: can be named in a path; anything else is a caller's slip.
  drives.erase(std::remove_if(drives.begin(), drives.end(),
                              [](const Drive& d) { return d.letter < 'A' || d.letter > 'Z'; }),
               drives.end());
  std::sort(drives.begin(), drives.end(),
            [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
  impl_->drives = std::move(drives);
  impl_->current = WinPath{impl_->drives.empty() ? 'C' : impl_->drives.front().letter, {}};
  setCurrentDirectory(initialDirectory);  // else the first drive's root
}

FileSystem& FileSystem::instance() {
  std::unique_ptr<FileSystem>& instance = installedInstance();
  if (!instance) {
    std::vector<Drive> drives = defaultDrives({});
    auto fileSystem = std::make_unique<FileSystem>(drives, std::string());
    std::error_code error;
    const fs::path here = fs::current_path(error);
    if (!error) {
      if (auto start = fileSystem->fromHost(here)) fileSystem->setCurrentDirectory(*start);
    }
    instance = std::move(fileSystem);
  }
  return *instance;
}

void FileSystem::install(std::unique_ptr<FileSystem> fileSystem) {
  installedInstance() = std::move(fileSystem);
}

const std::vector<Drive>& FileSystem::drives() const { return impl_->drives; }

void FileSystem::mapDrive(Drive drive) {
  const char letter = upperLetter(drive.letter);
  if (letter < 'A' || letter > 'Z') return;
  drive.letter = letter;
  auto& drives = impl_->drives;
  auto at = std::find_if(drives.begin(), drives.end(),
                         [&](const Drive& d) { return d.letter >= letter; });
  if (at != drives.end() && at->letter == letter) {
    *at = std::move(drive);
  } else {
    drives.insert(at, std::move(drive));
  }
  impl_->driveDirectories[letter - 'A'].reset();
  if (impl_->current.letter == letter) impl_->current = WinPath{letter, {}};
}

const Drive* FileSystem::drive(char letter) const {
  return isLetter(letter) ? impl_->find(letter) : nullptr;
}

std::uint32_t FileSystem::logicalDrives() const {
  std::uint32_t mask = 0;
  for (const Drive& d : impl_->drives) {
    if (d.letter >= 'A' && d.letter <= 'Z') mask |= 1u << (d.letter - 'A');
  }
  return mask;
}

namespace {

// The drive named by "X:", "X:\" or "x:/"; nullptr for anything else.
const Drive* rootDrive(const FileSystem& fileSystem, std::string_view root) {
  if (root.size() < 2 || !isLetter(root[0]) || root[1] != ':') return nullptr;
  if (root.size() > 3 || (root.size() == 3 && !isSeparator(root[2]))) return nullptr;
  return fileSystem.drive(root[0]);
}

}  // namespace

DriveType FileSystem::driveType(std::string_view root) const {
  const Drive* d = rootDrive(*this, root);
  return d == nullptr ? DriveType::NoRootDir : d->type;
}

bool FileSystem::volumeInformation(std::string_view root, std::string* label,
                                   std::uint32_t* fsFlags) const {
  const Drive* d = rootDrive(*this, root);
  std::error_code error;
  if (d == nullptr || !d->label || !fs::is_directory(d->hostRoot, error)) return false;
  if (label != nullptr) *label = *d->label;
  if (fsFlags != nullptr) *fsFlags = d->fsFlags;
  return true;
}

std::optional<std::string> FileSystem::remoteName(std::string_view localName) const {
  const Drive* d = rootDrive(*this, localName);
  if (d == nullptr || d->type != DriveType::Remote || d->remoteName.empty()) return std::nullopt;
  return d->remoteName;
}

std::string FileSystem::currentDirectory() const { return impl_->current.text(); }

bool FileSystem::setCurrentDirectory(std::string_view path) {
  std::optional<WinPath> resolved = impl_->resolve(path);
  // The current directories are a drive's: the host namespace has none.
  if (!resolved || resolved->letter == kHostNamespace) return false;
  std::optional<fs::path> hostPath = impl_->toHost(*resolved, false);
  if (!hostPath || !host::canEnter(*hostPath)) return false;
  WinPath target = *impl_->spelled(*resolved);
  if (target.letter != impl_->current.letter && isLetter(impl_->current.letter)) {
    impl_->driveDirectories[impl_->current.letter - 'A'] = impl_->current;
  }
  impl_->driveDirectories[target.letter - 'A'] = target;
  impl_->current = std::move(target);
  return true;
}

std::string FileSystem::driveCurrentDirectory(char letter) const {
  return impl_->driveDirectory(letter).text();
}

std::string FileSystem::fullPath(std::string_view path) const {
  std::optional<WinPath> resolved = impl_->resolve(path);
  if (!resolved) {
    std::string text(path);
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
  }
  return impl_->spelled(*resolved)->text();
}

std::optional<fs::path> FileSystem::toHost(std::string_view path, bool allowMissingLeaf) const {
  std::optional<WinPath> resolved = impl_->resolve(path);
  if (!resolved) return std::nullopt;
  return impl_->toHost(*resolved, allowMissingLeaf);
}

std::optional<fs::path> FileSystem::toHostForCreate(std::string_view path) const {
  std::optional<WinPath> resolved = impl_->resolve(path);
  if (!resolved) return std::nullopt;
  const Drive* mapped = impl_->find(resolved->letter);
  if (mapped == nullptr) return std::nullopt;
  Walk w = impl_->walk(*resolved);
  fs::path host = w.rootExists ? w.host : mapped->hostRoot;
  for (std::size_t i = w.existing; i < w.parts.size(); ++i) host /= windowsNameToHost(w.parts[i]);
  return host;
}

namespace {

// `path` relative to `root` when it lies inside it (both lexically normal).
std::optional<fs::path> inside(const fs::path& root, const fs::path& path) {
  auto r = root.begin();
  auto p = path.begin();
  for (; r != root.end(); ++r) {
    if (r->empty()) continue;  // the empty name after a trailing "/"
    if (p == path.end() || *p != *r) return std::nullopt;
    ++p;
  }
  fs::path rest;
  for (; p != path.end(); ++p) {
    if (!p->empty()) rest /= *p;
  }
  return rest;
}

fs::path normalHostPath(const fs::path& path) {
  std::error_code error;
  fs::path result = fs::weakly_canonical(path, error);
  if (error) result = fs::absolute(path, error).lexically_normal();
  return result;
}

}  // namespace

std::optional<std::string> FileSystem::fromHost(const fs::path& hostPath) const {
  if (hostPath.empty()) return std::nullopt;
  const fs::path path = normalHostPath(hostPath);
  const Drive* best = nullptr;
  fs::path bestRest;
  std::size_t bestDepth = 0;
  for (const Drive& d : impl_->drives) {
    const fs::path root = normalHostPath(d.hostRoot);
    std::optional<fs::path> rest = inside(root, path);
    if (!rest) continue;
    const auto depth = static_cast<std::size_t>(std::distance(root.begin(), root.end()));
    if (best == nullptr || depth > bestDepth) {
      best = &d;
      bestRest = *rest;
      bestDepth = depth;
    }
  }
  WinPath result{best != nullptr ? best->letter : kHostNamespace, {}};
  const fs::path& rest = best != nullptr ? bestRest : path.relative_path();
  for (const fs::path& part : rest) {
    if (!part.empty()) result.parts.push_back(hostNameToWindows(part.string()));
  }
  return result.text();
}

std::vector<FindData> FileSystem::findFiles(std::string_view pattern) const {
  std::vector<FindData> found;
  if (pattern.empty() || isSeparator(pattern.back())) return found;
  if (pattern.size() >= 2 && isSeparator(pattern[0]) && isSeparator(pattern[1]) &&
      hostPrefixLength(pattern) == 0)
    return found;
  // The last component is the wildcard; ".." in it is not a folder step.
  const std::size_t cut = pattern.find_last_of("\\/:");
  const std::string_view wildcard =
      cut == std::string_view::npos ? pattern : pattern.substr(cut + 1);
  if (wildcard.empty() || wildcard == "." || wildcard == "..") return found;
  const std::optional<WinPath> folder = impl_->resolve(
      cut == std::string_view::npos ? std::string_view(".") : pattern.substr(0, cut + 1));
  if (!folder) return found;
  std::optional<fs::path> hostFolder = impl_->toHost(*folder, false);
  if (!hostFolder) return found;
  return findHostFiles(*hostFolder, wildcard);
}

std::vector<FindData> findHostFiles(const fs::path& hostFolder, std::string_view wildcard) {
  std::vector<FindData> found;
  std::error_code error;
  if (!fs::is_directory(hostFolder, error)) return found;
  const int folder = open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return found;
  // Sorted on precomputed keys: an hour folder holds thousands of names.
  std::vector<std::pair<std::string, FindData>> keyed;
  for (const std::string& hostName : host::listNames(hostFolder)) {
    const std::string name = hostNameToWindows(hostName);
    if (!wildcardMatch(wildcard, name)) continue;
    if (std::optional<FindData> data = host::describeEntryAt(folder, hostName, name)) {
      keyed.emplace_back(upperName(name), std::move(*data));
    }
  }
  close(folder);
  std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : a.second.name < b.second.name;
  });
  found.reserve(keyed.size());
  for (auto& entry : keyed) found.push_back(std::move(entry.second));
  return found;
}

std::optional<std::uint32_t> FileSystem::fileAttributes(std::string_view path) const {
  std::optional<WinPath> resolved = impl_->resolve(path);
  if (!resolved) return std::nullopt;
  Walk w = impl_->walk(*resolved);
  if (!w.rootExists || w.existing != w.parts.size()) return std::nullopt;
  const std::string name = w.parts.empty() ? std::string() : w.parts.back();
  std::optional<FindData> data = host::describeEntry(w.host, name);
  if (!data) return std::nullopt;
  return data->attributes;
}

bool FileSystem::directoryExists(std::string_view path) const {
  std::optional<std::uint32_t> attributes = fileAttributes(path);
  return attributes && (*attributes & kAttrDirectory) != 0;
}

bool FileSystem::canEnterDirectory(std::string_view path) const {
  std::optional<WinPath> resolved = impl_->resolve(path);
  if (!resolved) return false;
  std::optional<fs::path> hostPath = impl_->toHost(*resolved, false);
  return hostPath && host::canEnter(*hostPath);
}

bool FileSystem::fileExists(std::string_view path) const {
  std::optional<std::uint32_t> attributes = fileAttributes(path);
  return attributes && (*attributes & kAttrDirectory) == 0;
}

bool FileSystem::createDirectory(std::string_view path) {
  std::optional<WinPath> resolved = impl_->resolve(path);
  if (!resolved || resolved->parts.empty()) return false;
  const std::string& leaf = resolved->parts.back();
  if (leaf.find_first_of("*?:<>|\"") != std::string::npos) return false;
  std::optional<fs::path> hostPath = impl_->toHost(*resolved, true);
  if (!hostPath) return false;
  struct stat st;
  if (lstat(hostPath->c_str(), &st) == 0) return false;  // exists, possibly in another case
  return mkdir(hostPath->c_str(), 0777) == 0;
}

void FileSystem::setExecutablePath(std::filesystem::path hostPath) {
  impl_->executablePath = std::move(hostPath);
}

namespace {

// Whether the user may keep files beside the executable. Folders of installed
// programs never qualify, even for root, who could write there: exports and
// saved videos do not belong among the system's programs.
bool isUsersProgramFolder(const fs::path& hostFolder) {
  for (const char* system : {"/usr", "/bin", "/sbin", "/lib", "/opt"}) {
    const fs::path prefix(system);
    const auto [end, unused] =
        std::mismatch(prefix.begin(), prefix.end(), hostFolder.begin(), hostFolder.end());
    if (end == prefix.end()) return false;
  }
  return access(hostFolder.c_str(), W_OK) == 0 || errno == ENOENT;
}

}  // namespace

std::string FileSystem::programFolder(bool create) const {
  fs::path executable;
  if (impl_->executablePath) {
    executable = *impl_->executablePath;
  } else {
    std::error_code error;
    executable = fs::read_symlink("/proc/self/exe", error);
  }
  fs::path host = executable.parent_path();
  if (host.empty() || !isUsersProgramFolder(host)) {
    // An installed viewer keeps its videos where the desktop keeps videos.
    // A folder that cannot be made is still named: saving there then fails
    // with the system's reason for it.
    host = userVideosFolder() / "Vistrel";
    std::error_code error;
    if (create) fs::create_directories(host, error);
  }
  std::string folder = *fromHost(host);
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace vistrel::platform
