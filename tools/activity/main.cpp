// vistrel-activity: the activity index of one hour folder from the command
// line, a small door onto the library for scripts and for timing whole
// runs. Lists the folder's "*.jpg" files in name order, scores them (from
// the cache where it can), and prints the events, one a line, then damaged
// snapshots, then a summary line on standard error.
//
// Exit status: 0 done; 1 some snapshots were damaged; 2 bad usage.

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "activity/activity_events.h"
#include "activity/activity_index.h"

namespace {

std::vector<std::string> jpegNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name.size() > 4 && name.ends_with(".jpg")) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

int run(int argc, char** argv) {
  CLI::App parser(
      "Scores how much each snapshot of an hour folder changed against the one "
      "before it and prints the events.");
  std::string folder;
  vistrel::activity::EventOptions events;
  vistrel::activity::IndexOptions index;
  bool noCache = false;
  bool scores = false;
  parser.add_option("FOLDER", folder, "hour folder (host path)")->required();
  parser.add_option("--threshold", events.threshold, "score an event snapshot reaches (0 to 1)")
      ->capture_default_str()
      ->check(CLI::Range(0.0, 1.0));
  parser
      .add_option("--min-gap", events.minGapSnapshots,
                  "quiet snapshots that still join two runs into one event")
      ->capture_default_str()
      ->check(CLI::Range(0, 1000000));
  parser.add_option("--threads", index.threads, "workers (0: one per core)")
      ->capture_default_str()
      ->check(CLI::Range(0, 256));
  parser.add_flag("--no-cache", noCache, "neither read nor write the activity cache");
  parser.add_flag("--scores", scores, "print every snapshot's score too");
  CLI11_PARSE(parser, argc, argv);
  index.useCache = !noCache;

  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    std::fprintf(stderr, "vistrel-activity: no such folder: %s\n", folder.c_str());
    return 2;
  }
  const std::vector<std::string> names = jpegNames(folder);
  const auto hour = vistrel::activity::indexHour(folder, names, index);
  std::vector<std::string> paths;
  paths.reserve(names.size());
  for (const std::string& name : names)
    paths.push_back((std::filesystem::path(folder) / name).string());
  if (scores) {
    for (const auto& snapshot : hour.snapshots) {
      if (snapshot.score)
        std::printf("%s %.4f\n", snapshot.name.c_str(), *snapshot.score);
      else
        std::printf("%s unknown\n", snapshot.name.c_str());
    }
  }
  for (const auto& event : vistrel::activity::findEvents(hour.scores(), paths, events)) {
    std::printf("event %s .. %s: %zu snapshots, peak %.4f at %s\n", names[event.first].c_str(),
                names[event.last].c_str(), event.snapshotCount(), event.peakScore,
                names[event.peak].c_str());
  }
  int damaged = 0;
  for (const auto& snapshot : hour.snapshots) {
    if (snapshot.problem.empty()) continue;
    ++damaged;
    std::printf("damaged %s: %s\n", snapshot.name.c_str(), snapshot.problem.c_str());
  }
  if (!hour.cacheProblem.empty())
    std::fprintf(stderr, "vistrel-activity: cache not written: %s\n", hour.cacheProblem.c_str());
  std::fprintf(stderr, "%zu snapshots, %zu decoded, %zu from the cache, %d damaged\n", names.size(),
               hour.decoded, hour.fromCache, damaged);
  return damaged > 0 ? 1 : 0;
}

int main(int argc, char** argv) {
  // A folder that cannot be read, or a cache that cannot be written, ends
  // the run with its message rather than an abort.
  try {
    return run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vistrel-activity: %s\n", error.what());
    return 1;
  }
}
