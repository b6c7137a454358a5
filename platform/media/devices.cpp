#include "platform/media/devices.h"

#include <map>

namespace vistrel::media {

Status VideoCompression::getInfo(VideoCompressionInfo* info) const {
  info->version = "1.0";
  info->description = friendlyName_;
  info->defaultKeyFrameRate = kDefaultKeyFrameRate;
  info->defaultPFramesPerKey = 0;
  info->defaultQuality = kDefaultCompressorQuality;
  info->capabilities =
      CompressionCaps_CanKeyFrame | (fixedQuantiser_ ? CompressionCaps_CanQuality : 0);
  info->maxPictureSide = maxPictureSide_;
  return S_OK;
}

Status VideoCompression::setSettingsBlock(std::vector<std::uint8_t> block) {
  if (block.size() > (1u << 20)) return E_INVALIDARG;
  std::lock_guard lock(mutex_);
  block_ = std::move(block);
  return S_OK;
}

std::vector<std::uint8_t> VideoCompression::settingsBlock() const {
  std::lock_guard lock(mutex_);
  if (!block_.empty()) return block_;
  std::vector<std::uint8_t> block;
  for (char c : std::string("00000000000 ")) block.insert(block.end(), {std::uint8_t(c), 0});
  block.insert(block.end(), {8, 0, 0, 0});
  std::string code = code_;
  code.resize(4, '\0');
  block.insert(block.end(), code.begin(), code.end());
  return block;
}

namespace {

struct Device {
  int id = 0;
  Guid category;
  std::string code;
  std::string friendlyName;
  FilterFactory factory;
};

struct Registry {
  std::mutex mutex;
  std::vector<Device> devices;
  int lastId = 0;

  Registry() {
    const CompressorDescription compressors[] = {
        {"xvid", "XviD MPEG-4 Codec", {"libxvid", "mpeg4"}, makeFourCC('X', 'V', 'I', 'D'), true},
        {"cvid", "Cinepak Codec", {"cinepak"}, makeFourCC('c', 'v', 'i', 'd'), false},
        // JPEG's sides are 16 bits; FFmpeg's encoder stops at 65500.
        {"mjpg",
         "Motion JPEG Codec",
         {"mjpeg"},
         makeFourCC('M', 'J', 'P', 'G'),
         true,
         0,
         false,
         65500},
        // For MP4 files (the batch export's h264): constant quality, not a
        // quantiser; libx264 takes sides up to 16384.
        {"h264",
         "H.264 Codec",
         {"libx264"},
         makeFourCC('H', '2', '6', '4'),
         false,
         23,
         true,
         16384},
    };
    for (const CompressorDescription& description : compressors) {
      if (availableEncoder(description).empty()) continue;  // not installed
      devices.push_back({++lastId, CLSID_VideoCompressorCategory, description.code,
                         description.friendlyName,
                         [description] { return createCompressorFilter(description); }});
    }
    // Listed for the extra filters of a graph; it writes no file of its own.
    devices.push_back(
        {++lastId, CLSID_LegacyAmFilterCategory, CLSID_AviDest.toString(), "AVI Mux", [] {
           Ref<BaseFilter> sink;
           createFileSink(false, std::string(), &sink);
           return sink;
         }});
  }
};

Registry& registry() {
  static Registry instance;
  return instance;
}

std::vector<Device> devices() {
  std::lock_guard lock(registry().mutex);
  return registry().devices;
}

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

int registerDevice(const Guid& category, const std::string& code, const std::string& friendlyName,
                   FilterFactory factory) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.devices.push_back({++r.lastId, category, code, friendlyName, std::move(factory)});
  return r.lastId;
}

void unregisterDevice(int id) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  std::erase_if(r.devices, [id](const Device& device) { return device.id == id; });
}

std::string deviceDisplayName(const Guid& category, const std::string& code) {
  const char* kind = category == CLSID_VideoCompressorCategory ? "cm" : "sw";
  return std::string("@device:") + kind + ":" + category.toString() + "\\" + code;
}

std::vector<CategoryEntry> listCategory(std::optional<Guid> category) {
  std::vector<CategoryEntry> entries;
  std::map<std::string, int> seen;
  for (const Device& device : devices()) {
    if (category && device.category != *category) continue;
    const std::string name = trimmed(device.friendlyName);
    if (name.empty()) continue;
    const int occurrence = ++seen[name];
    entries.push_back({deviceDisplayName(device.category, device.code),
                       occurrence > 1 ? name + " (" + std::to_string(occurrence) + ")" : name});
  }
  return entries;
}

Ref<BaseFilter> createDevice(const std::string& displayName, Status* failure) {
  for (const Device& device : devices()) {
    if (deviceDisplayName(device.category, device.code) != displayName) continue;
    Ref<BaseFilter> filter = device.factory ? device.factory() : nullptr;
    if (!filter && failure) *failure = fail(E_FAIL, "Can't create " + displayName);
    return filter;
  }
  if (failure) *failure = fail(VFW_E_NOT_FOUND, "No device " + displayName);
  return nullptr;
}

}  // namespace vistrel::media
