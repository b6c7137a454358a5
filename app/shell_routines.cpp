#include "app/shell_routines.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "app/widgets/dialogs.h"
#include "platform/file_system.h"
#include "platform/shell_operations.h"

namespace vistrel::app {
namespace {

using platform::CollisionAnswer;
using platform::CopyObserver;

// Passes reports on to the progress display (if any) and notes whether the
// user stopped the copy.
class CopyWatch : public CopyObserver {
 public:
  CopyWatch(std::unique_ptr<CopyObserver> display, bool ask)
      : display_(std::move(display)), ask_(ask) {}

  bool progress(std::uint64_t bytesDone, std::uint64_t bytesTotal,
                const std::string& fileName) override {
    if (display_ && !display_->progress(bytesDone, bytesTotal, fileName)) cancelled_ = true;
    return !cancelled_;
  }

  CollisionAnswer collision(const std::string& targetPath) override {
    if (!ask_) return CollisionAnswer::Replace;
    const CollisionAnswer answer =
        display_ ? display_->collision(targetPath) : Dialogs::instance().askCollision(targetPath);
    if (answer == CollisionAnswer::Cancel) cancelled_ = true;
    return answer;
  }

  bool cancelled() const { return cancelled_; }

 private:
  std::unique_ptr<CopyObserver> display_;
  bool ask_;
  bool cancelled_ = false;
};

bool deleteItem(const platform::FileSystem& files, const std::string& path, unsigned flags,
                std::string* error) {
  if ((flags & FOF_ALLOWUNDO) != 0) return platform::moveToTrash(files, path, error);
  if (files.directoryExists(path)) return platform::deleteFolder(files, path, error);
  const auto host = files.toHost(path);
  std::error_code code;
  if (!host || !std::filesystem::remove(*host, code)) {
    *error = "Cannot delete " + path + (code ? ": " + code.message() : std::string());
    return false;
  }
  return true;
}

// Runs the operation; false when it failed or was cancelled. A failure's
// message is shown unless the flags say otherwise.
bool runOperation(const std::string& source, const std::string& destination, unsigned operation,
                  unsigned flags) {
  const platform::FileSystem& files = platform::FileSystem::instance();
  std::string error;
  bool ok = false;
  bool cancelled = false;
  if (operation == FO_DELETE) {
    ok = deleteItem(files, source, flags, &error);
  } else if (operation == FO_COPY && files.directoryExists(source)) {
    std::unique_ptr<CopyObserver> display;
    if ((flags & FOF_SILENT) == 0) display = Dialogs::instance().copyProgress(source);
    CopyWatch watch(std::move(display), (flags & FOF_NOCONFIRMATION) == 0);
    ok = platform::copyFolderInto(files, source, destination, &watch, &error);
    cancelled = watch.cancelled();
  } else if (operation == FO_COPY) {
    ok = platform::copyFileInto(files, source, destination, &error);
  } else {
    error = "Unknown file operation " + std::to_string(operation);
  }
  if (!ok && !cancelled && (flags & FOF_NOERRORUI) == 0) Dialogs::instance().showShellError(error);
  return ok;
}

}  // namespace

void ShellFileOperation(const std::string& source, const std::string& destination,
                        unsigned operation, unsigned flags) {
  runOperation(source, destination, operation, flags);
}

bool ShellDeleteFolder(const std::string& path) {
  return runOperation(path, std::string(), FO_DELETE, FOF_SILENT | FOF_NOCONFIRMATION);
}

bool ShellCopyFolder(const std::string& source, const std::string& destination) {
  return runOperation(source, destination, FO_COPY, FOF_FILESONLY);
}

bool stillThere(const std::string& path) {
  if (platform::FileSystem::instance().fileAttributes(path)) return true;
  Dialogs::instance().showShellError(path + " no longer exists; nothing was done.");
  return false;
}

void ShellOpen(const std::string& path) {
  std::string error;
  if (!platform::openWithDefaultProgram(platform::FileSystem::instance(), path, &error)) {
    Dialogs::instance().showShellError(error);
  }
}

}  // namespace vistrel::app
