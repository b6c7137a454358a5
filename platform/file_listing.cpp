#include "platform/file_listing.h"

#include "platform/file_system.h"

namespace vistrel::platform {

namespace {

std::vector<std::string> ordinaryNames(const std::vector<FindData>& entries) {
  constexpr std::uint32_t kExcluded =
      kAttrDirectory | kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrVolumeLabel;
  std::vector<std::string> names;
  names.reserve(entries.size());
  for (const FindData& entry : entries) {
    if ((entry.attributes & kExcluded) == 0) names.push_back(entry.name);
  }
  return names;
}

}  // namespace

std::vector<std::string> ordinaryFileNames(std::string_view pattern) {
  return ordinaryNames(FileSystem::instance().findFiles(pattern));
}

std::vector<std::string> ordinaryHostFileNames(const std::filesystem::path& hostFolder,
                                               std::string_view wildcard) {
  return ordinaryNames(findHostFiles(hostFolder, wildcard));
}

}  // namespace vistrel::platform
