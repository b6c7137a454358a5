// The main window's own export components, as its stored layout makes them:
// snapshots handed to the generator one at a time come out of the logger as
// an MPEG-4 AVI file that ffmpeg reads back at the stored export settings.

#include <filesystem>

#include <QImage>
#include <QPainter>

#include "app/controls/spin_edit.h"
#include "avi_reader.h"
#include "picture/picture.h"
#include "pipeline/image_gen.h"
#include "platform/file_system.h"
#include "recording/ds_video_logger.h"
#include "viewer_fixture.h"

namespace vistrel::app::testing {
namespace {

// A 640 x 480 street-like scene with a moving block, saved as a snapshot.
std::filesystem::path writeScene(const std::filesystem::path& path, int step) {
  std::filesystem::create_directories(path.parent_path());
  QImage image(640, 480, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.fillRect(image.rect(), QColor(90, 120, 160));
  painter.fillRect(0, 300, 640, 180, QColor(70, 70, 70));
  for (int x = 0; x < 640; x += 80) painter.fillRect(x + 20, 380, 40, 8, Qt::white);
  painter.fillRect(40 + step * 50, 320, 120, 50, QColor(200, 40, 40));
  painter.setPen(Qt::yellow);
  painter.drawEllipse(QPoint(520, 90), 40, 40);
  painter.end();
  EXPECT_TRUE(image.save(QString::fromStdString(path.string()), "JPG", 90));
  return path;
}

class ExportComponentsTest : public ViewerTest {};

TEST_F(ExportComponentsTest, StoredSettingsRecordSnapshotsIntoAGoodXvidFile) {
  std::vector<std::filesystem::path> snapshots;
  for (int i = 0; i < 10; ++i) {
    snapshots.push_back(writeScene(tree_.path() / "c/Program Files/Vistrel/Records/2026-12-06/07" /
                                       ("snap" + std::to_string(i) + ".jpg"),
                                   i));
  }
  startViewer();
  TVLImageGen& generator = *form_->VLImageGen1;
  TVLDSVideoLogger& logger = *form_->VLDSVideoLogger1;
  ASSERT_EQ(generator.FrameRate(), 5);  // RateFPS as stored

  // Switching export on: the first snapshot gives the stream its frame size.
  LoadPictureFile(generator.Picture(), snapshots[0].string());
  logger.SetFileName("C:\\export.avi");
  logger.SetEnabled(true);
  generator.SetEnabled(true);
  for (const auto& snapshot : snapshots) {
    LoadPictureFile(generator.Picture(), snapshot.string());
    generator.GenerateFrame();
  }
  // The order the viewer uses: a stop that reaches a disabled logger is dropped.
  generator.SetEnabled(false);
  logger.SetEnabled(false);

  const std::string file = (tree_.path() / "c/export.avi").string();
  std::string error;
  const auto facts = test::ProbeAvi(file, &error);
  ASSERT_TRUE(facts) << error;
  EXPECT_EQ(facts->codecTag, "XVID");
  EXPECT_EQ(facts->width, 640);
  EXPECT_EQ(facts->height, 480);
  EXPECT_EQ(facts->frameRate, "5/1");
  EXPECT_EQ(facts->frames, 10);
  EXPECT_NEAR(facts->duration, 2.0, 0.01);

  const std::vector<QImage> frames = test::DecodeAvi(file, 640, 480);
  ASSERT_EQ(frames.size(), snapshots.size());
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const QImage source = QImage(QString::fromStdString(snapshots[i].string()))
                              .convertToFormat(QImage::Format_RGB888);
    EXPECT_GE(test::Psnr(frames[i], source), 30.0) << "frame " << i;
  }
}

}  // namespace
}  // namespace vistrel::app::testing
