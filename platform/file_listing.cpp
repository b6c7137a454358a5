#include "platform/file_listing.h"

#include "platform/file_system.h"

namespace vistrel::platform {

std::vector<std::string> ordinaryFileNames(std::string_view pattern) {
  constexpr std::uint32_t kExcluded =
      kAttrDirectory | kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrVolumeLabel;
  std::vector<std::string> names;
  for (const FindData& entry : FileSystem::instance().findFiles(pattern)) {
    if ((entry.attributes & kExcluded) == 0) names.push_back(entry.name);
  }
  return names;
}

}  // namespace vistrel::platform
