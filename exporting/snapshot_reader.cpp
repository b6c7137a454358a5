#include "exporting/snapshot_reader.h"

#include <cctype>
#include <cstdio>
#include <exception>
#include <regex>

// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "picture/errors.h"
#include "picture/jpeg_image.h"
#include "platform/file_system.h"

namespace vistrel::exporter {
namespace {

// Decoded pictures waiting at most: enough to keep the recorder busy while
// a large snapshot decodes, few enough to keep memory small.
constexpr std::size_t kDecodeAheadDepth = 3;

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

SnapshotReader::SnapshotReader(std::vector<std::string> paths)
    : paths_(std::move(paths)),
      // Nothing here is shown: the snapshots go into the video as their own planes.
      decodeAhead_(kDecodeAheadDepth, SnapshotDecodeAhead::Output::VideoPlanes) {
  const platform::FileSystem& files = platform::FileSystem::instance();
  std::vector<SnapshotDecodeAhead::File> queue;
  queue.reserve(paths_.size());
  for (const std::string& path : paths_) {
    // A path without a host file fails to open on the worker, in its turn,
    // with the loader's "Cannot open file" naming `path`.
    const auto host = files.toHost(path);
    queue.push_back({host ? host->string() : std::string(), path});
  }
  decodeAhead_.start(std::move(queue));
}

void SnapshotReader::read(TPicture& picture) {
  const std::string& path = paths_.at(next_++);
  auto decoded = decodeAhead_.next();
  if (!decoded) throw EFOpenError("Cannot open file " + path);
  // Damaged scan data (or an empty file) fails the decode: the snapshot is
  // skipped rather than becoming a broken frame.
  if (decoded->error) std::rethrow_exception(decoded->error);
  // Cut short or corrupt scan data is skipped too (see RequireWholeScan).
  RequireWholeScan(decoded->graphic.get());
  decoded->applyTo(picture);
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

}  // namespace vistrel::exporter
