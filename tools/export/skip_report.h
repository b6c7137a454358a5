// How vistrel-export names a snapshot it skipped: by the path as the user
// wrote the SOURCE it came from (a host path stays a host path, relative
// stays relative), and with the picture loader's message in words.
#pragma once

#include <string>
#include <vector>

#include "tools/export/video_exporter.h"

namespace vistrel::exporter {

// `windowsPath`, a snapshot of one of `sources` (as given on the command
// line), written the way that source was: below a host path as that path
// followed by the rest with '/', else as the Windows path. Needs the
// installed platform::FileSystem, started in the folder the sources count
// from.
std::string pathAsGiven(const std::string& windowsPath, const std::vector<std::string>& sources);

// The loader's message for a reader: "JPEG error #N" becomes "damaged JPEG
// data: " and libjpeg's text for N (without the values it would fill in),
// libjpeg's warnings about cut or corrupt data "premature end of file" and
// "damaged JPEG data: ...". Other messages are returned as they are.
std::string loaderMessageInWords(const std::string& message);

// The damaged snapshots the activity index found and those the export
// skipped, each once (with the export's message when both have it), in the
// order of `snapshots`.
std::vector<SkippedSnapshot> joinSkipped(const std::vector<std::string>& snapshots,
                                         const std::vector<SkippedSnapshot>& indexed,
                                         const std::vector<SkippedSnapshot>& exported);

}  // namespace vistrel::exporter
