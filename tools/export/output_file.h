// Where an exported video goes. It is written under a temporary name in its
// target folder and moved to its final name only when complete, so a failed
// or killed export never leaves a partial file under the final name, and the
// move never replaces an existing file.
#pragma once

#include <filesystem>
#include <string>

#include <QDateTime>

namespace vistrel::exporter {

// The window's naming rule (platform::videoName) in the folder
// `windowsFolder`: the first name that is free. Returns its Windows path.
std::string nextVideoName(const std::string& windowsFolder, const std::string& extension,
                          const QDateTime& now);

class OutputFile {
 public:
  // Creates the temporary file next to `finalHostPath`. With `renameWhenTaken`
  // the final name may move on to the next free one (the naming rule's
  // names), else a taken name is an error. Throws EExportFailed naming the
  // folder and the system's reason.
  OutputFile(std::filesystem::path finalHostPath, bool renameWhenTaken);
  ~OutputFile();  // removes the temporary file unless committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  const std::filesystem::path& temporaryPath() const { return temporary_; }
  // Moves the video to its final name and returns that name's host path.
  // Throws EExportFailed; the temporary file then stays for the caller to
  // name in its message.
  std::filesystem::path commit();
  void discard();

 private:
  std::filesystem::path final_;
  std::filesystem::path temporary_;
  bool renameWhenTaken_ = false;
  bool open_ = false;
};

}  // namespace vistrel::exporter
