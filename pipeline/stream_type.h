// Stream type identifiers (16-byte GUIDs) that pins declare and agree on.
#pragma once

#include <array>
#include <cstdint>

namespace vistrel {

struct TOWStreamType {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};
  bool operator==(const TOWStreamType&) const = default;
};

// Agreed when a sink accepts none of the source's declared types.
inline constexpr TOWStreamType kDefaultStreamType{};
// {949B7FD0-421F-4F1B-B8D2-87969D3E66E0}: any operation stream.
inline constexpr TOWStreamType kGenericDataStreamType{
    0x949B7FD0, 0x421F, 0x4F1B, {0xB8, 0xD2, 0x87, 0x96, 0x9D, 0x3E, 0x66, 0xE0}};
// {877BD684-2669-4F1E-8BA8-E76EE35E5946}: video frames.
inline constexpr TOWStreamType kImageStreamType{
    0x877BD684, 0x2669, 0x4F1E, {0x8B, 0xA8, 0xE7, 0x6E, 0xE3, 0x5E, 0x59, 0x46}};

}  // namespace vistrel
