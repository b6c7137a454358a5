#include "avi_probe.h"

#include <cmath>
#include <limits>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace vistrel::media::test {

namespace {

QByteArray run(const QString& program, const QStringList& arguments, QByteArray* errors) {
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

}  // namespace

std::optional<ProbeResult> probe(const std::string& path, std::string* error) {
  QByteArray errors;
  const QByteArray output = run("ffprobe",
                                {"-v", "error", "-count_frames", "-show_streams", "-show_format",
                                 "-of", "json", QString::fromStdString(path)},
                                &errors);
  if (error) *error = errors.toStdString();
  const QJsonDocument document = QJsonDocument::fromJson(output);
  if (output.isEmpty() || !document.isObject()) return std::nullopt;
  const QJsonObject root = document.object();
  ProbeResult result;
  const QJsonObject format = root["format"].toObject();
  result.formatName = format["format_name"].toString().toStdString();
  result.duration = format["duration"].toString("-1").toDouble();
  const QJsonArray streams = root["streams"].toArray();
  result.streams = streams.size();
  if (!streams.isEmpty()) {
    const QJsonObject stream = streams[0].toObject();
    result.codecName = stream["codec_name"].toString().toStdString();
    result.codecTag = stream["codec_tag_string"].toString().toStdString();
    result.pixelFormat = stream["pix_fmt"].toString().toStdString();
    result.width = stream["width"].toInt();
    result.height = stream["height"].toInt();
    result.frameRate = stream["r_frame_rate"].toString().toStdString();
    // ffprobe leaves the count out when it read no frame.
    result.frames = stream["nb_read_frames"].toString("0").toInt();
  }
  return result;
}

std::vector<Picture> decodeFrames(const std::string& path, int width, int height) {
  const QByteArray raw = run("ffmpeg",
                             {"-v", "error", "-i", QString::fromStdString(path), "-f", "rawvideo",
                              "-pix_fmt", "bgr24", "-"},
                             nullptr);
  std::vector<Picture> frames;
  const qsizetype frameBytes = qsizetype(width) * height * 3;
  for (qsizetype offset = 0; offset + frameBytes <= raw.size(); offset += frameBytes) {
    Picture picture{width, height, std::vector<std::uint8_t>(Picture::rowBytes(width) * height)};
    for (int y = 0; y < height; ++y)
      std::copy_n(raw.constData() + offset + qsizetype(y) * width * 3, width * 3,
                  picture.pixel(0, y));
    frames.push_back(std::move(picture));
  }
  return frames;
}

std::vector<std::uint8_t> decodeRaw(const std::string& path, const std::string& pixelFormat) {
  const QByteArray raw = run("ffmpeg",
                             {"-v", "error", "-i", QString::fromStdString(path), "-f", "rawvideo",
                              "-pix_fmt", QString::fromStdString(pixelFormat), "-"},
                             nullptr);
  return std::vector<std::uint8_t>(raw.begin(), raw.end());
}

double psnr(const Picture& a, const Picture& b) {
  double squares = 0;
  long long count = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width * 3; ++x) {
      const double d = double(a.pixel(0, y)[x]) - double(b.pixel(0, y)[x]);
      squares += d * d;
      ++count;
    }
  }
  if (squares == 0) return std::numeric_limits<double>::infinity();
  return 10.0 * std::log10(255.0 * 255.0 * double(count) / squares);
}

}  // namespace vistrel::media::test
