// Drive tables on temporary host folders for the browsing control tests.
// Each drive gets its own folder; the table is installed as the process's
// file system and the default one is restored when the object goes.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "temp_folder.h"

namespace vistrel::browse::testing {

class TemporaryDrives {
 public:
  // Adds a drive whose root is a fresh temporary folder; returns its host root.
  std::filesystem::path add(platform::Drive drive) {
    drive.hostRoot = folders_.folder("drive" + std::to_string(drives_.size()));
    drives_.push_back(drive);
    return drive.hostRoot;
  }

  // Installs the table with the process's current directory at `start`.
  void install(const std::string& start) {
    platform::FileSystem::install(std::make_unique<platform::FileSystem>(drives_, start));
  }

  ~TemporaryDrives() { platform::FileSystem::install(nullptr); }

  static void makeFolder(const std::filesystem::path& root, const std::string& relative) {
    std::filesystem::create_directories(root / relative);
  }
  static void makeFile(const std::filesystem::path& root, const std::string& relative) {
    std::filesystem::create_directories((root / relative).parent_path());
    std::ofstream(root / relative) << "x";
  }

 private:
  test::TempFolder folders_;
  std::vector<platform::Drive> drives_;
};

inline platform::Drive drive(char letter, platform::DriveType type,
                             std::optional<std::string> label = std::string(),
                             std::string remoteName = {}) {
  platform::Drive d;
  d.letter = letter;
  d.type = type;
  d.label = std::move(label);
  d.remoteName = std::move(remoteName);
  return d;
}

}  // namespace vistrel::browse::testing
