#include "picture/graphic.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "picture/errors.h"

namespace vistrel {

void TGraphic::changed() const {
  if (onChange_) onChange_();
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& hostPath, const std::string& shownPath) {
  // Linux has no share modes: a writer elsewhere cannot be locked out, so a
  // file that changes while read is read as it is at that moment.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(hostPath.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) throw EFOpenError("Cannot open file " + shownPath);
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[64 * 1024];
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (got < sizeof chunk) break;
  }
  // A folder opens on Linux but cannot be read: report it as unopenable
  // rather than as an empty picture.
  if (std::ferror(file.get())) throw EFOpenError("Cannot open file " + shownPath);
  return bytes;
}

}  // namespace vistrel
