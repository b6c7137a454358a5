#include "tools/export/export_options.h"

#include <map>

#include <CLI/CLI.hpp>

#include "platform/command_options.h"
#include "platform/exception.h"

namespace vistrel::exporter {
namespace {

constexpr const char* kDescription =
    "Writes the snapshots of date or hour folders of the archive into one video, "
    "without a window.";

void declareOptions(CLI::App& parser, ExportOptions& options) {
  static const std::map<std::string, VideoCodec> codecs = {
      {"xvid", VideoCodec::Xvid}, {"mjpeg", VideoCodec::Mjpeg}, {"h264", VideoCodec::H264}};
  platform::addDriveOption(parser, options.driveOptions);
  parser.add_option("--rate", options.rateFps, "frames per second of the video, 1-30 (default 5)")
      ->check(CLI::Range(1, 30))
      ->option_text("FPS");
  parser
      .add_option("--codec", options.codec,
                  "xvid: MPEG-4 AVI as the window writes (default); mjpeg: Motion JPEG AVI; "
                  "h264: H.264 MP4")
      ->transform(CLI::CheckedTransformer(codecs, CLI::ignore_case))
      ->option_text("xvid|mjpeg|h264");
  parser.add_option("-o,--output", options.output,
                    "the video file (default: the program folder, named as the window names "
                    "its videos, never over an existing file)");
  parser.add_flag("-q,--quiet", options.quiet, "no progress line");
  CLI::Option* from = parser.add_option(
      "--from", options.from, "first hour of a range under the records root, \"YYYY-MM-DD HH\"");
  CLI::Option* to = parser.add_option("--to", options.to,
                                      "last hour of the range (inclusive), \"YYYY-MM-DD HH\"");
  from->needs(to);
  to->needs(from);
  CLI::Option* sources = parser.add_option(
      "SOURCE", options.sources,
      "a date folder (its hour folders 00-23 in order) or an hour folder (its snapshots), as a "
      "Windows path (C:\\...) or a host path; several are joined in the order given");
  sources->excludes(from)->excludes(to);
  platform::addHelpAndVersionFlags(parser, options.help, options.version);
}

}  // namespace

ExportOptions parseExportOptions(const std::vector<std::string>& arguments) {
  ExportOptions options;
  CLI::App parser(kDescription, "vistrel-export");
  declareOptions(parser, options);
  platform::parseArguments(parser, arguments);
  if (!options.help && !options.version && options.sources.empty() && options.from.empty())
    throw Exception("Nothing to export: give SOURCE folders or --from and --to (try --help)");
  return options;
}

std::string exportUsageText(const std::string& programFolder) {
  ExportOptions unused;
  CLI::App parser(kDescription, "vistrel-export");
  declareOptions(parser, unused);
  return parser.help() + "\nProgram folder (the video goes here without --output):\n  " +
         programFolder +
         "\n\nExit status: 0 every snapshot written; 1 written, but damaged snapshots were "
         "skipped;\n2 usage error; 3 the video could not be written; 130 interrupted (the "
         "video holds\nthe frames written so far).\n";
}

const char* videoExtension(VideoCodec codec) { return codec == VideoCodec::H264 ? ".mp4" : ".avi"; }

}  // namespace vistrel::exporter
