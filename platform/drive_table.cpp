#include "platform/drive_table.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <system_error>

namespace vistrel::platform {
namespace {

namespace fs = std::filesystem;

// Mount-table fields escape blanks, tabs, new lines and "\" as "\ooo".
std::string unescapeOctal(std::string_view text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() &&
        std::all_of(text.begin() + i + 1, text.begin() + i + 4,
                    [](char c) { return c >= '0' && c <= '7'; })) {
      result += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                                  (text[i + 3] - '0'));
      i += 3;
    } else {
      result += text[i];
    }
  }
  return result;
}

// udev escapes blanks and other unsafe bytes in link names as "\xHH".
std::string unescapeHex(std::string_view text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 3]))) {
      result += static_cast<char>(std::stoi(std::string(text.substr(i + 2, 2)), nullptr, 16));
      i += 3;
    } else {
      result += text[i];
    }
  }
  return result;
}

bool isPseudoFileSystem(const std::string& type) {
  static const std::set<std::string> pseudo = {
      "proc",       "sysfs",           "devpts",      "mqueue",   "debugfs",    "tracefs",
      "securityfs", "pstore",          "bpf",         "autofs",   "configfs",   "fusectl",
      "hugetlbfs",  "binfmt_misc",     "nsfs",        "devtmpfs", "rpc_pipefs", "efivarfs",
      "squashfs",   "fuse.gvfsd-fuse", "fuse.portal", "selinuxfs"};
  return pseudo.count(type) > 0 || type.rfind("cgroup", 0) == 0;
}

bool under(const std::string& path, const std::string& folder) {
  return path == folder || path.rfind(folder + "/", 0) == 0;
}

bool isSystemMountPoint(const std::string& mountPoint) {
  if (mountPoint == "/") return true;  // the whole host is Z:
  if (under(mountPoint, "/run/media")) return mountPoint == "/run/media";
  return under(mountPoint, "/proc") || under(mountPoint, "/sys") || under(mountPoint, "/dev") ||
         under(mountPoint, "/run");
}

bool isRemoteType(const std::string& type) {
  static const std::set<std::string> remote = {"nfs",   "nfs4",  "cifs",       "smb3",
                                               "smbfs", "sshfs", "fuse.sshfs", "9p"};
  return remote.count(type) > 0;
}

// "\\server\share..." from a mount source: "//server/share" (SMB),
// "server:/export" (NFS), "user@host:/path" (SSH), or a bare tag (9p).
std::string remoteNameOf(const std::string& source) {
  std::string server;
  std::string path;
  if (source.rfind("//", 0) == 0) {
    const std::size_t slash = source.find('/', 2);
    server = source.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
    if (slash != std::string::npos) path = source.substr(slash + 1);
  } else if (const std::size_t colon = source.find(':'); colon != std::string::npos) {
    server = source.substr(0, colon);
    path = source.substr(colon + 1);
    if (const std::size_t at = server.rfind('@'); at != std::string::npos) {
      server = server.substr(at + 1);
    }
  } else {
    server = source;
  }
  std::string result = "\\\\" + server;
  std::replace(path.begin(), path.end(), '/', '\\');
  while (!path.empty() && path.front() == '\\') path.erase(path.begin());
  while (!path.empty() && path.back() == '\\') path.pop_back();
  if (!path.empty()) result += "\\" + path;
  return result;
}

// Kernel name of a block-device source ("/dev/sdb1" -> "sdb1"), following
// /dev/disk/... and /dev/mapper/... links when they exist.
std::string deviceName(const std::string& source) {
  if (source.rfind("/dev/", 0) != 0) return {};
  std::error_code error;
  fs::path device = fs::canonical(source, error);
  if (error) device = source;
  return device.filename().string();
}

bool isRemovable(const fs::path& sysBlock, std::string device) {
  if (device.empty()) return false;
  std::vector<std::string> candidates = {device};
  while (!device.empty() && std::isdigit(static_cast<unsigned char>(device.back()))) {
    device.pop_back();
  }
  candidates.push_back(device);  // sdb1 -> sdb
  if (device.size() > 1 && device.back() == 'p' &&
      std::isdigit(static_cast<unsigned char>(device[device.size() - 2]))) {
    candidates.push_back(device.substr(0, device.size() - 1));  // mmcblk0p1 -> mmcblk0
  }
  for (const std::string& candidate : candidates) {
    std::ifstream in(sysBlock / candidate / "removable");
    char flag = 0;
    if (in >> flag) return flag == '1';
  }
  return false;
}

std::string labelOf(const fs::path& byLabel, const std::string& device) {
  if (device.empty()) return {};
  std::error_code error;
  for (fs::directory_iterator it(byLabel, error), end; !error && it != end; it.increment(error)) {
    std::error_code linkError;
    const fs::path target = fs::read_symlink(it->path(), linkError);
    if (!linkError && target.filename() == device) {
      return unescapeHex(it->path().filename().string());
    }
  }
  return {};
}

struct Mount {
  std::string mountPoint;
  std::string type;
  std::string source;
};

std::vector<Mount> readMountTable(const fs::path& mountInfo) {
  std::map<std::string, Mount> byMountPoint;  // a later mount hides an earlier one
  std::ifstream in(mountInfo);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::vector<std::string> words;
    for (std::string word; fields >> word;) words.push_back(word);
    const auto dash = std::find(words.begin(), words.end(), "-");
    if (words.size() < 5 || dash == words.end() || words.end() - dash < 3) continue;
    Mount mount{unescapeOctal(words[4]), *(dash + 1), unescapeOctal(*(dash + 2))};
    byMountPoint[mount.mountPoint] = mount;
  }
  std::vector<Mount> mounts;
  mounts.reserve(byMountPoint.size());
  for (auto& [mountPoint, mount] : byMountPoint) mounts.push_back(std::move(mount));
  return mounts;
}

// The value of `XDG_NAME_DIR="..."` in a user-dirs.dirs file, with "$HOME"
// at its start expanded; nullopt when the file does not set it or the value
// is neither "$HOME/..." nor absolute (the forms the file may hold).
std::optional<fs::path> userDirsEntry(const fs::path& file, const std::string& key) {
  std::ifstream in(file);
  std::optional<fs::path> found;
  for (std::string line; std::getline(in, line);) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, key.size() + 2, key + "=\"") != 0) {
      continue;
    }
    std::string value;
    bool closed = false;
    for (std::size_t i = start + key.size() + 2; i < line.size(); ++i) {
      if (line[i] == '"') {
        closed = true;
        break;
      }
      if (line[i] == '\\' && i + 1 < line.size()) ++i;  // \" \\ \$ \` stand for themselves
      value += line[i];
    }
    if (!closed) continue;
    if (value == "$HOME" || value.rfind("$HOME/", 0) == 0) {
      found = homeFolder() / value.substr(std::min<std::size_t>(value.size(), 6));
    } else if (!value.empty() && value.front() == '/') {
      found = fs::path(value);
    }
    // A later line overrides an earlier one, as when the shell sources the file.
  }
  return found;
}

}  // namespace

fs::path homeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr) return entry->pw_dir;
  return "/";
}

fs::path userVideosFolder() {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  const fs::path config = (configHome != nullptr && *configHome == '/') ? fs::path(configHome)
                                                                        : homeFolder() / ".config";
  if (auto folder = userDirsEntry(config / "user-dirs.dirs", "XDG_VIDEOS_DIR")) {
    return folder->lexically_normal();
  }
  return homeFolder() / "Videos";
}

std::vector<Drive> mountedDrives(const MountSources& sources) {
  std::vector<Drive> drives;
  char letter = 'D';
  for (const Mount& mount : readMountTable(sources.mountInfo)) {
    if (letter > 'Y') break;
    if (isPseudoFileSystem(mount.type) || isSystemMountPoint(mount.mountPoint)) continue;
    std::error_code error;
    if (fs::exists(mount.mountPoint, error) && !fs::is_directory(mount.mountPoint, error)) {
      continue;  // a file bound over a file, as containers do for /etc/hosts
    }
    Drive drive;
    drive.letter = letter++;
    drive.hostRoot = mount.mountPoint;
    const std::string device = deviceName(mount.source);
    if (mount.type == "iso9660" || mount.type == "udf") {
      drive.type = DriveType::CdRom;
    } else if (isRemoteType(mount.type)) {
      drive.type = DriveType::Remote;
      drive.remoteName = remoteNameOf(mount.source);
    } else if (mount.type == "tmpfs" || mount.type == "ramfs") {
      drive.type = DriveType::RamDisk;
    } else if (isRemovable(sources.sysBlock, device)) {
      drive.type = DriveType::Removable;
    }
    drive.label = labelOf(sources.byLabel, device);
    drives.push_back(std::move(drive));
  }
  return drives;
}

Drive parseDriveOption(std::string_view option) {
  const std::string text(option);
  const auto fail = [&](const std::string& why) {
    throw EDriveOption("Invalid drive option \"" + text + "\": " + why +
                       " (expected X:=HOSTDIR, e.g. D:=/srv/archive)");
  };
  if (option.size() < 3 || option[1] != ':' || option[2] != '=') fail("not of the form X:=HOSTDIR");
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(option[0])));
  if (letter < 'A' || letter > 'Z') fail("the drive must be a letter A to Z");
  const std::string folder(option.substr(3));
  if (folder.empty()) fail("the host folder is missing");
  std::error_code error;
  if (!fs::is_directory(folder, error)) fail("\"" + folder + "\" is not an existing folder");
  Drive drive;
  drive.letter = letter;
  drive.hostRoot = fs::absolute(folder, error).lexically_normal();
  if (drive.hostRoot.has_filename() == false && drive.hostRoot != drive.hostRoot.root_path()) {
    drive.hostRoot = drive.hostRoot.parent_path();  // drop a trailing "/"
  }
  return drive;
}

fs::path defaultDriveC(bool createWhenMissing) {
  std::error_code error;
  std::vector<fs::path> candidates;
  if (const char* c = std::getenv("VISTREL_DRIVE_C"); c != nullptr && *c != '\0') {
    candidates.emplace_back(c);
  }
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0') {
    candidates.push_back(fs::path(prefix) / "drive_c");
  }
  candidates.push_back(homeFolder() / ".wine" / "drive_c");
  for (const fs::path& candidate : candidates) {
    if (fs::is_directory(candidate, error)) return candidate;
  }
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  const fs::path data = (dataHome != nullptr && *dataHome == '/')
                            ? fs::path(dataHome)
                            : homeFolder() / ".local" / "share";
  const fs::path folder = data / "vistrel" / "drive_c";
  if (createWhenMissing) fs::create_directories(folder, error);
  return folder;
}

std::vector<Drive> defaultDrives(const std::vector<std::string>& driveOptions,
                                 const MountSources& sources, bool createDriveC) {
  std::vector<Drive> overrides;
  for (const std::string& option : driveOptions) {
    Drive drive = parseDriveOption(option);
    // Taking one of two mappings silently would export or delete in a
    // folder the user did not mean.
    for (const Drive& earlier : overrides) {
      if (earlier.letter == drive.letter) {
        throw EDriveOption(std::string("Drive ") + drive.letter +
                           ": is given twice with --drive (" + earlier.hostRoot.string() + " and " +
                           drive.hostRoot.string() + ")");
      }
    }
    overrides.push_back(std::move(drive));
  }

  std::vector<Drive> drives;
  Drive c;
  c.letter = 'C';
  c.hostRoot = defaultDriveC(createDriveC);
  drives.push_back(c);
  for (Drive& d : mountedDrives(sources)) drives.push_back(std::move(d));
  Drive z;
  z.letter = 'Z';
  z.hostRoot = "/";
  drives.push_back(z);

  for (Drive& override : overrides) {
    auto same = std::find_if(drives.begin(), drives.end(),
                             [&](const Drive& d) { return d.letter == override.letter; });
    if (same != drives.end()) {
      *same = std::move(override);
    } else {
      drives.push_back(std::move(override));
    }
  }
  std::sort(drives.begin(), drives.end(),
            [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
  return drives;
}

std::vector<Drive> defaultDrives(const std::vector<std::string>& driveOptions, bool createDriveC) {
  return defaultDrives(driveOptions, MountSources{}, createDriveC);
}

const char* driveTypeName(DriveType type) {
  switch (type) {
    case DriveType::Removable:
      return "removable";
    case DriveType::Fixed:
      return "fixed";
    case DriveType::Remote:
      return "remote";
    case DriveType::CdRom:
      return "CD-ROM";
    case DriveType::RamDisk:
      return "RAM disk";
    case DriveType::NoRootDir:
      return "no root folder";
    case DriveType::Unknown:
      break;
  }
  return "unknown";
}

std::string describeDrives(const std::vector<Drive>& drives) {
  std::string text;
  for (const Drive& d : drives) {
    std::string line = std::string(1, d.letter) + ":  ";
    std::string type = driveTypeName(d.type);
    type.resize(std::max<std::size_t>(type.size(), 10), ' ');
    line += type;
    std::string label = d.label ? "[" + *d.label + "]" : std::string("(no media)");
    label.resize(std::max<std::size_t>(label.size(), 14), ' ');
    line += label + "  " + d.hostRoot.string();
    if (!d.remoteName.empty()) line += "  (" + d.remoteName + ")";
    text += line + "\n";
  }
  return text;
}

}  // namespace vistrel::platform
