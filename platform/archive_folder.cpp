#include "platform/archive_folder.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <system_error>

#include "platform/archive_layout.h"
#include "platform/drive_table.h"

namespace vistrel::platform {
namespace {

namespace fs = std::filesystem;

bool named(const fs::path& path, const char* name) {
  return upperName(path.filename().string()) == upperName(name);
}

// A stable key for a path (FNV-1a), so that a folder opened again finds its
// link folder.
std::string pathKey(const std::string& path) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : path) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

// The link folder's name for `recordsRoot`: its own name, shortened, then
// the key of its whole path. A file name holds at most 255 bytes, and the
// records root's name may already be that long.
std::string linkFolderName(const fs::path& recordsRoot) {
  constexpr std::size_t kMaxShownBytes = 96;
  std::string name = recordsRoot.filename().string();
  if (name.empty()) name = "root";
  if (name.size() > kMaxShownBytes) {
    // Never inside a UTF-8 sequence, so that the name stays readable; a
    // name that is not UTF-8 is cut at most 3 bytes early.
    std::size_t cut = kMaxShownBytes;
    while (cut > kMaxShownBytes - 3 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
      --cut;
    name.resize(cut);
  }
  return name + "-" + pathKey(recordsRoot.string());
}

// Makes <base>/Program Files/Vistrel/Records a link to `recordsRoot`. A link
// pointing elsewhere is replaced in one step (a new link renamed over it).
void makeRecordsLink(const fs::path& base, const fs::path& recordsRoot) {
  const fs::path vistrel = base / "Program Files" / "Vistrel";
  std::error_code error;
  fs::create_directories(vistrel, error);
  const auto fail = [&](const fs::path& path, const std::error_code& why) {
    throw Exception("Cannot make the drive C folder for " + recordsRoot.string() + ": " +
                    path.string() + ": " + why.message());
  };
  if (error) fail(vistrel, error);
  const fs::path link = vistrel / "Records";
  if (fs::is_symlink(link, error) && fs::read_symlink(link, error) == recordsRoot) return;
  const fs::path fresh = vistrel / (".Records-" + std::to_string(getpid()));
  fs::remove(fresh, error);
  fs::create_directory_symlink(recordsRoot, fresh, error);
  if (error) fail(fresh, error);
  fs::rename(fresh, link, error);
  if (error) {
    std::error_code ignored;
    fs::remove(fresh, ignored);
    fail(link, error);
  }
}

}  // namespace

fs::path archiveLinkBase() {
  const char* cacheHome = std::getenv("XDG_CACHE_HOME");
  const fs::path cache =
      (cacheHome != nullptr && *cacheHome == '/') ? fs::path(cacheHome) : homeFolder() / ".cache";
  return cache / "vistrel" / "archives";
}

ArchiveFolder openArchiveFolder(const fs::path& folder, const fs::path& linkBase, bool create) {
  std::error_code error;
  fs::path given = fs::absolute(folder, error).lexically_normal();
  if (given.has_parent_path() && !given.has_filename()) given = given.parent_path();
  const std::string shown = "\"" + folder.string() + "\"";
  fs::file_status status = fs::status(given, error);
  if (error) throw ENoArchive(shown + ": " + error.message());
  const bool isFolder = fs::is_directory(status);
  const std::optional<ArchivePlace> place = findArchive(given);
  if (!place && !isFolder) throw ENoArchive(shown + " is not a folder");
  if (!place) {
    throw ENoArchive(shown +
                     " holds no snapshot archive: looked for Program Files/Vistrel/Records, "
                     "Vistrel/Records or Records in it, for date folders (folders holding "
                     "hour folders 00 to 23) in it, and whether it is a date folder "
                     "(yyyy-mm-dd) or an hour folder in one");
  }
  const fs::path& root = place->recordsRoot;

  ArchiveFolder archive;
  archive.recordsRoot = root;
  archive.shownFolder = kRecordsRoot;
  for (const std::string& name : place->below) archive.shownFolder += "\\" + name;
  archive.driveC.letter = 'C';
  const fs::path vistrel = root.parent_path();
  const fs::path programFiles = vistrel.parent_path();
  if (named(root, "Records") && named(vistrel, "Vistrel") && named(programFiles, "Program Files")) {
    archive.driveC.hostRoot = programFiles.parent_path();
    return archive;
  }
  archive.driveC.hostRoot = linkBase / linkFolderName(root);
  if (create) makeRecordsLink(archive.driveC.hostRoot, root);
  return archive;
}

ArchiveFolder openArchiveFolder(const fs::path& folder, bool create) {
  return openArchiveFolder(folder, archiveLinkBase(), create);
}

}  // namespace vistrel::platform
