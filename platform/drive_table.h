// Building the drive table: the default drives, mounted volumes found in the
// kernel's mount table, and `--drive X:=HOSTDIR` overrides. The sources of the
// mount scan can be pointed elsewhere, so tests feed sample files instead of
// the machine's mounts.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/exception.h"
#include "platform/file_system.h"

namespace vistrel::platform {

// The macro needs the base class unqualified.
VISTREL_EXCEPTION(EDriveOption, Exception);

struct MountSources {
  std::filesystem::path mountInfo = "/proc/self/mountinfo";
  std::filesystem::path sysBlock = "/sys/block";         // <dev>/removable
  std::filesystem::path byLabel = "/dev/disk/by-label";  // label -> device links
};

// Mounted volumes as drives D: to Y: in mount-point order. Pseudo file
// systems, the root file system (that is Z:) and mounts under /proc, /sys,
// /dev and /run (except /run/media) are left out; so are mount points that
// are files. An unreadable mount table gives no drives.
std::vector<Drive> mountedDrives(const MountSources& sources);

// Parses "X:=HOSTDIR": a fixed drive X with an empty label mapped to the
// folder, which must exist. Throws EDriveOption with a readable message
// (defaultDrives also refuses a letter given twice).
Drive parseDriveOption(std::string_view option);

// defaultDrives() with the mount scan read from `sources`.
std::vector<Drive> defaultDrives(const std::vector<std::string>& driveOptions,
                                 const MountSources& sources, bool createDriveC = true);

// The host folder of drive C: $VISTREL_DRIVE_C, $WINEPREFIX/drive_c,
// ~/.wine/drive_c (the first that exists), else
// ${XDG_DATA_HOME:-~/.local/share}/vistrel/drive_c, created when missing
// unless `createWhenMissing` is false (--help must change nothing).
std::filesystem::path defaultDriveC(bool createWhenMissing = true);

// $HOME, else the user's entry in the password database, else "/".
std::filesystem::path homeFolder();

// The user's videos folder: XDG_VIDEOS_DIR as
// ${XDG_CONFIG_HOME:-~/.config}/user-dirs.dirs sets it ("$HOME/..." or an
// absolute path, shell-quoted), else ~/Videos. Nothing is created.
std::filesystem::path userVideosFolder();

// "removable", "fixed", "remote", "CD-ROM", "RAM disk", ...
const char* driveTypeName(DriveType type);

}  // namespace vistrel::platform
