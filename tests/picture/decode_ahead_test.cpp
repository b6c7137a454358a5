// SnapshotDecodeAhead: results come in list order whatever each file holds,
// a damaged snapshot brings the loader's own error (and its decoded rows)
// without holding up the files behind it, and a new list or a cancel drops
// what was queued.

#include <gtest/gtest.h>

#include <jerror.h>

#include "picture/jpeg_image.h"
#include "picture/picture.h"
#include "picture/snapshot_decode_ahead.h"
#include "sample_jpegs.h"
#include "temp_folder.h"

namespace vistrel {
namespace {

using testing::blockPattern;
using testing::encodeJpeg;
using testing::writeFile;

std::string ErrorText(const std::exception_ptr& error) {
  if (!error) return {};
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  }
}

class DecodeAheadTest : public ::testing::Test {
 protected:
  void SetUp() override { TJPEGImage::setScreenBitsPerPixel(24); }
  std::string path(const std::string& name) const { return (dir_.path() / name).string(); }
  // good<i>.jpg, i × 16 pixels wide, so each result tells its file.
  SnapshotDecodeAhead::File good(int i) {
    const std::string name = "good" + std::to_string(i) + ".jpg";
    writeFile(path(name), encodeJpeg(blockPattern(16 * i, 16)));
    return {path(name), "C:\\" + name};
  }
  test::TempFolder dir_;
};

TEST_F(DecodeAheadTest, DamagedSnapshotsBringTheirErrorInOrder) {
  std::vector<std::uint8_t> damaged = encodeJpeg(blockPattern(128, 128));
  const std::size_t at = testing::scanDataStart(damaged) + damaged.size() / 3;
  damaged[at] = 0xFF;
  damaged[at + 1] = 0xC0;  // a frame header inside the scan data
  writeFile(path("damaged.jpg"), damaged);
  writeFile(path("notajpeg.jpg"), {'B', 'M', 0, 0, 0, 0});

  SnapshotDecodeAhead ahead(2);
  ahead.start({good(1),
               {path("damaged.jpg"), "C:\\damaged.jpg"},
               {path("missing.jpg"), "C:\\missing.jpg"},
               {path("notajpeg.jpg"), "C:\\notajpeg.jpg"},
               good(2)});

  auto first = ahead.next();
  ASSERT_TRUE(first && first->graphic && !first->error);
  EXPECT_EQ(first->graphic->width(), 16);

  // Damage after a good header: the rows before it, and the error once.
  TPicture picture;
  LoadPictureFile(picture, path("good1.jpg"));
  auto damagedResult = ahead.next();
  ASSERT_TRUE(damagedResult);
  EXPECT_EQ(ErrorText(damagedResult->error), "JPEG error #" + std::to_string(JERR_SOF_DUPLICATE));
  EXPECT_THROW(damagedResult->applyTo(picture), std::exception);
  EXPECT_EQ(picture.width(), 128);
  EXPECT_NO_THROW(picture.prepare());  // reported once, as a load in place would

  // Files that do not load: no graphic, the error names the shown path, and
  // the picture keeps what it had.
  auto missing = ahead.next();
  ASSERT_TRUE(missing);
  EXPECT_FALSE(missing->graphic);
  EXPECT_EQ(ErrorText(missing->error), "Cannot open file C:\\missing.jpg");
  auto notJpeg = ahead.next();
  ASSERT_TRUE(notJpeg);
  EXPECT_EQ(ErrorText(notJpeg->error), "JPEG error #" + std::to_string(JERR_NO_SOI));
  EXPECT_THROW(notJpeg->applyTo(picture), std::exception);
  EXPECT_EQ(picture.width(), 128);

  auto last = ahead.next();
  ASSERT_TRUE(last && !last->error);
  last->applyTo(picture);
  EXPECT_EQ(picture.width(), 32);
  EXPECT_FALSE(ahead.next());
}

TEST_F(DecodeAheadTest, TakeIfCancelAndStartAgain) {
  SnapshotDecodeAhead ahead(1);
  ahead.start({good(1), good(2), good(3)});
  EXPECT_FALSE(ahead.takeIf("C:\\good2.jpg"));  // not next: the list stays
  auto one = ahead.takeIf("C:\\good1.jpg");
  ASSERT_TRUE(one && one->graphic);
  EXPECT_EQ(one->graphic->width(), 16);

  ahead.cancel();
  EXPECT_FALSE(ahead.next());
  EXPECT_FALSE(ahead.takeIf("C:\\good2.jpg"));

  // A new list starts from its own first file, never with a leftover.
  ahead.start({good(3), good(1)});
  auto three = ahead.next();
  ASSERT_TRUE(three && three->graphic);
  EXPECT_EQ(three->graphic->width(), 48);
  // Destroyed with a decode possibly under way: nothing leaks or hangs.
}

}  // namespace
}  // namespace vistrel
