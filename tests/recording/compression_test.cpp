// Compression items: stored form, lookups by unique friendly name, the
// default choice for new items, and the settings handed to a compressor.
#include <gtest/gtest.h>

#include "platform/exception.h"
#include "platform/media/devices.h"
#include "recording/graph.h"
#include "recording/video_compression.h"
#include "recording_fixture.h"

namespace vistrel::test {
namespace {

bool Installed(const std::string& displayName) {
  for (const TDSCompressorEntry& entry : ListVideoCompressors())
    if (entry.displayName == displayName) return true;
  return false;
}

TEST(CompressionItemTest, StoredItemReadsAndWritesBackUnchanged) {
  TVLDSVideoCompressionItems items;
  const layout::Value::Collection stored = StoredCompressions();
  items.Read(stored);
  ASSERT_EQ(items.Count(), 1u);
  const TVLDSVideoCompressionItem& item = items.Item(0);
  EXPECT_EQ(item.Compressor(), "XviD MPEG-4 Codec");
  EXPECT_EQ(item.DisplayName(), kXvidDisplayName);
  EXPECT_EQ(item.Params(), StoredXvidParams());
  EXPECT_EQ(item.Quality(), 0u);
  EXPECT_EQ(item.KeyFrameRate(), 0);
  EXPECT_EQ(item.WindowSize(), 1);
  EXPECT_EQ(item.PFramesPerKeyFrame(), 0);
  EXPECT_EQ(items.Stored(), stored);
}

TEST(CompressionItemTest, EmptyParamsAndDisplayNameAreNotStored) {
  TVLDSVideoCompressionItem item;
  for (const layout::Property& property : item.storedProperties()) {
    EXPECT_NE(property.name, "Data");
    EXPECT_NE(property.name, "Params.Data");
  }
  layout::Value::Binary shortBlock{{8, 0, 0, 0, 1, 2}};
  EXPECT_THROW(item.readProperty(layout::makeProperty("Params.Data", shortBlock)), Exception);
}

TEST(CompressionItemTest, QualityAboveOneIsStoredAsOne) {
  TVLDSVideoCompressionItem item;
  item.SetQuality(250000);
  EXPECT_EQ(item.Quality(), 100000u);
  item.readProperty(layout::makeProperty("Quality", 150000));
  EXPECT_EQ(item.Quality(), 100000u);
}

TEST(CompressionItemTest, UntunedQualityAsksForTheCompressorsDefault) {
  TVLDSVideoCompressionItem item;
  item.SetQuality(0);
  EXPECT_LT(item.CompressorQuality(), 0.0);
  item.SetQuality(50000);
  EXPECT_DOUBLE_EQ(item.CompressorQuality(), 0.5);
}

TEST(CompressionItemTest, NewItemTakesTheInstalledCompressorAndItsDefaults) {
  ASSERT_TRUE(Installed(kXvidDisplayName));
  TVLDSVideoCompression compression;
  EXPECT_FALSE(compression.Enabled());
  ASSERT_EQ(compression.Compressions().Count(), 1u);
  const TVLDSVideoCompressionItem& item = compression.Compressions().Item(0);
  EXPECT_EQ(item.Compressor(), "XviD MPEG-4 Codec");
  EXPECT_EQ(item.DisplayName(), kXvidDisplayName);
  // Read back from the compressor: a key frame every 100, quality 28/29.
  EXPECT_EQ(item.KeyFrameRate(), 100);
  EXPECT_EQ(item.PFramesPerKeyFrame(), 0);
  EXPECT_EQ(item.Quality(), 96552u);
}

TEST(CompressionItemTest, EachNewItemTakesTheLeastUsedCompressor) {
  const std::vector<TDSCompressorEntry> installed = ListVideoCompressors();
  ASSERT_FALSE(installed.empty());
  TVLDSVideoCompressionItems items;
  for (std::size_t i = 0; i < installed.size() + 1; ++i) items.Add();
  for (std::size_t i = 0; i < installed.size(); ++i)
    EXPECT_EQ(items.Item(i).DisplayName(), installed[i].displayName) << i;
  EXPECT_EQ(items.Item(installed.size()).DisplayName(), installed[0].displayName);
}

TEST(CompressionItemTest, NameNotInstalledKeepsTheNameAndClearsTheRest) {
  TVLDSVideoCompressionItems items;
  items.Read(StoredCompressions());
  TVLDSVideoCompressionItem& item = items.Item(0);
  item.SetCompressor("No Such Codec");
  EXPECT_EQ(item.Compressor(), "XviD MPEG-4 Codec");
  EXPECT_EQ(item.DisplayName(), "");
  EXPECT_TRUE(item.Params().empty());
  EXPECT_FALSE(item.CreateCompressor());
}

TEST(CompressionItemTest, SameFriendlyNamesAreToldApartByTheirSuffix) {
  const auto nothing = [] { return media::Ref<media::BaseFilter>(); };
  const int first =
      media::registerDevice(media::CLSID_VideoCompressorCategory, "tst1", " Test Codec ", nothing);
  const int second =
      media::registerDevice(media::CLSID_VideoCompressorCategory, "tst2", "Test Codec", nothing);
  TVLDSVideoCompressionItem item;
  item.SetCompressor("Test Codec (2)");
  EXPECT_EQ(item.Compressor(), "Test Codec (2)");
  EXPECT_EQ(item.DisplayName(),
            media::deviceDisplayName(media::CLSID_VideoCompressorCategory, "tst2"));
  item.SetCompressor("Test Codec");
  EXPECT_EQ(item.DisplayName(),
            media::deviceDisplayName(media::CLSID_VideoCompressorCategory, "tst1"));
  media::unregisterDevice(first);
  media::unregisterDevice(second);
}

TEST(CompressionItemTest, SettingsReachTheCompressor) {
  TVLDSVideoCompressionItems items;
  items.Read(StoredCompressions());
  items.Item(0).SetQuality(50000);
  media::Ref<media::BaseFilter> compressor = items.Item(0).CreateCompressor();
  ASSERT_TRUE(compressor);
  items.Item(0).ApplySettings(*compressor);
  auto settings = media::queryInterface<media::VideoCompression>(compressor);
  ASSERT_TRUE(settings);
  EXPECT_DOUBLE_EQ(settings->quality(), 0.5);
  EXPECT_EQ(settings->keyFrameRate(), 0);
  EXPECT_EQ(settings->settingsBlock(), StoredXvidParams());
}

TEST(FilterItemTest, StoredOnlyWhenItNamesAFilter) {
  TDSFilterItems filters;
  filters.Add();
  EXPECT_EQ(filters.Item(0).FilterName(), "None");
  EXPECT_TRUE(filters.Stored().items.at(0).empty());
  filters.Item(0).SetFilterName("AVI Mux");
  EXPECT_EQ(filters.Item(0).FilterName(), "AVI Mux");
  EXPECT_FALSE(filters.Item(0).DisplayName().empty());
  EXPECT_TRUE(filters.Item(0).CreateFilter());
  filters.Item(0).SetFilterName("Nothing Like It");
  EXPECT_EQ(filters.Item(0).FilterName(), "AVI Mux");
  EXPECT_EQ(filters.Item(0).DisplayName(), "");
  EXPECT_EQ(TDSFilterItems::DisplayText(0), "Filter 1");

  filters.Item(0).SetFilterName("AVI Mux");
  const layout::Value::Collection stored = filters.Stored();
  TDSFilterItems read;
  read.Read(stored);
  EXPECT_EQ(read.Item(0).FilterName(), "AVI Mux");
  EXPECT_EQ(read.Stored(), stored);
  const auto refused = [&](layout::Property property) {
    try {
      read.Read({{{std::move(property)}}});
    } catch (const Exception& error) {
      return std::string(error.what());
    }
    return std::string();
  };
  EXPECT_EQ(refused(layout::makeProperty("Data", layout::Value::List{{"one"}})),
            "A filter item's Data holds two strings");
  EXPECT_EQ(refused(layout::makeProperty("Name", "AVI Mux")), "Unknown filter item property Name");
}

TEST(GraphErrorTest, CodeInDecimalAndHexadecimal) {
  EXPECT_EQ(FormatGraphError("Can't start logger.", media::E_FAIL),
            "Can't start logger. - 2147500037 - 80004005");
}

}  // namespace
}  // namespace vistrel::test
