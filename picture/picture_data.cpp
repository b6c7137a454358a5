#include "picture/picture_data.h"

#include <string>

#include "picture/errors.h"
#include "picture/file_format_registry.h"

namespace vistrel {

void ReadPictureData(TPicture& picture, std::span<const std::uint8_t> stored) {
  if (stored.empty()) throw EReadError("Stream read error");
  const std::size_t nameLength = stored[0];
  if (stored.size() < 1 + nameLength) throw EReadError("Stream read error");
  const std::string className(reinterpret_cast<const char*>(stored.data() + 1), nameLength);
  const TGraphicFactory* create = TFileFormatsList::instance().findClass(className);
  if (create == nullptr) {
    picture.SetGraphic(nullptr);
    return;
  }
  std::span<const std::uint8_t> rest = stored.subspan(1 + nameLength);
  if (rest.size() < 4) throw EReadError("Stream read error");
  const std::uint32_t count = std::uint32_t{rest[0]} | std::uint32_t{rest[1]} << 8 |
                              std::uint32_t{rest[2]} << 16 | std::uint32_t{rest[3]} << 24;
  if (rest.size() - 4 < count) throw EReadError("Stream read error");
  std::unique_ptr<TGraphic> graphic = (*create)();
  graphic->loadFromBytes(std::vector<std::uint8_t>(rest.begin() + 4, rest.begin() + 4 + count));
  picture.SetGraphic(std::move(graphic));
}

std::vector<std::uint8_t> WritePictureData(const TPicture& picture) {
  const TGraphic* graphic = picture.Graphic();
  if (graphic == nullptr) return {};
  const std::string className = graphic->className();
  const std::vector<std::uint8_t> bytes = graphic->saveToBytes();
  std::vector<std::uint8_t> stored;
  stored.reserve(1 + className.size() + 4 + bytes.size());
  stored.push_back(static_cast<std::uint8_t>(className.size()));
  stored.insert(stored.end(), className.begin(), className.end());
  const auto count = static_cast<std::uint32_t>(bytes.size());
  for (int shift = 0; shift < 32; shift += 8) {
    stored.push_back(static_cast<std::uint8_t>(count >> shift));
  }
  stored.insert(stored.end(), bytes.begin(), bytes.end());
  return stored;
}

}  // namespace vistrel
