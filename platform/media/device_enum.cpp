#include "platform/media/device_enum.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <map>
#include <mutex>

#include "platform/media/avi_mux.h"
#include "platform/media/compressor_filter.h"

namespace vistrel::media {

namespace {

struct Device {
  int id = 0;
  Guid category;
  std::string code;
  std::string friendlyName;
  FilterFactory factory;
  std::uint32_t merit = MERIT_DO_NOT_USE;
  Ref<Moniker> moniker() const { return makeRef<Moniker>(category, code, friendlyName, factory); }
};

struct Registry {
  std::mutex mutex;
  std::vector<Device> devices;
  int lastId = 0;

  // The service's own devices, registered on first use.
  Registry() {
    const CompressorDescription compressors[] = {
        {"xvid", "XviD MPEG-4 Codec", {"libxvid", "mpeg4"}, makeFourCC('X', 'V', 'I', 'D'), true},
        {"cvid", "Cinepak Codec", {"cinepak"}, makeFourCC('c', 'v', 'i', 'd'), false},
        {"mjpg", "Motion JPEG Codec", {"mjpeg"}, makeFourCC('M', 'J', 'P', 'G'), true},
        // For MP4 files (the batch export's h264): constant quality, not a quantiser.
        {"h264", "H.264 Codec", {"libx264"}, makeFourCC('H', '2', '6', '4'), false, 23},
    };
    for (const CompressorDescription& description : compressors) {
      if (availableEncoder(description).empty()) continue;  // not installed
      devices.push_back({++lastId, CLSID_VideoCompressorCategory, description.code,
                         description.friendlyName,
                         [description] { return createCompressorFilter(description); }});
    }
    devices.push_back({++lastId, CLSID_LegacyAmFilterCategory, CLSID_AviDest.toString(), "AVI Mux",
                       [] { return createAviMux(); }});
  }
};

Registry& registry() {
  static Registry instance;
  return instance;
}

// A copy of the devices, taken under the registry's lock.
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

std::string Moniker::displayName() const { return deviceDisplayName(category_, code_); }

Status Moniker::readProperty(const std::string& name, std::string* value) const {
  assert(value);
  if (name != "FriendlyName") return E_INVALIDARG;
  *value = friendlyName_;
  return S_OK;
}

Status Moniker::bindToObject(Ref<BaseFilter>* filter) const {
  assert(filter);
  *filter = factory_ ? factory_() : nullptr;
  if (!*filter) return fail(E_FAIL, "Can't create " + displayName());
  return S_OK;
}

Status SystemDeviceEnum::createClassEnumerator(const Guid& category,
                                               std::vector<Ref<Moniker>>* monikers) {
  assert(monikers);
  monikers->clear();
  for (const Device& device : devices())
    if (device.category == category) monikers->push_back(device.moniker());
  return monikers->empty() ? S_FALSE : S_OK;
}

std::vector<Ref<Moniker>> enumMatchingFilters(std::uint32_t minimumMerit) {
  std::vector<Ref<Moniker>> monikers;
  for (const Device& device : devices())
    if (device.merit >= minimumMerit) monikers.push_back(device.moniker());
  return monikers;
}

int registerDevice(const Guid& category, const std::string& code, const std::string& friendlyName,
                   FilterFactory factory, std::uint32_t merit) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.devices.push_back({++r.lastId, category, code, friendlyName, std::move(factory), merit});
  return r.lastId;
}

void unregisterDevice(int id) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  std::erase_if(r.devices, [id](const Device& device) { return device.id == id; });
}

std::string deviceDisplayName(const Guid& category, const std::string& code) {
  // "cm": devices of the compression manager; "sw": software filters.
  const char* kind = category == CLSID_VideoCompressorCategory ? "cm" : "sw";
  return std::string("@device:") + kind + ":" + category.toString() + "\\" + code;
}
std::vector<std::string> uniqueFriendlyNames(const std::vector<std::string>& names) {
  std::vector<std::string> result;
  std::map<std::string, int> seen;
  for (const std::string& name : names) {
    const std::string plain = trimmed(name);
    if (plain.empty()) {
      result.emplace_back();
      continue;
    }
    const int occurrence = ++seen[plain];
    if (occurrence == 1) {
      result.push_back(plain);
    } else {
      char suffix[24];
      std::snprintf(suffix, sizeof suffix, " (%d)", occurrence);
      result.push_back(plain + suffix);
    }
  }
  return result;
}

std::vector<CategoryEntry> listCategory(const Guid& category) {
  std::vector<Ref<Moniker>> monikers;
  createSystemDeviceEnum()->createClassEnumerator(category, &monikers);
  std::vector<std::string> names;
  for (const Ref<Moniker>& moniker : monikers) {
    std::string name;
    moniker->readProperty("FriendlyName", &name);
    names.push_back(name);
  }
  const std::vector<std::string> unique = uniqueFriendlyNames(names);
  std::vector<CategoryEntry> entries;
  for (std::size_t i = 0; i < monikers.size(); ++i)
    if (!unique[i].empty()) entries.push_back({monikers[i]->displayName(), unique[i], monikers[i]});
  return entries;
}

}  // namespace vistrel::media
