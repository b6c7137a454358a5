// The names our videos get in a folder, shared by the window and the batch
// exporter so that neither ever picks a name the other would replace.
#pragma once

#include <string>

#include <QDateTime>

namespace vistrel::platform {

// Candidate `attempt` for a new video in `folder` (a path ending with its
// separator): 0 is "vistrel<extension>", 1 is "vistrel-yyyymmdd-hhmmss
// <extension>" with `now` as local time, n >= 2 that name with "-n" before
// the extension. Callers take the first candidate that is free.
std::string videoName(const std::string& folder, const std::string& extension, const QDateTime& now,
                      int attempt);

}  // namespace vistrel::platform
