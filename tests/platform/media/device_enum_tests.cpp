// The system device enumerator and its compressor category.

#include <algorithm>

#include <gtest/gtest.h>

#include "platform/media/compression.h"
#include "platform/media/device_enum.h"

namespace vistrel::media {
namespace {

const std::string kCategory = "@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\\";

TEST(DeviceEnumerator, ListsTheVideoCompressorsWithDisplayAndFriendlyNames) {
  std::vector<Ref<Moniker>> monikers;
  ASSERT_EQ(
      createSystemDeviceEnum()->createClassEnumerator(CLSID_VideoCompressorCategory, &monikers),
      S_OK);
  std::vector<std::pair<std::string, std::string>> names;
  for (const Ref<Moniker>& moniker : monikers) {
    std::string friendly;
    EXPECT_EQ(moniker->readProperty("FriendlyName", &friendly), S_OK);
    names.emplace_back(moniker->displayName(), friendly);
  }
  using Entry = std::pair<std::string, std::string>;
  EXPECT_EQ(names, (std::vector<Entry>{{kCategory + "xvid", "XviD MPEG-4 Codec"},
                                       {kCategory + "cvid", "Cinepak Codec"},
                                       {kCategory + "mjpg", "Motion JPEG Codec"},
                                       {kCategory + "h264", "H.264 Codec"}}));
  std::string unknown;
  EXPECT_EQ(monikers[0]->readProperty("Description", &unknown), E_INVALIDARG);
}

TEST(DeviceEnumerator, BindingAMonikerGivesACompressorWithItsSettings) {
  for (const CategoryEntry& entry : listCategory(CLSID_VideoCompressorCategory)) {
    Ref<BaseFilter> filter;
    ASSERT_EQ(entry.moniker->bindToObject(&filter), S_OK) << entry.displayName;
    EXPECT_EQ(filter->pins().size(), 2u);
    Ref<VideoCompression> settings = queryInterface<VideoCompression>(filter);
    ASSERT_TRUE(settings);
    VideoCompressionInfo info;
    EXPECT_EQ(settings->getInfo(&info), S_OK);
    EXPECT_EQ(info.description, entry.friendlyName);
  }
}

TEST(DeviceEnumerator, EmptyCategoryIsFalseAndFilterMapperListsEveryFilter) {
  std::vector<Ref<Moniker>> monikers;
  const Guid nothing = *Guid::parse("{00000000-0000-0000-0000-000000000001}");
  EXPECT_EQ(createSystemDeviceEnum()->createClassEnumerator(nothing, &monikers), S_FALSE);
  EXPECT_TRUE(monikers.empty());

  std::vector<std::string> names;
  for (const Ref<Moniker>& moniker : enumMatchingFilters(MERIT_DO_NOT_USE)) {
    std::string name;
    moniker->readProperty("FriendlyName", &name);
    names.push_back(name);
  }
  for (const char* expected : {"XviD MPEG-4 Codec", "AVI Mux"})
    EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;
  EXPECT_TRUE(enumMatchingFilters(MERIT_NORMAL).empty());
}

TEST(FriendlyNames, RepeatsGetTheirCountTrimmedEmptyOnesAreLeftOut) {
  EXPECT_EQ(uniqueFriendlyNames({"Codec", " Codec ", "", "  ", "Other", "Codec"}),
            (std::vector<std::string>{"Codec", "Codec (2)", "", "", "Other", "Codec (3)"}));
}

TEST(FriendlyNames, TwoInstalledCompressorsWithOneNameAreListedApart) {
  const int first = registerDevice(CLSID_VideoCompressorCategory, "tst1", " Test Codec",
                                   [] { return Ref<BaseFilter>(); });
  const int second = registerDevice(CLSID_VideoCompressorCategory, "tst2", "Test Codec ",
                                    [] { return Ref<BaseFilter>(); });
  const int unnamed =
      registerDevice(CLSID_VideoCompressorCategory, "tst3", " ", [] { return Ref<BaseFilter>(); });
  const std::vector<CategoryEntry> entries = listCategory(CLSID_VideoCompressorCategory);
  unregisterDevice(first);
  unregisterDevice(second);
  unregisterDevice(unnamed);

  std::vector<std::pair<std::string, std::string>> tests;
  for (const CategoryEntry& entry : entries)
    if (entry.displayName.find("\\tst") != std::string::npos)
      tests.emplace_back(entry.displayName, entry.friendlyName);
  using Entry = std::pair<std::string, std::string>;
  EXPECT_EQ(tests, (std::vector<Entry>{{kCategory + "tst1", "Test Codec"},
                                       {kCategory + "tst2", "Test Codec (2)"}}));
  // A device whose filter cannot be made fails to bind.
  Ref<BaseFilter> filter;
  for (const CategoryEntry& entry : entries) {
    if (entry.displayName == kCategory + "tst1") {
      EXPECT_EQ(entry.moniker->bindToObject(&filter), E_FAIL);
    }
  }
}

}  // namespace
}  // namespace vistrel::media
