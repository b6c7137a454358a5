// Uncompressed AVI recordings read back with ffprobe and ffmpeg.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include <QProcess>
#include <QString>

#include "recording_fixture.h"

namespace vistrel::media::test {
namespace {

int openFileCount() {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++count;
  }
  return count;
}

using UncompressedRecording = RecordingTest;

// The standard output of a reader run to completion (the readers come with
// scripts/setup.sh).
QByteArray readerOutput(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForStarted(-1)) {
    ADD_FAILURE() << "cannot start " << program.toStdString();
    return {};
  }
  process.waitForFinished(-1);
  return process.readAllStandardOutput();
}

// Frames that GStreamer's AVI demuxer hands on, one notification a buffer.
int gstreamerFrames(const std::string& path) {
  const QByteArray output =
      readerOutput("gst-launch-1.0", {"-v", "filesrc", "location=" + QString::fromStdString(path),
                                      "!", "avidemux", "!", "fakesink", "silent=false"});
  return static_cast<int>(output.count("last-message = chain"));
}

int mediaInfoFrames(const std::string& path) {
  bool ok = false;
  const int frames =
      readerOutput("mediainfo", {"--Inform=Video;%FrameCount%", QString::fromStdString(path)})
          .trimmed()
          .toInt(&ok);
  return ok ? frames : -1;
}

// The header of the chunk at `offset`: its tag, size and, for a RIFF or
// LIST, its form.
struct Chunk {
  std::string tag, form;
  std::int64_t offset = 0, size = 0;
  std::int64_t end() const { return offset + 8 + size + (size & 1); }
};

std::optional<Chunk> chunkAt(const std::string& path, std::int64_t offset) {
  std::ifstream file(path, std::ios::binary);
  unsigned char header[12] = {};
  if (!file.seekg(offset) || !file.read(reinterpret_cast<char*>(header), 12)) return {};
  Chunk chunk{std::string(reinterpret_cast<char*>(header), 4), "", offset,
              std::int64_t{header[4]} | std::int64_t{header[5]} << 8 |
                  std::int64_t{header[6]} << 16 | std::int64_t{header[7]} << 24};
  if (chunk.tag == "RIFF" || chunk.tag == "LIST")
    chunk.form.assign(reinterpret_cast<char*>(header) + 8, 4);
  return chunk;
}

// The file's RIFF chunks as their headers give them, where the last one
// says the file ends, and whether a legacy index is among their chunks.
struct RiffLayout {
  std::vector<Chunk> riffs;
  std::int64_t end = 0;
  bool legacyIndex = false;
};

RiffLayout riffLayout(const std::string& path) {
  RiffLayout layout;
  for (std::optional<Chunk> riff = chunkAt(path, 0); riff && riff->tag == "RIFF";
       riff = chunkAt(path, riff->end())) {
    layout.riffs.push_back(*riff);
    layout.end = riff->end();
    for (std::optional<Chunk> chunk = chunkAt(path, riff->offset + 12);
         chunk && chunk->offset < riff->end(); chunk = chunkAt(path, chunk->end()))
      layout.legacyIndex = layout.legacyIndex || chunk->tag == "idx1";
  }
  return layout;
}

TEST_F(UncompressedRecording, TenFramesAtFivePerSecondLastTwoSecondsAndMatchExactly) {
  recordFile("raw.avi", 64, 48, nullptr, 10);

  std::string error;
  const auto probed = probe(path("raw.avi"), &error);
  ASSERT_TRUE(probed) << error;
  EXPECT_EQ(probed->formatName, "avi");
  EXPECT_EQ(probed->codecName, "rawvideo");
  EXPECT_EQ(probed->pixelFormat, "bgr24");
  EXPECT_EQ(probed->codecTag, "[0][0][0][0]");
  EXPECT_EQ(probed->width, 64);
  EXPECT_EQ(probed->height, 48);
  EXPECT_EQ(probed->frameRate, "5/1");
  EXPECT_EQ(probed->frames, 10);
  EXPECT_DOUBLE_EQ(probed->duration, 2.0);

  expectFrames("raw.avi", 64, 48, 10, kExact);
}

// 641 × 3 = 1923 bytes of pixels per row: the file's rows are padded to 1924
// bytes and the pipeline's rows to 3 × 644. A wrong stride on either side
// shears the picture; a wrong row order turns it upside down.
TEST_F(UncompressedRecording, OddWidthStaysUprightAndUnskewed) {
  recordFile("odd.avi", 641, 37, nullptr, 3);
  expectFrames("odd.avi", 641, 37, 3, kExact);
}

TEST_F(UncompressedRecording, StopBeforeAnyFrameLeavesValidEmptyAvi) {
  recordFile("empty.avi", 320, 240, nullptr, 0);

  std::string error;
  const auto probed = probe(path("empty.avi"), &error);
  ASSERT_TRUE(probed) << error;
  EXPECT_EQ(probed->formatName, "avi");
  EXPECT_EQ(probed->streams, 1);
  EXPECT_EQ(probed->frames, 0);
  EXPECT_EQ(probed->width, 320);
  EXPECT_TRUE(decodeFrames(path("empty.avi"), 320, 240).empty());
}

TEST_F(UncompressedRecording, ReleasingARunningGraphCompletesTheFile) {
  RecordingGraph recording;
  ASSERT_EQ(recording.build(path("released.avi"), 32, 24, nullptr), S_OK);
  ASSERT_EQ(recording.control->run(), S_OK);
  for (int i = 0; i < 2; ++i)
    ASSERT_EQ(
        recording.source->deliver(makePicture(32, 24, i), i * kPeriod5fps, (i + 1) * kPeriod5fps),
        S_OK);
  recording = RecordingGraph();  // no stop
  const auto probed = probe(path("released.avi"));
  ASSERT_TRUE(probed);
  EXPECT_EQ(probed->frames, 2);
}

TEST_F(UncompressedRecording, FileIsCreatedWhenTheOutputIsSet) {
  RecordingGraph recording;
  ASSERT_EQ(recording.build(path("early.avi"), 32, 32, nullptr), S_OK);
  EXPECT_TRUE(std::filesystem::exists(path("early.avi")));
}

// Root may write everywhere: the test then takes an unprivileged effective
// user for the time of the call.
class UnprivilegedScope {
 public:
  UnprivilegedScope() : wasRoot_(geteuid() == 0) {
    if (wasRoot_) {
      EXPECT_EQ(seteuid(65534), 0);
    }
  }
  ~UnprivilegedScope() {
    if (wasRoot_) {
      EXPECT_EQ(seteuid(0), 0);
    }
  }

 private:
  bool wasRoot_;
};

TEST_F(UncompressedRecording, UnwritableFolderIsAccessDeniedAndLeavesNothingOpen) {
  const std::string folder = path("locked");
  ASSERT_EQ(mkdir(folder.c_str(), 0555), 0);
  ASSERT_EQ(chmod(dir_.path().c_str(), 0755), 0);
  const int before = openFileCount();

  RecordingGraph recording;
  Status status;
  {
    UnprivilegedScope unprivileged;
    status = recording.build(folder + "/x.avi", 32, 32, nullptr);
  }
  EXPECT_EQ(status, E_ACCESSDENIED);
  EXPECT_EQ(static_cast<std::uint32_t>(E_ACCESSDENIED), 0x80070005u);
  EXPECT_NE(status.detail().find(folder), std::string::npos) << status.detail();
  EXPECT_TRUE(recording.graph->filters().empty());
  EXPECT_EQ(openFileCount(), before);
  EXPECT_FALSE(std::filesystem::exists(folder + "/x.avi"));
}

TEST_F(UncompressedRecording, Yuy2FramesAreStoredAsTheyCame) {
  RecordingGraph recording;
  ASSERT_EQ(recording.build(path("yuy2.avi"), 64, 16, nullptr, MEDIASUBTYPE_YUY2), S_OK);
  ASSERT_EQ(recording.control->run(), S_OK);
  std::vector<std::uint8_t> expected;
  for (int frame = 0; frame < 3; ++frame) {
    std::vector<std::uint8_t> bytes(64 * 16 * 2);
    for (std::size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = static_cast<std::uint8_t>(i % 2 ? 128 + frame * 20 : 16 + (i / 2 + frame) % 200);
    ASSERT_EQ(recording.source->deliverRaw(bytes, frame * kPeriod5fps, (frame + 1) * kPeriod5fps),
              S_OK);
    expected.insert(expected.end(), bytes.begin(), bytes.end());
  }
  ASSERT_EQ(recording.control->stop(), S_OK);
  recording = RecordingGraph();

  const auto probed = probe(path("yuy2.avi"));
  ASSERT_TRUE(probed);
  EXPECT_EQ(probed->codecName, "rawvideo");
  EXPECT_EQ(probed->codecTag, "YUY2");
  EXPECT_EQ(probed->pixelFormat, "yuyv422");
  EXPECT_EQ(probed->frames, 3);
  EXPECT_EQ(decodeRaw(path("yuy2.avi"), "yuyv422"), expected);
}

// /dev/full takes the file but refuses every byte, as a full disk does.
TEST_F(UncompressedRecording, FullDiskIsReportedAsDiskFull) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  RecordingGraph recording;
  ASSERT_EQ(recording.build("/dev/full", 320, 240, nullptr), S_OK);
  const Status status = recording.record(3, kPeriod5fps);
  EXPECT_EQ(status, STATUS_DISK_FULL);
  EXPECT_EQ(static_cast<std::uint32_t>(STATUS_DISK_FULL), 0x80070070u);
  EXPECT_NE(status.detail().find("/dev/full"), std::string::npos) << status.detail();
}

// Beyond 1 GiB the file goes on in an extension RIFF whose sizes the muxer
// fills in only at completion, and the header's indexes then cover the
// completed RIFF alone. The file as a killed process leaves it (the bytes
// on disk while it is still open) holds every frame for ffprobe,
// GStreamer and MediaInfo, and its RIFF and movi sizes add up to its
// length; the completed file has its legacy index back. Writes ~1.1 GB.
TEST_F(UncompressedRecording, OpenFileBeyondOneGibIsReadToItsLastFrameByEveryReader) {
  constexpr int kWidth = 1920, kHeight = 1080;
  constexpr int kFrames = 180;  // the extension RIFF starts after 173
  const std::string file = path("large.avi");
  const auto expectReadWhole = [&](const char* state) {
    SCOPED_TRACE(state);
    std::string error;
    const auto probed = probe(file, &error);
    ASSERT_TRUE(probed) << error;
    EXPECT_EQ(probed->frames, kFrames);
    EXPECT_EQ(probed->headerFrames, kFrames);
    EXPECT_EQ(gstreamerFrames(file), kFrames);
    EXPECT_EQ(mediaInfoFrames(file), kFrames);

    const RiffLayout layout = riffLayout(file);
    ASSERT_EQ(layout.riffs.size(), 2u);
    EXPECT_EQ(layout.riffs[1].form, "AVIX");
    EXPECT_EQ(layout.end, static_cast<std::int64_t>(std::filesystem::file_size(file)));
    const std::optional<Chunk> movi = chunkAt(file, layout.riffs[1].offset + 12);
    ASSERT_TRUE(movi);
    EXPECT_EQ(movi->form, "movi");
    EXPECT_EQ(movi->end(), layout.riffs[1].end());
  };

  RecordingGraph recording;
  ASSERT_EQ(recording.build(file, kWidth, kHeight, nullptr), S_OK);
  ASSERT_EQ(recording.control->run(), S_OK);
  const Picture picture = makePicture(kWidth, kHeight, 0);
  for (int i = 0; i < kFrames; ++i)
    ASSERT_EQ(recording.source->deliver(picture, i * kPeriod5fps, (i + 1) * kPeriod5fps), S_OK);
  expectReadWhole("open");

  ASSERT_EQ(recording.control->stop(), S_OK);
  expectReadWhole("completed");
  EXPECT_TRUE(riffLayout(file).legacyIndex);
}

TEST_F(UncompressedRecording, MissingFolderIsPathNotFound) {
  RecordingGraph recording;
  EXPECT_EQ(recording.build(path("nowhere/x.avi"), 32, 32, nullptr), STATUS_PATH_NOT_FOUND);
  EXPECT_TRUE(recording.graph->filters().empty());
}

}  // namespace
}  // namespace vistrel::media::test
