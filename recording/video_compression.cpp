#include "recording/video_compression.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "platform/exception.h"

namespace vistrel {

using namespace media;

namespace {

// The choice for a new item when no installed compressor qualifies.
const char* const kFallbackCompressor = "@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\\cvid";
// Items using one compressor beyond this count no longer make it a choice.
constexpr std::size_t kMaxUsesForChoice = 22000;

std::vector<std::uint8_t> ParamsFromStored(const layout::Value& value) {
  const auto& bytes = value.asBinary().bytes;
  if (bytes.size() < 4) throw Exception("A compressor settings block lacks its byte count");
  const std::uint32_t count = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                              std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24;
  if (bytes.size() - 4 < count)
    throw Exception("A compressor settings block is shorter than its byte count");
  return std::vector<std::uint8_t>(bytes.begin() + 4, bytes.begin() + 4 + count);
}

layout::Value ParamsToStored(const std::vector<std::uint8_t>& params) {
  layout::Value::Binary binary;
  const auto count = static_cast<std::uint32_t>(params.size());
  for (int shift = 0; shift < 32; shift += 8)
    binary.bytes.push_back(static_cast<std::uint8_t>(count >> shift));
  binary.bytes.insert(binary.bytes.end(), params.begin(), params.end());
  return binary;
}

std::string FriendlyNameOf(const std::string& displayName) {
  for (const TDSCompressorEntry& entry : ListVideoCompressors())
    if (entry.displayName == displayName) return entry.friendlyName;
  return std::string();
}

}  // namespace

std::vector<TDSCompressorEntry> ListVideoCompressors() {
  return listCategory(CLSID_VideoCompressorCategory);
}

const layout::PropertyTable& TDSCompressionItem::propertyTable() const {
  using P = layout::Stored<TDSCompressionItem>;
  static const layout::PropertyTable table(
      {}, {P::property(
               "Data",
               [](const TDSCompressionItem& item) {
                 if (item.displayName_.empty()) return layout::Value::List{};
                 return layout::Value::List{{item.displayName_, item.compressor_}};
               },
               [](TDSCompressionItem& item, const layout::Value::List& data) {
                 if (data.items.size() != 2)
                   throw Exception("A compression item's Data holds two strings");
                 item.displayName_ = data.items[0].asString();
                 item.compressor_ = data.items[1].asString();
               })
               .orDefault(layout::Value::List{}),
           P::property(
               "Params.Data",
               [](const TDSCompressionItem& item) { return ParamsToStored(item.params_); },
               [](TDSCompressionItem& item, const layout::Value& value) {
                 item.params_ = ParamsFromStored(value);
               })
               .orDefault(ParamsToStored({}))});
  return table;
}

void TDSCompressionItem::readProperty(const layout::Property& property) {
  if (!propertyTable().read(*this, property.name, property.value()))
    throw Exception("Unknown compression item property " + property.name);
}

void TVLDSVideoCompressionItem::SetCompressor(const std::string& value) {
  if (value == compressor_) return;
  params_.clear();
  displayName_.clear();
  if (value.empty()) {
    compressor_.clear();
  } else {
    for (const TDSCompressorEntry& entry : ListVideoCompressors()) {
      if (entry.friendlyName != value) continue;
      displayName_ = entry.displayName;
      compressor_ = value;
      break;
    }
  }
  ReadDefaults();
}

void TVLDSVideoCompressionItem::ReadDefaults() {
  Ref<BaseFilter> compressor = CreateCompressor();
  if (!compressor) return;
  Ref<VideoCompression> settings = queryInterface<VideoCompression>(compressor);
  if (!settings) return;
  try {
    VideoCompressionInfo info;
    if (failed(settings->getInfo(&info))) {
      quality_ = 0;
      return;
    }
    keyFrameRate_ = static_cast<std::int32_t>(info.defaultKeyFrameRate);
    pFramesPerKeyFrame_ = static_cast<std::int32_t>(info.defaultPFramesPerKey);
    const double quality = std::round(info.defaultQuality * kMaxQuality);
    SetQuality(quality <= 0 ? 0 : static_cast<std::uint32_t>(std::min(quality, 1e9)));
  } catch (...) {
    quality_ = 0;
  }
}

Ref<BaseFilter> TVLDSVideoCompressionItem::CreateCompressor() const {
  return createDevice(displayName_);
}

double TVLDSVideoCompressionItem::CompressorQuality() const {
  // 0 is what a compressor whose defaults could not be read leaves behind;
  // sending it as the worst quality would ruin every picture.
  if (quality_ == 0) return -1.0;
  return static_cast<double>(quality_) / kMaxQuality;
}

void TVLDSVideoCompressionItem::ApplySettings(BaseFilter& compressor) const {
  Ref<VideoCompression> settings = queryInterface<VideoCompression>(&compressor);
  if (!settings) return;
  VideoCompressionInfo info;
  if (succeeded(settings->getInfo(&info))) {
    if (info.capabilities & CompressionCaps_CanQuality) settings->putQuality(CompressorQuality());
    if (info.capabilities & CompressionCaps_CanKeyFrame) settings->putKeyFrameRate(keyFrameRate_);
    if (info.capabilities & CompressionCaps_CanBFrame)
      settings->putPFramesPerKeyFrame(pFramesPerKeyFrame_);
    if (info.capabilities & CompressionCaps_CanWindow)
      settings->putWindowSize(static_cast<std::uint64_t>(windowSize_));
  }
  if (!params_.empty()) settings->setSettingsBlock(params_);
}

const layout::PropertyTable& TVLDSVideoCompressionItem::propertyTable() const {
  using P = layout::Stored<TVLDSVideoCompressionItem>;
  using Item = TVLDSVideoCompressionItem;
  static const layout::PropertyTable table(
      {&TDSCompressionItem::propertyTable()},
      {P::property(
           "Quality", [](const Item& item) { return std::int64_t{item.quality_}; },
           [](Item& item, std::int64_t value) {
             item.SetQuality(
                 static_cast<std::uint32_t>(std::clamp<std::int64_t>(value, 0, kMaxQuality)));
           }),
       P::field("KeyFrameRate", &Item::keyFrameRate_), P::field("WindowSize", &Item::windowSize_),
       P::field("PFramesPerKeyFrame", &Item::pFramesPerKeyFrame_)});
  return table;
}

TVLDSVideoCompressionItem& TVLDSVideoCompressionItems::Add() {
  std::string choice;
  std::size_t lowest = kMaxUsesForChoice;
  for (const CategoryEntry& entry : listCategory(CLSID_VideoCompressorCategory)) {
    const std::string& displayName = entry.displayName;
    std::size_t uses = 0;
    for (const auto& item : items_) uses += item->DisplayName() == displayName;
    if (uses < lowest) {
      lowest = uses;
      choice = displayName;
    }
  }
  if (choice.empty()) choice = kFallbackCompressor;
  items_.push_back(std::make_unique<TVLDSVideoCompressionItem>());
  TVLDSVideoCompressionItem& item = *items_.back();
  item.SetCompressor(FriendlyNameOf(choice));
  return item;
}

void TVLDSVideoCompressionItems::Read(const layout::Value::Collection& collection) {
  items_.clear();
  for (const layout::CollectionItem& stored : collection.items) {
    TVLDSVideoCompressionItem& item = Add();
    for (const layout::Property& property : stored) item.readProperty(property);
  }
}

TVLDSVideoCompression::TVLDSVideoCompression() { compressions_.Add(); }

const layout::PropertyTable& TALDSAudioCompressionItem::propertyTable() const {
  using P = layout::Stored<TALDSAudioCompressionItem>;
  using Item = TALDSAudioCompressionItem;
  static const layout::PropertyTable table(
      {&TDSCompressionItem::propertyTable()},
      {P::field("Channels", &Item::channels), P::field("BitsPerSample", &Item::bitsPerSample),
       P::field("SamplesPerSec", &Item::samplesPerSec),
       P::field("ChannelMask", &Item::channelMask)});
  return table;
}

TALDSAudioCompression::TALDSAudioCompression() {
  items_.push_back(std::make_unique<TALDSAudioCompressionItem>());
}

void TALDSAudioCompression::Read(const layout::Value::Collection& collection) {
  items_.clear();
  for (const layout::CollectionItem& stored : collection.items) {
    items_.push_back(std::make_unique<TALDSAudioCompressionItem>());
    for (const layout::Property& property : stored) items_.back()->readProperty(property);
  }
}

}  // namespace vistrel
