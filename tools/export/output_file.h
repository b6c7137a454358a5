// Where an exported video goes. Its file is created empty under its final
// name before the first frame, and only if nothing bears that name yet: no
// existing file is ever replaced, and the frames go straight to the name the
// user reads, so an export that is killed leaves its frames so far there,
// never under a hidden name. Creating the name is also what claims it, so two
// exports started in the same second never share a file.
#pragma once

#include <filesystem>
#include <string>

#include <QDateTime>

#include "exporting/video_exporter.h"

namespace vistrel::exporter {

// The output file exists already (also as a dangling symbolic link).
VISTREL_EXCEPTION(EOutputTaken, EExportFailed);

// The host path of an output named on the command line: a Windows path
// through the drive table (throws EExportFailed when no drive holds its
// folder), else a host path from the current folder.
std::filesystem::path outputHostPath(const std::string& output);

// Creates `hostPath` empty. Throws EOutputTaken when anything bears that
// name, EExportFailed naming the folder and the system's reason for any
// other failure.
void createExclusively(const std::filesystem::path& hostPath);

// Creates the window's naming rule's (platform::videoName) first free name in `windowsFolder` as
// createExclusively does, moving on to the next name when another program
// takes one first. Returns its host path. Throws EExportFailed.
std::filesystem::path reserveNextVideoName(const std::string& windowsFolder,
                                           const std::string& extension, const QDateTime& now);

}  // namespace vistrel::exporter
