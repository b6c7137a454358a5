#include "browse/resolve_path.h"

#include "browse/path_text.h"
#include "platform/file_system.h"

namespace vistrel::browse {

ResolvedPath ResolvePath(const std::string& path, platform::FileSystem& fileSystem) {
  const std::string saved = fileSystem.currentDirectory();
  ResolvedPath result;
  result.drive = saved.empty() ? '\0' : saved.front();
  std::string root;
  std::string& folder = result.folder;
  folder = path;

  if (path.size() >= 2 && path.front() == '[' && path.back() == ']') {
    folder = path.substr(1, path.size() - 2);
  } else {
    root = drivePart(path);
    if (root.empty()) {
      root = drivePart(saved);
    } else {
      folder.erase(0, root.size());
    }
    result.drive = root.size() >= 2 && root[1] == ':' ? root.front() : '\0';
  }

  // Entering "X:" lands in that drive's own current directory, against which
  // a relative folder part is then resolved.
  if (!root.empty() && fileSystem.directoryExists(root)) fileSystem.setCurrentDirectory(root);

  result.file = fileNamePart(folder);
  if (folder.size() == result.file.size() + 1) {
    folder = "\\";
  } else if (folder.size() > result.file.size()) {
    folder.resize(folder.size() - result.file.size() - 1);
  } else {
    folder = fileSystem.currentDirectory();
    folder.erase(0, drivePart(folder).size());
    if (folder.empty()) folder = "\\";
  }
  if (!folder.empty()) fileSystem.setCurrentDirectory(folder);

  // A last part that is neither a pattern nor an existing file is a folder.
  const std::string& file = result.file;
  if (!file.empty() && file.find_first_of("*?") == std::string::npos &&
      !fileSystem.fileExists(file)) {
    fileSystem.setCurrentDirectory(file);
    folder = folder == "\\" ? "\\" + file : folder + "\\" + file;
    result.file.clear();
  }
  if (result.drive == '\0') folder.insert(0, root);

  if (fileSystem.directoryExists(saved)) fileSystem.setCurrentDirectory(saved);
  return result;
}

}  // namespace vistrel::browse
