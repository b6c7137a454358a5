#include "tools/export/export_options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "platform/command_options.h"
#include "platform/exception.h"

namespace vistrel::exporter {
namespace {

constexpr const char* kDescription =
    "Writes the snapshots of date or hour folders of the archive into one video, "
    "without a window.";

struct CodecName {
  const char* name;
  VideoCodec codec;
};
constexpr std::array<CodecName, 3> kCodecs = {
    {{"xvid", VideoCodec::Xvid}, {"mjpeg", VideoCodec::Mjpeg}, {"h264", VideoCodec::H264}}};

// What the command line gives before it is checked against itself.
struct Typed {
  std::string codec;  // empty when --codec was not given (an empty one is refused)
  std::string threshold;
  std::string minGap;
  std::string context;
  std::string columns;
  std::string tileWidth;
};

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// 0.005 as "0.005" (std::to_string would write "0.005000").
std::string shareText(double share) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", share);
  return text;
}

void declareOptions(CLI::App& parser, ExportOptions& options, Typed& typed) {
  platform::addDriveOption(parser, options.driveOptions);
  parser
      .add_option("--rate", options.rateFps, "frames per second of the video, 1 to 30 (default 5)")
      ->check(CLI::Range(1, 30))
      ->option_text("FPS");
  parser
      .add_option("--codec", typed.codec,
                  "xvid: an MPEG-4 AVI as the window writes it (the default for .avi); "
                  "mjpeg: a Motion JPEG AVI; h264: an H.264 MP4 (the default for .mp4)")
      ->option_text("xvid|mjpeg|h264");
  parser
      .add_option("-o,--output", options.output,
                  "the video file, named .avi or .mp4 (default: a new vistrel.avi or "
                  "vistrel-YYYYMMDD-HHMMSS.avi in the current folder; an existing file is "
                  "never replaced)")
      ->option_text("FILE");
  parser.add_flag(
      "--stamp", options.stamp,
      "burn each snapshot's date and time (\"YYYY-MM-DD HH:MM:SS\", from its date and hour "
      "folders and its name) into the bottom-left corner of its frame");
  CLI::Option* events = parser.add_flag(
      "--events", options.events,
      "list the events (runs of snapshots that changed against the one before) instead of "
      "writing a video, one a line");
  CLI::Option* json =
      parser.add_flag("--json", options.json, "with --events: one JSON object a line");
  json->needs(events);
  CLI::Option* motion = parser.add_flag(
      "--motion", options.motion,
      "write only the snapshots of events, with --context snapshots before and after each");
  motion->excludes(events);
  parser
      .add_option("--context", typed.context,
                  "with --motion: snapshots kept before and after each event, 0 to 1000 "
                  "(default 2)")
      ->option_text("N")
      ->needs(motion);
  parser
      .add_option("--threshold", typed.threshold,
                  "share of the picture that must change for a snapshot to take part in an "
                  "event, above 0 and at most 1 (default " +
                      shareText(activity::EventOptions{}.threshold) + ")")
      ->option_text("SHARE");
  parser
      .add_option("--min-gap", typed.minGap,
                  "quiet snapshots that still join two runs into one event, 0 to 100000 "
                  "(default " +
                      std::to_string(activity::EventOptions{}.minGapSnapshots) + ")")
      ->option_text("N");
  for (const char* video : {"--rate", "--codec", "--output", "--stamp"})
    events->excludes(parser.get_option(video));
  CLI::Option* sheet =
      parser
          .add_option("--contact-sheet", options.contactSheet,
                      "write one picture (.jpg or .png) of small tiles, each with its time, "
                      "events framed in orange, instead of a video; an existing file is never "
                      "replaced")
          ->option_text("FILE");
  for (const char* other : {"--rate", "--codec", "--output", "--stamp", "--events", "--motion"})
    sheet->excludes(parser.get_option(other));
  parser
      .add_option("--columns", typed.columns,
                  "with --contact-sheet: tiles across, 1 to 100 (default 10)")
      ->option_text("N")
      ->needs(sheet);
  parser
      .add_option("--tile-width", typed.tileWidth,
                  "with --contact-sheet: width of a tile in pixels, 64 to 640 (default 160)")
      ->option_text("PX")
      ->needs(sheet);
  CLI::Option* quiet =
      parser.add_flag("-q,--quiet", options.quiet, "no progress line and no FFmpeg messages");
  CLI::Option* verbose = parser.add_flag(
      "-v,--verbose", options.verbose,
      "FFmpeg's and the encoder's notes too, not only their warnings (twice: more detail)");
  quiet->excludes(verbose);
  CLI::Option* from = parser.add_option(
      "--from", options.from, "first hour of a range under the records root, \"YYYY-MM-DD HH\"");
  CLI::Option* to = parser.add_option("--to", options.to,
                                      "last hour of the range (inclusive), \"YYYY-MM-DD HH\"");
  from->option_text("\"DATE HH\"")->needs(to);
  to->option_text("\"DATE HH\"")->needs(from);
  CLI::Option* sources = parser.add_option(
      "SOURCE", options.sources,
      "a date folder (its hour folders 00-23 in order), an hour folder (its snapshots), or a "
      "records root or a folder above it up to the drive root (every date in order), as a "
      "Windows path (C:\\...) or a host path; several are joined in the order given");
  sources->excludes(from)->excludes(to);
  platform::addHelpAndVersionFlags(parser, options.help, options.version);
}

VideoCodec codecNamed(const std::string& typed) {
  std::vector<std::string> names;
  for (const CodecName& known : kCodecs) {
    if (lowered(typed) == known.name) return known.codec;
    names.emplace_back(known.name);
  }
  const std::string close = platform::closestName(lowered(typed), names);
  throw Exception("--codec " + typed + ": choose xvid, mjpeg or h264" +
                  (close.empty() ? "" : " (did you mean " + close + "?)"));
}

// The extension of a Windows or host path, in lower case ("" when none).
std::string extensionOf(const std::string& path) {
  const std::size_t name = path.find_last_of("\\/:");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (name != std::string::npos && dot < name)) return "";
  return lowered(path.substr(dot));
}

// The container follows --output's name, so a file never holds what its
// extension does not promise: without --codec the extension picks it.
void fitCodecToOutput(ExportOptions& options, const Typed& typed) {
  const std::string& output = options.output;
  if (output.empty()) return;
  if (output == "-")
    throw Exception("--output -: a video cannot be written to standard output; name a file");
  const std::string extension = extensionOf(output);
  if (extension == ".mkv")
    throw Exception("--output " + output +
                    ": Matroska is not written; name the file .mp4 for H.264 (or .avi)");
  if (extension != ".avi" && extension != ".mp4")
    throw Exception("--output " + output +
                    ": name the file .avi (xvid, mjpeg) or .mp4 (h264); the extension "
                    "chooses the container");
  if (typed.codec.empty()) {
    options.codec = extension == ".mp4" ? VideoCodec::H264 : VideoCodec::Xvid;
    return;
  }
  if (extension != videoExtension(options.codec)) {
    const bool mp4 = options.codec == VideoCodec::H264;
    throw Exception("--codec " + lowered(typed.codec) + " writes " + (mp4 ? "MP4" : "AVI") +
                    ", but --output " + output + " is named " + extension + " (name it " +
                    videoExtension(options.codec) + (mp4 ? "" : ", or use --codec h264") + ")");
  }
}

// The typed `text` of `option` as a number in [low, high] (above `low` when
// `lowOpen`); throws naming the option and the range.
double numberIn(const std::string& option, const std::string& text, double low, double high,
                bool lowOpen, bool whole, const std::string& range) {
  std::size_t used = 0;
  double value = 0;
  try {
    value = std::stod(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  const bool fits = used > 0 && used == text.size() && std::isfinite(value) &&
                    (lowOpen ? value > low : value >= low) && value <= high &&
                    (!whole || value == std::floor(value));
  if (!fits) throw Exception(option + " " + text + ": give " + range);
  return value;
}

void readEventOptions(ExportOptions& options, const Typed& typed, const CLI::App& parser) {
  activity::EventOptions& events = options.eventOptions;
  for (const char* option : {"--threshold", "--min-gap"})
    if (parser.count(option) > 0 && !options.events && !options.motion &&
        options.contactSheet.empty())
      throw Exception(std::string(option) +
                      " applies to --events, --motion and --contact-sheet only");
  if (parser.count("--threshold") > 0)
    events.threshold = numberIn("--threshold", typed.threshold, 0, 1, true, false,
                                "a share of the picture above 0 and at most 1, like 0.005");
  if (parser.count("--min-gap") > 0)
    events.minGapSnapshots = static_cast<int>(numberIn("--min-gap", typed.minGap, 0, 100000, false,
                                                       true, "a whole number from 0 to 100000"));
  if (parser.count("--context") > 0)
    options.context = static_cast<int>(numberIn("--context", typed.context, 0, 1000, false, true,
                                                "a whole number from 0 to 1000"));
}

// The sheet's name must say what it holds, as a video's does.
void readSheetOptions(ExportOptions& options, const Typed& typed, const CLI::App& parser) {
  if (options.contactSheet.empty()) return;
  const std::string extension = extensionOf(options.contactSheet);
  if (extension != ".jpg" && extension != ".jpeg" && extension != ".png")
    throw Exception("--contact-sheet " + options.contactSheet +
                    ": name the picture .jpg or .png; the extension chooses the format");
  if (parser.count("--columns") > 0)
    options.columns = static_cast<int>(
        numberIn("--columns", typed.columns, 1, 100, false, true, "a whole number from 1 to 100"));
  if (parser.count("--tile-width") > 0)
    options.tileWidth = static_cast<int>(numberIn("--tile-width", typed.tileWidth, 64, 640, false,
                                                  true, "a whole number of pixels from 64 to 640"));
}

}  // namespace

ExportOptions parseExportOptions(const std::vector<std::string>& arguments) {
  ExportOptions options;
  Typed typed;
  CLI::App parser(kDescription, "vistrel-export");
  declareOptions(parser, options, typed);
  platform::parseArguments(parser, arguments);
  if (options.help || options.version) return options;
  if (parser.count("--codec") > 0) options.codec = codecNamed(typed.codec);
  fitCodecToOutput(options, typed);
  readEventOptions(options, typed, parser);
  readSheetOptions(options, typed, parser);
  if (options.sources.empty() && options.from.empty())
    throw Exception("Nothing to export: give SOURCE folders or --from and --to (try --help)");
  return options;
}

std::string exportUsageText(int width) {
  ExportOptions unusedOptions;
  Typed unusedTyped;
  CLI::App parser(kDescription, "vistrel-export");
  declareOptions(parser, unusedOptions, unusedTyped);
  return "Usage: vistrel-export [OPTIONS] SOURCE...\n"
         "       vistrel-export [OPTIONS] --from \"DATE HH\" --to \"DATE HH\"\n\n" +
         platform::wrapText(kDescription, width) + "\n" + platform::optionsHelp(parser, width) +
         "\n" +
         platform::wrapText(
             "Exit status: 0 every snapshot written (or, with --events, read); 1 written, but "
             "damaged snapshots were skipped; 2 usage error; 3 the video (or contact sheet) could "
             "not be written; 130 interrupted (the video holds the frames written so far; no "
             "contact sheet is left).",
             width);
}

}  // namespace vistrel::exporter
