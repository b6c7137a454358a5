// The export session as both front ends run it: the file reserved under its
// final name, the chain started with the first picture, frames handed over,
// the stop and its outcome, failures heard once; and the time rule of a
// snapshot. Videos are read back with ffprobe.
#include <cerrno>
#include <filesystem>
#include <fstream>

#include <QFile>

#include "avi_reader.h"
#include "recording/errors.h"
#include "recording/export_session.h"
#include "recording_fixture.h"

namespace vistrel::test {
namespace {

namespace fs = std::filesystem;
using recording::ExportSession;
using recording::FrameSource;

using ExportSessionTest = RecordingFixture;

TEST_F(ExportSessionTest, ReservationTakesTheNextFreeNameAndNeverOpensATakenOne) {
  const QDateTime now(QDate(2026, 12, 6), QTime(20, 15, 30));
  dir.file("vistrel.avi", "keep");
  // Not seen as a file, taken all the same: the name after it.
  fs::create_symlink(dir.path() / "elsewhere.avi", dir.path() / "vistrel-20261206-201530.avi");
  const recording::FileReservation next = recording::reserveVideoName("C:\\", ".avi", now);
  ASSERT_TRUE(next.reserved) << next.error;
  EXPECT_EQ(next.name, "C:\\vistrel-20261206-201530-2.avi");
  EXPECT_EQ(fs::file_size(next.host), 0u);
  EXPECT_FALSE(fs::exists(dir.path() / "elsewhere.avi"));
  EXPECT_EQ(fs::file_size(dir.path() / "vistrel.avi"), 4u);

  for (int n = 3; n <= 999; ++n)
    dir.file("vistrel-20261206-201530-" + std::to_string(n) + ".avi", "");
  const recording::FileReservation full = recording::reserveVideoName("C:\\", ".avi", now);
  EXPECT_FALSE(full.reserved);
  EXPECT_EQ(full.error, EEXIST);
  const recording::FileReservation unmapped = recording::reserveVideoName("Q:\\", ".avi", now);
  EXPECT_FALSE(unmapped.reserved);
  EXPECT_TRUE(unmapped.host.empty());
}

// The first picture gives the size; every frame handed over is in the file,
// which the stop has completed while the logger still lives.
TEST_F(ExportSessionTest, EveryFrameIsInTheCompletedFileAtTheFirstPicturesSize) {
  ExportSession session(*gen, *logger, ExportSession::MessageTurns::Session);
  const recording::FileReservation file =
      recording::reserveVideoName("C:\\", ".avi", QDateTime::currentDateTime());
  ASSERT_TRUE(file.reserved);
  TPicture first;
  loadPicture(first, TestPicture(320, 240, 0));
  session.start(file.name, 5, first);
  const int sizes[][2] = {{320, 240}, {640, 480}, {160, 120}};
  for (int i = 0; i < 3; ++i) {
    TPicture picture;
    loadPicture(picture, TestPicture(sizes[i][0], sizes[i][1], i));
    EXPECT_TRUE(session.frame({"C:\\s" + std::to_string(i) + ".jpg", QDateTime()}, picture));
  }
  const recording::ExportOutcome outcome = session.stop();
  EXPECT_FALSE(gen->Enabled());
  EXPECT_FALSE(logger->Enabled());
  EXPECT_FALSE(logger->GraphRunning());  // a stop reaching a disabled logger would be dropped
  EXPECT_TRUE(outcome.complete()) << outcome.failure;
  EXPECT_EQ(outcome.fileName, file.name);
  EXPECT_EQ(outcome.framesWritten, 3u);
  EXPECT_EQ(outcome.first.path, "C:\\s0.jpg");
  EXPECT_EQ(outcome.last.path, "C:\\s2.jpg");
  std::string error;
  const auto facts = probeAvi(file.host.string(), &error);
  ASSERT_TRUE(facts) << error;
  EXPECT_EQ(facts->frames, 3);
  QFile written(QString::fromStdString(file.host.string()));
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(written.readAll().contains("idx1"));  // completion adds the index
  EXPECT_EQ(facts->width, 320);
  EXPECT_EQ(facts->height, 240);
}

// A start that fails leaves both components off and no empty file behind.
TEST_F(ExportSessionTest, AFailedStartRemovesTheReservedFile) {
  ExportSession session(*gen, *logger, ExportSession::MessageTurns::Session);
  ASSERT_EQ(recording::createFileExclusively(dir.path() / "huge.avi"), 0);
  TPicture huge;
  loadPicture(huge, TestPicture(8192, 16, 0));
  EXPECT_THROW(session.start("C:\\huge.avi", 5, huge), EDSException);
  EXPECT_FALSE(session.recording());
  EXPECT_FALSE(gen->Enabled());
  EXPECT_FALSE(logger->Enabled());
  EXPECT_FALSE(fs::exists(dir.path() / "huge.avi"));
}

// A frame the file refuses: the front end's handler hears of it once, at a
// message turn (the window's loop, or the session's own), the frame call
// says to stop, and the outcome counts it as lost.
TEST_F(ExportSessionTest, ARefusedFrameIsReportedOnceWithTheCounts) {
  for (const auto turns :
       {ExportSession::MessageTurns::Caller, ExportSession::MessageTurns::Session}) {
    const bool ownTurns = turns == ExportSession::MessageTurns::Session;
    SCOPED_TRACE(ownTurns ? "session's turns" : "caller's turns");
    const std::string name = ownTurns ? "own.avi" : "caller.avi";
    // A device that is always full: creating the file works, writing fails.
    ASSERT_TRUE(QFile::link("/dev/full", QString::fromStdString(HostPath(name))));
    // A chain of its own, as the exporter makes it: uncompressed frames.
    auto generator = std::make_unique<TVLImageGen>();
    generator->SetClockSource(TSLClockSource::csExternal);
    generator->SetEnabled(false);
    auto raw = std::make_unique<TVLDSVideoLogger>();
    StandaloneContext context(*raw);
    raw->readProperty("VideoCompression.Enabled", false, context);
    std::vector<std::string> reported;
    ExportSession session(std::move(generator), std::move(raw), turns,
                          [&](const std::string& message) { reported.push_back(message); });
    TPicture picture;
    loadPicture(picture, TestPicture(320, 240, 0));
    session.start("C:\\" + name, 5, picture);
    EXPECT_FALSE(session.frame({"C:\\a.jpg", QDateTime()}, picture));
    EXPECT_EQ(reported.size(), ownTurns ? 1u : 0u);
    QCoreApplication::processEvents();
    const recording::ExportOutcome outcome = session.stop();
    QCoreApplication::processEvents();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].rfind("Can't write video frame to file : C:\\" + name + " . - ", 0), 0u)
        << reported[0];
    EXPECT_EQ(outcome.failure, reported[0]);
    EXPECT_NE(outcome.reason.find("No space left on device"), std::string::npos) << outcome.reason;
    EXPECT_EQ(outcome.stopFailure.rfind("Can't complete file : C:\\" + name + " .", 0), 0u)
        << outcome.stopFailure;
    EXPECT_EQ(outcome.framesWritten, 0u);
    EXPECT_EQ(outcome.framesLost, 1u);
    EXPECT_FALSE(outcome.complete());
  }
}

// Two sessions side by side (an export beside the window's recording): once
// the newer one is gone, the older one hears its own failures again.
TEST_F(ExportSessionTest, AnOlderSessionHearsItsFailuresAgainOnceTheNewerOneIsGone) {
  const auto chain = [] {
    auto generator = std::make_unique<TVLImageGen>();
    generator->SetClockSource(TSLClockSource::csExternal);
    generator->SetEnabled(false);
    auto logger = std::make_unique<TVLDSVideoLogger>();
    StandaloneContext context(*logger);
    logger->readProperty("VideoCompression.Enabled", false, context);
    return std::make_pair(std::move(generator), std::move(logger));
  };
  ASSERT_TRUE(QFile::link("/dev/full", QString::fromStdString(HostPath("older.avi"))));
  auto [generator, logger] = chain();
  std::vector<std::string> reported;
  ExportSession older(std::move(generator), std::move(logger), ExportSession::MessageTurns::Caller,
                      [&](const std::string& message) { reported.push_back(message); });
  {
    auto [newerGenerator, newerLogger] = chain();
    const ExportSession newer(std::move(newerGenerator), std::move(newerLogger),
                              ExportSession::MessageTurns::Caller);
  }
  TPicture picture;
  loadPicture(picture, TestPicture(320, 240, 0));
  older.start("C:\\older.avi", 5, picture);
  older.frame({"C:\\a.jpg", QDateTime()}, picture);
  QCoreApplication::processEvents();
  older.stop();
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].rfind("Can't write video frame to file : C:\\older.avi", 0), 0u)
      << reported[0];
}

TEST_F(ExportSessionTest, AFramesSourceReadsTheSnapshotsModificationTime) {
  const fs::path snapshot = dir.file("2026-12-06/07/snap.jpg");
  const QDateTime modified(QDate(2026, 12, 6), QTime(7, 23, 45));
  QFile file(QString::fromStdString(snapshot.string()));
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
  file.close();
  const FrameSource source = recording::frameSource("C:\\2026-12-06\\07\\snap.jpg");
  EXPECT_EQ(source.path, "C:\\2026-12-06\\07\\snap.jpg");
  EXPECT_EQ(source.time, modified);
}

}  // namespace
}  // namespace vistrel::test
