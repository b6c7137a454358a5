// Video export from the main window: the check box switches recording on and
// off around a running slide show, RateFPS sets the video's rate, and a
// snapshot the generator cannot take halts the show. Videos are read back
// with ffprobe and decoded with ffmpeg against the snapshots shown.

#include <signal.h>
#include <sys/mount.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>

#include <QAccessible>
#include <QDateTime>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTest>

#include "app/command_line.h"
#include "app/termination_signals.h"
#include "app/widgets/check_box.h"
#include "app/widgets/image.h"
#include "app/widgets/list_box.h"
#include "app/widgets/panel.h"
#include "app/widgets/spin_edit.h"
#include "app/widgets/timer.h"
#include "avi_reader.h"
#include "browse/directory_list_box.h"
#include "controls/colors.h"
#include "picture/jpeg_image.h"
#include "pipeline/image_gen.h"
#include "platform/file_system.h"
#include "recording/video_logger.h"
#include "viewer_fixture.h"

namespace vistrel::app::testing {
namespace {

constexpr const char* kHour = "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07";
constexpr const char* kProgramFolder = "C:\\Program Files\\Vistrel\\";

class VideoExportTest : public ViewerTest {
 protected:
  // `count` 640 x 480 street-like scenes in the hour folder, a block moving
  // from one to the next.
  void writeSnapshots(int count) {
    const auto folder = tree_.folder(std::string(kRecordsHost) + "/2026-12-06/07");
    for (int i = 0; i < count; ++i) {
      QImage image(640, 480, QImage::Format_RGB32);
      QPainter painter(&image);
      painter.fillRect(image.rect(), QColor(90, 120, 160));
      painter.fillRect(0, 300, 640, 180, QColor(70, 70, 70));
      for (int x = 0; x < 640; x += 80) painter.fillRect(x + 20, 380, 40, 8, Qt::white);
      painter.fillRect(40 + i * 50, 320, 120, 50, QColor(200, 40, 40));
      painter.end();
      snapshots_.push_back(folder / ("snap" + std::to_string(i) + ".jpg"));
      ASSERT_TRUE(image.save(QString::fromStdString(snapshots_.back().string()), "JPG", 90));
    }
  }
  // Starts the window with the program in C:\Program Files\Vistrel, so the
  // videos land in the test's tree, and opens the hour folder.
  void startInHour() {
    startViewer();
    const auto program = tree_.path() / "c/Program Files/Vistrel/vistrel-preview";
    std::ofstream(program) << "x";
    platform::FileSystem::instance().setExecutablePath(program);
    ASSERT_EQ(platform::FileSystem::instance().programFolder(), kProgramFolder);
    form_->DirectoryListBox1->SetCurrentDirectory(kHour);
    // Only ticks() drive the show: a period of the real timer elapsing
    // between two steps of a slow run (a sanitizer build) would add a frame.
    form_->SlideShowTimer->setInterval(24 * 60 * 60 * 1000);
  }
  void clickExportBox() { QTest::mouseClick(form_->CheckBox1, Qt::LeftButton); }
  void ticks(int count) {
    for (int i = 0; i < count; ++i) form_->SlideShowTimer->fire();
  }
  std::filesystem::path hostVideo(const std::string& name) const {
    return tree_.path() / "c/Program Files/Vistrel" / name;
  }
  std::vector<std::string> savedVideos() const {
    std::vector<std::string> names;
    for (int i = 0; i < form_->ListBox2->itemCount(); ++i) {
      names.push_back(form_->ListBox2->itemText(i));
    }
    return names;
  }
  // The video holds the snapshots `first`... at `rate` frames per second.
  void expectVideo(const std::string& name, int first, int frames, int rate) {
    const std::string file = hostVideo(name).string();
    std::string error;
    const auto facts = test::probeAvi(file, &error);
    ASSERT_TRUE(facts) << error;
    EXPECT_EQ(facts->codecTag, "XVID");
    EXPECT_EQ(facts->width, 640);
    EXPECT_EQ(facts->height, 480);
    EXPECT_EQ(facts->frames, frames);
    EXPECT_EQ(facts->frameRate, std::to_string(rate) + "/1");
    EXPECT_NEAR(facts->duration, double(frames) / rate, 0.01);
    const std::vector<QImage> decoded = test::decodeAvi(file, 640, 480);
    ASSERT_EQ(decoded.size(), std::size_t(frames));
    for (int i = 0; i < frames; ++i) {
      const QImage source(QString::fromStdString(snapshots_.at(first + i).string()));
      EXPECT_GE(test::psnr(decoded[i], source.convertToFormat(QImage::Format_RGB888)), 30.0)
          << name << " frame " << i;
    }
  }

  std::vector<std::filesystem::path> snapshots_;
};

TEST_F(VideoExportTest, RecordingsFollowTheShowAndAreListedWhenSwitchedOff) {
  writeSnapshots(6);
  startInHour();
  form_->RateFPS->setValue(12);
  EXPECT_EQ(form_->VLImageGen1->FrameRate(), 12);

  clickExportBox();
  EXPECT_TRUE(form_->CheckBox1->checked());
  EXPECT_EQ(form_->CheckBox1->fontColor(), controls::clRed);
  EXPECT_EQ(form_->VLDSVideoLogger1->FileName(), std::string(kProgramFolder) + "vistrel.avi");
  EXPECT_TRUE(form_->VLImageGen1->Enabled());
  QTest::mouseClick(form_->SlideShow, Qt::LeftButton);
  ticks(4);
  EXPECT_TRUE(form_->SlideShowTimer->running());  // re-enabled after every frame
  clickExportBox();
  EXPECT_FALSE(form_->CheckBox1->checked());
  EXPECT_EQ(form_->CheckBox1->fontColor(), controls::clWhite);
  EXPECT_FALSE(form_->VLImageGen1->Enabled());
  EXPECT_FALSE(form_->VLDSVideoLogger1->Enabled());
  ASSERT_EQ(dialogs_->messages,
            std::vector<std::string>{".AVI file saved to:\r\n\r\n"
                                     "C:\\Program Files\\Vistrel\\vistrel.avi"});
  EXPECT_EQ(savedVideos(), std::vector<std::string>{"vistrel.avi"});
  expectVideo("vistrel.avi", 0, 4, 12);

  // The plain name exists now: the next recording gets a time-stamped one.
  form_->RateFPS->setValue(3);
  clickExportBox();
  const std::string second = form_->VLDSVideoLogger1->FileName();
  EXPECT_TRUE(std::regex_match(second, std::regex(R"(C:\\Program Files\\Vistrel\\vistrel-)"
                                                  R"(20\d{6}-[0-2]\d[0-5]\d[0-5]\d\.avi)")))
      << second;
  ticks(2);
  clickExportBox();
  ASSERT_EQ(dialogs_->messages.size(), 2u);
  EXPECT_EQ(dialogs_->messages[1], ".AVI file saved to:\r\n\r\n" + second);
  const std::string secondName = second.substr(std::string(kProgramFolder).size());
  EXPECT_EQ(savedVideos(), (std::vector<std::string>{secondName, "vistrel.avi"}));
  expectVideo(secondName, 4, 2, 3);
  EXPECT_TRUE(dialogs_->errors.empty());
}

// The video keeps each snapshot's own colour samples, not the shown RGB
// converted back: with export on from the show's start (the first snapshot
// not decoded ahead yet) and switched on mid-show (snapshots decoded ahead
// for the screen only). The window still shows libjpeg's RGB decode.
TEST_F(VideoExportTest, VideoKeepsTheSnapshotsPlanesWhileTheWindowShowsTheirRgb) {
  const auto folder = tree_.folder(std::string(kRecordsHost) + "/2026-12-06/07");
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc2=size=640x480:rate=25",
                          "-frames:v", "7", "-q:v", "3", "-start_number", "0",
                          QString::fromStdString((folder / "snap%d.jpg").string())});
  ASSERT_TRUE(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
  for (int i = 0; i < 7; ++i) snapshots_.push_back(folder / ("snap" + std::to_string(i) + ".jpg"));
  startInHour();
  const auto expectShown = [&](int index) {
    std::ifstream file(snapshots_.at(index), std::ios::binary);
    TJPEGImage own;
    own.loadFromBytes({std::istreambuf_iterator<char>(file), {}});
    auto* shown = dynamic_cast<TJPEGImage*>(form_->Image1->picture().Graphic());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->bitmap(), own.bitmap()) << "snapshot " << index;
  };
  const auto expectPlanes = [&](const std::string& name, int first, int frames) {
    const std::vector<std::uint8_t> video = test::decodeAviRaw(hostVideo(name).string(), "yuv420p");
    ASSERT_EQ(video.size(), std::size_t(frames) * 640 * 480 * 3 / 2);
    for (int i = 0; i < frames; ++i) {
      const std::array<double, 3> planes = test::planePsnr(
          video, i, test::referenceI420(snapshots_.at(first + i).string(), 640, 480), 640, 480);
      // Averaged as ffmpeg's psnr filter weighs the planes; through RGB the
      // saturated colours clip and it stays near 38 dB.
      double mse = 0;
      for (int p = 0; p < 3; ++p) mse += (p == 0 ? 4.0 : 1.0) * std::pow(10.0, -planes[p] / 10);
      EXPECT_GE(-10 * std::log10(mse / 6), 44.0) << name << " frame " << i;
    }
  };

  clickExportBox();
  QTest::mouseClick(form_->SlideShow, Qt::LeftButton);
  for (int i = 0; i < 3; ++i) {
    ticks(1);
    expectShown(i);
  }
  clickExportBox();
  expectPlanes("vistrel.avi", 0, 3);

  ticks(1);  // shown without export: the ones after it are decoded for the screen only
  expectShown(3);
  clickExportBox();
  const std::string second = form_->VLDSVideoLogger1->FileName();
  for (int i = 4; i < 7; ++i) {
    ticks(1);
    expectShown(i);
  }
  clickExportBox();
  EXPECT_TRUE(dialogs_->errors.empty());
  expectPlanes(second.substr(std::string(kProgramFolder).size()), 4, 3);
}

// --stamp: the recorded frames carry each snapshot's time on a dark box in
// the bottom-left corner; the picture the window shows stays the snapshot.
TEST_F(VideoExportTest, StampSwitchPutsTheTimeIntoTheVideoButNotOnTheScreen) {
  writeSnapshots(3);
  startInHour();
  form_->setStampedExport(parseCommandLine({"--stamp"}).stamp);
  clickExportBox();
  QTest::mouseClick(form_->SlideShow, Qt::LeftButton);
  ticks(3);
  clickExportBox();
  ASSERT_TRUE(dialogs_->errors.empty());
  {
    std::ifstream file(snapshots_.back(), std::ios::binary);
    TJPEGImage own;
    own.loadFromBytes({std::istreambuf_iterator<char>(file), {}});
    auto* shown = dynamic_cast<TJPEGImage*>(form_->Image1->picture().Graphic());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->bitmap(), own.bitmap());
  }
  const std::vector<std::uint8_t> video =
      test::decodeAviRaw(hostVideo("vistrel.avi").string(), "yuv420p");
  ASSERT_EQ(video.size(), 3u * 640 * 480 * 3 / 2);
  for (int frame = 0; frame < 3; ++frame) {
    const std::uint8_t* luma = video.data() + std::size_t(frame) * 640 * 480 * 3 / 2;
    // The scene's darkest is the road (luma about 76): dark rows are the box.
    int boxRows = 0;
    int firstRow = -1;
    int light = 0;
    for (int y = 0; y < 480; ++y) {
      int dark = 0;
      for (int x = 0; x < 320; ++x) dark += luma[y * 640 + x] < 48;
      if (dark < 80) continue;
      ++boxRows;
      if (firstRow < 0) firstRow = y;
      for (int x = 0; x < 320; ++x) light += luma[y * 640 + x] > 180;
    }
    EXPECT_GE(firstRow, 400) << "frame " << frame;
    EXPECT_GE(boxRows, 24) << "frame " << frame;  // a twentieth of 480 rows and more
    EXPECT_LE(boxRows, 48) << "frame " << frame;
    EXPECT_GE(light, 200) << "frame " << frame;
  }
}

TEST_F(VideoExportTest, FailedSwitchOnIsReportedAndLeavesExportOff) {
  writeSnapshots(2);
  startInHour();
  // No snapshot of the list can give the video its size: the first one's error.
  std::filesystem::remove(tree_.path() / kRecordsHost / "2026-12-06/07/snap0.jpg");
  std::filesystem::remove(tree_.path() / kRecordsHost / "2026-12-06/07/snap1.jpg");
  clickExportBox();
  EXPECT_EQ(dialogs_->errors,
            std::vector<std::string>{"Cannot open file " + std::string(kHour) + "\\snap0.jpg"});
  EXPECT_FALSE(form_->CheckBox1->checked());
  EXPECT_EQ(form_->CheckBox1->fontColor(), controls::clWhite);
  EXPECT_FALSE(form_->VLDSVideoLogger1->Enabled());
  EXPECT_FALSE(form_->VLImageGen1->Enabled());
  EXPECT_TRUE(dialogs_->messages.empty());
}

TEST_F(VideoExportTest, EmptySnapshotListLeavesExportOff) {
  startViewer();  // the records root holds no snapshots
  clickExportBox();
  EXPECT_FALSE(form_->CheckBox1->checked());
  EXPECT_EQ(form_->CheckBox1->fontColor(), controls::clWhite);
  EXPECT_FALSE(form_->VLDSVideoLogger1->Enabled());
  EXPECT_FALSE(form_->VLImageGen1->Enabled());
  EXPECT_TRUE(dialogs_->messages.empty());
  EXPECT_TRUE(dialogs_->errors.empty());
}

TEST_F(VideoExportTest, SnapshotGoneBeforeTheGeneratorTakesItHaltsTheShowOnce) {
  writeSnapshots(1);  // one entry: the position bar does not move, nothing reloads it
  startInHour();
  clickExportBox();
  QTest::mouseClick(form_->SlideShow, Qt::LeftButton);
  // The snapshot vanishes right after the picture showed it.
  const auto snapshot = tree_.path() / kRecordsHost / "2026-12-06/07/snap0.jpg";
  form_->Image1->picture().setOnChange([&] {
    std::filesystem::remove(snapshot);
    form_->Image1->update();
  });
  ticks(3);  // the timer is off after the failing tick: the others do nothing
  EXPECT_EQ(dialogs_->errors,
            std::vector<std::string>{"Cannot open file " + std::string(kHour) + "\\snap0.jpg"});
  EXPECT_EQ(caption(), "P A U S E");
  EXPECT_FALSE(form_->SlideShowTimer->enabled());
  EXPECT_EQ(form_->slideCounter(), 1);
  EXPECT_TRUE(form_->CheckBox1->checked());  // export stays on for a resumed show
}

TEST_F(VideoExportTest, SwitchOnsWithinOneSecondNeverReplaceAVideo) {
  writeSnapshots(8);
  startInHour();
  form_->setClock([] { return QDateTime(QDate(2026, 12, 6), QTime(20, 15, 30)); });
  const std::string names[] = {"vistrel.avi", "vistrel-20261206-201530.avi",
                               "vistrel-20261206-201530-2.avi"};
  QTest::mouseClick(form_->SlideShow, Qt::LeftButton);
  for (int i = 0; i < 3; ++i) {
    clickExportBox();
    EXPECT_EQ(form_->VLDSVideoLogger1->FileName(), kProgramFolder + names[i]);
    ticks(i + 1);
    clickExportBox();
  }
  EXPECT_TRUE(dialogs_->errors.empty());
  for (int i = 0; i < 3; ++i) {
    const auto facts = test::probeAvi(hostVideo(names[i]).string());
    ASSERT_TRUE(facts) << names[i];
    EXPECT_EQ(facts->frames, i + 1) << names[i];
  }
}

// A full disk: the first frame that cannot be written halts the show with
// one error box; resuming adds no box; switching off reports the loss
// instead of "saved". The disk is a tiny tmpfs, so the test needs root.
TEST_F(VideoExportTest, FrameThatCannotBeWrittenHaltsTheShowAndTheVideoIsNotSaid) {
  writeSnapshots(4);
  startInHour();
  const auto videos = tree_.folder("c/Videos");
  if (mount("tmpfs", videos.c_str(), "tmpfs", 0, "size=8k") != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here";
  struct Unmount {
    std::filesystem::path path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{videos};
  std::ofstream(videos / "filler") << std::string(4096, 'x');  // leaves less than a header
  std::ofstream(videos / "vistrel-preview") << "";
  platform::FileSystem::instance().setExecutablePath(videos / "vistrel-preview");

  clickExportBox();
  ASSERT_TRUE(form_->CheckBox1->checked());
  QTest::mouseClick(form_->SlideShow, Qt::LeftButton);
  ticks(1);
  QCoreApplication::processEvents();
  // One box: the failure, and what is on disk now that the export went off
  // with it.
  ASSERT_EQ(dialogs_->errors.size(), 1u) << ::testing::PrintToString(dialogs_->errors);
  const std::string& report = dialogs_->errors[0];
  EXPECT_EQ(report.rfind("Can't write video frame to file : C:\\Videos\\vistrel.avi . - ", 0), 0u)
      << report;
  EXPECT_NE(report.find(".AVI file is incomplete:\r\n\r\nC:\\Videos\\vistrel.avi\r\n\r\n"
                        "0 frames written, 1 frames lost."),
            std::string::npos)
      << report;
  EXPECT_FALSE(form_->SlideShowTimer->enabled());
  EXPECT_EQ(caption(), "P A U S E");
  EXPECT_FALSE(form_->CheckBox1->checked());
  EXPECT_EQ(form_->CheckBox1->fontColor(), controls::clWhite);
  EXPECT_TRUE(dialogs_->messages.empty());

  // The show goes on, and no frame reaches the failed recording any more.
  QTest::mouseClick(form_->SlideShow, Qt::LeftButton);  // pause
  QTest::mouseClick(form_->SlideShow, Qt::LeftButton);  // run again
  ticks(2);
  QCoreApplication::processEvents();
  EXPECT_EQ(form_->slideCounter(), 3);
  EXPECT_EQ(dialogs_->errors.size(), 1u);
  EXPECT_EQ(form_->VLDSVideoLogger1->LastRecording().framesLost, 1u);
  EXPECT_TRUE(dialogs_->messages.empty());
}

// Only a left click that toggles the box switches the export; any other
// release leaves it as it is and reports nothing.
TEST_F(VideoExportTest, OnlyALeftClickThatTogglesTheBoxSwitchesTheExport) {
  writeSnapshots(3);
  startInHour();
  QTest::mouseClick(form_->CheckBox1, Qt::RightButton);
  QTest::mouseClick(form_->CheckBox1, Qt::MiddleButton);
  EXPECT_FALSE(form_->CheckBox1->checked());
  EXPECT_TRUE(dialogs_->messages.empty());
  EXPECT_FALSE(std::filesystem::exists(hostVideo("vistrel.avi")));

  // During a recording a right click neither moves it to a new file nor ends it.
  clickExportBox();
  QTest::mouseClick(form_->SlideShow, Qt::LeftButton);
  ticks(1);
  QTest::mouseClick(form_->CheckBox1, Qt::RightButton);
  ticks(1);
  clickExportBox();
  EXPECT_EQ(dialogs_->messages.size(), 1u);
  EXPECT_EQ(savedVideos(), std::vector<std::string>{"vistrel.avi"});
  expectVideo("vistrel.avi", 0, 2, 5);
  EXPECT_TRUE(dialogs_->errors.empty()) << ::testing::PrintToString(dialogs_->errors);
}

// The space bar on the focused box and a screen reader's toggle switch the
// export as a left click does, and the box reads checked only while a
// recording runs. A recording without a frame leaves no file and is not
// called saved.
TEST_F(VideoExportTest, SpaceBarAndAccessibleToggleSwitchTheExportAsAClickDoes) {
  writeSnapshots(3);
  startInHour();
  form_->CheckBox1->setFocus();
  QTest::keyClick(form_->CheckBox1, Qt::Key_Space);
  EXPECT_TRUE(form_->CheckBox1->checked());
  EXPECT_EQ(form_->CheckBox1->fontColor(), controls::clRed);
  EXPECT_TRUE(form_->VLDSVideoLogger1->Enabled());
  EXPECT_TRUE(std::filesystem::exists(hostVideo("vistrel.avi")));
  QTest::keyClick(form_->CheckBox1, Qt::Key_Space);  // off before any tick
  EXPECT_FALSE(form_->CheckBox1->checked());
  EXPECT_EQ(form_->CheckBox1->fontColor(), controls::clWhite);
  EXPECT_FALSE(form_->VLDSVideoLogger1->Enabled());
  ASSERT_EQ(dialogs_->messages,
            std::vector<std::string>{"Nothing was recorded; no video was saved:\r\n\r\n"
                                     "C:\\Program Files\\Vistrel\\vistrel.avi"});
  EXPECT_FALSE(std::filesystem::exists(hostVideo("vistrel.avi")));
  EXPECT_TRUE(savedVideos().empty());

  QAccessibleInterface* box = QAccessible::queryAccessibleInterface(form_->CheckBox1);
  ASSERT_NE(box, nullptr);
  ASSERT_NE(box->actionInterface(), nullptr);
  const QString toggle = QAccessibleActionInterface::toggleAction();
  ASSERT_TRUE(box->actionInterface()->actionNames().contains(toggle));
  box->actionInterface()->doAction(toggle);
  EXPECT_TRUE(box->state().checked);
  EXPECT_TRUE(form_->VLDSVideoLogger1->Enabled());
  QTest::mouseClick(form_->SlideShow, Qt::LeftButton);
  ticks(2);
  box->actionInterface()->doAction(toggle);
  EXPECT_FALSE(box->state().checked);
  EXPECT_FALSE(form_->VLDSVideoLogger1->Enabled());
  ASSERT_EQ(dialogs_->messages.size(), 2u);
  EXPECT_EQ(dialogs_->messages[1],
            ".AVI file saved to:\r\n\r\nC:\\Program Files\\Vistrel\\vistrel.avi");
  expectVideo("vistrel.avi", 0, 2, 5);
  EXPECT_TRUE(dialogs_->errors.empty()) << ::testing::PrintToString(dialogs_->errors);
}

// A snapshot whose scan data is cut is shown as far as it goes, but left out
// of the video, and the message at the end names it.
TEST_F(VideoExportTest, SnapshotWithCutScanDataIsShownButLeftOutOfTheVideo) {
  writeSnapshots(4);
  const std::filesystem::path cut = snapshots_[1];
  std::filesystem::resize_file(cut, std::filesystem::file_size(cut) * 6 / 10);
  snapshots_.erase(snapshots_.begin() + 1);
  startInHour();
  clickExportBox();
  QTest::mouseClick(form_->SlideShow, Qt::LeftButton);
  ticks(2);
  EXPECT_EQ(form_->ListBox1->itemIndex(), 1);
  EXPECT_EQ(form_->Image1->picture().width(), 640);  // the cut snapshot, on screen
  ticks(2);
  clickExportBox();
  ASSERT_EQ(
      dialogs_->messages,
      std::vector<std::string>{".AVI file saved to:\r\n\r\n"
                               "C:\\Program Files\\Vistrel\\vistrel.avi\r\n\r\n"
                               "Left out of the video, damaged:\r\n" +
                               std::string(kHour) + "\\snap1.jpg (Premature end of JPEG file)"});
  expectVideo("vistrel.avi", 0, 3, 5);
  EXPECT_TRUE(dialogs_->errors.empty()) << ::testing::PrintToString(dialogs_->errors);
}

TEST_F(VideoExportTest, TerminationSignalClosesTheWindowAndCompletesTheRecording) {
  writeSnapshots(3);
  startInHour();
  closeWindowsOnTerminationSignals();
  clickExportBox();
  QTest::mouseClick(form_->SlideShow, Qt::LeftButton);
  ticks(2);
  ASSERT_TRUE(form_->isVisible());
  raise(SIGTERM);
  for (int i = 0; i < 100 && form_->isVisible(); ++i) QTest::qWait(10);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ::signal(signal, SIG_DFL);
  EXPECT_FALSE(form_->isVisible());
  form_.reset();  // as the end of the program does once its window closed
  expectVideo("vistrel.avi", 0, 2, 5);
}

}  // namespace
}  // namespace vistrel::app::testing
