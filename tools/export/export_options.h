// vistrel-export's command line:
//   vistrel-export [--drive X:=HOSTDIR]... [--rate FPS] [--codec xvid|mjpeg|h264]
//                  [--output FILE] [--stamp] [--quiet | --verbose...]
//                  [--events [--json] | --motion [--context N]]
//                  [--contact-sheet FILE [--columns N] [--tile-width PX]]
//                  [--threshold SHARE] [--min-gap N]
//                  (SOURCE... | --from "DATE HH" --to "DATE HH")
#pragma once

#include <string>
#include <vector>

#include "activity/activity_events.h"
#include "exporting/snapshot_events.h"
#include "exporting/video_exporter.h"

namespace vistrel::exporter {

struct ExportOptions {
  bool help = false;
  bool version = false;
  bool quiet = false;
  int verbose = 0;                        // -v given this many times: more of FFmpeg's log
  std::vector<std::string> driveOptions;  // "X:=HOSTDIR" each
  int rateFps = 5;                        // the window's stored RateFPS
  // Without --codec: xvid, or h264 for an --output named .mp4.
  VideoCodec codec = VideoCodec::Xvid;
  std::string output;                // empty: a new name in the current folder
  bool stamp = false;                // each frame shows its snapshot's date and time
  std::vector<std::string> sources;  // date or hour folders, Windows or host paths
  std::string from;                  // "2026-12-06 07"; set together with `to`
  std::string to;
  // --events: list the events instead of writing a video; --json as JSON
  // Lines. --motion: write only the events' snapshots and `context` more
  // before and after each.
  bool events = false;
  bool json = false;
  bool motion = false;
  int context = kMotionContext;
  activity::EventOptions eventOptions;  // --threshold, --min-gap
  // --contact-sheet: one picture (.jpg or .png) of small tiles instead of a
  // video, at most `columns` across, each `tileWidth` pixels wide.
  std::string contactSheet;
  int columns = 10;
  int tileWidth = 160;
};

// Throws vistrel::Exception with a message naming the problem and the
// option as typed: an unknown option (with the closest one), a value out of
// range, a codec that is not one of the named three, an --output whose
// extension does not fit the codec (.avi holds xvid or mjpeg, .mp4 h264) or
// that is "-", a --threshold, --min-gap or --context that is not a number
// in its range, --events with --motion or with video options, a
// --contact-sheet not named .jpg, .jpeg or .png or given with --events,
// --motion or video options, --columns or --tile-width out of range or
// without --contact-sheet, SOURCEs together with --from/--to,
// one of --from/--to alone, or nothing to export at all.
ExportOptions parseExportOptions(const std::vector<std::string>& arguments);

// The --help text, wrapped to `width` columns.
std::string exportUsageText(int width);

}  // namespace vistrel::exporter
