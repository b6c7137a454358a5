// The registered devices: the video compressors (and the AVI sink), each
// with a display name "@device:cm:{category}\<code>", a friendly name and a
// way to create its filter.
//
// The service's own compressors are registered on first use: "XviD MPEG-4
// Codec" (\xvid: libxvid, or FFmpeg's MPEG-4 part 2 encoder when libxvid is
// missing; XVID in the file), "Cinepak Codec" (\cvid), "Motion JPEG Codec"
// (\mjpg) and "H.264 Codec" (\h264, for MP4 files). An entry whose encoder
// this FFmpeg build lacks is not listed.
//
// Thread: any; the registry is guarded.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/media/filter.h"
#include "platform/media/guid.h"
#include "platform/media/unknown.h"

namespace vistrel::media {

using FilterFactory = std::function<Ref<BaseFilter>()>;

// Registers a device (as a driver's set-up would). The display name is
// "@device:cm:" (compressors) or "@device:sw:" (other filters) + category +
// "\" + code. Returns an id for unregisterDevice.
int registerDevice(const Guid& category, const std::string& code, const std::string& friendlyName,
                   FilterFactory factory);
void unregisterDevice(int id);

// "@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\xvid" for (category, "xvid").
std::string deviceDisplayName(const Guid& category, const std::string& code);

// One listed device with its unique friendly name.
struct CategoryEntry {
  std::string displayName;
  std::string friendlyName;
};

// The devices of a category (every device when null) in registration order,
// as the recorder lists them: friendly names trimmed, entries without a name
// left out, and a name that occurred n − 1 times before listed as "<name> (n)".
std::vector<CategoryEntry> listCategory(const Guid* category);
inline std::vector<CategoryEntry> listCategory(const Guid& category) {
  return listCategory(&category);
}

// A new filter of the device with this display name; null (and the reason
// in `failure` when given) when no such device is registered or its filter
// cannot be made.
Ref<BaseFilter> createDevice(const std::string& displayName, Status* failure = nullptr);

}  // namespace vistrel::media
