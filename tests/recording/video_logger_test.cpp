// Generator → pins → video logger → AVI file, each file read back with
// ffprobe and decoded with ffmpeg.
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <QFile>
#include <QProcess>
#include <QtEndian>

#include "avi_reader.h"
#include "picture/jpeg_image.h"
#include "platform/media/devices.h"
#include "recording/errors.h"
#include "recording_fixture.h"

namespace vistrel::test {
namespace {

using ExportTest = RecordingFixture;

TEST_F(ExportTest, TenFramesAtFiveFramesPerSecondWithTheStoredCompressor) {
  StartExport("C:\\vistrel.avi", TestPicture(640, 480, 0));
  ASSERT_TRUE(logger->GraphRunning());
  std::vector<QImage> shown;
  for (int i = 0; i < 10; ++i) {
    shown.push_back(TestPicture(640, 480, i));
    ShowFrame(shown.back());
  }
  StopExport();
  EXPECT_FALSE(logger->GraphRunning());

  std::string error;
  const auto facts = probeAvi(HostPath("vistrel.avi"), &error);
  ASSERT_TRUE(facts) << error;
  EXPECT_EQ(facts->frames, 10);
  EXPECT_EQ(facts->frameRate, "5/1");
  EXPECT_NEAR(facts->duration, 2.0, 1e-6);
  EXPECT_EQ(facts->codecTag, "XVID");
  EXPECT_EQ(facts->width, 640);
  EXPECT_EQ(facts->height, 480);
  const std::vector<QImage> decoded = decodeAvi(HostPath("vistrel.avi"), 640, 480);
  ASSERT_EQ(decoded.size(), 10u);
  double lowest = 1000;
  for (std::size_t i = 0; i < decoded.size(); ++i) {
    lowest = std::min(lowest, psnr(decoded[i], shown[i]));
    EXPECT_GE(psnr(decoded[i], shown[i]), 30.0) << "frame " << i;
  }
  RecordProperty("lowest_psnr_db", std::to_string(lowest));
}

// The window records the pictures it shows (RGB); the batch exporter hands
// over each snapshot's own planes. Both give one kind of stream, and both
// keep what the snapshot holds.
TEST_F(ExportTest, ShownPicturesAndSnapshotPlanesGiveOneStreamAndKeepEachPlane) {
  std::vector<std::string> snapshots;
  for (int i = 0; i < 3; ++i) {
    snapshots.push_back(HostPath("snap" + std::to_string(i) + ".jpg"));
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25",
                            "-frames:v", QString::number(i + 1), "-update", "1", "-q:v", "3",
                            QString::fromStdString(snapshots.back())});
    ASSERT_TRUE(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0);
  }
  const auto record = [&](const std::string& name, bool planes) {
    for (std::size_t i = 0; i < snapshots.size(); ++i) {
      QFile file(QString::fromStdString(snapshots[i]));
      EXPECT_TRUE(file.open(QIODevice::ReadOnly));
      const QByteArray bytes = file.readAll();
      auto jpeg = std::make_unique<TJPEGImage>();
      jpeg->loadFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
      if (planes) jpeg->decodeVideoPlanes();
      TPicture picture;
      picture.SetGraphic(std::move(jpeg));
      gen->SetPicture(picture);
      if (i == 0) {
        logger->SetFileName("C:\\" + name);
        logger->SetEnabled(true);
        gen->SetEnabled(true);
      }
      gen->GenerateFrame();
      QCoreApplication::processEvents();
    }
    StopExport();
  };
  record("shown.avi", false);
  record("planes.avi", true);

  const auto shown = probeAvi(HostPath("shown.avi"));
  const auto planes = probeAvi(HostPath("planes.avi"));
  ASSERT_TRUE(shown && planes);
  EXPECT_EQ(planes->codecTag, shown->codecTag);
  EXPECT_EQ(planes->width, shown->width);
  EXPECT_EQ(planes->height, shown->height);
  EXPECT_EQ(planes->frameRate, shown->frameRate);
  EXPECT_EQ(planes->frames, 3);
  EXPECT_EQ(shown->frames, 3);
  const std::vector<std::uint8_t> shownFrames = decodeAviRaw(HostPath("shown.avi"), "yuv420p");
  const std::vector<std::uint8_t> planeFrames = decodeAviRaw(HostPath("planes.avi"), "yuv420p");
  for (std::size_t i = 0; i < snapshots.size(); ++i) {
    const std::vector<std::uint8_t> reference = referenceI420(snapshots[i], 320, 240);
    const std::array<double, 3> own = planePsnr(planeFrames, i, reference, 320, 240);
    EXPECT_GE(own[0], 44.0) << "frame " << i;
    EXPECT_GE(own[1], 40.0) << "frame " << i;
    EXPECT_GE(own[2], 40.0) << "frame " << i;
    // The shown picture went through RGB, where saturated colour clips: its
    // average over the planes, as ffmpeg's psnr filter weighs them.
    const std::array<double, 3> viaRgb = planePsnr(shownFrames, i, reference, 320, 240);
    double mse = 0;
    for (int p = 0; p < 3; ++p) mse += (p == 0 ? 4.0 : 1.0) * std::pow(10.0, -viaRgb[p] / 10);
    EXPECT_GE(-10 * std::log10(mse / 6), 35.0) << "frame " << i;
  }
}

TEST_F(ExportTest, MissingCompressorRecordsTheFramesUncompressedAndExact) {
  StoreCompression(
      StoredCompressions("@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\\gone", "Gone Codec"));
  StartExport("C:\\raw.avi", TestPicture(320, 240, 0));
  std::vector<QImage> shown;
  for (int i = 0; i < 3; ++i) {
    shown.push_back(TestPicture(320, 240, i));
    ShowFrame(shown.back());
  }
  StopExport();
  const auto facts = probeAvi(HostPath("raw.avi"));
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->codecName, "rawvideo");
  EXPECT_EQ(facts->frames, 3);
  const std::vector<QImage> decoded = decodeAvi(HostPath("raw.avi"), 320, 240);
  ASSERT_EQ(decoded.size(), 3u);
  for (std::size_t i = 0; i < decoded.size(); ++i) EXPECT_EQ(decoded[i], shown[i]) << i;
}

// A width that is not a multiple of 4: the frame's rows are padded to 4
// pixels, the sample's to 4 bytes. A wrong stride would skew the picture.
class OddWidthTest : public RecordingFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(OddWidthTest, PictureStaysUprightAndUnskewed) {
  const bool compressed = GetParam();
  StoreCompression(StoredCompressions(), compressed);
  const QImage picture = TestPicture(641, 480, 3);
  StartExport("C:\\odd.avi", picture);
  ShowFrame(picture);
  ShowFrame(picture);
  StopExport();
  const auto facts = probeAvi(HostPath("odd.avi"));
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->width, 641);
  const std::vector<QImage> decoded = decodeAvi(HostPath("odd.avi"), 641, 480);
  ASSERT_EQ(decoded.size(), 2u);
  if (compressed) {
    EXPECT_GE(psnr(decoded[0], picture), 30.0);
  } else {
    EXPECT_EQ(decoded[0], picture.convertToFormat(QImage::Format_RGB888));
  }
  // The red block stays at the top left; green grows downwards.
  EXPECT_GT(qRed(decoded[1].pixel(10, 10)), 180);
  EXPECT_LT(qGreen(decoded[1].pixel(10, 10)), 80);
  EXPECT_GT(qGreen(decoded[1].pixel(10, 470)), 180);
}

INSTANTIATE_TEST_SUITE_P(Modes, OddWidthTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Compressed" : "Raw"; });

TEST_F(ExportTest, FileNameChangeEndsOneFileAndStartsTheNextAtTimeZero) {
  std::vector<QImage> shown;
  for (int i = 0; i < 10; ++i) shown.push_back(TestPicture(320, 240, i));
  StartExport("C:\\first.avi", shown[0]);
  for (int i = 0; i < 5; ++i) ShowFrame(shown[i]);
  logger->SetFileName("C:\\second.avi");
  for (int i = 5; i < 10; ++i) ShowFrame(shown[i]);
  StopExport();

  for (const char* name : {"first.avi", "second.avi"}) {
    const auto facts = probeAvi(HostPath(name));
    ASSERT_TRUE(facts) << name;
    EXPECT_EQ(facts->frames, 5) << name;
    EXPECT_NEAR(facts->duration, 1.0, 1e-6) << name;
    ASSERT_FALSE(facts->packetTimes.empty());
    EXPECT_DOUBLE_EQ(facts->packetTimes.front(), 0.0) << name;
  }
  // The frame that found the new name is the second file's first frame.
  const std::vector<QImage> decoded = decodeAvi(HostPath("second.avi"), 320, 240);
  ASSERT_EQ(decoded.size(), 5u);
  EXPECT_GE(psnr(decoded[0], shown[5]), 30.0);
}

TEST_F(ExportTest, PauseLeavesNoTimeGap) {
  std::vector<QImage> shown;
  for (int i = 0; i < 8; ++i) shown.push_back(TestPicture(320, 240, i));
  StartExport("C:\\pause.avi", shown[0]);
  for (int i = 0; i < 3; ++i) ShowFrame(shown[i]);
  logger->SetEnabled(false);
  for (int i = 3; i < 5; ++i) ShowFrame(shown[i]);  // dropped
  logger->SetEnabled(true);
  // The first frame after the pause waits for the next message turn.
  ShowFrame(shown[5], false);
  EXPECT_EQ(logger->FramesWritten(), 3u);
  QCoreApplication::processEvents();
  EXPECT_EQ(logger->FramesWritten(), 4u);
  for (int i = 6; i < 8; ++i) ShowFrame(shown[i]);
  StopExport();

  const auto facts = probeAvi(HostPath("pause.avi"));
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->frames, 6);
  EXPECT_NEAR(facts->duration, 1.2, 1e-6);
  ASSERT_EQ(facts->packetTimes.size(), 6u);
  for (std::size_t i = 0; i < 6; ++i) EXPECT_NEAR(facts->packetTimes[i], 0.2 * i, 1e-6);
  const std::vector<QImage> decoded = decodeAvi(HostPath("pause.avi"), 320, 240);
  ASSERT_EQ(decoded.size(), 6u);
  EXPECT_GE(psnr(decoded[3], shown[5]), 30.0);
}

TEST_F(ExportTest, StopBeforeAnyFrameLeavesAValidEmptyFile) {
  StartExport("C:\\empty.avi", TestPicture(320, 240, 0));
  StopExport();
  std::string error;
  const auto facts = probeAvi(HostPath("empty.avi"), &error);
  ASSERT_TRUE(facts) << error;
  EXPECT_EQ(facts->frames, 0);
  EXPECT_EQ(facts->width, 320);
  EXPECT_EQ(facts->height, 240);
}

TEST_F(ExportTest, ProgressReportsTheLatestCountOnceAMessageTurnComes) {
  std::vector<std::int64_t> reports;
  logger->SetOnProgress(
      [&](TVLBaseCommonLogger&, std::int64_t frames) { reports.push_back(frames); });
  const QImage picture = TestPicture(160, 120, 1);
  StartExport("C:\\progress.avi", picture);
  for (int i = 0; i < 4; ++i) ShowFrame(picture, false);
  EXPECT_TRUE(reports.empty());
  QCoreApplication::processEvents();
  EXPECT_EQ(reports, std::vector<std::int64_t>{4});
  StopExport();
}

TEST_F(ExportTest, RegisteredGraphIsInTheRunningObjectTableWhileItRuns) {
  StandaloneContext context(*logger);
  logger->readProperty("Graph.Register", true, context);
  StartExport("C:\\registered.avi", TestPicture(160, 120, 0));
  const std::string name = logger->Graph().RegistrationName();
  EXPECT_TRUE(media::isRunning(name));
  logger->Graph().SetRegister(false);  // revoked at once while active
  EXPECT_FALSE(media::isRunning(name));
  logger->Graph().SetRegister(true);
  EXPECT_TRUE(media::isRunning(name));
  StopExport();
  EXPECT_FALSE(media::isRunning(name));
}

TEST_F(ExportTest, AdditionalFiltersJoinTheGraphBeforeItIsBuilt) {
  StandaloneContext context(*logger);
  TDSFilterItem probe;
  probe.SetFilterName("AVI Mux");
  const layout::CollectionItem named{
      layout::makeProperty("Data", layout::Value::List{{probe.DisplayName(), "AVI Mux"}})};
  logger->readProperty("Graph.AdditionalFilters",
                       layout::Value::Collection{{layout::CollectionItem{}, named}}, context);
  std::vector<std::string> filters;
  logger->Graph().SetOnGraphBuilt([&](layout::Component& sender) {
    EXPECT_EQ(&sender, logger.get());
    for (const auto& filter : logger->Graph().FilterGraph()->filters())
      filters.push_back(filter->name());
  });
  StartExport("C:\\extra.avi", TestPicture(160, 120, 0));
  ASSERT_TRUE(logger->GraphRunning());
  EXPECT_NE(std::find(filters.begin(), filters.end(), "AVI Mux(Additional 2)"), filters.end());
  EXPECT_NE(std::find(filters.begin(), filters.end(), "VideoSource"), filters.end());
  EXPECT_NE(std::find(filters.begin(), filters.end(), "VideoCompressor"), filters.end());
  StopExport();
}

// A stop that reaches a disabled logger is dropped: the file stays open
// until a later stop or the logger's end completes it.
class LateStopTest : public RecordingFixture, public ::testing::WithParamInterface<int> {};

TEST_P(LateStopTest, FileIsCompletedByWhatComesNext) {
  StartExport("C:\\late.avi", TestPicture(160, 120, 0));
  for (int i = 0; i < 3; ++i) ShowFrame(TestPicture(160, 120, i));
  if (GetParam() != 0) {
    logger->SetEnabled(false);
    gen->SetEnabled(false);  // the stop is dropped
    EXPECT_TRUE(logger->GraphRunning());
  }
  if (GetParam() == 2) {
    logger->SetEnabled(true);
    gen->OutputPin().Notify(std::make_shared<TOWStopOperation>());
    QCoreApplication::processEvents();
    EXPECT_FALSE(logger->GraphRunning());
  } else {
    logger.reset();
  }
  const auto facts = probeAvi(HostPath("late.avi"));
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->frames, 3);
  EXPECT_NEAR(facts->duration, 0.6, 1e-6);
}

const char* lateStopName(const ::testing::TestParamInfo<int>& info) {
  static const char* const names[] = {"DestroyedWhileRecording", "DisabledStopThenDestroyed",
                                      "DisabledStopThenLaterStop"};
  return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Ends, LateStopTest, ::testing::Values(0, 1, 2), lateStopName);

// Folders that refuse the file. Tests run as root, so permissions refuse
// nothing: a path through a regular file, and a folder standing where the
// file should be, are refused by the system for anyone.
struct RefusedCase {
  const char* label;
  const char* fileName;
  const char* expected;
};

class RefusedFileTest : public RecordingFixture, public ::testing::WithParamInterface<RefusedCase> {
 protected:
  void SetUp() override {
    RecordingFixture::SetUp();
    dir.file("blocker");
    dir.folder("taken.avi");
  }
};

TEST_P(RefusedFileTest, UnhandledReportRaisesTheFormattedError) {
  try {
    StartExport(GetParam().fileName, TestPicture(64, 48, 0));
    FAIL() << "no error";
  } catch (const EDSException& error) {
    EXPECT_STREQ(error.what(), GetParam().expected);
  }
  EXPECT_FALSE(logger->GraphRunning());
  StopExport();
}

TEST_P(RefusedFileTest, HandledReportReleasesEverythingAndFramesWaitBounded) {
  std::vector<std::string> reports;
  logger->Graph().SetOnError(
      [&](layout::Component& sender, const std::string& text, std::int32_t code, bool& handled) {
        EXPECT_EQ(&sender, logger.get());
        reports.push_back(FormatGraphError(text, code));
        handled = true;
      });
  StartExport(GetParam().fileName, TestPicture(64, 48, 0));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], GetParam().expected);
  EXPECT_FALSE(logger->GraphRunning());
  for (int i = 0; i < 5; ++i) ShowFrame(TestPicture(64, 48, i));
  EXPECT_LE(logger->VideoQueueCount(), 1u);
  StopExport();
  EXPECT_EQ(logger->VideoQueueCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, RefusedFileTest,
    ::testing::Values(
        RefusedCase{"ParentIsAFile", "C:\\blocker\\vistrel.avi",
                    "Can't create file : C:\\blocker\\vistrel.avi . - 2147942403 - 80070003"},
        RefusedCase{"FolderInTheWay", "C:\\taken.avi",
                    "Can't create file : C:\\taken.avi . - 2147942405 - 80070005"}),
    [](const auto& info) { return info.param.label; });

TEST_F(ExportTest, FailureOfDeferredWorkReachesTheDeferredErrorHandler) {
  std::vector<std::string> errors;
  TVLBaseCommonLogger::SetDeferredErrorHandler(
      [&](const std::exception& error) { errors.push_back(error.what()); });
  dir.file("blocker");
  StartExport("C:\\good.avi", TestPicture(160, 120, 0));
  for (int i = 0; i < 2; ++i) ShowFrame(TestPicture(160, 120, i));
  logger->SetFileName("C:\\blocker\\next.avi");
  ShowFrame(TestPicture(160, 120, 2));
  TVLBaseCommonLogger::SetDeferredErrorHandler(nullptr);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], "Can't create file : C:\\blocker\\next.avi . - 2147942403 - 80070003");
  EXPECT_FALSE(logger->GraphRunning());
  StopExport();
  const auto facts = probeAvi(HostPath("good.avi"));
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->frames, 2);
}

// A compressor that connects like any other and refuses every frame.
class RefusingCompressor final : public media::BaseFilter {
 public:
  RefusingCompressor() : BaseFilter(media::CLSID_AVICo) {
    input_ = media::makeRef<media::Pin>(this, "Input");
    output_ = media::makeRef<media::Pin>(this, "Output");
  }
  ~RefusingCompressor() override { disconnectAll(); }

 protected:
  media::Status checkInput(const media::MediaType& type) const override {
    return type.subType == media::MEDIASUBTYPE_RGB24 && type.videoInfo
               ? media::S_OK
               : media::VFW_E_TYPE_NOT_ACCEPTED;
  }
  media::Status onReceive(media::MediaSample*) override { return media::E_FAIL; }
  bool outputType(media::MediaType* type) const override {
    if (!input_->isConnected()) return false;
    *type = input_->connectionType();
    const std::uint32_t mjpg = media::makeFourCC('M', 'J', 'P', 'G');
    type->subType = media::Guid::fromFourCC(mjpg);
    type->fixedSizeSamples = false;
    type->videoInfo->header.compression = mjpg;
    return true;
  }
  std::int32_t outputBufferSize() const override { return 1024; }
};

// Frames that cannot be written, on a full disk or refused by the
// compressor: every one is counted as lost, the first is reported once on
// the main thread, and the file is not taken as complete.
class WriteFailureTest : public RecordingFixture, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    RecordingFixture::SetUp();
    device_ =
        media::registerDevice(media::CLSID_VideoCompressorCategory, "refuse", "Refusing Codec",
                              [] { return media::Ref<media::BaseFilter>(new RefusingCompressor); });
    TVLBaseCommonLogger::SetDeferredErrorHandler(
        [this](const std::exception& error) { deferred_.push_back(error.what()); });
  }
  void TearDown() override {
    RecordingFixture::TearDown();
    TVLBaseCommonLogger::SetDeferredErrorHandler(nullptr);
    media::unregisterDevice(device_);
  }
  int device_ = 0;
  std::vector<std::string> deferred_;
};

TEST_P(WriteFailureTest, FramesAreCountedAsLostAndTheFirstIsReportedOnce) {
  const bool fullDisk = GetParam();
  std::vector<std::string> warnings;
  logger->Graph().SetOnWarning([&](layout::Component&, const std::string& text, std::int32_t code) {
    warnings.push_back(FormatGraphError(text, code));
  });
  if (fullDisk) {
    // A device that is always full: creating the file works, writing fails.
    ASSERT_TRUE(QFile::link("/dev/full", QString::fromStdString(HostPath("lost.avi"))));
    StoreCompression(StoredCompressions(), false);
  } else {
    StoreCompression(
        StoredCompressions(media::deviceDisplayName(media::CLSID_VideoCompressorCategory, "refuse"),
                           "Refusing Codec"));
  }
  StartExport("C:\\lost.avi", TestPicture(320, 240, 0));
  for (int i = 0; i < 3; ++i) ShowFrame(TestPicture(320, 240, i));
  // The recorder's thread writes the frames; the stop waits for all of them,
  // so what became of them is known once it returns.
  if (fullDisk) {
    try {
      gen->SetEnabled(false);
      FAIL() << "the incomplete file was not reported";
    } catch (const EDSException& error) {
      EXPECT_EQ(std::string(error.what()),
                FormatGraphError("Can't complete file : C:\\lost.avi .", media::STATUS_DISK_FULL));
    }
  }
  StopExport();
  EXPECT_FALSE(logger->GraphRunning());
  ASSERT_EQ(warnings.size(), 3u);
  EXPECT_EQ(warnings[0].rfind("Can't write video frame to file : C:\\lost.avi . - ", 0), 0u)
      << warnings[0];
  EXPECT_EQ(deferred_, std::vector<std::string>{warnings[0]});
  const TVLBaseCommonLogger::RecordingOutcome outcome = logger->LastRecording();
  EXPECT_EQ(outcome.fileName, "C:\\lost.avi");
  EXPECT_EQ(outcome.framesWritten, 0u);
  EXPECT_EQ(outcome.framesLost, 3u);
  EXPECT_EQ(outcome.failure, warnings[0]);
  if (fullDisk) {
    // The file and the system's own words, for the incomplete-file report.
    EXPECT_NE(outcome.reason.find(HostPath("lost.avi")), std::string::npos) << outcome.reason;
    EXPECT_NE(outcome.reason.find("No space left on device"), std::string::npos) << outcome.reason;
  }
}

INSTANTIATE_TEST_SUITE_P(Causes, WriteFailureTest, ::testing::Values(false, true),
                         [](const auto& info) {
                           return std::string(info.param ? "FullDisk" : "RefusingCompressor");
                         });

// A video side beyond what the chosen compressor's format takes is refused
// when the recording starts, before any file exists, naming that limit; a
// format with a higher limit records it.
TEST_F(ExportTest, VideoSizeBeyondTheCompressorsFormatIsRefusedAtTheStart) {
  struct Row {
    const char* code;
    const char* friendlyName;
    bool compressed;
    const char* refusal;  // nullptr: recorded
  };
  const Row rows[] = {
      {"xvid", "XviD MPEG-4 Codec", true,
       "Can't record video of 8192 x 16 pixels with XviD MPEG-4 Codec (at most 8191 x 8191). - "
       "2147942487 - 80070057"},
      {"xvid", "XviD MPEG-4 Codec", false,
       "Can't record video of 8192 x 16 pixels (at most 8191 x 8191). - 2147942487 - 80070057"},
      {"mjpg", "Motion JPEG Codec", true, nullptr},
  };
  for (const Row& row : rows) {
    const std::string name = std::string(row.code) + (row.compressed ? "" : "-raw") + ".avi";
    SCOPED_TRACE(name);
    StoreCompression(
        StoredCompressions(media::deviceDisplayName(media::CLSID_VideoCompressorCategory, row.code),
                           row.friendlyName),
        row.compressed);
    try {
      StartExport("C:\\" + name, TestPicture(8192, 16, 0));
      ShowFrame(TestPicture(8192, 16, 0));
      EXPECT_EQ(row.refusal, nullptr) << "no error";
    } catch (const EDSException& error) {
      ASSERT_NE(row.refusal, nullptr) << error.what();
      EXPECT_STREQ(error.what(), row.refusal);
    }
    StopExport();
    if (row.refusal != nullptr) {
      EXPECT_FALSE(logger->GraphRunning());
      EXPECT_FALSE(std::filesystem::exists(dir.path() / name));
    } else {
      const auto facts = probeAvi(HostPath(name));
      ASSERT_TRUE(facts);
      EXPECT_EQ(facts->codecTag, "MJPG");
      EXPECT_EQ(facts->width, 8192);
      EXPECT_EQ(facts->frames, 1);
    }
  }
}

// Pictures of another size than the first are scaled to the video's size,
// as the viewer shows them stretched, not cut or padded.
TEST_F(ExportTest, FramesOfOtherSizesAreScaledToTheVideo) {
  StoreCompression(StoredCompressions(), false);  // exact pixels: only the scaling differs
  StartExport("C:\\mixed.avi", TestPicture(320, 240, 0));
  const QImage shown[] = {TestPicture(320, 240, 0), TestPicture(640, 480, 1),
                          TestPicture(160, 120, 2), TestPicture(400, 200, 3)};
  for (const QImage& picture : shown) ShowFrame(picture);
  StopExport();
  const std::vector<QImage> decoded = decodeAvi(HostPath("mixed.avi"), 320, 240);
  ASSERT_EQ(decoded.size(), std::size(shown));
  for (std::size_t i = 0; i < decoded.size(); ++i) {
    const QImage expected =
        shown[i].scaled(320, 240, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_GE(psnr(decoded[i], expected), 30.0) << "frame " << i;
  }
}

// A recording whose process ends without completing the file (_exit, or
// killed): ffprobe reads the file as it is, with every frame the recorder
// had written. The child is this test program, running ChildRecording.
TEST_F(ExportTest, InterruptedRecordingKeepsEveryFrameWritten) {
  constexpr int kFrames = 8;
  for (const char* mode : {"exit", "kill"}) {
    SCOPED_TRACE(mode);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VISTREL_RECORDING_CHILD", mode);
    environment.insert("VISTREL_RECORDING_DIR", QString::fromStdString(dir.path().string()));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=ExportTest.ChildRecording"});
    ASSERT_TRUE(child.waitForStarted(-1));
    int written = 0;
    while (written < kFrames && child.waitForReadyRead(60000)) {
      while (child.canReadLine()) {
        const QByteArray line = child.readLine().trimmed();
        if (line.startsWith("written ")) written = line.mid(8).toInt();
      }
    }
    ASSERT_GE(written, kFrames);
    if (std::string(mode) == "kill") child.kill();
    ASSERT_TRUE(child.waitForFinished(60000));
    std::string error;
    const auto facts = probeAvi(HostPath(std::string(mode) + ".avi"), &error);
    ASSERT_TRUE(facts) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(facts->codecTag, "XVID");
    EXPECT_GE(facts->frames, kFrames);
    if (std::string(mode) == "exit") {
      // The header's sizes and counts were kept up to date: a valid AVI
      // that only lacks its index.
      EXPECT_EQ(facts->frames, kFrames);
      EXPECT_EQ(facts->headerFrames, kFrames);
      QFile file(QString::fromStdString(HostPath("exit.avi")));
      ASSERT_TRUE(file.open(QIODevice::ReadOnly));
      const QByteArray riff = file.read(8);
      ASSERT_EQ(riff.size(), 8);
      EXPECT_EQ(qFromLittleEndian<quint32>(riff.constData() + 4), file.size() - 8);
    }
  }
}

TEST_F(ExportTest, ChildRecording) {
  const char* mode = std::getenv("VISTREL_RECORDING_CHILD");
  if (!mode) GTEST_SKIP() << "the child of InterruptedRecordingKeepsEveryFrameWritten";
  platform::Drive drive;
  drive.letter = 'C';
  drive.hostRoot = std::getenv("VISTREL_RECORDING_DIR");
  platform::FileSystem::install(
      std::make_unique<platform::FileSystem>(std::vector<platform::Drive>{drive}, "C:\\"));
  StartExport("C:\\" + std::string(mode) + ".avi", TestPicture(320, 240, 0));
  for (int frame = 1;; ++frame) {
    ShowFrame(TestPicture(320, 240, frame));
    // A crash loses what the recorder's thread has not written yet: the
    // count printed is taken once it has written every frame handed over.
    logger->WaitForWrites();
    std::printf("written %d\n", static_cast<int>(logger->LastRecording().framesWritten));
    std::fflush(stdout);
    if (frame == 8 && std::string(mode) == "exit") _exit(0);
    if (frame >= 8) usleep(20000);  // until the parent kills it
  }
}

TEST_F(ExportTest, StartWithoutPictureSizeStartsNothing) {
  TestOperationSource source;
  gen->OutputPin().Disconnect(&logger->InputPin());
  source.outputPin->Connect(&logger->InputPin());
  logger->SetFileName("C:\\nothing.avi");
  logger->SetEnabled(true);
  for (auto [width, height] : {std::pair{0, 480}, std::pair{640, 0}}) {
    source.outputPin->Notify(std::make_shared<TOWStartFrameOperation>(width, height, 2000000, 0));
    source.outputPin->SendData(std::make_shared<TVLImageBuffer>(8, 8));
    QCoreApplication::processEvents();
    EXPECT_FALSE(logger->GraphRunning());
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "nothing.avi"));
}

TEST_F(ExportTest, EmptyFileNameCreatesNoFile) {
  StartExport("", TestPicture(64, 48, 0));
  ShowFrame(TestPicture(64, 48, 0));
  EXPECT_FALSE(logger->GraphRunning());
  EXPECT_LE(logger->VideoQueueCount(), 1u);
  StopExport();
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace vistrel::test
