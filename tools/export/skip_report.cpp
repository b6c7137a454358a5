#include "tools/export/skip_report.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

#include "platform/file_system.h"
#include "tools/export/snapshot_sources.h"

namespace vistrel::exporter {
namespace {

namespace fs = std::filesystem;

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

}  // namespace

std::string pathAsGiven(const std::string& windowsPath, const std::vector<std::string>& sources) {
  const platform::FileSystem& files = platform::FileSystem::instance();
  for (const std::string& source : sources) {
    if (source.empty() || isWindowsPath(source)) continue;
    std::error_code error;
    const fs::path host = fs::absolute(source, error).lexically_normal();
    if (error) continue;
    const auto folder = files.fromHost(host);
    if (!folder) continue;
    std::string prefix = *folder;
    if (!prefix.empty() && prefix.back() != '\\') prefix += '\\';
    if (!startsWithIgnoringCase(windowsPath, prefix)) continue;
    std::string rest = windowsPath.substr(prefix.size());
    for (char& c : rest)
      if (c == '\\') c = '/';
    std::string given = source;
    if (given.back() != '/') given += '/';
    return given + rest;
  }
  return windowsPath;
}

}  // namespace vistrel::exporter
