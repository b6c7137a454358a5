// Video export throughput: 300 snapshots loaded into the generator's picture
// one by one (as the slide show does with export on), each sent as one frame
// to the video logger, which compresses it with the stored compressor item
// and writes the AVI file. For comparison, the same JPEG files encoded by
// the ffmpeg program with libxvid on one thread. Both report frames per
// second ("items_per_second"). Snapshots of 640 × 480 and 1920 × 1080 are
// made in a temporary folder at start-up.

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "bench/bench_main.h"
#include "picture/jpeg_codec.h"
#include "picture/picture.h"
#include "pipeline/image_gen.h"
#include "platform/file_system.h"
#include "recording/ds_video_logger.h"

namespace {

constexpr int kSnapshots = 300;
QTemporaryDir* gFolder = nullptr;

// A camera-like scene that moves a little from one snapshot to the next.
QImage Scene(int width, int height, int index) {
  QImage image(width, height, QImage::Format_RGB888);
  std::uint32_t noise = 12345u + static_cast<std::uint32_t>(index);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = image.scanLine(y);
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int n = static_cast<int>(noise >> 29) - 4;
      const int base = (x * 255 / width + y * 255 / height) / 2;
      const int stripe = (((x + 3 * index) / 37 + y / 23) % 3) * 30;
      row[3 * x] = static_cast<std::uint8_t>(std::clamp(base + stripe + n, 0, 255));
      row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(255 - base + n, 0, 255));
      row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(stripe * 2 + n, 0, 255));
    }
  }
  return image;
}

// The folder holding snap000.jpg ... snap299.jpg of that size.
QString SnapshotFolder(int width, int height) {
  static std::map<std::pair<int, int>, QString> folders;
  auto& folder = folders[{width, height}];
  if (!folder.isEmpty()) return folder;
  folder = QDir(gFolder->path()).filePath(QString("%1x%2").arg(width).arg(height));
  QDir().mkpath(folder);
  vistrel::jpeg::EncodeOptions options;
  options.quality = 75;
  for (int i = 0; i < kSnapshots; ++i) {
    const std::vector<std::uint8_t> bytes = vistrel::jpeg::Encode(Scene(width, height, i), options);
    const std::string path =
        QDir(folder).filePath(QString::asprintf("snap%03d.jpg", i)).toStdString();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  return folder;
}

// The stored compressor item of the main window's layout.
vistrel::layout::Value::Collection StoredCompressions() {
  vistrel::layout::Value::Binary params{{32, 0, 0, 0}};
  for (char c : std::string("00000000000 ")) {
    params.bytes.push_back(static_cast<std::uint8_t>(c));
    params.bytes.push_back(0);
  }
  for (int b : {8, 0, 0, 0, int('x'), int('v'), int('i'), int('d')})
    params.bytes.push_back(static_cast<std::uint8_t>(b));
  using vistrel::layout::makeProperty;
  return {{{makeProperty("Data",
                         vistrel::layout::Value::List{
                             {"@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\\xvid",
                              "XviD MPEG-4 Codec"}}),
            makeProperty("Params.Data", params), makeProperty("Quality", 0),
            makeProperty("KeyFrameRate", 0), makeProperty("WindowSize", 1),
            makeProperty("PFramesPerKeyFrame", 0)}}};
}

class Context : public vistrel::layout::ReadContext {
 public:
  explicit Context(vistrel::layout::Component& root) : root_(root) {}
  vistrel::layout::Component& root() override { return root_; }
  void addFixup(std::function<void()> fixup) override { fixup(); }

 private:
  vistrel::layout::Component& root_;
};

void RecordSnapshots(benchmark::State& state) {
  const QString folder =
      SnapshotFolder(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  vistrel::platform::Drive drive;
  drive.letter = 'C';
  drive.hostRoot = folder.toStdString();
  vistrel::platform::FileSystem::install(std::make_unique<vistrel::platform::FileSystem>(
      std::vector<vistrel::platform::Drive>{drive}, "C:\\"));
  std::vector<std::string> files;
  for (int i = 0; i < kSnapshots; ++i)
    files.push_back(QDir(folder).filePath(QString::asprintf("snap%03d.jpg", i)).toStdString());

  for (auto _ : state) {
    vistrel::TVLImageGen gen;
    gen.SetClockSource(vistrel::TSLClockSource::csExternal);
    gen.SetEnabled(false);
    gen.SetFrameRate(5);
    vistrel::TVLDSVideoLogger logger;
    logger.SetEnabled(false);
    Context context(logger);
    logger.readProperty("VideoCompression.Enabled", true, context);
    logger.readProperty("VideoCompression.Compressions", StoredCompressions(), context);
    gen.OutputPin().Connect(&logger.InputPin());

    vistrel::LoadPictureFile(gen.Picture(), files[0]);
    logger.SetFileName("C:\\vistrel.avi");
    logger.SetEnabled(true);
    gen.SetEnabled(true);
    for (const std::string& file : files) {
      vistrel::LoadPictureFile(gen.Picture(), file);
      gen.GenerateFrame();
      QCoreApplication::processEvents();
    }
    gen.SetEnabled(false);
    logger.SetEnabled(false);
  }
  state.SetItemsProcessed(state.iterations() * kSnapshots);
  state.SetLabel("generator -> logger -> AVI");
}
BENCHMARK(RecordSnapshots)
    ->Args({640, 480})
    ->Args({1920, 1080})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void FfmpegXvid(benchmark::State& state) {
  const QString folder =
      SnapshotFolder(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const QString output = QDir(folder).filePath("ffmpeg.avi");
  for (auto _ : state) {
    QProcess process;
    process.start("ffmpeg", {"-y", "-v", "error", "-framerate", "5", "-i",
                             QDir(folder).filePath("snap%03d.jpg"), "-c:v", "libxvid", "-threads",
                             "1", output});
    process.waitForFinished(-1);
    if (process.exitCode() != 0) {
      state.SkipWithError(process.readAllStandardError().toStdString().c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * kSnapshots);
  state.SetLabel("ffmpeg -c:v libxvid -threads 1");
}
BENCHMARK(FfmpegXvid)
    ->Args({640, 480})
    ->Args({1920, 1080})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir folder;
  gFolder = &folder;
  return vistrel::bench::RunBenchmarks<QGuiApplication>(argc, argv);
}
