// Compression selection: the compressors a recording may use, in order of
// preference, each with its settings (TVLDSVideoCompression, the video
// logger's VideoCompression property), and the audio counterpart that the
// viewer stores disabled and never uses.
//
// A compressor is identified by its device display name in the video
// compressor category ("@device:cm:{33D9A760-...}\xvid") and shown by its
// unique friendly name ("XviD MPEG-4 Codec"). A compressor that is not
// installed gives no filter; the recording then tries the next item or goes
// uncompressed.
//
// Thread: the main thread. Assigning Compressor and adding an item list the
// category and may create the compressor.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/layout/stored_properties.h"
#include "platform/media/devices.h"
#include "platform/media/filter_graph.h"

namespace vistrel {

// What every compression item keeps: the compressor and its own settings block.
class TDSCompressionItem : public layout::StoredObject {
 public:
  const std::string& Compressor() const { return compressor_; }
  const std::string& DisplayName() const { return displayName_; }
  // The compressor's saved settings, passed to it unchanged.
  const std::vector<std::uint8_t>& Params() const { return params_; }

  // Stored form: "Data" = (display name, Compressor) when the display name is
  // not empty; "Params.Data" = 4-byte little-endian count + bytes, when the
  // count is not 0; then the subclass's values.
  layout::CollectionItem storedProperties() const { return propertyTable().write(*this); }
  // Throws vistrel::Exception for a property the item does not store or a
  // value that does not fit.
  void readProperty(const layout::Property& property);

 protected:
  virtual const layout::PropertyTable& propertyTable() const;

  std::string compressor_;
  std::string displayName_;
  std::vector<std::uint8_t> params_;
};

class TVLDSVideoCompressionItem : public TDSCompressionItem {
 public:
  static constexpr std::uint32_t kMaxQuality = 100000;

  // Looks `value` up among the installed compressors by unique friendly name
  // and reads the compressor's defaults; see the file comment.
  void SetCompressor(const std::string& value);

  // 0..100000, where 100000 is the compressor's 1.0; larger values store 100000.
  std::uint32_t Quality() const { return quality_; }
  void SetQuality(std::uint32_t quality) { quality_ = std::min(quality, kMaxQuality); }
  std::int32_t KeyFrameRate() const { return keyFrameRate_; }
  std::int64_t WindowSize() const { return windowSize_; }
  std::int32_t PFramesPerKeyFrame() const { return pFramesPerKeyFrame_; }

  // The first installed compressor whose display name is this item's; null
  // when none is installed or it cannot be created.
  media::Ref<media::BaseFilter> CreateCompressor() const;
  // Hands the settings to a connected compressor; failures are ignored.
  void ApplySettings(media::BaseFilter& compressor) const;
  // The quality sent to the compressor: Quality / 100000, except that 0 (a
  // stored setting that was never tuned) asks for the compressor's default.
  double CompressorQuality() const;

 protected:
  const layout::PropertyTable& propertyTable() const override;

 private:
  void ReadDefaults();

  std::uint32_t quality_ = kMaxQuality;
  std::int32_t keyFrameRate_ = -1;
  std::int64_t windowSize_ = 10;
  std::int32_t pFramesPerKeyFrame_ = -1;
};

class TVLDSVideoCompressionItems {
 public:
  std::size_t Count() const { return items_.size(); }
  TVLDSVideoCompressionItem& Item(std::size_t index) { return *items_.at(index); }
  const TVLDSVideoCompressionItem& Item(std::size_t index) const { return *items_.at(index); }
  // A new item at the end with the default choice of compressor: the first
  // installed one that the fewest items use already.
  TVLDSVideoCompressionItem& Add();
  void Clear() { items_.clear(); }

  layout::Value::Collection Stored() const { return layout::writeCollection(items_); }
  // Replaces the items: each is added (default choice) and then given its
  // stored values.
  void Read(const layout::Value::Collection& collection);

 private:
  std::vector<std::unique_ptr<TVLDSVideoCompressionItem>> items_;
};

class TVLDSVideoCompression {
 public:
  // Disabled, with one item.
  TVLDSVideoCompression();
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  TVLDSVideoCompressionItems& Compressions() { return compressions_; }
  const TVLDSVideoCompressionItems& Compressions() const { return compressions_; }

 private:
  bool enabled_ = false;
  TVLDSVideoCompressionItems compressions_;
};

// The audio counterpart: kept and stored, never used by the viewer.
class TALDSAudioCompressionItem : public TDSCompressionItem {
 public:
  std::int32_t channels = 1;
  std::int32_t bitsPerSample = 16;
  std::int32_t samplesPerSec = 8000;
  std::uint32_t channelMask = 0;

 protected:
  const layout::PropertyTable& propertyTable() const override;
};

class TALDSAudioCompression {
 public:
  // Disabled, with one item.
  TALDSAudioCompression();
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  TALDSAudioCompressionItem& Item(std::size_t index) { return *items_.at(index); }

  layout::Value::Collection Stored() const { return layout::writeCollection(items_); }
  void Read(const layout::Value::Collection& collection);

 private:
  bool enabled_ = false;
  std::vector<std::unique_ptr<TALDSAudioCompressionItem>> items_;
};

// The category's compressors as the recorder lists them (unique friendly names).
using TDSCompressorEntry = media::CategoryEntry;
std::vector<TDSCompressorEntry> ListVideoCompressors();

}  // namespace vistrel
