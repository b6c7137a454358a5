#include "avi_reader.h"

#include <cmath>
#include <cstring>
#include <limits>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace vistrel::test {

namespace {

// The tool's standard output; empty when it cannot start or fails, with the
// reason in `errors`.
QByteArray Run(const QString& program, const QStringList& arguments, QByteArray* errors) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForStarted(-1)) {
    if (errors) *errors = "cannot start " + program.toUtf8();
    return {};
  }
  process.closeWriteChannel();
  process.waitForFinished(-1);
  if (errors) *errors = process.readAllStandardError();
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    if (errors && errors->isEmpty())
      *errors = "exit code " + QByteArray::number(process.exitCode());
    return {};
  }
  return process.readAllStandardOutput();
}

QByteArray Decode(const std::string& path, const QString& pixelFormat) {
  return Run("ffmpeg",
             {"-v", "error", "-i", QString::fromStdString(path), "-f", "rawvideo", "-pix_fmt",
              pixelFormat, "-"},
             nullptr);
}

}  // namespace

std::optional<AviFacts> probeAvi(const std::string& path, std::string* error) {
  QByteArray errors;
  const QByteArray output = Run("ffprobe",
                                {"-v", "error", "-count_frames", "-show_streams", "-show_format",
                                 "-show_packets", "-of", "json", QString::fromStdString(path)},
                                &errors);
  if (error) *error = errors.toStdString();
  const QJsonDocument document = QJsonDocument::fromJson(output);
  if (output.isEmpty() || !document.isObject()) return std::nullopt;
  const QJsonObject root = document.object();
  AviFacts facts;
  const QJsonObject format = root["format"].toObject();
  facts.formatName = format["format_name"].toString().toStdString();
  facts.duration = format["duration"].toString("-1").toDouble();
  const QJsonArray streams = root["streams"].toArray();
  facts.streams = streams.size();
  if (!streams.isEmpty()) {
    const QJsonObject stream = streams[0].toObject();
    facts.codecName = stream["codec_name"].toString().toStdString();
    facts.codecTag = stream["codec_tag_string"].toString().toStdString();
    facts.pixelFormat = stream["pix_fmt"].toString().toStdString();
    facts.width = stream["width"].toInt();
    facts.height = stream["height"].toInt();
    facts.frameRate = stream["r_frame_rate"].toString().toStdString();
    // ffprobe leaves the count out for a stream without frames.
    facts.frames = stream["nb_read_frames"].toString("0").toInt();
    facts.headerFrames = stream["nb_frames"].toString("-1").toInt();
  }
  for (const QJsonValue& packet : root["packets"].toArray())
    facts.packetTimes.push_back(packet.toObject()["pts_time"].toString("-1").toDouble());
  return facts;
}

std::vector<std::uint8_t> decodeAviRaw(const std::string& path, const std::string& pixelFormat) {
  const QByteArray raw = Decode(path, QString::fromStdString(pixelFormat));
  return std::vector<std::uint8_t>(raw.begin(), raw.end());
}

std::vector<QImage> decodeAvi(const std::string& path, int width, int height,
                              QImage::Format format) {
  const QByteArray bytes = Decode(path, format == QImage::Format_BGR888 ? "bgr24" : "rgb24");
  std::vector<QImage> frames;
  const qsizetype frameBytes = qsizetype(width) * height * 3;
  for (qsizetype offset = 0; frameBytes > 0 && offset + frameBytes <= bytes.size();
       offset += frameBytes) {
    QImage frame(width, height, format);
    for (int y = 0; y < height; ++y)
      std::memcpy(frame.scanLine(y), bytes.constData() + offset + qsizetype(y) * width * 3,
                  std::size_t(width) * 3);
    frames.push_back(frame);
  }
  return frames;
}

std::vector<std::uint8_t> referenceI420(const std::string& picturePath, int width, int height) {
  const QByteArray raw =
      Run("ffmpeg",
          {"-v", "error", "-i", QString::fromStdString(picturePath), "-vf",
           QString("scale=%1:%2,format=yuv420p").arg(width).arg(height), "-f", "rawvideo", "-"},
          nullptr);
  return std::vector<std::uint8_t>(raw.begin(), raw.end());
}

std::array<double, 3> planePsnr(const std::vector<std::uint8_t>& frames, std::size_t index,
                                const std::vector<std::uint8_t>& reference, int width, int height) {
  const std::size_t luma = std::size_t(width) * height;
  const std::size_t chroma = std::size_t((width + 1) / 2) * ((height + 1) / 2);
  const std::size_t frameBytes = luma + 2 * chroma;
  std::array<double, 3> result{0, 0, 0};
  if (reference.size() < frameBytes || frames.size() < (index + 1) * frameBytes) return result;
  const std::uint8_t* frame = frames.data() + index * frameBytes;
  const std::size_t offsets[3] = {0, luma, luma + chroma};
  const std::size_t sizes[3] = {luma, chroma, chroma};
  for (int plane = 0; plane < 3; ++plane) {
    double squares = 0;
    for (std::size_t i = 0; i < sizes[plane]; ++i) {
      const double d = double(frame[offsets[plane] + i]) - double(reference[offsets[plane] + i]);
      squares += d * d;
    }
    result[plane] = squares == 0 ? std::numeric_limits<double>::infinity()
                                 : 10 * std::log10(255.0 * 255.0 * sizes[plane] / squares);
  }
  return result;
}

double psnr(const QImage& a, const QImage& b) {
  const QImage x = a.convertToFormat(QImage::Format_RGB888);
  const QImage y = b.convertToFormat(QImage::Format_RGB888);
  if (x.size() != y.size()) return 0;
  double squares = 0;
  for (int row = 0; row < x.height(); ++row) {
    const uchar* p = x.constScanLine(row);
    const uchar* q = y.constScanLine(row);
    for (int i = 0; i < x.width() * 3; ++i) {
      const double d = double(p[i]) - double(q[i]);
      squares += d * d;
    }
  }
  if (squares == 0) return std::numeric_limits<double>::infinity();
  const double mse = squares / (double(x.width()) * x.height() * 3);
  return 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace vistrel::test
