// vistrel-demo-archive: writes a demonstration snapshot archive the way the
// camera recorder lays it out, so that the viewer has something to browse:
//
//   <drive C folder>/Program Files/Vistrel/Records/<yyyy-mm-dd>/<hh>/<hhmmss>.jpg
//
// Each snapshot shows its date and time in big text over a small street scene
// with a car and a ball that move with the clock. The archive holds gaps on
// purpose: a missing hour, a date folder without hours, upper-case ".JPG"
// names, a few 1920 x 1080 snapshots, one damaged snapshot (cut in the middle
// of its scan data) and one read-only snapshot.
//
// With --events-day it writes instead one more date folder, 2026-12-07, for
// trying the event tools: hours 14 to 16 with a snapshot every 20 seconds of
// a still yard (sensor noise and a slow rise of the light, nothing else
// moves) that a person crosses exactly three times, at known times.
//
// Usage: vistrel-demo-archive [--force] [--events-day] <host folder for drive C>
// An existing records root (or, with --events-day, date folder) is left alone
// unless --force is given; --force rewrites the snapshots this tool makes
// (read-only ones included) and leaves every other file in place. Exit status
// 0 on success, 1 on any failure.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include <QBuffer>
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <QStringList>
#include <QTime>

#include "platform/archive_layout.h"

namespace {

namespace platform = vistrel::platform;

constexpr int kJpegQuality = 80;

// The events day.
const QDate kEventsDate(2026, 12, 7);
constexpr int kEventsFirstHour = 14;
constexpr int kEventsHours = 3;
constexpr int kEventsInterval = 20;  // seconds between snapshots
constexpr int kCrossingSnapshots = 5;
// Light added per snapshot, in grey levels: 27 levels over the three hours.
constexpr double kLightPerSnapshot = 0.05;

struct Crossing {
  QTime start;  // the first snapshot the person is in
  bool leftToRight;
};

const Crossing kCrossings[] = {
    {QTime(14, 21, 40), true},
    {QTime(15, 8, 20), false},
    {QTime(16, 44, 0), true},
};

struct HourPlan {
  int hour;
  int snapshots;
  int largeSnapshots = 0;  // the last ones of the hour are 1920 x 1080
  bool upperCaseSome = false;
  bool oddFiles = false;  // holds the damaged and the read-only snapshot
};

struct DatePlan {
  QDate date;
  std::vector<HourPlan> hours;
};

// Hour 09 is missing on the first day; the last date folder has no hours.
std::vector<DatePlan> archivePlan() {
  return {
      {QDate(2026, 12, 3), {{7, 24}, {8, 18, 0, true}, {10, 30, 0, false, true}, {23, 12}}},
      {QDate(2026, 12, 4), {{0, 15}, {1, 10}, {12, 20, 3}}},
      {QDate(2026, 12, 5), {{12, 36}}},
      {QDate(2026, 12, 6), {}},
  };
}

// Deterministic pseudo-random numbers, so every run writes the same archive.
class Random {
 public:
  explicit Random(unsigned seed) : state_(seed * 2654435761u + 1) {}
  int below(int limit) {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<int>((state_ >> 8) % static_cast<unsigned>(limit));
  }

 private:
  unsigned state_;
};

// Seconds into the hour of each snapshot, strictly increasing: one falls at
// a random point of each equal slot of the hour.
std::vector<int> snapshotSeconds(int count, unsigned seed) {
  Random random(seed);
  std::vector<int> seconds;
  seconds.reserve(count);
  const int slot = 3600 / count;
  for (int i = 0; i < count; ++i) seconds.push_back(i * slot + random.below(slot));
  return seconds;
}

void drawScene(QPainter& painter, const QSize& size, const QDateTime& time) {
  const double w = size.width();
  const double h = size.height();
  const int hour = time.time().hour();
  const bool night = hour < 6 || hour >= 20;
  const int secondOfHour = time.time().minute() * 60 + time.time().second();

  painter.fillRect(QRectF(0, 0, w, h * 0.55), night ? QColor(16, 20, 60) : QColor(120, 180, 235));
  painter.fillRect(QRectF(0, h * 0.55, w, h * 0.45),
                   night ? QColor(25, 50, 25) : QColor(70, 120, 60));
  // Houses along the far side of the street.
  for (int i = 0; i < 6; ++i) {
    QRectF house(w * (0.02 + i * 0.165), h * 0.33, w * 0.13, h * 0.22);
    painter.fillRect(house, QColor::fromHsv((i * 47) % 360, 90, night ? 90 : 200));
    QPainterPath roof;
    roof.moveTo(house.left() - w * 0.01, house.top());
    roof.lineTo(house.center().x(), house.top() - h * 0.08);
    roof.lineTo(house.right() + w * 0.01, house.top());
    painter.fillPath(roof, QColor(140, 50, 40));
    painter.fillRect(QRectF(house.left() + w * 0.02, house.top() + h * 0.05, w * 0.03, h * 0.05),
                     night ? QColor(250, 220, 120) : QColor(200, 230, 250));
  }
  // The street with its centre line.
  const QRectF road(0, h * 0.62, w, h * 0.2);
  painter.fillRect(road, QColor(80, 80, 85));
  for (double x = 0; x < w; x += w * 0.1) {
    painter.fillRect(QRectF(x, road.center().y() - h * 0.006, w * 0.05, h * 0.012), Qt::white);
  }
  // A car crossing the picture every 97 seconds.
  const double carX = -w * 0.15 + (w * 1.2) * ((secondOfHour % 97) / 97.0);
  const QRectF body(carX, road.top() + h * 0.03, w * 0.18, h * 0.07);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(200, 30, 30));
  painter.drawRoundedRect(body, w * 0.01, w * 0.01);
  painter.drawRect(QRectF(body.left() + body.width() * 0.25, body.top() - h * 0.045,
                          body.width() * 0.45, h * 0.05));
  painter.setBrush(Qt::black);
  for (double wheel : {0.2, 0.8}) {
    painter.drawEllipse(QPointF(body.left() + body.width() * wheel, body.bottom()), w * 0.018,
                        w * 0.018);
  }
  // A ball bouncing over the lawn.
  const double phase = (secondOfHour % 60) / 60.0;
  const double ballX = w * (0.05 + 0.9 * phase);
  const double bounce = std::abs(std::sin(phase * 3.14159 * 6));
  painter.setBrush(QColor(250, 200, 0));
  painter.drawEllipse(QPointF(ballX, h * 0.92 - bounce * h * 0.12), w * 0.02, w * 0.02);

  // Date and time in big text, with a shadow so it reads on any background.
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setBold(true);
  font.setPixelSize(static_cast<int>(h * 0.1));
  painter.setFont(font);
  const QString stamp = time.toString(QStringLiteral("yyyy-MM-dd  HH:mm:ss"));
  const QRectF band(0, h * 0.03, w, h * 0.14);
  painter.setPen(Qt::black);
  painter.drawText(band.translated(2, 2), Qt::AlignCenter, stamp);
  painter.setPen(Qt::white);
  painter.drawText(band, Qt::AlignCenter, stamp);
  font.setPixelSize(static_cast<int>(h * 0.04));
  painter.setFont(font);
  painter.drawText(QRectF(w * 0.02, h * 0.18, w * 0.5, h * 0.06), Qt::AlignLeft, "CAM 1");
}

QByteArray encodeJpeg(const QImage& image) {
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "JPG", kJpegQuality)) {
    throw std::runtime_error("cannot encode a JPEG (is Qt's JPEG plug-in installed?)");
  }
  return jpeg;
}

QByteArray encodeSnapshot(const QSize& size, const QDateTime& time) {
  QImage image(size, QImage::Format_RGB32);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawScene(painter, size, time);
  }
  return encodeJpeg(image);
}

// Creates `folder` and its missing parents.
void makeFolder(const QString& folder) {
  if (!QDir().mkpath(folder)) throw std::runtime_error("cannot create " + folder.toStdString());
}

// False, having said why, when `folder` exists and --force was not given.
bool mayWrite(const QString& folder, bool force) {
  if (!QFileInfo::exists(folder) || force) return true;
  std::fprintf(stderr, "%s already exists; nothing written (use --force to rewrite it)\n",
               qPrintable(folder));
  return false;
}

// Cuts a JPEG half-way through its scan data: the header stays readable and
// the picture breaks off part of the way down.
QByteArray damage(const QByteArray& jpeg) {
  const qsizetype scanStart = jpeg.indexOf(QByteArray("\xFF\xDA", 2));
  if (scanStart < 0) throw std::runtime_error("encoded JPEG has no scan data");
  return jpeg.left(scanStart + (jpeg.size() - scanStart) / 2);
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (file.exists()) {
    // --force: a read-only snapshot from the last run must be rewritable.
    file.setPermissions(file.permissions() | QFile::WriteOwner);
  }
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
      !file.flush()) {
    throw std::runtime_error("cannot write " + path.toStdString() + ": " +
                             file.errorString().toStdString());
  }
}

int writeHour(const QDir& hourDir, const QDate& date, const HourPlan& plan) {
  const std::vector<int> seconds =
      snapshotSeconds(plan.snapshots, static_cast<unsigned>(date.day() * 24 + plan.hour));
  for (int i = 0; i < plan.snapshots; ++i) {
    const QTime time(plan.hour, seconds[i] / 60, seconds[i] % 60);
    const bool large = i >= plan.snapshots - plan.largeSnapshots;
    const QSize size = large ? QSize(1920, 1080) : QSize(640, 480);
    QString name = time.toString(QStringLiteral("HHmmss"));
    name += plan.upperCaseSome && i % 4 == 1 ? QStringLiteral(".JPG") : QStringLiteral(".jpg");
    const QString path = hourDir.filePath(name);
    QByteArray jpeg = encodeSnapshot(size, QDateTime(date, time));
    if (plan.oddFiles && i == plan.snapshots / 3) {
      writeFile(path, damage(jpeg));
      std::printf("  damaged snapshot (cut in its scan data): %s\n", qPrintable(path));
      continue;
    }
    writeFile(path, jpeg);
    if (plan.oddFiles && i == plan.snapshots / 2) {
      QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
      std::printf("  read-only snapshot: %s\n", qPrintable(path));
    }
  }
  return plan.snapshots;
}

// The yard of the events day without anyone in it.
QImage yard(const QSize& size) {
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  const double w = size.width();
  const double h = size.height();
  painter.fillRect(QRectF(0, 0, w, h * 0.45), QColor(150, 170, 190));
  painter.fillRect(QRectF(0, h * 0.45, w, h * 0.55), QColor(110, 105, 95));
  // Paving slabs: a texture for the noise to sit on, the same every snapshot.
  painter.setPen(QColor(85, 80, 72));
  for (double y = h * 0.5; y < h; y += h * 0.06) painter.drawLine(QPointF(0, y), QPointF(w, y));
  for (double x = 0; x < w; x += w * 0.08) painter.drawLine(QPointF(x, h * 0.45), QPointF(x, h));
  painter.fillRect(QRectF(w * 0.55, h * 0.12, w * 0.4, h * 0.33), QColor(160, 110, 80));
  painter.fillRect(QRectF(w * 0.68, h * 0.25, w * 0.07, h * 0.2), QColor(70, 50, 35));
  painter.fillRect(QRectF(w * 0.05, h * 0.3, w * 0.3, h * 0.15), QColor(60, 90, 50));
  return image;
}

// A person about a quarter of the picture's height tall,
// standing on the ground at `x` (their left edge).
void drawPerson(QPainter& painter, const QSize& size, double x) {
  const double h = size.height();
  const double top = h * 0.55;
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(40, 45, 70));
  painter.drawRect(QRectF(x + h * 0.01, top + h * 0.16, h * 0.05, h * 0.12));  // legs
  painter.setBrush(QColor(170, 40, 40));
  painter.drawRect(QRectF(x, top + h * 0.04, h * 0.07, h * 0.13));  // coat
  painter.setBrush(QColor(220, 180, 150));
  painter.drawEllipse(QRectF(x + h * 0.015, top, h * 0.04, h * 0.045));  // head
}

// Sensor noise of a few grey levels, different in every snapshot (`seed`),
// and the light raised by `light` levels.
void addNoiseAndLight(QImage& image, unsigned seed, int light) {
  Random random(seed);
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      int channel[3] = {qRed(row[x]), qGreen(row[x]), qBlue(row[x])};
      for (int& value : channel)
        value = std::clamp(value + light + random.below(7) + random.below(7) - 6, 0, 255);
      row[x] = qRgb(channel[0], channel[1], channel[2]);
    }
  }
}

int runEventsDay(const QString& driveFolder, bool force) {
  const QString dateFolder =
      QDir(driveFolder)
          .filePath(QStringLiteral("Program Files/Vistrel/Records/") +
                    QString::fromStdString(platform::dateFolderName(kEventsDate)));
  if (!mayWrite(dateFolder, force)) return 1;
  const QSize size(640, 480);
  const QImage empty = yard(size);
  int index = 0;  // snapshots since the first hour's start: the light and noise
  for (int hour = kEventsFirstHour; hour < kEventsFirstHour + kEventsHours; ++hour) {
    const QString hourFolder =
        QDir(dateFolder).filePath(QString::fromStdString(platform::hourFolderName(hour)));
    makeFolder(hourFolder);
    int written = 0;
    for (int second = 0; second < 3600; second += kEventsInterval, ++index, ++written) {
      const QTime time(hour, second / 60, second % 60);
      QImage image = empty;
      for (const Crossing& crossing : kCrossings) {
        const int step = crossing.start.secsTo(time) / kEventsInterval;
        if (crossing.start > time || step >= kCrossingSnapshots) continue;
        // Evenly from just inside one edge to just inside the other.
        const double span = size.width() * 0.85;
        const double along = span * step / (kCrossingSnapshots - 1);
        QPainter painter(&image);
        drawPerson(painter, size,
                   size.width() * 0.03 + (crossing.leftToRight ? along : span - along));
      }
      addNoiseAndLight(image, unsigned(index) + 1, int(index * kLightPerSnapshot));
      writeFile(QDir(hourFolder).filePath(time.toString(QStringLiteral("HHmmss")) + ".jpg"),
                encodeJpeg(image));
    }
    std::printf("%s: %d snapshots\n", qPrintable(hourFolder), written);
  }
  QStringList times;
  for (const Crossing& crossing : kCrossings)
    times << crossing.start.toString(QStringLiteral("HH:mm:ss"));
  std::printf("A person crosses the yard at %s (in %d snapshots each, %d s apart)\n",
              qPrintable(times.join(QStringLiteral(", "))), kCrossingSnapshots, kEventsInterval);
  return 0;
}

int run(const QString& driveFolder, bool force) {
  const QString recordsRoot =
      QDir(driveFolder).filePath(QStringLiteral("Program Files/Vistrel/Records"));
  if (!mayWrite(recordsRoot, force)) return 1;
  int total = 0;
  for (const DatePlan& day : archivePlan()) {
    const QString dateFolder =
        QDir(recordsRoot).filePath(QString::fromStdString(platform::dateFolderName(day.date)));
    makeFolder(dateFolder);
    if (day.hours.empty()) std::printf("%s: no hour folders\n", qPrintable(dateFolder));
    for (const HourPlan& hour : day.hours) {
      const QString hourFolder =
          QDir(dateFolder).filePath(QString::fromStdString(platform::hourFolderName(hour.hour)));
      makeFolder(hourFolder);
      const int written = writeHour(QDir(hourFolder), day.date, hour);
      std::printf("%s: %d snapshots%s\n", qPrintable(hourFolder), written,
                  hour.largeSnapshots
                      ? QString::asprintf(" (%d of them 1920 x 1080)", hour.largeSnapshots)
                            .toUtf8()
                            .constData()
                      : "");
      total += written;
    }
  }
  std::printf("Wrote %d snapshots under %s\n", total, qPrintable(recordsRoot));
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Fonts need a platform; without a display the offscreen one serves.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);

  QString driveFolder;
  bool force = false;
  bool eventsDay = false;
  for (const QString& argument : application.arguments().mid(1)) {
    if (argument == QLatin1String("--force")) {
      force = true;
    } else if (argument == QLatin1String("--events-day")) {
      eventsDay = true;
    } else if (driveFolder.isEmpty() && !argument.startsWith(QLatin1Char('-'))) {
      driveFolder = argument;
    } else {
      driveFolder.clear();
      break;
    }
  }
  if (driveFolder.isEmpty()) {
    std::fprintf(
        stderr, "usage: vistrel-demo-archive [--force] [--events-day] <host folder for drive C>\n");
    return 1;
  }
  try {
    return eventsDay ? runEventsDay(driveFolder, force) : run(driveFolder, force);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vistrel-demo-archive: %s\n", error.what());
    return 1;
  }
}
