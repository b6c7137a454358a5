#include "tools/export/skip_report.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <unordered_map>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

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

// libjpeg's text for a message code, with the values it would have filled in
// left out ("Invalid component ID %d in SOS" -> "invalid component ID in SOS").
std::string libjpegText(int code) {
  jpeg_error_mgr messages{};
  jpeg_std_error(&messages);
  if (code <= 0 || code > messages.last_jpeg_message) return "";
  static const std::regex value(R"(\s*(0x)?%[-0-9.]*l?[a-zA-Z])");
  return std::regex_replace(messages.jpeg_message_table[code], value, "");
}

// Lower case at the start of a sentence part, but not of "JPEG" or "SOS".
std::string inSentence(std::string text) {
  if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
      std::islower(static_cast<unsigned char>(text[1])))
    text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
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

std::string loaderMessageInWords(const std::string& message) {
  static const std::regex jpegError(R"(JPEG error #(\d+))");
  std::smatch match;
  if (std::regex_match(message, match, jpegError)) {
    const int code = std::stoi(match[1]);
    switch (code) {
      case JERR_INPUT_EMPTY:
        return "empty file";
      case JERR_INPUT_EOF:
        return "premature end of file";
      case JERR_NO_SOI:
        return "not a JPEG file";
      default:
        break;
    }
    const std::string text = libjpegText(code);
    return "damaged JPEG data: " + (text.empty() ? message : inSentence(text));
  }
  if (message == "Premature end of JPEG file") return "premature end of file";
  static const std::string corrupt = "Corrupt JPEG data: ";
  if (message.rfind(corrupt, 0) == 0) return "damaged JPEG data: " + message.substr(corrupt.size());
  return message;
}

std::vector<SkippedSnapshot> joinSkipped(const std::vector<std::string>& snapshots,
                                         const std::vector<SkippedSnapshot>& indexed,
                                         const std::vector<SkippedSnapshot>& exported) {
  std::unordered_map<std::string, const SkippedSnapshot*> byPath;
  for (const SkippedSnapshot& skipped : exported) byPath.emplace(skipped.path, &skipped);
  for (const SkippedSnapshot& skipped : indexed) byPath.emplace(skipped.path, &skipped);
  std::vector<SkippedSnapshot> joined;
  for (const std::string& path : snapshots) {
    const auto found = byPath.find(path);
    if (found != byPath.end()) joined.push_back(*found->second);
  }
  return joined;
}

}  // namespace vistrel::exporter
