// The contact sheet: one picture of many snapshots as small tiles, in rows
// in playing order under a header line that names the range. Each tile
// carries the snapshot's time (hh:mm:ss; the header gives the dates); the
// tiles of events are framed in kEventColour; a damaged snapshot's tile is
// grey and says "damaged".
//
// A sheet holds at most kMaxSheetTiles tiles and stays within kMaxSheetSide
// pixels each way (JPEG's limit) and kMaxSheetPixels in all. A longer run of
// snapshots is sampled evenly: every step-th one gets a tile, which stands
// for the step snapshots from it and is framed when an event touches any of
// them, so no event drops out of the sheet.
//
// Paths are Windows paths of the installed platform::FileSystem.
#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include <QImage>
#include <QRect>
#include <QSize>

#include "activity/activity_events.h"
#include "exporting/video_exporter.h"

namespace vistrel::exporter {

inline constexpr std::size_t kMaxSheetTiles = 3600;  // an hour at one snapshot a second
inline constexpr int kMaxSheetSide = 65500;
inline constexpr std::int64_t kMaxSheetPixels = std::int64_t{1} << 27;  // 384 MB in RGB888
inline constexpr int kSheetFrame = 3;  // the ring around each tile, in pixels
inline constexpr int kSheetHeaderHeight = 28;
inline constexpr QRgb kEventColour = qRgb(255, 128, 0);  // orange
inline constexpr QRgb kSheetBackground = qRgb(24, 24, 24);
inline constexpr QRgb kDamagedTile = qRgb(128, 128, 128);

struct SheetLayout {
  std::size_t tiles = 0;
  std::size_t step = 1;  // snapshots a tile stands for
  int columns = 0;       // tiles across: as asked, fewer when there are fewer tiles
  int rows = 0;
  int tileWidth = 0;  // the thumbnail's box, without the ring
  int tileHeight = 0;

  QSize size() const;
  // The box of tile `tile` (its thumbnail) and the box with its ring.
  QRect tileBox(std::size_t tile) const;
  QRect cell(std::size_t tile) const;
};

// The layout for `snapshots` snapshots of `snapshotSize` (the first readable
// one's; empty when none is: 4:3), at most `columns` across, tiles
// `tileWidth` wide and as high as the snapshot's shape asks.
SheetLayout planSheet(std::size_t snapshots, int columns, int tileWidth, QSize snapshotSize);

struct SheetSettings {
  int columns = 10;
  int tileWidth = 160;
  activity::EventOptions events;
};

struct ContactSheet {
  QImage image;  // Format_RGB888; null when interrupted
  SheetLayout layout;
  std::size_t events = 0;
  std::vector<SkippedSnapshot> damaged;    // in list order, the loader's message
  std::vector<std::string> cacheProblems;  // as SnapshotEvents::cacheProblems
  bool interrupted = false;
};

// Finds the events of `snapshots` (in playing order, not empty) through the
// activity index and draws the sheet, decoding the tiles' snapshots scaled
// down by libjpeg on one worker per core. Stops early, with `interrupted`
// set, once `interrupt` becomes true. Throws EExportFailed when the sheet's
// memory cannot be had.
//
// Thread: needs a QGuiApplication (the text needs Qt's fonts).
ContactSheet makeContactSheet(const std::vector<std::string>& snapshots,
                              const SheetSettings& settings, const std::atomic<bool>* interrupt);

// Writes `image` into `hostPath`, which the caller created empty: JPEG at
// quality 90, or PNG when the name ends in .png. Throws EExportFailed with
// the reason (the system's, for a full disk or a file that went away) and
// then removes the file.
void saveContactSheet(const QImage& image, const std::filesystem::path& hostPath);

}  // namespace vistrel::exporter
