#include "exporting/contact_sheet.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <thread>
#include <unordered_map>

#include <QBuffer>
#include <QFont>
#include <QFontMetrics>
#include <QImageWriter>
#include <QPainter>

#include "exporting/sheet_thumbnail.h"
#include "exporting/snapshot_events.h"
#include "platform/file_system.h"
#include "recording/export_session.h"

namespace vistrel::exporter {
namespace {

namespace fs = std::filesystem;

// One tile's snapshot and what became of it.
struct Tile {
  std::size_t index = 0;  // in the snapshot list
  std::string host;       // host path; empty when the drive is not mapped
  std::string problem;    // the loader's message once it proved damaged
  bool event = false;     // an event touches the snapshots it stands for
  QDateTime time;
};

// The loader's message of each snapshot the activity index found damaged.
using DamageByPath = std::unordered_map<std::string, const std::string*>;

// The size of the first snapshot whose header reads, for the tiles' shape;
// empty when none does.
QSize firstSnapshotSize(const std::vector<std::string>& snapshots, const DamageByPath& damaged) {
  const platform::FileSystem& files = platform::FileSystem::instance();
  for (const std::string& path : snapshots) {
    if (damaged.count(path) > 0) continue;
    const auto host = files.toHost(path);
    const QSize size = host ? readSnapshotSize(host->string()) : QSize();
    if (!size.isEmpty()) return size;
  }
  return QSize();
}

// Decodes the tiles on one worker per core, each thumbnail's rows straight
// into its box of the sheet: the boxes do not overlap, and `bits` was taken
// (detached) before the workers start, so no worker touches the QImage.
void drawThumbnails(std::vector<Tile>& tiles, const std::vector<std::string>& snapshots,
                    const SheetLayout& layout, uchar* bits, qsizetype bytesPerLine,
                    const std::atomic<bool>* interrupt) {
  std::atomic<std::size_t> next{0};
  const QSize box(layout.tileWidth, layout.tileHeight);
  auto work = [&] {
    for (std::size_t i = next++; i < tiles.size(); i = next++) {
      if (interrupt != nullptr && interrupt->load()) return;
      Tile& tile = tiles[i];
      if (!tile.problem.empty()) continue;  // the index found it damaged
      const SheetThumbnail thumbnail = loadSheetThumbnail(tile.host, snapshots[tile.index], box);
      if (thumbnail.image.isNull()) {
        tile.problem = thumbnail.problem;
        continue;
      }
      const QRect target = layout.tileBox(i);
      const int left = target.x() + (box.width() - thumbnail.image.width()) / 2;
      const int top = target.y() + (box.height() - thumbnail.image.height()) / 2;
      for (int y = 0; y < thumbnail.image.height(); ++y)
        std::memcpy(bits + (top + y) * bytesPerLine + std::ptrdiff_t{left} * 3,
                    thumbnail.image.constScanLine(y), std::size_t(thumbnail.image.width()) * 3);
    }
  };
  const unsigned workers = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::thread> threads;
  for (unsigned w = 1; w < workers; ++w) threads.emplace_back(work);
  work();
  for (std::thread& thread : threads) thread.join();
}

QString timeText(const QDateTime& time, const QString& format) {
  return time.isValid() ? time.toString(format) : QStringLiteral("time unknown");
}

// "2026-12-06 07:10:00 - 07:11:39   100 snapshots, 1 event, 1 damaged".
QString headerText(const std::vector<Tile>& tiles, std::size_t snapshots, const ContactSheet& sheet,
                   const QDateTime& last) {
  const QDateTime first = tiles.front().time;
  const bool sameDay = first.isValid() && last.isValid() && first.date() == last.date();
  QString text =
      timeText(first, QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" - ") +
      timeText(last, sameDay ? QStringLiteral("HH:mm:ss") : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  text += QStringLiteral("   %1 snapshots, %2 event%3, %4 damaged")
              .arg(snapshots)
              .arg(sheet.events)
              .arg(sheet.events == 1 ? "" : "s")
              .arg(sheet.damaged.size());
  if (sheet.layout.step > 1) text += QStringLiteral(", 1 in %1 shown").arg(sheet.layout.step);
  return text;
}

QFont sheetFont(int pixelSize) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(pixelSize);
  return font;
}

// The frames, damaged tiles, times and the header, over the thumbnails.
void drawLabels(QImage& image, const std::vector<Tile>& tiles, const SheetLayout& layout,
                const QString& header) {
  QPainter painter(&image);
  painter.setFont(sheetFont(16));
  painter.setPen(Qt::white);
  const QRect headerBox(8, 0, image.width() - 16, kSheetHeaderHeight);
  painter.drawText(headerBox, Qt::AlignVCenter | Qt::AlignLeft,
                   painter.fontMetrics().elidedText(header, Qt::ElideRight, headerBox.width()));

  const QFont font = sheetFont(std::clamp(layout.tileWidth / 13, 9, 14));
  painter.setFont(font);
  const int bandHeight = QFontMetrics(font).height() + 2;
  for (std::size_t i = 0; i < tiles.size(); ++i) {
    const QRect box = layout.tileBox(i);
    if (tiles[i].event) {
      const QRect cell = layout.cell(i);
      painter.fillRect(QRect(cell.topLeft(), QSize(cell.width(), kSheetFrame)), kEventColour);
      painter.fillRect(QRect(cell.left(), box.bottom() + 1, cell.width(), kSheetFrame),
                       kEventColour);
      painter.fillRect(QRect(cell.left(), box.top(), kSheetFrame, box.height()), kEventColour);
      painter.fillRect(QRect(box.right() + 1, box.top(), kSheetFrame, box.height()), kEventColour);
    }
    if (!tiles[i].problem.empty()) {
      painter.fillRect(box, QColor(kDamagedTile));
      painter.drawText(box, Qt::AlignCenter, QStringLiteral("damaged"));
    }
    const QRect band(box.left(), box.bottom() + 1 - bandHeight, box.width(), bandHeight);
    painter.fillRect(band, QColor(0, 0, 0, 150));
    painter.drawText(band, Qt::AlignCenter, timeText(tiles[i].time, QStringLiteral("HH:mm:ss")));
  }
}

// The tiles of `snapshots` under `layout`: which snapshot each shows, and
// whether an event touches the ones it stands for.
std::vector<Tile> chooseTiles(const std::vector<std::string>& snapshots,
                              const SnapshotEvents& found, const DamageByPath& damaged,
                              const SheetLayout& layout) {
  std::vector<bool> inEvent(snapshots.size(), false);
  for (const activity::ActivityEvent& event : found.events)
    std::fill(inEvent.begin() + std::ptrdiff_t(event.first),
              inEvent.begin() + std::ptrdiff_t(event.last + 1), true);
  const platform::FileSystem& files = platform::FileSystem::instance();
  std::vector<Tile> tiles(layout.tiles);
  for (std::size_t i = 0; i < tiles.size(); ++i) {
    Tile& tile = tiles[i];
    tile.index = i * layout.step;
    const std::size_t end = std::min(tile.index + layout.step, snapshots.size());
    tile.event = std::find(inEvent.begin() + std::ptrdiff_t(tile.index),
                           inEvent.begin() + std::ptrdiff_t(end),
                           true) != inEvent.begin() + std::ptrdiff_t(end);
    const std::string& path = snapshots[tile.index];
    if (const auto host = files.toHost(path)) tile.host = host->string();
    if (const auto known = damaged.find(path); known != damaged.end())
      tile.problem = *known->second;
    tile.time = recording::frameSource(path).time;
  }
  return tiles;
}

}  // namespace

QSize SheetLayout::size() const {
  return QSize(columns * (tileWidth + 2 * kSheetFrame),
               kSheetHeaderHeight + rows * (tileHeight + 2 * kSheetFrame));
}

QRect SheetLayout::cell(std::size_t tile) const {
  const int cellWidth = tileWidth + 2 * kSheetFrame;
  const int cellHeight = tileHeight + 2 * kSheetFrame;
  const int column = int(tile % std::size_t(columns));
  const int row = int(tile / std::size_t(columns));
  return QRect(column * cellWidth, kSheetHeaderHeight + row * cellHeight, cellWidth, cellHeight);
}

QRect SheetLayout::tileBox(std::size_t tile) const {
  return cell(tile).adjusted(kSheetFrame, kSheetFrame, -kSheetFrame, -kSheetFrame);
}

SheetLayout planSheet(std::size_t snapshots, int columns, int tileWidth, QSize snapshotSize) {
  SheetLayout layout;
  layout.tileWidth = tileWidth;
  // A snapshot of an odd shape still gets a tile one can see.
  const double aspect =
      snapshotSize.isEmpty()
          ? 0.75
          : std::clamp(double(snapshotSize.height()) / snapshotSize.width(), 0.25, 2.0);
  layout.tileHeight = std::max(1, int(std::lround(tileWidth * aspect)));
  const std::int64_t width = std::int64_t{columns} * (tileWidth + 2 * kSheetFrame);
  const std::int64_t tallest =
      std::min<std::int64_t>(kMaxSheetSide, kMaxSheetPixels / width) - kSheetHeaderHeight;
  const std::int64_t maxRows =
      std::max<std::int64_t>(1, tallest / (layout.tileHeight + 2 * kSheetFrame));
  const std::size_t maxTiles =
      std::min<std::size_t>(kMaxSheetTiles, std::size_t(maxRows * columns));
  layout.step = (snapshots + maxTiles - 1) / maxTiles;
  layout.tiles = (snapshots + layout.step - 1) / layout.step;
  layout.columns = int(std::min<std::size_t>(std::size_t(columns), layout.tiles));
  layout.rows = int((layout.tiles + std::size_t(layout.columns) - 1) / std::size_t(layout.columns));
  return layout;
}

ContactSheet makeContactSheet(const std::vector<std::string>& snapshots,
                              const SheetSettings& settings, const std::atomic<bool>* interrupt) {
  ContactSheet sheet;
  const SnapshotEvents found = findSnapshotEvents(snapshots, settings.events, interrupt);
  if (found.interrupted) {
    sheet.interrupted = true;
    return sheet;
  }
  sheet.events = found.events.size();
  sheet.cacheProblems = found.cacheProblems;

  DamageByPath damaged;
  for (const SkippedSnapshot& snapshot : found.damaged)
    damaged.emplace(snapshot.path, &snapshot.message);
  const SheetLayout layout = planSheet(snapshots.size(), settings.columns, settings.tileWidth,
                                       firstSnapshotSize(snapshots, damaged));
  std::vector<Tile> tiles = chooseTiles(snapshots, found, damaged, layout);
  sheet.layout = layout;

  QImage image(layout.size(), QImage::Format_RGB888);
  if (image.isNull())
    throw EExportFailed("Not enough memory for a contact sheet of " +
                        std::to_string(layout.size().width()) + " x " +
                        std::to_string(layout.size().height()) + " pixels");
  image.fill(QColor(kSheetBackground));
  drawThumbnails(tiles, snapshots, layout, image.bits(), image.bytesPerLine(), interrupt);
  if (interrupt != nullptr && interrupt->load()) {
    sheet.interrupted = true;
    return sheet;
  }

  std::vector<SkippedSnapshot> decodeDamage;
  for (const Tile& tile : tiles)
    if (!tile.problem.empty()) decodeDamage.push_back({snapshots[tile.index], tile.problem});
  sheet.damaged = joinSkipped(snapshots, found.damaged, decodeDamage);
  const QDateTime last = recording::frameSource(snapshots.back()).time;
  drawLabels(image, tiles, layout, headerText(tiles, snapshots.size(), sheet, last));
  sheet.image = std::move(image);
  return sheet;
}

void saveContactSheet(const QImage& image, const fs::path& hostPath) {
  auto failed = [&hostPath](const std::string& reason) {
    std::error_code ignored;
    fs::remove(hostPath, ignored);
    return EExportFailed(hostPath.string() + ": " + reason);
  };
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const bool png = QString::fromStdString(hostPath.extension().string()).toLower() == ".png";
  QImageWriter writer(&buffer, png ? "png" : "jpeg");
  if (!png) writer.setQuality(90);
  if (!writer.write(image)) throw failed(writer.errorString().toStdString());

  // Into the file the caller created, never through a link put in its place.
  const int fd = ::open(hostPath.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) throw failed(std::strerror(errno));
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      const int error = wrote < 0 ? errno : ENOSPC;
      ::close(fd);
      throw failed(std::strerror(error));
    }
    done += wrote;
  }
  // A full disk on a network or delayed-allocation file system may only
  // show at the close.
  if (::fsync(fd) != 0 && errno != EINVAL) {
    const int error = errno;
    ::close(fd);
    throw failed(std::strerror(error));
  }
  if (::close(fd) != 0) throw failed(std::strerror(errno));
}

}  // namespace vistrel::exporter
