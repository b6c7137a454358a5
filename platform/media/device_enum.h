// The system device enumerator: device categories (the video compressors
// among them) listing monikers, each with a display name
// "@device:cm:{category}\<code>", a friendly name, and a way to create the
// filter. Also the filter mapper's list of every registered filter.
//
// The service's own compressors are registered on first use: "XviD MPEG-4
// Codec" (\xvid: libxvid, or FFmpeg's MPEG-4 part 2 encoder when libxvid is
// missing; XVID in the file), "Cinepak Codec" (\cvid), "Motion JPEG Codec"
// (\mjpg) and "H.264 Codec" (\h264, for MP4 files). An entry whose encoder
// this FFmpeg build lacks is not listed.
//
// Thread: any; the registry is guarded.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/media/filter.h"
#include "platform/media/guid.h"
#include "platform/media/status.h"
#include "platform/media/unknown.h"

namespace vistrel::media {

using FilterFactory = std::function<Ref<BaseFilter>()>;

// Merit values of registered filters.
inline constexpr std::uint32_t MERIT_DO_NOT_USE = 0x200000;
inline constexpr std::uint32_t MERIT_NORMAL = 0x600000;

// One registered device.
class Moniker final : public Unknown {
 public:
  Moniker(const Guid& category, std::string code, std::string friendlyName, FilterFactory factory)
      : category_(category),
        code_(std::move(code)),
        friendlyName_(std::move(friendlyName)),
        factory_(std::move(factory)) {}

  std::string displayName() const;
  // Reads a property of the device: "FriendlyName" (as registered, not yet
  // made unique). E_INVALIDARG for other names.
  Status readProperty(const std::string& name, std::string* value) const;
  // Creates the device's filter; E_FAIL (with its detail) when it cannot be made.
  Status bindToObject(Ref<BaseFilter>* filter) const;

 private:
  Guid category_;
  std::string code_;
  std::string friendlyName_;
  FilterFactory factory_;
};

class SystemDeviceEnum final : public Unknown {
 public:
  // The category's devices in registration order; S_FALSE (and an empty
  // list) when the category has none.
  Status createClassEnumerator(const Guid& category, std::vector<Ref<Moniker>>* monikers);
};

inline Ref<SystemDeviceEnum> createSystemDeviceEnum() { return makeRef<SystemDeviceEnum>(); }

// Every registered filter of at least `minimumMerit`, in every category.
std::vector<Ref<Moniker>> enumMatchingFilters(std::uint32_t minimumMerit);

// Registers a device (as a driver's set-up would). The display name is
// "@device:cm:" (compressors) or "@device:sw:" (other filters) + category +
// "\" + code. Returns an id for unregisterDevice.
int registerDevice(const Guid& category, const std::string& code, const std::string& friendlyName,
                   FilterFactory factory, std::uint32_t merit = MERIT_DO_NOT_USE);
void unregisterDevice(int id);

// "@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\xvid" for (category, "xvid").
std::string deviceDisplayName(const Guid& category, const std::string& code);

// One listed device with its unique friendly name.
struct CategoryEntry {
  std::string displayName;
  std::string friendlyName;
  Ref<Moniker> moniker;
};

// The devices of a category as the recorder lists them: friendly names
// trimmed, entries without a name left out, and a name that occurred n − 1
// times before listed as "<name> (n)".
std::vector<CategoryEntry> listCategory(const Guid& category);
// The naming rule alone, over names as registered (empty results for names
// that are left out).
std::vector<std::string> uniqueFriendlyNames(const std::vector<std::string>& names);

}  // namespace vistrel::media
