// Export of a range of snapshots as the timeline asks for it: the settings
// box driven by keys, the export on its worker beside a running show,
// Cancel and a window closed mid-way, the contact sheet. Videos are read
// back with ffprobe and ffmpeg.

#include "app/range_export.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QProgressDialog>
#include <QTest>

#include "app/widgets/list_box.h"
#include "app/widgets/panel.h"
#include "app/widgets/spin_edit.h"
#include "app/widgets/timer.h"
#include "avi_reader.h"
#include "browse/directory_list_box.h"
#include "exporting/snapshot_events.h"
#include "platform/file_system.h"
#include "snapshot_scenes.h"
#include "viewer_fixture.h"

namespace vistrel::app::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDay = "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\";
constexpr const char* kProgramFolder = "C:\\Program Files\\Vistrel\\";
constexpr int kExportWaitMs = 120000;

// The top-level widget whose accessible name is `name`, shown; nullptr when none.
QWidget* shownWindow(const QString& name) {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->isVisible() && widget->accessibleName() == name) return widget;
  return nullptr;
}

// The mean absolute difference of the grey levels of `a` and `b` in `box`.
double meanDifference(const QImage& a, const QImage& b, const QRect& box) {
  double sum = 0;
  for (int y = box.top(); y <= box.bottom(); ++y)
    for (int x = box.left(); x <= box.right(); ++x)
      sum += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
  return sum / (box.width() * box.height());
}

class RangeExportTest : public ViewerTest {
 protected:
  // The program in C:\Program Files\Vistrel, so that exports land in the
  // test's tree.
  void start() {
    startViewer();
    const fs::path program = tree_.path() / "c/Program Files/Vistrel/vistrel-preview";
    std::ofstream(program) << "x";
    platform::FileSystem::instance().setExecutablePath(program);
    ASSERT_EQ(platform::FileSystem::instance().programFolder(), kProgramFolder);
  }

  // A `width` x `height` snapshot `hhmmss` of the day: a grey street, a red
  // block moving along it.
  void writeSnapshot(const std::string& hhmmss, int index, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(150, 160, 170));
    painter.fillRect(0, height * 2 / 3, width, height / 3, QColor(110, 110, 110));
    painter.fillRect(10 + index * width / 20, height / 2, width / 6, height / 8,
                     QColor(200, 40, 40));
    painter.end();
    const fs::path file =
        tree_.folder(std::string(kRecordsHost) + "/2026-12-06/" + hhmmss.substr(0, 2)) /
        (hhmmss + ".jpg");
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()), "JPG", 90));
    hosts_.push_back(file);
    snapshots_.push_back(kDay + hhmmss.substr(0, 2) + "\\" + hhmmss + ".jpg");
  }

  // Four snapshots at the end of 07 and four at the start of 08; the last of
  // 07 has its scan data cut short.
  void writeTwoHours() {
    const char* names[] = {"075956", "075957", "075958", "075959",
                           "080000", "080001", "080002", "080003"};
    for (int i = 0; i < 8; ++i) writeSnapshot(names[i], i, 320, 240);
    fs::resize_file(hosts_[3], fs::file_size(hosts_[3]) * 2 / 3);
  }

  // `count` larger snapshots from 09:00:00 on, slow enough to export to
  // be stopped part way.
  void writeLongRange(int count) {
    for (int i = 0; i < count; ++i) {
      char name[8];
      std::snprintf(name, sizeof name, "09%02d%02d", i / 60, i % 60);
      writeSnapshot(name, i % 20, 1280, 720);
    }
  }

  // Presses `keys` in the settings box, which must be up.
  void answerSettings(const std::vector<Qt::Key>& keys) {
    QWidget* box = nullptr;
    QTRY_VERIFY((box = shownWindow(QStringLiteral("Export range"))) != nullptr);
    box->activateWindow();
    for (const Qt::Key key : keys)
      QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, key);
  }

  // Waits for the closing message (or error) of an export.
  std::string closingMessage() {
    [&] {
      QTRY_VERIFY_WITH_TIMEOUT(!dialogs_->messages.empty() || !dialogs_->errors.empty(),
                               kExportWaitMs);
    }();
    const std::string text =
        dialogs_->messages.empty() ? dialogs_->errors.back() : dialogs_->messages.back();
    dialogs_->messages.clear();
    dialogs_->errors.clear();
    return text;
  }

  QProgressDialog* progressBox() {
    return qobject_cast<QProgressDialog*>(shownWindow(QStringLiteral("Export progress")));
  }

  fs::path programHost(const std::string& name) const {
    return tree_.path() / "c/Program Files/Vistrel" / name;
  }

  std::vector<std::string> savedVideos() const {
    std::vector<std::string> names;
    for (int i = 0; i < form_->ListBox2->itemCount(); ++i)
      names.push_back(form_->ListBox2->itemText(i));
    return names;
  }

  std::vector<fs::path> hosts_;
  std::vector<std::string> snapshots_;
};

TEST_F(RangeExportTest, VideoOfTwoHoursTakesTheBoxSettingsByKeys) {
  start();
  writeTwoHours();

  // Escape: nothing is written.
  exportSnapshotRange(*form_, snapshots_, RangeOutput::Video, nullptr);
  answerSettings({Qt::Key_Escape});
  QTest::qWait(200);
  EXPECT_TRUE(dialogs_->messages.empty() && dialogs_->errors.empty());
  EXPECT_FALSE(fs::exists(programHost("vistrel.avi")));

  // Return: AVI, stamped, every snapshot but the damaged one, at the
  // window's video rate.
  form_->RateFPS->setValue(10);
  exportSnapshotRange(*form_, snapshots_, RangeOutput::Video, nullptr);
  answerSettings({Qt::Key_Return});
  std::string message = closingMessage();
  const fs::path avi = programHost("vistrel.avi");
  EXPECT_NE(message.find(avi.string()), std::string::npos) << message;
  EXPECT_NE(message.find(std::string(kProgramFolder) + "vistrel.avi"), std::string::npos)
      << message;
  EXPECT_NE(message.find("7 frames written, 1 snapshots skipped"), std::string::npos) << message;
  EXPECT_NE(message.find("skipped " + snapshots_[3] + ": premature end of file"), std::string::npos)
      << message;
  std::string error;
  auto facts = test::probeAvi(avi.string(), &error);
  ASSERT_TRUE(facts) << error;
  EXPECT_EQ(facts->codecTag, "XVID");
  EXPECT_EQ(facts->frameRate, "10/1");
  EXPECT_EQ(facts->frames, 7);
  std::vector<QImage> frames = test::decodeAvi(avi.string(), 320, 240);
  ASSERT_EQ(frames.size(), 7U);
  const QImage first =
      QImage(QString::fromStdString(hosts_[0].string())).convertToFormat(QImage::Format_RGB888);
  const QRect corner(2, 240 - 14, 60, 10);
  const QRect middle(100, 20, 100, 60);
  EXPECT_GT(meanDifference(frames[0], first, corner), 20.0);
  EXPECT_LT(meanDifference(frames[0], first, middle), 4.0);
  EXPECT_EQ(savedVideos(), std::vector<std::string>{"vistrel.avi"});

  // Keys only: Down picks MP4, Tab and Space switch the stamp off.
  exportSnapshotRange(*form_, snapshots_, RangeOutput::Video, nullptr);
  answerSettings({Qt::Key_Down, Qt::Key_Tab, Qt::Key_Space, Qt::Key_Return});
  message = closingMessage();
  EXPECT_NE(message.find("7 frames written"), std::string::npos) << message;
  const std::size_t mp4End = message.find(".mp4");
  ASSERT_NE(mp4End, std::string::npos) << message;
  const std::size_t mp4Start = message.rfind('/', mp4End);
  const fs::path mp4 = programHost(message.substr(mp4Start + 1, mp4End + 4 - mp4Start - 1));
  facts = test::probeAvi(mp4.string(), &error);
  ASSERT_TRUE(facts) << error;
  EXPECT_EQ(facts->codecName, "h264");
  EXPECT_EQ(facts->frames, 7);
  frames = test::decodeAvi(mp4.string(), 320, 240);
  ASSERT_EQ(frames.size(), 7U);
  EXPECT_LT(meanDifference(frames[0], first, corner), 6.0);
}

TEST_F(RangeExportTest, CancelKeepsTheFramesSoFarWhileTheShowGoesOn) {
  start();
  writeLongRange(80);
  // A show in the listed hour, ticking by its own timer meanwhile.
  form_->DirectoryListBox1->SetCurrentDirectory(std::string(kDay) + "09");
  form_->SlideShowTimer->setInterval(20);
  QTest::mouseClick(form_->SlideShow, Qt::LeftButton);
  ASSERT_TRUE(form_->SlideShowTimer->enabled());

  exportSnapshotRange(*form_, snapshots_, RangeOutput::Video, nullptr);
  answerSettings({Qt::Key_Return});
  QProgressDialog* progress = nullptr;
  QTRY_VERIFY((progress = progressBox()) != nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(progress->value() >= 1, kExportWaitMs);
  const int counter = form_->slideCounter();
  QTRY_VERIFY(form_->slideCounter() != counter);  // the show ticks beside the export
  QTest::keyClick(progress, Qt::Key_Escape);

  const std::string message = closingMessage();
  EXPECT_NE(message.find("Cancelled"), std::string::npos) << message;
  std::smatch match;
  ASSERT_TRUE(std::regex_search(message, match, std::regex(R"((\d+) frames written)"))) << message;
  const int written = std::stoi(match[1]);
  EXPECT_GT(written, 0);
  EXPECT_LT(written, 80);
  std::string error;
  const auto facts = test::probeAvi(programHost("vistrel.avi").string(), &error);
  ASSERT_TRUE(facts) << error;
  EXPECT_EQ(facts->frames, written);
}

TEST_F(RangeExportTest, AnotherArchiveOrClosingTheWindowEndsTheExport) {
  start();
  writeLongRange(80);
  // Another archive opened (which remaps the drives) ends it as Cancel does.
  exportSnapshotRange(*form_, snapshots_, RangeOutput::Video, nullptr);
  answerSettings({Qt::Key_Return});
  QProgressDialog* progress = nullptr;
  QTRY_VERIFY((progress = progressBox()) != nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(progress->value() >= 2, kExportWaitMs);
  cancelRangeExports(*form_);
  const std::string message = closingMessage();
  EXPECT_NE(message.find("Cancelled"), std::string::npos) << message;
  EXPECT_TRUE(fs::exists(programHost("vistrel.avi")));

  exportSnapshotRange(*form_, snapshots_, RangeOutput::Video, nullptr);
  answerSettings({Qt::Key_Return});
  QTRY_VERIFY((progress = progressBox()) != nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(progress->value() >= 2, kExportWaitMs);
  form_.reset();
  fs::path second;
  for (const auto& entry : fs::directory_iterator(programHost("")))
    if (entry.path().extension() == ".avi" && entry.path().filename() != "vistrel.avi")
      second = entry.path();
  std::string error;
  const auto facts = test::probeAvi(second.string(), &error);
  ASSERT_TRUE(facts) << error;
  EXPECT_GT(facts->frames, 0);
  EXPECT_LT(facts->frames, 80);
}

TEST_F(RangeExportTest, OnlyWhatMovedTakesTheEventsAndTheirContext) {
  start();
  test::SceneScript script;
  script.width = 320;
  script.height = 240;
  script.figureFirst = 14;
  script.figureLast = 19;
  const std::vector<std::string> names =
      test::writeSceneSet(tree_.folder(std::string(kRecordsHost) + "/2026-12-06/10"), script, 30);
  for (const std::string& name : names) snapshots_.push_back(std::string(kDay) + "10\\" + name);
  const std::size_t expected =
      exporter::selectMotion(snapshots_, activity::EventOptions{}, exporter::kMotionContext)
          .snapshots.size();
  ASSERT_GT(expected, 0U);
  ASSERT_LT(expected, 30U);

  exportSnapshotRange(*form_, snapshots_, RangeOutput::Video, nullptr);
  answerSettings({Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Space, Qt::Key_Return});
  const std::string message = closingMessage();
  EXPECT_NE(message.find(std::to_string(expected) + " frames written, 0 snapshots skipped, " +
                         std::to_string(30 - expected) + " left out without activity"),
            std::string::npos)
      << message;
  std::string error;
  const auto facts = test::probeAvi(programHost("vistrel.avi").string(), &error);
  ASSERT_TRUE(facts) << error;
  EXPECT_EQ(facts->frames, int(expected));
}

TEST_F(RangeExportTest, ContactSheetOfTheRange) {
  start();
  writeTwoHours();
  exportSnapshotRange(*form_, snapshots_, RangeOutput::ContactSheet, nullptr);
  const std::string message = closingMessage();
  const fs::path sheet = programHost("vistrel.jpg");
  EXPECT_NE(message.find(sheet.string()), std::string::npos) << message;
  EXPECT_NE(message.find("8 snapshots"), std::string::npos) << message;
  EXPECT_NE(message.find("skipped " + snapshots_[3]), std::string::npos) << message;
  const QImage image(QString::fromStdString(sheet.string()));
  ASSERT_FALSE(image.isNull());
  EXPECT_GE(image.width(), 8 * 160);
}

}  // namespace
}  // namespace vistrel::app::testing
