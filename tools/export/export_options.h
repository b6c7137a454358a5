// vistrel-export's command line:
//   vistrel-export [--drive X:=HOSTDIR]... [--rate FPS] [--codec xvid|mjpeg|h264]
//                  [--output FILE] [--quiet] (SOURCE... | --from "DATE HH" --to "DATE HH")
#pragma once

#include <string>
#include <vector>

namespace vistrel::exporter {

enum class VideoCodec { Xvid, Mjpeg, H264 };

struct ExportOptions {
  bool help = false;
  bool version = false;
  bool quiet = false;
  std::vector<std::string> driveOptions;  // "X:=HOSTDIR" each
  int rateFps = 5;                        // the window's stored RateFPS
  VideoCodec codec = VideoCodec::Xvid;
  std::string output;                // empty: the program folder's naming rule
  std::vector<std::string> sources;  // date or hour folders, Windows or host paths
  std::string from;                  // "2026-12-06 07"; set together with `to`
  std::string to;
};

// Throws vistrel::Exception with a message naming the problem: an unknown
// option, a value out of range, SOURCEs together with --from/--to, one of
// --from/--to alone, or nothing to export at all.
ExportOptions parseExportOptions(const std::vector<std::string>& arguments);

std::string exportUsageText(const std::string& programFolder);

// ".avi" or ".mp4".
const char* videoExtension(VideoCodec codec);

}  // namespace vistrel::exporter
