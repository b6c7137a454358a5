// vistrel-export as a user runs it: the real program in a child process, on
// a temporary drive C, its videos read back with ffprobe and ffmpeg.

#include <signal.h>
#include <sys/mount.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>

#include "avi_reader.h"
#include "exporting/contact_sheet.h"
#include "platform/file_system.h"
#include "snapshot_scenes.h"
#include "temp_folder.h"
#include "tools/export/output_file.h"
#include "tools/export/progress_line.h"

namespace vistrel::exporter {
namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  int status = -1;
  std::string out;
  std::string err;
};

class BatchExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = temp_.path();
    records_ = root_ / "c/Program Files/Vistrel/Records";
    fs::create_directories(root_ / "home");
  }

  // A 320 x 240 snapshot whose content changes with `step`.
  fs::path snapshot(const fs::path& relative, int step, int width = 320, int height = 240) {
    const fs::path path = records_ / relative;
    fs::create_directories(path.parent_path());
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(40, 80 + step % 100, 160));
    QPainter painter(&image);
    painter.fillRect((step * 13) % (width - 60), height / 3, 60, 40, QColor(220, 60, 40));
    painter.end();
    EXPECT_TRUE(image.save(QString::fromStdString(path.string()), "JPG", 85));
    return path;
  }

  // Frame `step` of ffmpeg's colour test pattern as a JPEG snapshot whose
  // colour is stored as `pixelFormat` says (yuvj420p, yuvj422p, yuvj444p,
  // gray), encoded by ffmpeg as a camera would.
  fs::path patternSnapshot(const fs::path& relative, int step, const char* pixelFormat,
                           int width = 192, int height = 144) {
    const fs::path path = records_ / relative;
    fs::create_directories(path.parent_path());
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-f", "lavfi", "-i",
                            QString("testsrc2=size=%1x%2:rate=25").arg(width).arg(height),
                            "-frames:v", QString::number(step + 1), "-update", "1", "-pix_fmt",
                            pixelFormat, "-q:v", "3", QString::fromStdString(path.string())});
    EXPECT_TRUE(ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0)
        << ffmpeg.readAllStandardError().toStdString();
    return path;
  }

  // Y, U and V of each frame of `video` (width x height) against its
  // snapshot as ffmpeg makes it video-range 4:2:0, in dB.
  std::vector<std::array<double, 3>> framePsnr(const QString& video,
                                               const std::vector<fs::path>& snapshots,
                                               int width = 192, int height = 144) {
    const std::vector<std::uint8_t> frames = test::decodeAviRaw(video.toStdString(), "yuv420p");
    std::vector<std::array<double, 3>> result;
    for (std::size_t i = 0; i < snapshots.size(); ++i)
      result.push_back(test::planePsnr(
          frames, i, test::referenceI420(snapshots[i].string(), width, height), width, height));
    return result;
  }

  QProcessEnvironment environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", QString::fromStdString((root_ / "home").string()));
    env.insert("XDG_DATA_HOME", QString::fromStdString((root_ / "home/data").string()));
    env.insert("XDG_CACHE_HOME", QString::fromStdString((root_ / "home/cache").string()));
    env.remove("VISTREL_DRIVE_C");
    env.remove("WINEPREFIX");
    return env;
  }

  QStringList withDriveC(QStringList arguments) const {
    arguments.prepend(QString::fromStdString("C:=" + (root_ / "c").string()));
    arguments.prepend("--drive");
    return arguments;
  }

  ProgramRun run(const char* program, const QStringList& arguments,
                 const fs::path& workingFolder = {}) const {
    QProcess process;
    process.setProcessEnvironment(environment());
    if (!workingFolder.empty())
      process.setWorkingDirectory(QString::fromStdString(workingFolder.string()));
    process.start(program, arguments);
    ProgramRun result;
    if (!process.waitForFinished(300000)) return result;
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
  }

  ProgramRun exportVideo(const QStringList& arguments, const fs::path& workingFolder = {}) const {
    return run(VISTREL_EXPORT_PROGRAM, withDriveC(arguments), workingFolder);
  }

  QString out(const char* name) const { return QString::fromStdString((root_ / name).string()); }

  std::vector<std::string> filesIn(const fs::path& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    return names;
  }

  vistrel::test::TempFolder temp_;
  fs::path root_;
  fs::path records_;
};

TEST_F(BatchExportTest, RangeAcrossDatesPassesOverMissingHoursWithTheWindowsStreamSettings) {
  for (int i = 0; i < 3; ++i) snapshot("2026-12-06/07/snap" + std::to_string(i) + ".jpg", i);
  for (int i = 0; i < 2; ++i) snapshot("2026-12-06/09/snap" + std::to_string(i) + ".jpg", 10 + i);
  snapshot("2026-12-06/06/before.jpg", 20);  // before the range
  snapshot("2026-12-07/00/midnight.jpg", 30);
  snapshot("2026-12-07/13/after.jpg", 40);  // after the range
  const fs::path readOnly = snapshot("2026-12-06/09/zzz.jpg", 50);
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);  // not listed

  const ProgramRun result =
      exportVideo({"--from", "2026-12-06 07", "--to", "2026-12-07 12", "-o", out("range.avi")});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("6 frames written, 0 snapshots skipped"), std::string::npos)
      << result.out;
  EXPECT_EQ(result.err.find('\r'), std::string::npos);  // no terminal: plain lines

  std::string error;
  const auto facts = test::probeAvi(out("range.avi").toStdString(), &error);
  ASSERT_TRUE(facts) << error;
  // What the window's export writes: MPEG-4 tagged XVID, the snapshots' size,
  // the stored rate of 5 frames per second.
  EXPECT_EQ(facts->codecTag, "XVID");
  EXPECT_EQ(facts->width, 320);
  EXPECT_EQ(facts->height, 240);
  EXPECT_EQ(facts->frameRate, "5/1");
  EXPECT_EQ(facts->frames, 6);
  EXPECT_EQ(filesIn(root_).size(), 3u);  // c, home, range.avi and nothing half-written

  // The records root, or a folder above it up to the drive root, takes every
  // date, as the viewer's FOLDER does: all 8 readable snapshots.
  for (const QString& source :
       {QString::fromStdString(records_.string()), QString::fromStdString((root_ / "c").string()),
        QStringLiteral("C:\\Program Files\\Vistrel")}) {
    fs::remove(root_ / "all.avi");
    const ProgramRun all = exportVideo({source, "-o", out("all.avi")});
    ASSERT_EQ(all.status, 0) << source.toStdString() << ": " << all.err;
    EXPECT_NE(all.out.find("8 frames written"), std::string::npos) << all.out;
  }
}

TEST_F(BatchExportTest, DamagedSnapshotsAreSkippedListedAndLeftOut) {
  snapshot("2026-12-06/07/a.jpg", 1);
  std::ofstream(records_ / "2026-12-06/07/b.jpg").close();  // empty
  const fs::path good = snapshot("2026-12-06/07/c.jpg", 3);
  snapshot("2026-12-06/07/d.jpg", 4);
  {  // a scan header naming more components than the frame has
    std::ifstream in(good, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const std::size_t scan = bytes.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    bytes[scan + 4] = 7;
    std::ofstream(good, std::ios::binary | std::ios::trunc) << bytes;
  }
  const ProgramRun result =
      exportVideo({"C:\\Program Files\\Vistrel\\Records\\2026-12-06", "-o", out("damaged.avi")});
  ASSERT_EQ(result.status, 1) << result.err;
  // The loader's message in words, each snapshot named as its source was:
  // a Windows path, an absolute or a relative host path.
  for (const char* line :
       {"skipped C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07\\b.jpg: empty file\n",
        "skipped C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07\\c.jpg: damaged JPEG data: "
        "bogus marker length\n"})
    EXPECT_NE(result.out.find(line), std::string::npos) << line << " in\n" << result.out;
  EXPECT_NE(result.out.find("2 frames written, 2 snapshots skipped"), std::string::npos);
  const auto facts = test::probeAvi(out("damaged.avi").toStdString());
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->frames, 2);

  const std::string absolute = (records_ / "2026-12-06").string();
  const ProgramRun hostPaths =
      exportVideo({QString::fromStdString(absolute), "-o", out("absolute.avi")});
  EXPECT_NE(hostPaths.out.find("skipped " + absolute + "/07/b.jpg: empty file\n"),
            std::string::npos)
      << hostPaths.out;
  const ProgramRun relative = exportVideo({"2026-12-06/07/", "-o", out("relative.avi")}, records_);
  EXPECT_NE(relative.out.find("skipped 2026-12-06/07/c.jpg: damaged JPEG data: "),
            std::string::npos)
      << relative.out;
  // A relative host folder whose name only looks like a drive ("1:" is none).
  fs::create_directories(records_ / "1:x");
  fs::copy_file(records_ / "2026-12-06/07/a.jpg", records_ / "1:x/a.jpg");
  std::ofstream(records_ / "1:x/b.jpg").close();
  const ProgramRun oddName = exportVideo({"1:x", "-o", out("odd.avi")}, records_);
  EXPECT_NE(oddName.out.find("skipped 1:x/b.jpg: empty file\n"), std::string::npos) << oddName.out;
}

TEST_F(BatchExportTest, UsageErrorsNameTheProblem) {
  snapshot("2026-12-06/07/a.jpg", 1);
  fs::create_directories(records_ / "2026-12-08/07");  // an hour without snapshots
  struct Row {
    QStringList arguments;
    const char* message;
  };
  const Row rows[] = {
      {{"C:\\Program Files\\Vistrel\\Records\\2026-12-09"}, "No such folder"},
      {{QString::fromStdString((records_ / "nowhere").string())}, "No such folder"},
      {{"--from", "2026-12-08 00", "--to", "2026-12-08 23"}, "Nothing to export"},
      {{"--from", "2026-12-06 09", "--to", "2026-12-06 07"}, "ends before it starts"},
      {{"--from", "yesterday", "--to", "2026-12-06 07"}, "is not a date and hour"},
      {{"--from", "2026-12-06 07"}, "--to"},
      {{}, "Nothing to export"},
      {{"--rate", "31", "C:\\"}, "--rate"},
      {{"--codec", "vp9", "C:\\"}, "--codec"},
      {{"--drive", "C:=/tmp", "C:\\"}, "Drive C: is given twice"},
  };
  for (const Row& row : rows) {
    const ProgramRun result = exportVideo(row.arguments);
    EXPECT_EQ(result.status, 2) << row.arguments.join(' ').toStdString() << "\n" << result.err;
    EXPECT_NE(result.err.find(row.message), std::string::npos) << row.message << " in\n"
                                                               << result.err;
  }
  EXPECT_EQ(filesIn(root_).size(), 2u);  // c and home: nothing written
}

TEST_F(BatchExportTest, CommandLineRefusalsNameTheOptionAsTypedAndTheChoices) {
  snapshot("2026-12-06/07/a.jpg", 1);
  const fs::path work = root_ / "work";
  fs::create_directories(work);
  struct Row {
    QStringList arguments;
    const char* message;
  };
  const QString hour = "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07";
  const Row rows[] = {
      {{"--ouput", "F", "--from", "2026-12-06 07", "--to", "2026-12-06 07"},
       "unknown option --ouput; did you mean --output?"},
      {{"--codec", "h246", hour}, "--codec h246: choose xvid, mjpeg or h264 (did you mean h264?)"},
      {{"--codec", "2", hour}, "--codec 2: choose xvid, mjpeg or h264\n"},
      {{"--codec", "mjpeg", "-o", "x.mp4", hour}, "--codec mjpeg writes AVI, but --output x.mp4"},
      {{"--codec", "h264", "-o", "x.avi", hour}, "--codec h264 writes MP4, but --output x.avi"},
      {{"-o", "x.mkv", hour}, "--output x.mkv: Matroska is not written"},
      {{"-o", "x", hour}, "--output x: name the file .avi (xvid, mjpeg) or .mp4 (h264)"},
      {{"-o", "-", hour}, "--output -: a video cannot be written to standard output"},
      {{"--events", "--threshold", "0", hour}, "--threshold 0: give a share of the picture"},
      {{"--motion", "--threshold", "1e", hour}, "--threshold 1e: give a share"},
      {{"--motion", "--min-gap", "2.5", hour}, "--min-gap 2.5: give a whole number"},
      {{"--motion", "--context", "-1", hour}, "--context -1: give a whole number"},
      {{"--threshold", "0.01", hour},
       "--threshold applies to --events, --motion and --contact-sheet only"},
      {{"--events", "-o", "x.avi", hour}, "--output excludes --events"},
      {{"--contact-sheet", "s.gif", hour}, "--contact-sheet s.gif: name the picture .jpg or .png"},
      {{"--contact-sheet", "s.jpg", "--columns", "0", hour},
       "--columns 0: give a whole number from 1 to 100"},
      {{"--contact-sheet", "s.png", "--tile-width", "1e3", hour}, "--tile-width 1e3: give"},
      {{"--columns", "4", hour}, "--columns requires --contact-sheet"},
      {{"--contact-sheet", "s.jpg", "--motion", hour}, "--motion excludes --contact-sheet"},
      {{"--contact-sheet", "s.jpg", "--stamp", hour}, "--stamp excludes --contact-sheet"},
  };
  for (const Row& row : rows) {
    const ProgramRun result = exportVideo(row.arguments, work);
    EXPECT_EQ(result.status, 2) << row.arguments.join(' ').toStdString() << "\n" << result.err;
    EXPECT_NE(result.err.find(row.message), std::string::npos) << row.message << " in\n"
                                                               << result.err;
  }
  EXPECT_TRUE(fs::is_empty(work));

  // Off a terminal the help fits 80 columns and lists the codecs by name.
  const ProgramRun help = run(VISTREL_EXPORT_PROGRAM, {"--help"});
  std::istringstream lines(help.out);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
  EXPECT_NE(help.out.find("--codec xvid|mjpeg|h264"), std::string::npos) << help.out;
  EXPECT_EQ(help.out.find("->"), std::string::npos) << help.out;
}

TEST_F(BatchExportTest, WithoutOutputTheVideoGoesIntoTheCurrentFolderAndMp4MeansH264) {
  snapshot("2026-12-06/07/a.jpg", 1);
  snapshot("2026-12-06/07/b.jpg", 2);
  const fs::path work = root_ / "work";
  fs::create_directories(work);
  std::ofstream(work / "vistrel.avi") << "keep";
  const QString hour = "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07";
  const ProgramRun first = exportVideo({hour}, work);
  ASSERT_EQ(first.status, 0) << first.err;
  const ProgramRun second = exportVideo({hour}, work);
  ASSERT_EQ(second.status, 0) << second.err;
  // Two new names beside the kept file, each one's path printed by its run.
  std::vector<std::string> names = filesIn(work);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(fs::file_size(work / "vistrel.avi"), 4u);
  names.erase(std::find(names.begin(), names.end(), "vistrel.avi"));
  for (const std::string& name : names) {
    EXPECT_TRUE(std::regex_match(name, std::regex(R"(vistrel-\d{8}-\d{6}(-2)?\.avi)"))) << name;
    const std::string printed = ": " + (work / name).string() + " (";
    EXPECT_TRUE(first.out.find(printed) != std::string::npos ||
                second.out.find(printed) != std::string::npos)
        << printed;
    const auto facts = test::probeAvi((work / name).string());
    ASSERT_TRUE(facts) << name;
    EXPECT_EQ(facts->frames, 2);
  }

  // An MP4 without --codec holds H.264, which browsers play.
  const ProgramRun mp4 = exportVideo({hour, "-o", "web.mp4"}, work);
  ASSERT_EQ(mp4.status, 0) << mp4.err;
  const auto web = test::probeAvi((work / "web.mp4").string());
  ASSERT_TRUE(web);
  EXPECT_EQ(web->codecName, "h264");
}

TEST_F(BatchExportTest, FfmpegsLogIsSilentUnderQuietAndOursWithVerbose) {
  for (int i = 0; i < 3; ++i) snapshot("2026-12-06/07/s" + std::to_string(i) + ".jpg", i);
  const QString hour = "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07";
  const ProgramRun quiet = exportVideo({"--quiet", "--codec", "h264", "-o", out("q.mp4"), hour});
  ASSERT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(quiet.err, "");
  const ProgramRun plain = exportVideo({"--codec", "h264", "-o", out("p.mp4"), hour});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.err.find("libx264"), std::string::npos) << plain.err;  // notes, no warnings
  const ProgramRun verbose = exportVideo({"-v", "--codec", "h264", "-o", out("v.mp4"), hour});
  ASSERT_EQ(verbose.status, 0) << verbose.err;
  EXPECT_NE(verbose.err.find("\nvistrel-export: libx264: "), std::string::npos) << verbose.err;
}

TEST_F(BatchExportTest, AnUnwritableOutputFolderIsReportedAndLeavesNothing) {
  snapshot("2026-12-06/07/a.jpg", 1);
  std::ofstream(root_ / "plain-file").close();
  for (const std::string& target :
       {(root_ / "plain-file/out.avi").string(), (root_ / "missing/out.avi").string(),
        std::string("/proc/out.avi")}) {
    const ProgramRun result = exportVideo({"C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07",
                                           "-o", QString::fromStdString(target)});
    EXPECT_EQ(result.status, 3) << target << "\n" << result.err;
    EXPECT_NE(result.err.find("could not be written"), std::string::npos) << result.err;
  }
  EXPECT_EQ(filesIn(root_).size(), 3u);  // c, home, plain-file
  // An existing file is never replaced.
  std::ofstream(root_ / "taken.avi") << "keep";
  const ProgramRun taken =
      exportVideo({"C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07", "-o", out("taken.avi")});
  EXPECT_EQ(taken.status, 2) << taken.err;
  EXPECT_EQ(fs::file_size(root_ / "taken.avi"), 4u);
}

TEST_F(BatchExportTest, MjpegGivesAnAviAndH264AnMp4ThatPlaysFromItsStart) {
  for (int i = 0; i < 12; ++i) snapshot("2026-12-06/07/s" + std::to_string(10 + i) + ".jpg", i);
  const ProgramRun result =
      exportVideo({"--codec", "h264", "--rate", "10", "-o", out("web.mp4"),
                   QString::fromStdString((records_ / "2026-12-06/07").string())});
  ASSERT_EQ(result.status, 0) << result.err;
  std::string error;
  const auto facts = test::probeAvi(out("web.mp4").toStdString(), &error);
  ASSERT_TRUE(facts) << error;
  EXPECT_EQ(facts->codecName, "h264");
  EXPECT_EQ(facts->frameRate, "10/1");
  EXPECT_EQ(facts->frames, 12);
  const std::vector<QImage> frames = test::decodeAvi(out("web.mp4").toStdString(), 320, 240);
  ASSERT_EQ(frames.size(), 12u);
  const QImage first = QImage(QString::fromStdString((records_ / "2026-12-06/07/s10.jpg").string()))
                           .convertToFormat(QImage::Format_RGB888);
  EXPECT_GE(test::psnr(frames[0], first), 30.0);
  // The index comes before the media data, so a player can start at once.
  QFile file(out("web.mp4"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  ASSERT_GE(bytes.indexOf("moov"), 0);
  EXPECT_LT(bytes.indexOf("moov"), bytes.indexOf("mdat"));

  const ProgramRun mjpeg = exportVideo({"--codec", "mjpeg", "-o", out("motion.avi"),
                                        "C:\\Program Files\\Vistrel\\Records\\2026-12-06"});
  ASSERT_EQ(mjpeg.status, 0) << mjpeg.err;
  const auto motion = test::probeAvi(out("motion.avi").toStdString(), &error);
  ASSERT_TRUE(motion) << error;
  EXPECT_EQ(motion->codecTag, "MJPG");
  EXPECT_EQ(motion->frames, 12);
}

// Far below what each codec keeps at the stored quantiser, far above what a
// plane in another's place, an unconverted range or shifted colour leave.
TEST_F(BatchExportTest, EveryCodecKeepsEachPlaneOfTheSnapshots) {
  std::vector<fs::path> snapshots;
  for (int i = 0; i < 4; ++i)
    snapshots.push_back(
        patternSnapshot("2026-12-06/07/s" + std::to_string(10 + i) + ".jpg", i, "yuvj420p"));
  const QString hour = QString::fromStdString((records_ / "2026-12-06/07").string());
  struct Case {
    const char* codec;
    const char* file;
    double luma, colour;
  };
  for (const Case& c : {Case{"xvid", "x.avi", 44, 40}, Case{"mjpeg", "m.avi", 50, 45},
                        Case{"h264", "h.mp4", 40, 38}}) {
    SCOPED_TRACE(c.codec);
    const ProgramRun result = exportVideo({"--codec", c.codec, "-o", out(c.file), hour});
    ASSERT_EQ(result.status, 0) << result.err;
    for (const std::array<double, 3>& frame : framePsnr(out(c.file), snapshots)) {
      EXPECT_GE(frame[0], c.luma);
      EXPECT_GE(frame[1], c.colour);
      EXPECT_GE(frame[2], c.colour);
    }
  }
}

TEST_F(BatchExportTest, ColourLayoutsGreyAndOtherSizesMixInOneExport) {
  const std::vector<fs::path> snapshots = {
      patternSnapshot("2026-12-06/07/a.jpg", 0, "yuvj420p"),  // gives the video its size
      patternSnapshot("2026-12-06/07/b.jpg", 1, "yuvj422p"),
      patternSnapshot("2026-12-06/07/c.jpg", 2, "yuvj444p"),
      patternSnapshot("2026-12-06/07/d.jpg", 3, "gray"),
      patternSnapshot("2026-12-06/07/e.jpg", 4, "yuvj420p", 320, 240),
  };
  const ProgramRun result = exportVideo(
      {"-o", out("mixed.avi"), QString::fromStdString((records_ / "2026-12-06/07").string())});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("5 frames written, 0 snapshots skipped"), std::string::npos);
  const auto facts = test::probeAvi(out("mixed.avi").toStdString());
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->width, 192);
  EXPECT_EQ(facts->height, 144);
  const std::vector<std::array<double, 3>> frames = framePsnr(out("mixed.avi"), snapshots);
  ASSERT_EQ(frames.size(), snapshots.size());
  for (std::size_t i = 0; i < frames.size(); ++i) {
    SCOPED_TRACE(snapshots[i].filename().string());
    // 4:2:2 colour halved down (a box filter) is furthest from FFmpeg's own
    // filter, which the reference comes from.
    const double colour = i == 1 ? 30.0 : 38.0;
    EXPECT_GE(frames[i][0], 42.0);
    EXPECT_GE(frames[i][1], colour);
    EXPECT_GE(frames[i][2], colour);
  }
}

TEST_F(BatchExportTest, InterruptCompletesThePlayableFileWithTheFramesSoFar) {
  // Enough work that the export is still running when the signal arrives,
  // also with the encoder on a thread of its own.
  constexpr int kSnapshots = 300;
  for (int i = 0; i < kSnapshots; ++i)
    snapshot("2026-12-06/07/s" + std::to_string(1000 + i) + ".jpg", i, 1280, 720);
  QProcess process;
  process.setProcessEnvironment(environment());
  process.start(
      VISTREL_EXPORT_PROGRAM,
      withDriveC({"C:\\Program Files\\Vistrel\\Records\\2026-12-06", "-o", out("cut.avi")}));
  // Plain progress lines come at every tenth: interrupt after the first.
  QByteArray progress;
  while (!progress.contains("frames") && process.state() != QProcess::NotRunning) {
    process.waitForReadyRead(1000);
    progress += process.readAllStandardError();
  }
  ASSERT_TRUE(progress.contains("frames")) << progress.toStdString();
  ::kill(static_cast<pid_t>(process.processId()), SIGINT);
  ASSERT_TRUE(process.waitForFinished(120000));
  EXPECT_EQ(process.exitCode(), 130) << process.readAllStandardError().toStdString();

  std::string error;
  const auto facts = test::probeAvi(out("cut.avi").toStdString(), &error);
  ASSERT_TRUE(facts) << error;
  EXPECT_GT(facts->frames, 0);
  EXPECT_LT(facts->frames, kSnapshots);
  EXPECT_EQ(test::decodeAvi(out("cut.avi").toStdString(), 1280, 720).size(),
            static_cast<std::size_t>(facts->frames));
}

TEST_F(BatchExportTest, AKilledOrHungUpExportLeavesItsFramesPlayableUnderTheFinalName) {
  constexpr int kSnapshots = 300;
  for (int i = 0; i < kSnapshots; ++i)
    snapshot("2026-12-06/07/s" + std::to_string(1000 + i) + ".jpg", i, 1280, 720);
  struct Row {
    const char* codec;
    const char* name;
    int signal;
  };
  for (const Row& row : {Row{"xvid", "killed.avi", SIGKILL}, Row{"h264", "killed.mp4", SIGKILL},
                         Row{"xvid", "hung-up.avi", SIGHUP}, Row{"h264", "hung-up.mp4", SIGHUP}}) {
    SCOPED_TRACE(row.name);
    const std::string file = out(row.name).toStdString();
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(VISTREL_EXPORT_PROGRAM,
                  withDriveC({"--codec", row.codec, "-o", out(row.name),
                              "C:\\Program Files\\Vistrel\\Records\\2026-12-06"}));
    // Wait until a frame can be read back from the file under its final
    // name while the export goes on.
    int framesBefore = 0;
    std::uintmax_t lastSize = 0;
    while (framesBefore == 0 && !process.waitForFinished(100)) {
      std::error_code error;
      const std::uintmax_t size = fs::file_size(file, error);
      if (error || size == lastSize) continue;
      lastSize = size;
      if (const auto facts = test::probeAvi(file)) framesBefore = std::max(facts->frames, 0);
    }
    ASSERT_GT(framesBefore, 0) << "no frame in " << file << " before the export ended\n"
                               << process.readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(process.processId()), row.signal);
    ASSERT_TRUE(process.waitForFinished(120000));
    const std::string printed = process.readAllStandardOutput().toStdString();
    if (row.signal == SIGHUP) {
      ASSERT_EQ(process.exitStatus(), QProcess::NormalExit);
      EXPECT_EQ(process.exitCode(), 129) << process.readAllStandardError().toStdString();
    }

    std::string error;
    const auto facts = test::probeAvi(file, &error);
    ASSERT_TRUE(facts) << error;
    EXPECT_GE(facts->frames, framesBefore);
    EXPECT_LT(facts->frames, kSnapshots);
    EXPECT_EQ(test::decodeAvi(file, 1280, 720).size(), static_cast<std::size_t>(facts->frames));
    // Completed: every frame handed over is in the file.
    if (row.signal == SIGHUP) {
      EXPECT_EQ(printed.find(std::to_string(facts->frames) + " frames written"), 0u) << printed;
    }
  }
  for (const std::string& name : filesIn(root_)) EXPECT_NE(name[0], '.') << name;
  EXPECT_EQ(filesIn(root_).size(), 6u);  // c, home and the four videos
}

// An H.264 export killed in its first seconds: the MP4 header is on disk
// from the start, and the encoder and the open fragment hold back about a
// second of video at most: at 10 fps, 5 frames of look-ahead and the one
// being encoded, 5 in the open fragment, besides the recorder's queue of 3
// and the frame it is taking.
TEST_F(BatchExportTest, AnH264ExportKilledEarlyLosesAboutASecondAtMost) {
  constexpr int kSnapshots = 200;
  constexpr int kRate = 10;
  for (int i = 0; i < kSnapshots; ++i)
    snapshot("2026-12-06/07/s" + std::to_string(1000 + i) + ".jpg", i, 1280, 720);
  const std::string file = out("early.mp4").toStdString();
  QProcess process;
  process.setProcessEnvironment(environment());
  process.start(VISTREL_EXPORT_PROGRAM,
                withDriveC({"--codec", "h264", "--rate", QString::number(kRate), "-o",
                            out("early.mp4"), "C:\\Program Files\\Vistrel\\Records\\2026-12-06"}));
  // Plain progress lines come at every tenth of the snapshots handed over.
  QByteArray progress;
  const QRegularExpression handedOver(R"(frames (\d+)/)");
  QRegularExpressionMatch match;
  while (!(match = handedOver.match(QString::fromUtf8(progress))).hasMatch() &&
         process.state() != QProcess::NotRunning) {
    process.waitForReadyRead(1000);
    progress += process.readAllStandardError();
  }
  ASSERT_TRUE(match.hasMatch()) << progress.toStdString();
  ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
  ASSERT_TRUE(process.waitForFinished(120000));
  const int handed = match.captured(1).toInt();
  ASSERT_GE(handed, kSnapshots / 10);

  std::string error;
  const auto facts = test::probeAvi(file, &error);
  ASSERT_TRUE(facts) << error << "\n" << fs::file_size(file) << " bytes";
  EXPECT_EQ(facts->codecName, "h264");
  EXPECT_EQ(facts->width, 1280);
  EXPECT_GE(facts->frames, handed - (kRate + 1) - (3 + 1));
  EXPECT_EQ(test::decodeAvi(file, 1280, 720).size(), static_cast<std::size_t>(facts->frames));
}

TEST_F(BatchExportTest, AFullDiskKeepsWhatWasWrittenAndSaysItIsIncomplete) {
  // Noise compresses badly: a few frames fill the small file system.
  constexpr int kSnapshots = 12;
  for (int i = 0; i < kSnapshots; ++i) {
    const fs::path path = records_ / ("2026-12-06/07/s" + std::to_string(100 + i) + ".jpg");
    fs::create_directories(path.parent_path());
    QImage image(640, 480, QImage::Format_RGB32);
    std::uint32_t state = 12345u + static_cast<std::uint32_t>(i);
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        state = state * 1664525u + 1013904223u;
        image.setPixel(x, y, state >> 8);
      }
    }
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "JPG", 85));
  }
  const fs::path small = root_ / "small";
  fs::create_directories(small);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "cannot mount a small file system: " << std::strerror(errno);
  struct Unmount {
    fs::path path;
    ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
  } unmount{small};

  const std::string file = (small / "full.avi").string();
  const ProgramRun result = exportVideo({"--codec", "mjpeg", "-o", QString::fromStdString(file),
                                         "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07"});
  EXPECT_EQ(result.status, 3) << result.err;
  EXPECT_NE(result.err.find("The video is incomplete: " + file), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("No space left on device"), std::string::npos) << result.err;
  const std::regex counts("(\\d+) frames written, (\\d+) frames lost, (\\d+) snapshots not");
  std::smatch match;
  ASSERT_TRUE(std::regex_search(result.err, match, counts)) << result.err;
  const int written = std::stoi(match[1]);
  EXPECT_GT(written, 0);
  EXPECT_GT(std::stoi(match[2]), 0);
  EXPECT_EQ(written + std::stoi(match[2]) + std::stoi(match[3]), kSnapshots) << result.err;
  std::string error;
  const auto facts = test::probeAvi(file, &error);
  ASSERT_TRUE(facts) << error;
  EXPECT_GE(facts->frames, written);
}

TEST_F(BatchExportTest, ASnapshotCutInItsScanDataIsSkippedWithLibjpegsWords) {
  snapshot("2026-12-06/07/a.jpg", 1);
  const fs::path cut = snapshot("2026-12-06/07/b.jpg", 2);
  snapshot("2026-12-06/07/c.jpg", 3);
  {
    std::ifstream in(cut, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const std::size_t scan = bytes.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    bytes.resize(scan + (bytes.size() - scan) / 2);
    std::ofstream(cut, std::ios::binary | std::ios::trunc) << bytes;
  }
  const ProgramRun result =
      exportVideo({"C:\\Program Files\\Vistrel\\Records\\2026-12-06", "-o", out("cut.avi")});
  EXPECT_EQ(result.status, 1) << result.err;
  EXPECT_NE(result.out.find("\\07\\b.jpg: premature end of file"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("2 frames written, 1 snapshots skipped"), std::string::npos)
      << result.out;
  const auto facts = test::probeAvi(out("cut.avi").toStdString());
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->frames, 2);
}

// An hour of 100 snapshots a second apart from 07:10:00, named as the
// recorder names them; a figure walks across snapshots 40 to 60 and
// snapshot 85 is an empty file.
TEST_F(BatchExportTest, EventsListTheCrossingAndMotionWritesItWithContext) {
  const fs::path hour = records_ / "2026-12-06/07";
  fs::create_directories(hour);
  test::SceneScript script;
  script.figureFirst = 40;
  script.figureLast = 60;
  for (int i = 0; i < 100; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "07%02d%02d.jpg", 10 + i / 60, i % 60);
    if (i == 85)
      std::ofstream(hour / name).close();
    else
      test::writeSnapshot(hour / name, test::sceneSnapshot(script, i), script.quality);
  }
  const QString source = "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07";
  const char* damaged =
      "skipped C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07\\071125.jpg: empty file\n";

  const ProgramRun text = exportVideo({"--events", source});
  EXPECT_EQ(text.status, 1) << text.err;
  EXPECT_NE(text.err.find(damaged), std::string::npos) << text.err;
  EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 1) << text.out;
  EXPECT_EQ(text.out.rfind("2026-12-06 07:10:", 0), 0u) << text.out;

  const ProgramRun json = exportVideo({"--events", "--json", source});
  QJsonParseError error;
  const QJsonObject event =
      QJsonDocument::fromJson(QByteArray::fromStdString(json.out), &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out;
  const QDateTime start = QDateTime::fromString(event["start"].toString(), Qt::ISODate);
  const QDateTime end = QDateTime::fromString(event["end"].toString(), Qt::ISODate);
  const QDateTime figureIn(QDate(2026, 12, 6), QTime(7, 10, 40));
  // The event covers the crossing, at most a snapshot or two beyond it.
  EXPECT_LE(start, figureIn);
  EXPECT_GE(start, figureIn.addSecs(-2));
  EXPECT_GE(end, figureIn.addSecs(20));
  EXPECT_LE(end, figureIn.addSecs(22));
  const int count = event["count"].toInt();
  EXPECT_EQ(count, start.secsTo(end) + 1);
  const std::string peak = event["peak_path"].toString().toStdString();
  EXPECT_EQ(peak.rfind(source.toStdString() + "\\07", 0), 0u) << peak;
  EXPECT_GT(event["peak"].toDouble(), 0.005);
  EXPECT_EQ(event["first_path"].toString(), source + "\\" + start.toString("HHmmss") + ".jpg");

  // The damaged snapshot lies outside the event and its context, yet the
  // video's report names it as the index found it.
  const ProgramRun motion =
      exportVideo({"--motion", "--context", "3", source, "-o", out("motion.avi")});
  EXPECT_EQ(motion.status, 1) << motion.err;
  EXPECT_NE(motion.out.find(damaged), std::string::npos) << motion.out;
  const int written = count + 6;
  EXPECT_NE(motion.out.find(std::to_string(written) + " frames written, 1 snapshots skipped, " +
                            std::to_string(100 - written) + " left out without activity"),
            std::string::npos)
      << motion.out;
  EXPECT_NE(motion.err.find(std::to_string(100 - written) + " left out"), std::string::npos)
      << motion.err;
  const auto facts = test::probeAvi(out("motion.avi").toStdString());
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->frames, written);
}

// Paths and names as the host has them: a snapshot name that is not UTF-8
// reaches the activity index as its own bytes (events, motion-only export,
// contact sheet), and with Z: mapped elsewhere a source folder no drive
// holds and an output folder with a backslash in its name are those very
// folders.
TEST_F(BatchExportTest, HostPathsAndNamesAreTakenAsTheyAreOnDisk) {
  const fs::path hour = records_ / "2026-12-06/07";
  fs::create_directories(hour);
  test::SceneScript script;
  script.figureFirst = 10;
  script.figureLast = 20;
  for (int i = 0; i < 30; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "0710%02d.jpg", i);
    test::writeSnapshot(hour / name, test::sceneSnapshot(script, i), script.quality);
  }
  fs::rename(hour / "071029.jpg", hour / "caf\xE9.jpg");  // a legacy code page's name
  const QString source = "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07";
  const ProgramRun events = exportVideo({"--events", source});
  EXPECT_EQ(events.status, 0) << events.err;
  EXPECT_EQ(std::count(events.out.begin(), events.out.end(), '\n'), 1) << events.out;
  const ProgramRun motion = exportVideo({"--motion", source, "-o", out("motion.avi")});
  EXPECT_EQ(motion.status, 0) << motion.out << motion.err;
  const ProgramRun sheet = exportVideo({"--contact-sheet", out("sheet.png"), source});
  EXPECT_EQ(sheet.status, 0) << sheet.out << sheet.err;
  EXPECT_NE(sheet.out.find("30 snapshots, 1 event"), std::string::npos) << sheet.out;

  const fs::path outside = root_ / "outside/2026-12-06/07";
  fs::create_directories(outside);
  fs::copy(hour, outside);
  const fs::path elsewhere = root_ / "elsewhere";
  const fs::path slashed = root_ / "back\\slash";
  fs::create_directories(elsewhere);
  fs::create_directories(slashed);
  const QStringList zElsewhere = {"--drive", QString::fromStdString("Z:=" + elsewhere.string())};
  const ProgramRun video =
      exportVideo(zElsewhere + QStringList{QString::fromStdString(outside.string()), "-o",
                                           QString::fromStdString((slashed / "out.avi").string())});
  EXPECT_EQ(video.status, 0) << video.out << video.err;
  const auto facts = test::probeAvi((slashed / "out.avi").string());
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->frames, 30);
  const ProgramRun outsideEvents =
      exportVideo(zElsewhere + QStringList{"--events", QString::fromStdString(outside.string())});
  EXPECT_EQ(outsideEvents.status, 0) << outsideEvents.err;
  EXPECT_EQ(outsideEvents.out.substr(0, 20), events.out.substr(0, 20));
  EXPECT_TRUE(fs::is_empty(elsewhere));
}

// 40 snapshots a second apart from 07:10:00; a figure walks across 15 to 25
// and snapshot 35 is an empty file. On the sheet: 6 tiles of 160 x 120 (the
// snapshots' 4:3) across, each in a 3-pixel ring, under a 28-pixel header.
TEST_F(BatchExportTest, AContactSheetTilesTheHourFramesItsEventAndKeepsAnExistingFile) {
  const fs::path hour = records_ / "2026-12-06/07";
  fs::create_directories(hour);
  test::SceneScript script;
  script.figureFirst = 15;
  script.figureLast = 25;
  for (int i = 0; i < 40; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "0710%02d.jpg", i);
    if (i == 35)
      std::ofstream(hour / name).close();
    else
      test::writeSnapshot(hour / name, test::sceneSnapshot(script, i), script.quality);
  }
  const QString source = "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07";

  const ProgramRun made =
      exportVideo({"--contact-sheet", out("sheet.png"), "--columns", "6", source});
  EXPECT_EQ(made.status, 1) << made.err;
  EXPECT_NE(made.out.find("skipped " + source.toStdString() + "\\071035.jpg: empty file"),
            std::string::npos)
      << made.out;
  EXPECT_NE(made.out.find("40 snapshots, 1 event, 1 snapshots skipped"), std::string::npos)
      << made.out;
  const QImage sheet(out("sheet.png"));
  ASSERT_EQ(sheet.size(), QSize(6 * 166, 28 + 7 * 126));
  const auto cell = [](int tile) { return QPoint(tile % 6 * 166, 28 + tile / 6 * 126); };
  const auto at = [&sheet](QPoint point) { return sheet.pixel(point); };
  for (const int tile : {0, 20, 34, 36, 39}) {
    // The snapshot right way up in its own box: sky above, ground below.
    const QColor sky = at(cell(tile) + QPoint(20, 10));
    const QColor ground = at(cell(tile) + QPoint(20, 90));
    EXPECT_GT(sky.blue(), sky.red() + 40) << tile;
    EXPECT_GT(ground.green(), ground.blue()) << tile;
  }
  EXPECT_EQ(at(cell(20) + QPoint(1, 1)), kEventColour);  // the crossing is framed
  EXPECT_EQ(at(cell(20) + QPoint(164, 124)), kEventColour);
  EXPECT_EQ(at(cell(5) + QPoint(1, 1)), kSheetBackground);  // quiet ones are not
  EXPECT_EQ(at(cell(39) + QPoint(1, 1)), kSheetBackground);
  EXPECT_EQ(at(cell(35) + QPoint(10, 10)), kDamagedTile);
  EXPECT_EQ(at(cell(40) + QPoint(80, 60)), kSheetBackground);  // 40 tiles, no more

  // Fewer snapshots than columns: the sheet is as wide as they are; a JPEG.
  const ProgramRun narrow = exportVideo(
      {"--contact-sheet", out("narrow.jpg"), "--columns", "100", "--tile-width", "80", source});
  EXPECT_EQ(narrow.status, 1) << narrow.err;
  EXPECT_EQ(QImage(out("narrow.jpg")).size(), QSize(40 * 86, 28 + 66));

  // An existing file is never replaced.
  const auto before = fs::file_size(root_ / "sheet.png");
  const ProgramRun taken = exportVideo({"--contact-sheet", out("sheet.png"), source});
  EXPECT_EQ(taken.status, 2) << taken.err;
  EXPECT_NE(taken.err.find("not replaced"), std::string::npos) << taken.err;
  EXPECT_EQ(fs::file_size(root_ / "sheet.png"), before);
  EXPECT_EQ(filesIn(root_).size(), 4u);  // c, home, sheet.png, narrow.jpg
}

// However long the range and whatever the options, a sheet stays a picture
// a JPEG can hold and every snapshot has a tile standing for it.
TEST(ContactSheetLayout, ALongRangeIsSampledEvenlyWithinThePictureLimits) {
  struct Row {
    std::size_t snapshots;
    int columns;
    int tileWidth;
    std::size_t step;
  };
  for (const Row& row : {Row{3600, 10, 160, 1}, Row{3601, 10, 160, 2}, Row{86400, 10, 160, 24},
                         Row{3600, 1, 640, 27}, Row{500, 100, 640, 2}}) {
    const SheetLayout layout =
        planSheet(row.snapshots, row.columns, row.tileWidth, QSize(640, 480));
    EXPECT_EQ(layout.step, row.step) << row.snapshots << " " << row.columns;
    EXPECT_GE(layout.tiles * layout.step, row.snapshots);
    EXPECT_LT((layout.tiles - 1) * layout.step, row.snapshots);
    EXPECT_LE(layout.size().height(), kMaxSheetSide);
    EXPECT_LE(layout.size().width(), kMaxSheetSide);
    EXPECT_LE(std::int64_t{layout.size().width()} * layout.size().height(), kMaxSheetPixels);
    EXPECT_EQ(layout.cell(layout.tiles - 1).bottom(), layout.size().height() - 1);
  }
}

// The time stamp: a dark box with light text in the bottom-left corner, its
// height following the frame's, its text each snapshot's own time, and the
// rest of the frame as the export without it writes it.
TEST_F(BatchExportTest, StampBurnsEachSnapshotsTimeIntoItsCornerScaledToTheFrame) {
  // A light scene (no luma below 100), so that the box is the only dark.
  const auto lightSnapshot = [&](const std::string& relative, int width, int height) {
    const fs::path path = records_ / relative;
    fs::create_directories(path.parent_path());
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(210, 200, 180));
    QPainter painter(&image);
    for (int x = 0; x < width; x += width / 8)
      painter.fillRect(x, 0, width / 16, height, QColor(170, 190, 150));
    painter.end();
    EXPECT_TRUE(image.save(QString::fromStdString(path.string()), "JPG", 90));
  };
  struct Luma {
    std::vector<std::uint8_t> frames;  // I420
    int width, height;
    int at(int frame, int x, int y) const {
      return frames[std::size_t(frame) * width * height * 3 / 2 + std::size_t(y) * width + x];
    }
    // The rows whose left half is mostly dark: the box's.
    std::vector<int> boxRows(int frame) const {
      std::vector<int> rows;
      for (int y = 0; y < height; ++y) {
        int dark = 0;
        for (int x = 0; x < width / 2; ++x) dark += at(frame, x, y) < 48;
        if (dark >= width / 8) rows.push_back(y);
      }
      return rows;
    }
  };
  const auto exported = [&](QStringList arguments, const char* name, int width, int height) {
    const ProgramRun result = exportVideo(arguments << "-o" << out(name));
    EXPECT_EQ(result.status, 0) << result.err;
    return Luma{test::decodeAviRaw(out(name).toStdString(), "yuv420p"), width, height};
  };

  lightSnapshot("2026-12-04/07/071532.jpg", 320, 240);
  lightSnapshot("2026-12-04/07/071533.jpg", 320, 240);
  lightSnapshot("2026-12-04/08/080000.jpg", 1920, 1080);
  const QString small = QString::fromStdString((records_ / "2026-12-04/07").string());
  const Luma stamped = exported({"--stamp", small}, "stamped.avi", 320, 240);
  const Luma plain = exported({small}, "plain.avi", 320, 240);
  const Luma large =
      exported({"--stamp", QString::fromStdString((records_ / "2026-12-04/08").string())},
               "large.avi", 1920, 1080);
  ASSERT_EQ(stamped.frames.size(), 2u * 320 * 240 * 3 / 2);
  ASSERT_EQ(plain.frames.size(), stamped.frames.size());
  ASSERT_EQ(large.frames.size(), 1920u * 1080 * 3 / 2);

  const std::vector<int> rows = stamped.boxRows(0);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.back() - rows.front() + 1, int(rows.size()));  // one box
  EXPECT_GE(rows.front(), 240 * 3 / 4);                         // at the bottom
  EXPECT_GE(rows.size(), 12u);                                  // legible
  EXPECT_EQ(stamped.boxRows(1), rows);
  EXPECT_TRUE(plain.boxRows(0).empty());
  int light = 0;
  int changed = 0;  // 07:15:32 against 07:15:33
  for (const int y : rows) {
    for (int x = 0; x < 160; ++x) {
      light += stamped.at(0, x, y) > 180;
      changed += std::abs(stamped.at(0, x, y) - stamped.at(1, x, y)) > 60;
    }
  }
  EXPECT_GE(light, 100);
  EXPECT_GE(changed, 5);
  // Elsewhere only the encoder's noise: rows clear of the box (and of the
  // blocks it shares with the picture) as without the stamp.
  double error = 0;
  int samples = 0;
  for (int frame = 0; frame < 2; ++frame) {
    for (int y = 0; y < (rows.front() & ~15) - 16; ++y, samples += 320)
      for (int x = 0; x < 320; ++x)
        error += std::pow(stamped.at(frame, x, y) - plain.at(frame, x, y), 2);
  }
  EXPECT_GE(10 * std::log10(255.0 * 255 * samples / std::max(error, 1.0)), 40.0);

  // The box grows with the frame: 4.5 times the rows, about as much box.
  const std::vector<int> largeRows = large.boxRows(0);
  ASSERT_FALSE(largeRows.empty());
  EXPECT_EQ(largeRows.back() - largeRows.front() + 1, int(largeRows.size()));
  const double scale = double(largeRows.size()) / double(rows.size());
  EXPECT_GE(scale, 3.5);
  EXPECT_LE(scale, 5.5);
}

TEST_F(BatchExportTest, HelpAndVersionChangeNothing) {
  for (const char* program : {VISTREL_EXPORT_PROGRAM, VISTREL_PREVIEW_PROGRAM}) {
    const ProgramRun help = run(program, {"--help"});
    EXPECT_EQ(help.status, 0) << program << help.err;
    EXPECT_NE(help.out.find("--drive"), std::string::npos) << help.out;
    // Where the video goes when no file is named.
    const bool exporter = std::string(program) == VISTREL_EXPORT_PROGRAM;
    EXPECT_NE(help.out.find(exporter ? "current folder" : "Program folder"), std::string::npos)
        << help.out;
    const ProgramRun version = run(program, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind(fs::path(program).filename().string() + " ", 0), 0u) << version.out;
  }
  EXPECT_TRUE(fs::is_empty(root_ / "home"));  // not even the default drive C folder
}

TEST(ExportNaming, TheWindowsRuleNeverReusesAName) {
  vistrel::test::TempFolder temp;
  const fs::path& folder = temp.path();
  platform::FileSystem::install(std::make_unique<platform::FileSystem>(
      std::vector<platform::Drive>{{'C', folder, platform::DriveType::Fixed, "", {}}}, "C:\\"));
  const QDateTime now(QDate(2026, 12, 6), QTime(20, 15, 30));
  std::ofstream(folder / "VISTREL.AVI").close();  // names compare ignoring case
  std::ofstream(folder / "vistrel-20261206-201530.avi").close();

  // The file is created under its final name; an existing one, also a
  // dangling symbolic link, is never opened for writing.
  EXPECT_EQ(reserveNextVideoName("C:\\", ".avi", now), folder / "vistrel-20261206-201530-2.avi");
  EXPECT_EQ(fs::file_size(folder / "vistrel-20261206-201530-2.avi"), 0u);
  std::ofstream(folder / "kept.avi") << "keep";
  EXPECT_THROW(createExclusively(folder / "kept.avi"), EOutputTaken);
  EXPECT_EQ(fs::file_size(folder / "kept.avi"), 4u);
  fs::create_symlink(folder / "elsewhere.avi", folder / "link.avi");
  EXPECT_THROW(createExclusively(folder / "link.avi"), EOutputTaken);
  EXPECT_FALSE(fs::exists(folder / "elsewhere.avi"));
}

TEST(ExportProgress, TheLineCountsFramesRateAndTimeLeft) {
  EXPECT_EQ(ProgressLine::text(120, 300, 5.0), "frames 120/300  24.0 fps  0:08 left");
  EXPECT_EQ(ProgressLine::text(300, 300, 10.0), "frames 300/300  30.0 fps");
  EXPECT_EQ(ProgressLine::text(0, 300, 0.0), "frames 0/300  0.0 fps");
}

}  // namespace
}  // namespace vistrel::exporter
