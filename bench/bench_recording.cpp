// Video export throughput against the ffmpeg program on the same snapshots.
//
// Each snapshot set is a folder of snap000.jpg, snap001.jpg ... (numbered
// from 0 or 1, as ffmpeg's image writer numbers them). Our side plays them
// through the path the window uses with export on: decoded ahead on a
// worker, put into the generator's picture, one frame each to the video
// logger, which compresses with the stored compressor item (fixed
// quantiser 3) and writes the AVI file on its own thread. The other side is
//   ffmpeg -framerate 5 -i snap%03d.jpg -c:v libxvid -q:v 3 -threads 1
// Both run in one benchmark, which reports both rates, their ratio and the
// average PSNR of our video against the snapshots. The batch exporter's way
// (each snapshot decoded into its own planes, handed over as they are) runs
// too ("planes_..."). Every video's Y, U, V and average PSNR come from
// ffmpeg's psnr filter against the snapshots ("..._psnr_y" and so on). On a machine that others
// share, wall-clock rates say little; the CPU seconds per frame of both
// sides ("ours_cpu_ms", "ffmpeg_cpu_ms") are reported as well.
//
// ExportMemory records 10,000 frames of the first set and reports the peak
// resident memory after 100 frames and after 10,000.
//
// The window decodes each snapshot's bitmap for the screen and, with export
// on, its planes beside it for the video; "ours" does the same.
//
// Snapshot sets: the folders named by --snapshots=DIR (repeatable) or by
// VISTREL_BENCH_SNAPSHOTS (folders separated by ':'); without either, sets
// of 640 × 480 and 1920 × 1080 are made in a temporary folder.

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include "bench/bench_main.h"
#include "picture/jpeg_codec.h"
#include "picture/picture.h"
#include "picture/snapshot_decode_ahead.h"
#include "pipeline/image_gen.h"
#include "platform/file_system.h"
#include "recording/video_logger.h"

namespace {

constexpr int kGeneratedSnapshots = 300;
constexpr int kFramesPerSecond = 5;
QTemporaryDir* gScratch = nullptr;

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

QString GenerateSet(int width, int height) {
  const QString folder = QDir(gScratch->path()).filePath(QString("%1x%2").arg(width).arg(height));
  QDir().mkpath(folder);
  vistrel::jpeg::EncodeOptions options;
  options.quality = 75;
  for (int i = 0; i < kGeneratedSnapshots; ++i) {
    const std::vector<std::uint8_t> bytes = vistrel::jpeg::Encode(Scene(width, height, i), options);
    std::ofstream(QDir(folder).filePath(QString::asprintf("snap%03d.jpg", i)).toStdString(),
                  std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  return folder;
}

// The snapshot as the viewer decodes it (red-green-blue rows).
QImage DecodeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  return vistrel::jpeg::Decode(bytes.data(), bytes.size(), {}).bitmap;
}

struct SnapshotSet {
  QString folder;
  std::vector<std::string> files;  // host paths, in number order
  int width = 0;
  int height = 0;
};

// snap%03d.jpg numbered on from 0 or 1, as ffmpeg's image reader finds them.
SnapshotSet ReadSet(const QString& folder) {
  SnapshotSet set{folder, {}, 0, 0};
  const QDir dir(folder);
  int number = dir.exists("snap000.jpg") ? 0 : 1;
  for (;; ++number) {
    const QString name = QString::asprintf("snap%03d.jpg", number);
    if (!dir.exists(name)) break;
    set.files.push_back(dir.filePath(name).toStdString());
  }
  if (!set.files.empty()) {
    const QImage first = DecodeFile(set.files.front());
    set.width = first.width();
    set.height = first.height();
  }
  return set;
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

// Drive C: is the scratch folder, where the videos go.
void InstallScratchDrive() {
  vistrel::platform::Drive drive;
  drive.letter = 'C';
  drive.hostRoot = gScratch->path().toStdString();
  vistrel::platform::FileSystem::install(std::make_unique<vistrel::platform::FileSystem>(
      std::vector<vistrel::platform::Drive>{drive}, "C:\\"));
}

// The peak resident set of this process, in MiB.
double PeakRssMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

// The generator and the logger wired and set up as the main window does.
struct Exporter {
  vistrel::TVLImageGen gen;
  vistrel::TVLDSVideoLogger logger;

  explicit Exporter(const std::string& firstFile, const std::string& video) {
    gen.SetClockSource(vistrel::TSLClockSource::csExternal);
    gen.SetEnabled(false);
    gen.SetFrameRate(kFramesPerSecond);
    logger.SetEnabled(false);
    Context context(logger);
    logger.readProperty("VideoCompression.Enabled", true, context);
    logger.readProperty("VideoCompression.Compressions", StoredCompressions(), context);
    gen.OutputPin().Connect(&logger.InputPin());
    vistrel::LoadPictureFile(gen.Picture(), firstFile);
    logger.SetFileName(video);
    logger.SetEnabled(true);
    gen.SetEnabled(true);
  }
  // One snapshot as one frame.
  void Export(vistrel::SnapshotDecodeAhead::Decoded& snapshot) {
    snapshot.applyTo(gen.Picture());
    gen.GenerateFrame();
    QCoreApplication::processEvents();
  }
  // Completes the file.
  void Finish() {
    gen.SetEnabled(false);
    logger.SetEnabled(false);
  }
};

// User and system CPU seconds of this process (all threads) or of its
// finished children.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Frames per second of our export of `set` into C:\<video>; adds the CPU
// seconds it took to `cpu`. `output` says what the snapshots are decoded
// into: bitmaps with planes beside them as the window decodes them with
// export on, or video planes alone as the batch exporter hands them over.
double ExportRate(const SnapshotSet& set, const std::string& video, double* cpu,
                  vistrel::SnapshotDecodeAhead::Output output =
                      vistrel::SnapshotDecodeAhead::Output::BitmapAndVideoPlanes) {
  const double cpuStart = CpuSeconds(RUSAGE_SELF);
  const auto start = std::chrono::steady_clock::now();
  {
    Exporter exporter(set.files.front(), "C:\\" + video);
    vistrel::SnapshotDecodeAhead ahead(3, output);
    std::vector<vistrel::SnapshotDecodeAhead::File> files;
    for (const std::string& file : set.files) files.push_back({file, {}});
    ahead.start(std::move(files));
    while (auto snapshot = ahead.next()) exporter.Export(*snapshot);
    exporter.Finish();
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  *cpu = CpuSeconds(RUSAGE_SELF) - cpuStart;
  return static_cast<double>(set.files.size()) / took.count();
}

// Frames per second of the ffmpeg command on `set`; 0 when it failed.
double FfmpegRate(const SnapshotSet& set, std::string* error, double* cpu) {
  const double cpuStart = CpuSeconds(RUSAGE_CHILDREN);
  const QString first = QFileInfo(QString::fromStdString(set.files.front())).fileName();
  const int startNumber = first == "snap000.jpg" ? 0 : 1;
  const auto start = std::chrono::steady_clock::now();
  QProcess process;
  process.start("ffmpeg", {"-y", "-v", "error", "-framerate", QString::number(kFramesPerSecond),
                           "-start_number", QString::number(startNumber), "-i",
                           QDir(set.folder).filePath("snap%03d.jpg"), "-c:v", "libxvid", "-q:v",
                           "3", "-threads", "1", QDir(gScratch->path()).filePath("ffmpeg.avi")});
  process.waitForFinished(-1);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  *cpu = CpuSeconds(RUSAGE_CHILDREN) - cpuStart;
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    *error = "ffmpeg: " + process.readAllStandardError().toStdString();
    return 0;
  }
  return static_cast<double>(set.files.size()) / took.count();
}

// Average PSNR (dB, over red, green and blue) of the first `frames` frames
// of the video against the snapshots, decoded by us; 0 when unreadable.
double AveragePsnr(const std::string& videoHostPath, const SnapshotSet& set, int frames) {
  frames = std::min<int>(frames, static_cast<int>(set.files.size()));
  QProcess process;
  process.start("ffmpeg", {"-v", "error", "-i", QString::fromStdString(videoHostPath), "-frames:v",
                           QString::number(frames), "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
  process.waitForFinished(-1);
  const QByteArray raw = process.readAllStandardOutput();
  const qsizetype frameBytes = qsizetype(set.width) * set.height * 3;
  double total = 0;
  int counted = 0;
  for (int i = 0; i < frames && (i + 1) * frameBytes <= raw.size(); ++i) {
    const QImage source = DecodeFile(set.files[i]).convertToFormat(QImage::Format_RGB888);
    double squares = 0;
    for (int y = 0; y < set.height; ++y) {
      const uchar* a = source.constScanLine(y);
      const auto* b = reinterpret_cast<const uchar*>(raw.constData()) + i * frameBytes +
                      qsizetype(y) * set.width * 3;
      for (int x = 0; x < set.width * 3; ++x) {
        const double d = double(a[x]) - double(b[x]);
        squares += d * d;
      }
    }
    const double mse = squares / double(frameBytes);
    total += mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 100.0;
    ++counted;
  }
  return counted > 0 ? total / counted : 0;
}

// Y, U, V and average PSNR (dB) of a video against the snapshots, as
// ffmpeg's psnr filter gives them (the snapshots brought to the video's
// format by ffmpeg's own conversion); zeros when it failed.
std::array<double, 4> FilterPsnr(const QString& video, const SnapshotSet& set) {
  const QFileInfo first(QString::fromStdString(set.files.front()));
  const QString pattern = first.dir().filePath("snap%03d.jpg");
  const QString startNumber = first.baseName().mid(4);
  QProcess process;
  process.start("ffmpeg", {"-hide_banner", "-i", video, "-framerate",
                           QString::number(kFramesPerSecond), "-start_number", startNumber, "-i",
                           pattern, "-lavfi", "[0:v][1:v]psnr", "-f", "null", "-"});
  process.waitForFinished(-1);
  const QString text = QString::fromUtf8(process.readAllStandardError());
  std::array<double, 4> result{0, 0, 0, 0};
  const char* keys[4] = {" y:", " u:", " v:", " average:"};
  const qsizetype line = text.lastIndexOf("PSNR");
  if (line < 0) return result;
  for (int i = 0; i < 4; ++i) {
    const qsizetype at = text.indexOf(keys[i], line);
    if (at >= 0)
      result[i] = text.mid(at + qsizetype(std::strlen(keys[i]))).section(' ', 0, 0).toDouble();
  }
  return result;
}

void ReportPsnr(benchmark::State& state, const std::string& prefix,
                const std::array<double, 4>& psnr) {
  state.counters[prefix + "_psnr_y"] = psnr[0];
  state.counters[prefix + "_psnr_u"] = psnr[1];
  state.counters[prefix + "_psnr_v"] = psnr[2];
  state.counters[prefix + "_psnr_avg"] = psnr[3];
}

void ExportVersusFfmpeg(benchmark::State& state, const SnapshotSet& set) {
  InstallScratchDrive();
  double ours = 0;
  double theirs = 0;
  double planes = 0;
  double ourCpu = 0;
  double planesCpu = 0;
  double theirCpu = 0;
  std::string error;
  for (auto _ : state) {
    ours = ExportRate(set, "ours.avi", &ourCpu);
    planes = ExportRate(set, "planes.avi", &planesCpu,
                        vistrel::SnapshotDecodeAhead::Output::VideoPlanes);
    theirs = FfmpegRate(set, &error, &theirCpu);
  }
  if (theirs <= 0) {
    state.SkipWithError(error.c_str());
    return;
  }
  state.counters["ours_fps"] = ours;
  state.counters["ffmpeg_fps"] = theirs;
  state.counters["ratio"] = ours / theirs;
  const double frames = static_cast<double>(set.files.size());
  state.counters["ours_cpu_ms"] = 1000 * ourCpu / frames;
  state.counters["ffmpeg_cpu_ms"] = 1000 * theirCpu / frames;
  state.counters["psnr_dB"] =
      AveragePsnr(QDir(gScratch->path()).filePath("ours.avi").toStdString(), set, 100);
  // The batch exporter's path: the snapshots' own planes.
  state.counters["planes_fps"] = planes;
  state.counters["planes_ratio"] = planes / theirs;
  state.counters["planes_cpu_ms"] = 1000 * planesCpu / frames;
  const QDir scratch(gScratch->path());
  ReportPsnr(state, "ours", FilterPsnr(scratch.filePath("ours.avi"), set));
  ReportPsnr(state, "planes", FilterPsnr(scratch.filePath("planes.avi"), set));
  ReportPsnr(state, "ffmpeg", FilterPsnr(scratch.filePath("ffmpeg.avi"), set));
  state.SetItemsProcessed(static_cast<std::int64_t>(set.files.size()));
  state.SetLabel(std::to_string(set.files.size()) + " snapshots " + std::to_string(set.width) +
                 "x" + std::to_string(set.height));
}

void ExportMemory(benchmark::State& state, const SnapshotSet& set) {
  InstallScratchDrive();
  constexpr int kFrames = 10000;
  constexpr int kEarly = 100;
  double early = 0;
  double late = 0;
  for (auto _ : state) {
    // Only this recording's peak counts ("5": reset the peak to the current size).
    std::ofstream("/proc/self/clear_refs") << "5";
    Exporter exporter(set.files.front(), "C:\\memory.avi");
    vistrel::SnapshotDecodeAhead ahead;
    int exported = 0;
    while (exported < kFrames) {
      std::vector<vistrel::SnapshotDecodeAhead::File> files;
      for (std::size_t i = 0; i < set.files.size() && exported + files.size() < kFrames; ++i)
        files.push_back({set.files[i], {}});
      ahead.start(std::move(files));
      while (auto snapshot = ahead.next()) {
        exporter.Export(*snapshot);
        if (++exported == kEarly) early = PeakRssMiB();
      }
    }
    exporter.Finish();
    late = PeakRssMiB();
  }
  state.counters["peak_rss_100_MiB"] = early;
  state.counters["peak_rss_10000_MiB"] = late;
  state.counters["rss_ratio"] = early > 0 ? late / early : 0;
  state.SetLabel(std::to_string(kFrames) + " frames " + std::to_string(set.width) + "x" +
                 std::to_string(set.height));
}

// The folders named on the command line (removed from it) or in the
// environment.
std::vector<QString> SnapshotFolders(int& argc, char** argv) {
  std::vector<QString> folders;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.rfind("--snapshots=", 0) == 0) {
      folders.push_back(QString::fromStdString(argument.substr(12)));
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  if (folders.empty()) {
    for (const QString& folder :
         qEnvironmentVariable("VISTREL_BENCH_SNAPSHOTS").split(':', Qt::SkipEmptyParts))
      folders.push_back(folder);
  }
  return folders;
}

std::vector<SnapshotSet> gSets;

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir scratch;
  gScratch = &scratch;
  std::vector<QString> folders = SnapshotFolders(argc, argv);
  const bool generate = folders.empty();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (generate) folders = {GenerateSet(640, 480), GenerateSet(1920, 1080)};
  for (const QString& folder : folders) {
    SnapshotSet set = ReadSet(folder);
    if (set.files.empty()) {
      std::fprintf(stderr, "bench_recording: no snap%%03d.jpg in %s\n", qPrintable(folder));
      return 1;
    }
    gSets.push_back(std::move(set));
  }
  for (const SnapshotSet& set : gSets) {
    const std::string size = std::to_string(set.width) + "x" + std::to_string(set.height);
    benchmark::RegisterBenchmark(("ExportVersusFfmpeg/" + size).c_str(), ExportVersusFfmpeg, set)
        ->Iterations(1)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("ExportMemory", ExportMemory, gSets.front())
      ->Iterations(1)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
