// The settings interfaces of a video compressor: its capabilities and
// defaults, the quality and key-frame settings, and its stored settings
// block loaded from a stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/media/guid.h"
#include "platform/media/status.h"
#include "platform/media/unknown.h"

namespace vistrel::media {

// Capability bits of VideoCompressionInfo::capabilities.
inline constexpr long CompressionCaps_CanQuality = 0x01;
inline constexpr long CompressionCaps_CanCrunch = 0x02;
inline constexpr long CompressionCaps_CanKeyFrame = 0x04;
inline constexpr long CompressionCaps_CanBFrame = 0x08;
inline constexpr long CompressionCaps_CanWindow = 0x10;

struct VideoCompressionInfo {
  std::string version;
  std::string description;
  long defaultKeyFrameRate = 0;
  long defaultPFramesPerKey = 0;
  double defaultQuality = 0;  // 0..1
  long capabilities = 0;
};

class VideoCompression : public virtual Unknown {
 public:
  // Every field is filled; the caller picks what it needs.
  virtual Status getInfo(VideoCompressionInfo* info) const = 0;
  // 0..1 (1 best); a negative value asks for the compressor's default.
  virtual Status putQuality(double quality) = 0;
  virtual double quality() const = 0;
  // A key frame every `rate` frames; a negative value asks for the default.
  virtual Status putKeyFrameRate(long rate) = 0;
  virtual long keyFrameRate() const = 0;
  virtual Status putPFramesPerKeyFrame(long frames) = 0;
  // Frames over which a data rate is averaged.
  virtual Status putWindowSize(std::uint64_t frames) = 0;
};

enum class SeekOrigin { Set = 0, Current = 1, End = 2 };

// A byte stream (the platform's IStream, reduced to what settings need).
class Stream : public virtual Unknown {
 public:
  // S_FALSE when fewer bytes than asked were read.
  virtual Status read(void* buffer, std::uint32_t size, std::uint32_t* read) = 0;
  virtual Status write(const void* buffer, std::uint32_t size, std::uint32_t* written) = 0;
  virtual Status seek(std::int64_t offset, SeekOrigin origin, std::uint64_t* position) = 0;
  virtual Status setSize(std::uint64_t size) = 0;
};

// A growable stream in memory (CreateStreamOnHGlobal).
Ref<Stream> createMemoryStream();

class PersistStream : public virtual Unknown {
 public:
  virtual Guid classId() const = 0;
  // Reads a settings block from the stream's current position to its end.
  virtual Status load(Stream* stream) = 0;
  virtual Status save(Stream* stream) = 0;
};

}  // namespace vistrel::media
