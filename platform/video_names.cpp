#include "platform/video_names.h"

namespace vistrel::platform {

std::string videoName(const std::string& folder, const std::string& extension, const QDateTime& now,
                      int attempt) {
  if (attempt == 0) return folder + "vistrel" + extension;
  const std::string stamped =
      folder + "vistrel-" + now.toString(QStringLiteral("yyyyMMdd-HHmmss")).toStdString();
  return stamped + (attempt == 1 ? "" : "-" + std::to_string(attempt)) + extension;
}

}  // namespace vistrel::platform
