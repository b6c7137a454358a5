// The drive and path layer: Windows paths inside the program, host paths on
// disk. Every rule of the viewer is stated on Windows paths (drive letters,
// backslashes, entry positions counted from a drive root), so this layer
// hands out paths exactly as Windows would and maps them onto the
// host file system through a drive table, the way Wine's dosdevices do.
//
// Paths handed out carry an upper-case drive letter, each existing component
// in its on-disk spelling, and no trailing "\" except at a drive root. Name
// lookup ignores case (an exact match wins over a case-folded one). The
// process's current directory and one current directory per drive are kept
// here; chdir() is never called.
//
// Network paths ("\\server\share") are not mapped: remote volumes appear as
// drives of the table. Copies of a FileSystem share one state (current
// directories included).
//
// Thread: the GUI thread. Strings are UTF-8; host names that are not are
// carried losslessly (see hostNameToWindows).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vistrel::platform {

// Drive types with Windows' values.
enum class DriveType : std::uint32_t {
  Unknown = 0,
  NoRootDir = 1,
  Removable = 2,
  Fixed = 3,
  Remote = 4,
  CdRom = 5,
  RamDisk = 6,
};

// File-system flags of a volume.
inline constexpr std::uint32_t kFsCaseSensitive = 0x1;
inline constexpr std::uint32_t kFsCaseIsPreserved = 0x2;

// File attributes with Windows' values.
inline constexpr std::uint32_t kAttrReadOnly = 0x1;
inline constexpr std::uint32_t kAttrHidden = 0x2;
inline constexpr std::uint32_t kAttrSystem = 0x4;
inline constexpr std::uint32_t kAttrVolumeLabel = 0x8;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrNormal = 0x80;

struct Drive {
  char letter = 'C';               // upper case
  std::filesystem::path hostRoot;  // host folder the drive root maps to
  DriveType type = DriveType::Fixed;
  // Volume label; nullopt models a drive without media (volume query fails).
  std::optional<std::string> label = std::string();
  std::string remoteName;  // "\\server\share" for remote drives, else empty
  std::uint32_t fsFlags = kFsCaseIsPreserved;
};

struct FindData {
  std::string name;  // on-disk spelling, no folder
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
};

class FileSystem {
 public:
  // `initialDirectory` is a Windows path; when it does not exist the
  // process's current directory starts at the first drive's root. Drive
  // letters are upper-cased; entries that are not letters are dropped.
  FileSystem(std::vector<Drive> drives, const std::string& initialDirectory);

  // The process-wide instance used by the controls. install() replaces it
  // (tests install their own drive tables).
  static FileSystem& instance();
  static void install(std::unique_ptr<FileSystem> fileSystem);

  const std::vector<Drive>& drives() const;
  // Adds the drive, or replaces the one of its letter. The drive's current
  // directory returns to its root (the process's too, when it is on it): the
  // folders of the old mapping need not exist in the new one.
  void mapDrive(Drive drive);
  const Drive* drive(char letter) const;  // either case; nullptr when not mapped

  // Bit i set for drive letter 'A' + i.
  std::uint32_t logicalDrives() const;
  // `root` like "c:\"; NoRootDir for an unmapped letter.
  DriveType driveType(std::string_view root) const;
  // Label and flags of the volume at `root`; false for an unmapped drive or
  // one without media.
  bool volumeInformation(std::string_view root, std::string* label, std::uint32_t* fsFlags) const;
  // Remote name of the connection for "X:"; nullopt when none.
  std::optional<std::string> remoteName(std::string_view localName) const;

  std::string currentDirectory() const;
  // Relative paths resolve against the current directory; "X:" alone enters
  // drive X's own current directory. A folder that does not exist (or cannot
  // be entered) fails and changes nothing.
  bool setCurrentDirectory(std::string_view path);
  // The drive's own current directory ("X:\..."), its root when never set.
  std::string driveCurrentDirectory(char letter) const;

  // Full, normalised path (resolves ".", "..", drive-relative forms; ".."
  // stops at the drive root). Components that exist get their on-disk
  // spelling; the rest are kept as given. Throws nothing; a path on an
  // unmapped drive is normalised textually.
  std::string fullPath(std::string_view path) const;

  // Host path of an existing (or, with allowMissingLeaf, a not yet existing
  // last component of an existing folder) Windows path.
  std::optional<std::filesystem::path> toHost(std::string_view path,
                                              bool allowMissingLeaf = false) const;
  // Host path at which a file of the Windows path `path` would be created:
  // existing components in their on-disk spelling, missing ones as written,
  // so that creating the file reports the system's own error for a missing
  // folder. nullopt when the path's drive is not mapped.
  std::optional<std::filesystem::path> toHostForCreate(std::string_view path) const;
  // Windows path of a host path under a mapped drive (longest match), else
  // the host path itself in the host namespace ("\\?\unix\srv\out.avi" for
  // /srv/out.avi): a host path no drive holds always means itself and is
  // never re-rooted under another drive's folder. nullopt for an empty path.
  // Relative host paths count from the process's host folder. Every call
  // taking a Windows path takes the host-namespace form too, except
  // setCurrentDirectory (current directories are on drives).
  std::optional<std::string> fromHost(const std::filesystem::path& hostPath) const;

  // Entries of the folder of `pattern` whose names match its last component
  // ("*" and "?" wildcards, case ignored), "." and ".." excluded, in the home
  // platform's order (names compared upper-cased, ordinally). Empty when the
  // folder is missing or unreadable. Attributes: kAttrDirectory for folders,
  // kAttrArchive for regular files, kAttrSystem for anything else (fifos,
  // sockets, devices, dangling links); plus kAttrReadOnly when the mode has
  // no write bit and kAttrHidden when the name starts with ".". Symbolic
  // links report their target. Host names holding a "\" are never listed.
  std::vector<FindData> findFiles(std::string_view pattern) const;

  // nullopt when the path does not exist.
  std::optional<std::uint32_t> fileAttributes(std::string_view path) const;
  bool directoryExists(std::string_view path) const;
  // True when the folder exists and this process may open and enter it, as
  // setCurrentDirectory requires.
  bool canEnterDirectory(std::string_view path) const;
  bool fileExists(std::string_view path) const;
  bool createDirectory(std::string_view path);

  // The executable's folder as a Windows path ending with "\": under the
  // drive whose host folder holds it (longest match), else in the host
  // namespace (see fromHost). When
  // that folder is an installed program's (under /usr, /bin, /sbin, /lib or
  // /opt) or not writable by the user, the host folder "Vistrel" in the
  // user's videos folder (userVideosFolder() in drive_table.h) instead,
  // reached the same way and created here (with its parents) on first use
  // unless `create` is false.
  std::string programFolder(bool create = true) const;
  // Replaces /proc/self/exe as the executable's host path (tests).
  void setExecutablePath(std::filesystem::path hostPath);

 private:
  struct Impl;
  std::shared_ptr<Impl> impl_;
};

// Upper-casing and ordering used for names, as Windows does it.
// upperName maps each character through Unicode's simple upper-case mapping
// (ASCII and accented letters alike, one character to one); bytes that are
// not UTF-8 stay as they are. nameLess compares the upper-cased names byte
// by byte (code point order); names equal but for case fall back to their
// own bytes, so the order is total.
std::string upperName(std::string_view name);

// Host names are byte strings; names inside the program are UTF-8. A host
// name's bytes that are not UTF-8 become private-use characters U+F780 to
// U+F7FF, one per byte, and back again, so that every listed name opens the
// same file (the mapping is reversible for every host name). A backslash,
// the separator of Windows paths but an ordinary character of host names,
// is carried as U+F75C the same way.
std::string hostNameToWindows(std::string_view hostName);
std::string windowsNameToHost(std::string_view name);
bool nameLess(std::string_view a, std::string_view b);
bool wildcardMatch(std::string_view pattern, std::string_view name);  // case ignored

// FileSystem::findFiles for a folder already given as a host path: the
// entries of `hostFolder` whose names match `wildcard`, with the same names,
// attributes and order. It reads no drive table, so any thread may call it.
std::vector<FindData> findHostFiles(const std::filesystem::path& hostFolder,
                                    std::string_view wildcard);

// The default drive table (C:, Z:, mounted volumes from D: on) with
// `--drive X:=HOSTDIR` overrides applied (values without "--drive", e.g.
// "D:=/srv/archive"). Throws vistrel::Exception for a bad option or a letter
// given twice. With `createDriveC` false a missing default drive C folder is
// named but not created. More in platform/drive_table.h.
std::vector<Drive> defaultDrives(const std::vector<std::string>& driveOptions,
                                 bool createDriveC = true);
// One line per drive for --help: letter, type name, label, host folder.
std::string describeDrives(const std::vector<Drive>& drives);

}  // namespace vistrel::platform
