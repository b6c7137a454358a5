// The registered devices and the video compressor category.

#include <algorithm>

#include <gtest/gtest.h>

#include "platform/media/devices.h"

namespace vistrel::media {
namespace {

const std::string kCategory = "@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\\";

TEST(DeviceList, ListsTheCompressorsAndCreatesEachWithItsSettings) {
  const std::vector<CategoryEntry> entries = listCategory(CLSID_VideoCompressorCategory);
  std::vector<std::pair<std::string, std::string>> names;
  for (const CategoryEntry& entry : entries)
    names.emplace_back(entry.displayName, entry.friendlyName);
  using Entry = std::pair<std::string, std::string>;
  EXPECT_EQ(names, (std::vector<Entry>{{kCategory + "xvid", "XviD MPEG-4 Codec"},
                                       {kCategory + "cvid", "Cinepak Codec"},
                                       {kCategory + "mjpg", "Motion JPEG Codec"},
                                       {kCategory + "h264", "H.264 Codec"}}));
  for (const CategoryEntry& entry : entries) {
    Ref<BaseFilter> filter = createDevice(entry.displayName);
    ASSERT_TRUE(filter) << entry.displayName;
    EXPECT_EQ(filter->pins().size(), 2u);
    Ref<VideoCompression> settings = queryInterface<VideoCompression>(filter);
    ASSERT_TRUE(settings);
    VideoCompressionInfo info;
    EXPECT_EQ(settings->getInfo(&info), S_OK);
    EXPECT_EQ(info.description, entry.friendlyName);
  }

  // Without a category every device is listed, the sink among them.
  std::vector<std::string> all;
  for (const CategoryEntry& entry : listCategory(std::nullopt)) all.push_back(entry.friendlyName);
  for (const char* expected : {"XviD MPEG-4 Codec", "AVI Mux"})
    EXPECT_NE(std::find(all.begin(), all.end(), expected), all.end()) << expected;
}

TEST(DeviceList, RepeatedNamesAreCountedBlankOnesLeftOutAndFailuresSaid) {
  const int first = registerDevice(CLSID_VideoCompressorCategory, "tst1", " Test Codec",
                                   [] { return Ref<BaseFilter>(); });
  const int second = registerDevice(CLSID_VideoCompressorCategory, "tst2", "Test Codec ",
                                    [] { return Ref<BaseFilter>(); });
  const int unnamed =
      registerDevice(CLSID_VideoCompressorCategory, "tst3", " ", [] { return Ref<BaseFilter>(); });
  const std::vector<CategoryEntry> entries = listCategory(CLSID_VideoCompressorCategory);
  Status cannotMake;
  EXPECT_FALSE(createDevice(kCategory + "tst1", &cannotMake));
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
  EXPECT_EQ(cannotMake, E_FAIL);
  EXPECT_EQ(cannotMake.detail(), "Can't create " + kCategory + "tst1");
  Status unknown;
  EXPECT_FALSE(createDevice(kCategory + "tst1", &unknown));
  EXPECT_EQ(unknown, VFW_E_NOT_FOUND);
}

}  // namespace
}  // namespace vistrel::media
