// A temporary host folder for tests, removed with everything in it
// (permissions restored first) when the object goes; VISTREL_KEEP_TEST_FILES=1
// keeps it for a look.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vistrel::test {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vistrel-fs-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
    // Readable by everybody, so an unprivileged child process can use it.
    chmod(path_.c_str(), 0755);
  }
  ~TempFolder() {
    if (std::getenv("VISTREL_KEEP_TEST_FILES") != nullptr) return;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(path_, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
      if (it->is_directory(error) && !it->is_symlink(error)) chmod(it->path().c_str(), 0755);
    }
    std::filesystem::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Creates the folder (and its parents) below the temporary folder.
  std::filesystem::path folder(const std::string& relative) const {
    std::filesystem::create_directories(path_ / relative);
    return path_ / relative;
  }
  // Creates a file with `content` below the temporary folder.
  std::filesystem::path file(const std::string& relative, const std::string& content = "x") const {
    std::filesystem::create_directories((path_ / relative).parent_path());
    std::ofstream(path_ / relative, std::ios::binary) << content;
    return path_ / relative;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace vistrel::test
