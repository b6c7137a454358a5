#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include "temp_folder.h"

namespace {

class DemoArchiveTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    drive_ = new vistrel::test::TempFolder;
    output_ = new QString;
    ASSERT_EQ(run({drivePath()}, output_), 0) << output_->toStdString();
  }
  static void TearDownTestSuite() {
    // Removing a read-only file needs only a writable folder.
    delete drive_;
    delete output_;
  }

  static int run(const QStringList& arguments, QString* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(VISTREL_DEMO_ARCHIVE_PROGRAM, arguments);
    if (!process.waitForFinished(120000)) return -1;
    if (output) *output = QString::fromUtf8(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

  static QString drivePath() { return QString::fromStdString(drive_->path().string()); }
  static QString recordsRoot() {
    return QDir(drivePath()).filePath("Program Files/Vistrel/Records");
  }
  static QStringList entries(const QString& folder, QDir::Filters filters) {
    return QDir(folder).entryList(filters | QDir::NoDotAndDotDot, QDir::Name);
  }

  static vistrel::test::TempFolder* drive_;
  static QString* output_;
};

vistrel::test::TempFolder* DemoArchiveTest::drive_ = nullptr;
QString* DemoArchiveTest::output_ = nullptr;

TEST_F(DemoArchiveTest, DateAndHourFoldersHaveTheRecorderShape) {
  const QStringList dates = entries(recordsRoot(), QDir::Dirs);
  ASSERT_GE(dates.size(), 3);
  bool dateWithoutHours = false;
  for (const QString& date : dates) {
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d{2}-\\d{2}$").match(date).hasMatch())
        << date.toStdString();
    const QStringList hours = entries(QDir(recordsRoot()).filePath(date), QDir::Dirs);
    dateWithoutHours |= hours.isEmpty();
    for (const QString& hour : hours) {
      EXPECT_TRUE(QRegularExpression("^([01]\\d|2[0-3])$").match(hour).hasMatch())
          << hour.toStdString();
    }
  }
  EXPECT_TRUE(dateWithoutHours);
  EXPECT_EQ(entries(QDir(recordsRoot()).filePath(dates[0]), QDir::Dirs),
            QStringList({"07", "08", "10", "23"}))
      << "hour 09 is missing on purpose";
}

TEST_F(DemoArchiveTest, SnapshotsDecodeSortByTimeAndIncludeTheOddOnes) {
  int damaged = 0, readOnly = 0, upperCase = 0, large = 0, total = 0;
  for (const QString& date : entries(recordsRoot(), QDir::Dirs)) {
    const QString dateFolder = QDir(recordsRoot()).filePath(date);
    for (const QString& hour : entries(dateFolder, QDir::Dirs)) {
      const QString hourFolder = QDir(dateFolder).filePath(hour);
      const QStringList files = entries(hourFolder, QDir::Files);
      EXPECT_GE(files.size(), 10);
      EXPECT_LE(files.size(), 40);
      QString previous;
      for (const QString& name : files) {
        ++total;
        // hhmmss.jpg within its own hour; name order is time order.
        ASSERT_TRUE(QRegularExpression("^\\d{6}\\.(jpg|JPG)$").match(name).hasMatch())
            << name.toStdString();
        EXPECT_EQ(name.left(2), hour);
        EXPECT_LT(name.mid(2, 2).toInt(), 60);
        EXPECT_LT(name.mid(4, 2).toInt(), 60);
        EXPECT_LT(previous.left(6), name.left(6));
        previous = name;
        upperCase += name.endsWith(".JPG");

        const QString path = QDir(hourFolder).filePath(name);
        if (!(QFileInfo(path).permissions() & QFile::WriteOwner)) ++readOnly;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        ASSERT_TRUE(bytes.startsWith("\xFF\xD8")) << name.toStdString();
        const QImage image = QImage::fromData(bytes);
        ASSERT_FALSE(image.isNull()) << name.toStdString();
        if (!bytes.endsWith("\xFF\xD9")) {
          // Cut in its scan data: the header still reads, the picture ends early
          // (libjpeg only warns about that).
          ++damaged;
          EXPECT_EQ(hourFolder, QDir(recordsRoot()).filePath("2026-12-03/10"));
          EXPECT_GT(bytes.indexOf("\xFF\xDA"), 0);
          continue;
        }
        EXPECT_TRUE(image.size() == QSize(640, 480) || image.size() == QSize(1920, 1080));
        large += image.width() == 1920;
      }
    }
  }
  EXPECT_EQ(damaged, 1);
  EXPECT_EQ(readOnly, 1);
  EXPECT_GT(upperCase, 0);
  EXPECT_GT(large, 0);
  EXPECT_TRUE(output_->contains(QString("Wrote %1 snapshots").arg(total)))
      << output_->toStdString();
}

TEST_F(DemoArchiveTest, ExistingArchiveIsLeftAloneWithoutForce) {
  const QString probe = QDir(recordsRoot()).filePath("2026-12-03/07/keep.txt");
  QFile file(probe);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("mine");
  file.close();
  const QDateTime before = QFileInfo(QDir(recordsRoot()).filePath("2026-12-03/07")).lastModified();

  QString output;
  EXPECT_EQ(run({drivePath()}, &output), 1);
  EXPECT_TRUE(output.contains("--force")) << output.toStdString();
  EXPECT_EQ(QFileInfo(QDir(recordsRoot()).filePath("2026-12-03/07")).lastModified(), before);

  // --force rewrites the snapshots, the read-only one included, and keeps other files.
  EXPECT_EQ(run({"--force", drivePath()}, &output), 0) << output.toStdString();
  EXPECT_TRUE(QFileInfo::exists(probe));
  QFile::remove(probe);
}

// The events day: vistrel-export --events finds the three crossings, each
// from the first snapshot the person is in to the one after they left, and
// nothing else in three hours of noise and rising light.
TEST_F(DemoArchiveTest, EventsDayHasExactlyItsThreeCrossings) {
  vistrel::test::TempFolder drive;
  const QString drivePath = QString::fromStdString(drive.path().string());
  QString output;
  ASSERT_EQ(run({"--events-day", drivePath}, &output), 0) << output.toStdString();
  EXPECT_TRUE(output.contains("A person crosses the yard at 14:21:40, 15:08:20, 16:44:00"))
      << output.toStdString();
  EXPECT_EQ(run({"--events-day", drivePath}, &output), 1) << "an existing day is kept";

  QProcess exporter;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_CACHE_HOME", QString::fromStdString((drive.path() / "cache").string()));
  exporter.setProcessEnvironment(environment);
  exporter.start(VISTREL_EXPORT_PROGRAM, {"--drive", "C:=" + drivePath, "--events", "--json",
                                          "C:\\Program Files\\Vistrel\\Records\\2026-12-07"});
  ASSERT_TRUE(exporter.waitForFinished(300000));
  const QString errors = QString::fromUtf8(exporter.readAllStandardError());
  EXPECT_EQ(exporter.exitCode(), 0) << errors.toStdString();
  EXPECT_TRUE(errors.contains("3 events among 540 snapshots, 0 skipped")) << errors.toStdString();
  QStringList starts, ends;
  for (const QByteArray& line : exporter.readAllStandardOutput().split('\n')) {
    if (line.isEmpty()) continue;
    const QJsonObject event = QJsonDocument::fromJson(line).object();
    starts << event["start"].toString();
    ends << event["end"].toString();
  }
  EXPECT_EQ(starts,
            QStringList({"2026-12-07T14:21:40", "2026-12-07T15:08:20", "2026-12-07T16:44:00"}));
  EXPECT_EQ(ends,
            QStringList({"2026-12-07T14:23:20", "2026-12-07T15:10:00", "2026-12-07T16:45:40"}));
}

}  // namespace
