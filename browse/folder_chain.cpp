#include "browse/folder_chain.h"

#include "browse/path_text.h"
#include "platform/exception.h"
#include "platform/file_system.h"

namespace vistrel::browse {

bool FolderExists(const std::string& path) {
  const auto attributes = platform::FileSystem::instance().fileAttributes(path);
  return attributes && (*attributes & platform::kAttrDirectory) != 0;
}

bool CreateFolderChain(const std::string& path) {
  if (path.empty()) throw Exception("Unable to create directory");
  std::string folder = path;
  if (folder.back() == '\\') folder.pop_back();
  if (folder.size() < 3 || FolderExists(folder)) return true;
  const std::string parent = folderPart(folder);
  if (parent == folder) return true;
  // A relative name without a separator ("new") has no parent to create
  // first: it is made in the current directory.
  if (!parent.empty() && !CreateFolderChain(parent)) return false;
  return platform::FileSystem::instance().createDirectory(folder);
}

}  // namespace vistrel::browse
