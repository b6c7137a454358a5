#include "browse/path_text.h"

namespace vistrel::browse {
namespace {

// Removes the first folder of a folder part ("\a\b\" -> "\...\b\"); the
// leading "\" of a rooted part stays, an earlier "...\" is passed over.
void cutFirstFolder(std::string& folder) {
  if (folder == "\\") {
    folder.clear();
    return;
  }
  const bool rooted = !folder.empty() && folder.front() == '\\';
  if (rooted) folder.erase(0, 1);
  if (folder.starts_with("...\\")) folder.erase(0, 4);
  const std::size_t separator = folder.find('\\');
  if (separator != std::string::npos) {
    folder = "...\\" + folder.substr(separator + 1);
  } else {
    folder.clear();
  }
  if (rooted) folder.insert(0, "\\");
}

}  // namespace

std::string drivePart(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2));
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    // "\\server\share": up to, not including, the "\" after the share name.
    const std::size_t serverEnd = path.find('\\', 2);
    if (serverEnd == std::string_view::npos) return std::string(path);
    const std::size_t shareEnd = path.find('\\', serverEnd + 1);
    return std::string(path.substr(0, shareEnd));
  }
  return {};
}

std::string joinPath(std::string_view folder, std::string_view name) {
  std::string result(folder);
  if (!result.empty() && result.back() != '\\') result += '\\';
  result += name;
  return result;
}

std::string fileNamePart(std::string_view path) {
  const std::size_t separator = path.find_last_of("\\:");
  if (separator == std::string_view::npos) return std::string(path);
  return std::string(path.substr(separator + 1));
}

std::string folderPart(std::string_view path) {
  const std::size_t separator = path.find_last_of("\\:");
  return separator == std::string_view::npos ? std::string()
                                             : std::string(path.substr(0, separator + 1));
}

std::string ShortenPath(const std::string& path, int maxWidth,
                        const std::function<int(const std::string&)>& textWidth) {
  const std::size_t lastSeparator = path.rfind('\\');
  std::string folder =
      lastSeparator == std::string::npos ? std::string() : path.substr(0, lastSeparator + 1);
  const std::string name =
      lastSeparator == std::string::npos ? path : path.substr(lastSeparator + 1);
  std::string drive;
  if (folder.size() >= 2 && folder[1] == ':') {
    drive = folder.substr(0, 2);
    folder.erase(0, 2);
  }
  std::string result = path;
  while ((!folder.empty() || !drive.empty()) && textWidth(result) > maxWidth) {
    if (folder == "\\...\\") {
      drive.clear();
      folder = "...\\";
    } else if (folder.empty()) {
      drive.clear();
    } else {
      cutFirstFolder(folder);
    }
    result = drive;
    result += folder;
    result += name;
  }
  return result;
}

}  // namespace vistrel::browse
