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
};

class Registry {
 public:
  static Registry& instance() {
    static Registry registry;
    return registry;
  }

  int add(Device device) {
    std::lock_guard lock(mutex_);
    device.id = ++lastId_;
    devices_.push_back(std::move(device));
    return lastId_;
  }

  void remove(int id) {
    std::lock_guard lock(mutex_);
    devices_.erase(std::remove_if(devices_.begin(), devices_.end(),
                                  [id](const Device& device) { return device.id == id; }),
                   devices_.end());
  }

  std::vector<Device> devices() const {
    std::lock_guard lock(mutex_);
    return devices_;
  }

 private:
  Registry() { registerBuiltIns(); }

  void registerBuiltIns() {
    const CompressorDescription compressors[] = {
        {"xvid", "XviD MPEG-4 Codec", {"libxvid", "mpeg4"}, makeFourCC('X', 'V', 'I', 'D'), true},
        {"cvid", "Cinepak Codec", {"cinepak"}, makeFourCC('c', 'v', 'i', 'd'), false},
        {"mjpg", "Motion JPEG Codec", {"mjpeg"}, makeFourCC('M', 'J', 'P', 'G'), true},
        // For MP4 files (the batch export's h264): constant quality, not a quantiser.
        {"h264", "H.264 Codec", {"libx264"}, makeFourCC('H', '2', '6', '4'), false, 23},
    };
    for (const CompressorDescription& description : compressors) {
      if (availableEncoder(description).empty()) continue;  // not installed
      devices_.push_back(
          {++lastId_, CLSID_VideoCompressorCategory, description.code, description.friendlyName,
           [description] { return createCompressorFilter(description); }, MERIT_DO_NOT_USE});
    }
    devices_.push_back({++lastId_, CLSID_LegacyAmFilterCategory, CLSID_AviDest.toString(),
                        "AVI Mux", [] { return createAviMux(); }, MERIT_DO_NOT_USE});
  }

  mutable std::mutex mutex_;
  std::vector<Device> devices_;
  int lastId_ = 0;
};

class DeviceMoniker final : public Moniker {
 public:
  explicit DeviceMoniker(Device device) : device_(std::move(device)) {}

  std::string displayName() const override {
    return deviceDisplayName(device_.category, device_.code);
  }

  Status readProperty(const std::string& name, std::string* value) const override {
    assert(value);
    if (name == "FriendlyName") {
      *value = device_.friendlyName;
      return S_OK;
    }
    if (name == "CLSID") {
      Ref<BaseFilter> filter;
      if (failed(bindToObject(&filter))) return E_FAIL;
      *value = filter->classId().toString();
      return S_OK;
    }
    return E_INVALIDARG;
  }

  Status bindToObject(Ref<BaseFilter>* filter) const override {
    assert(filter);
    *filter = device_.factory ? device_.factory() : nullptr;
    if (!*filter) return fail(E_FAIL, "Can't create " + displayName());
    return S_OK;
  }

 private:
  Device device_;
};

class DeviceEnumerator final : public SystemDeviceEnum {
 public:
  Status createClassEnumerator(const Guid& category, std::vector<Ref<Moniker>>* monikers) override {
    assert(monikers);
    monikers->clear();
    for (const Device& device : Registry::instance().devices())
      if (device.category == category) monikers->emplace_back(new DeviceMoniker(device));
    return monikers->empty() ? S_FALSE : S_OK;
  }
};

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return std::string();
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

Ref<SystemDeviceEnum> createSystemDeviceEnum() {
  return Ref<SystemDeviceEnum>(new DeviceEnumerator);
}

std::vector<Ref<Moniker>> enumMatchingFilters(std::uint32_t minimumMerit) {
  std::vector<Ref<Moniker>> monikers;
  for (const Device& device : Registry::instance().devices())
    if (device.merit >= minimumMerit) monikers.emplace_back(new DeviceMoniker(device));
  return monikers;
}

int registerDevice(const Guid& category, const std::string& code, const std::string& friendlyName,
                   FilterFactory factory, std::uint32_t merit) {
  return Registry::instance().add({0, category, code, friendlyName, std::move(factory), merit});
}

void unregisterDevice(int id) { Registry::instance().remove(id); }

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
