// The values of the media-graph service: counted objects, 128-bit
// identifiers with Windows' values (so that display names such as
// "@device:cm:{33D9A760-...}\xvid" read as they do there), media types and
// samples.
#pragma once

#include <array>
#include <atomic>
#include <cassert>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/media/status.h"

namespace vistrel::media {

// An object is born with a count of 0; Ref<T> holds one reference and the
// last one destroys it. Interfaces derive virtually from Unknown, so an
// object that offers several has one count. addRef/release on any thread.
class Unknown {
 public:
  Unknown() = default;
  Unknown(const Unknown&) = delete;
  Unknown& operator=(const Unknown&) = delete;

  // Both return the new count, for tests and diagnostics only.
  std::uint32_t addRef() noexcept { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  std::uint32_t release() noexcept {
    const std::uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    assert(left != 0xFFFFFFFFu && "release without a reference");
    if (left == 0) destroy();
    return left;
  }
  std::uint32_t refCount() const noexcept { return refs_.load(std::memory_order_relaxed); }

 protected:
  virtual ~Unknown() = default;

 private:
#pragma GCC diagnostic push
  // GCC mistakes the deleting destructor through a virtual base for a bad
  // free (-Wfree-nonheap-object); the destructor is virtual, this is sound.
#pragma GCC diagnostic ignored "-Wfree-nonheap-object"
  void destroy() noexcept { delete this; }
#pragma GCC diagnostic pop

  std::atomic<std::uint32_t> refs_{0};
};

template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  Ref(T* object) : object_(object) {
    if (object_) object_->addRef();
  }
  Ref(const Ref& other) : Ref(other.object_) {}
  Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& other) : Ref(static_cast<T*>(other.get())) {}
  ~Ref() { reset(); }
  Ref& operator=(Ref other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }

  void reset() {
    if (T* object = std::exchange(object_, nullptr)) object->release();
  }
  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }
  friend bool operator==(const Ref& a, const Ref& b) { return a.object_ == b.object_; }

 private:
  T* object_ = nullptr;
};

template <class T, class... Args>
Ref<T> makeRef(Args&&... args) {
  return Ref<T>(new T(std::forward<Args>(args)...));
}

// The object's interface I, or null when it does not offer it.
template <class I, class T>
Ref<I> queryInterface(T* object) {
  return Ref<I>(dynamic_cast<I*>(object));
}
template <class I, class T>
Ref<I> queryInterface(const Ref<T>& object) {
  return queryInterface<I>(object.get());
}

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  auto operator<=>(const Guid&) const = default;
  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
  std::string toString() const;
  // The media subtype of a four-character code: {code-0000-0010-8000-00AA00389B71}.
  static constexpr Guid fromFourCC(std::uint32_t fourCC) {
    return Guid{fourCC, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
  }
};

constexpr std::uint32_t makeFourCC(char a, char b, char c, char d) {
  return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 |
         std::uint32_t(std::uint8_t(c)) << 16 | std::uint32_t(std::uint8_t(d)) << 24;
}

inline constexpr Guid MEDIATYPE_Video = Guid::fromFourCC(makeFourCC('v', 'i', 'd', 's'));
inline constexpr Guid MEDIASUBTYPE_RGB24{
    0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr Guid MEDIASUBTYPE_YUY2 = Guid::fromFourCC(makeFourCC('Y', 'U', 'Y', '2'));
// Planar 4:2:0 Y, Cb, Cr, each plane packed (Windows' I420).
inline constexpr Guid MEDIASUBTYPE_I420 = Guid::fromFourCC(makeFourCC('I', '4', '2', '0'));
inline constexpr Guid MEDIASUBTYPE_Avi{
    0xE436EB88, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// An MP4 file (ISO base media), our own subtype for the H.264 export.
inline constexpr Guid MEDIASUBTYPE_Mp4{
    0x5E1A3C20, 0x7B1D, 0x4F6E, {0x9A, 0x52, 0x56, 0x49, 0x53, 0x54, 0x52, 0x4C}};
inline constexpr Guid FORMAT_VideoInfo{
    0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
// Device categories, and the classes of the service's own filters.
inline constexpr Guid CLSID_VideoCompressorCategory{
    0x33D9A760, 0x90C8, 0x11D0, {0xBD, 0x43, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr Guid CLSID_LegacyAmFilterCategory{
    0x083863F1, 0x70DE, 0x11D0, {0xBD, 0x40, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
inline constexpr Guid CLSID_AviDest{
    0xE2510970, 0xF137, 0x11CE, {0x8B, 0x67, 0x00, 0xAA, 0x00, 0xA3, 0xF1, 0xA6}};
inline constexpr Guid CLSID_AVICo{
    0xD76E2820, 0x1563, 0x11CF, {0xAC, 0x98, 0x00, 0xAA, 0x00, 0x4C, 0x0F, 0xA9}};

using ReferenceTime = std::int64_t;  // signed counts of 100 ns
inline constexpr ReferenceTime kUnitsPerSecond = 10'000'000;
// Where neither the type nor the first sample gives a rate.
inline constexpr ReferenceTime kDefaultFramePeriod = kUnitsPerSecond / 25;
inline constexpr std::uint32_t BI_RGB = 0;

// What flows through a pin connection. Video carries a VIDEOINFOHEADER-like
// block; RGB pictures are bottom-up DIBs: positive height, the first stored
// row is the bottom row, rows padded to 4 bytes.
struct BitmapInfoHeader {
  std::int32_t width = 0;
  std::int32_t height = 0;  // > 0: bottom-up
  std::uint16_t bitCount = 0;
  std::uint32_t compression = BI_RGB;  // BI_RGB or a four-character code
  std::uint32_t imageSize = 0;         // bytes of one picture
};

struct VideoInfo {
  ReferenceTime avgTimePerFrame = 0;  // 0: unknown, the sample times decide
  BitmapInfoHeader header;
  // What a decoder needs before the first frame, kept once in the file's
  // header (H.264's parameter sets for MP4); empty for most formats.
  std::vector<std::uint8_t> codecHeader{};
};

struct MediaType {
  Guid majorType;
  Guid subType;
  bool fixedSizeSamples = false;
  bool temporalCompression = false;
  std::uint32_t sampleSize = 0;
  Guid formatType;
  std::optional<VideoInfo> videoInfo;  // present when formatType is FORMAT_VideoInfo
};

// Bytes per row of a DIB: ((width × bitCount + 31) / 32) × 4.
constexpr std::uint32_t dibStride(std::int32_t width, int bitCount) {
  return static_cast<std::uint32_t>((std::int64_t(width) * bitCount + 31) / 32 * 4);
}
// Bytes of one I420 picture: the colour planes are (width + 1) / 2 x (height + 1) / 2.
constexpr std::uint32_t i420ImageSize(std::int32_t width, std::int32_t height) {
  const auto w = static_cast<std::uint32_t>(width), h = static_cast<std::uint32_t>(height);
  return w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2);
}

// An uncompressed video type as a push source offers it, fixed-size
// samples: RGB24 (bottom-up, 24 bits, BI_RGB), YUY2 (16 bits) or I420 (12).
MediaType makeVideoType(const Guid& subType, std::int32_t width, std::int32_t height);

// One picture or compressed frame on its way from an output pin to the
// input pin connected to it: the output pin's own, lent for a synchronous
// delivery (a receiver copies what it keeps). It belongs to whoever holds it.
class MediaSample final : public Unknown {
 public:
  explicit MediaSample(std::int32_t size) : bytes_(static_cast<std::size_t>(size)) { reset(); }

  std::uint8_t* pointer() { return bytes_.data(); }
  std::int32_t size() const { return static_cast<std::int32_t>(bytes_.size()); }  // capacity
  std::int32_t actualDataLength() const { return length_; }
  // E_INVALIDARG when larger than size().
  Status setActualDataLength(std::int32_t length) {
    if (length < 0 || length > size()) return E_INVALIDARG;
    length_ = length;
    return S_OK;
  }
  // VFW_E_SAMPLE_TIME_NOT_SET when no times were set.
  Status getTime(ReferenceTime* start, ReferenceTime* stop) const {
    if (!timed_) return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = start_;
    *stop = stop_;
    return S_OK;
  }
  void setTime(ReferenceTime start, ReferenceTime stop) {
    timed_ = true;
    start_ = start;
    stop_ = stop;
  }
  bool isSyncPoint() const { return syncPoint_; }
  void setSyncPoint(bool syncPoint) { syncPoint_ = syncPoint; }
  // As lent afresh: full length, no times, no mark.
  void reset() {
    length_ = size();
    timed_ = syncPoint_ = false;
    start_ = stop_ = 0;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::int32_t length_ = 0;
  bool timed_ = false;
  bool syncPoint_ = false;
  ReferenceTime start_ = 0;
  ReferenceTime stop_ = 0;
};

}  // namespace vistrel::media
