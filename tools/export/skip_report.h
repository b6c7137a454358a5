// How vistrel-export names a snapshot it skipped: by the path as the user
// wrote the SOURCE it came from (a host path stays a host path, relative
// stays relative), and with the picture loader's message in words
// (loaderMessageInWords, shared with the window's export).
#pragma once

#include <string>
#include <vector>

#include "exporting/snapshot_reader.h"
#include "exporting/video_exporter.h"

namespace vistrel::exporter {

// `windowsPath`, a snapshot of one of `sources` (as given on the command
// line), written the way that source was: below a host path as that path
// followed by the rest with '/', else as the Windows path. Needs the
// installed platform::FileSystem, started in the folder the sources count
// from.
std::string pathAsGiven(const std::string& windowsPath, const std::vector<std::string>& sources);

}  // namespace vistrel::exporter
