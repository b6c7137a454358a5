// The application's boxes: the error box that the dispatch point shows for a
// failed handler, the plain message box and the confirmation box. One
// process-wide instance; tests install a recorder in place of modal boxes.
//
// Thread: the GUI thread. The boxes are modal and run a nested event loop, so
// timers keep firing while one is up.
#pragma once

#include <memory>
#include <string>

#include "platform/shell_operations.h"

namespace vistrel::app {

// The application's title: the caption of the error and message boxes.
inline constexpr const char* kApplicationTitle = "Vistrel Records Preview";

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // Error icon, one OK button, the application's title.
  virtual void showError(const std::string& message) = 0;
  // No icon, centred on the screen, one OK button, the application's title.
  virtual void showMessage(const std::string& message) = 0;
  // Caption "Confirm", question icon, "&Yes" (default) and "&No" (Esc).
  // True only for Yes.
  virtual bool confirm(const std::string& message) = 0;

  // The file operations' own boxes. A failure: warning icon, caption
  // "File Operation", one OK button.
  virtual void showShellError(const std::string& message) = 0;
  // A folder copy met a file or link of the same name at `targetPath`.
  virtual platform::CollisionAnswer askCollision(const std::string& targetPath) = 0;
  // The progress display of a folder copy, up from its creation until it is
  // destroyed; it asks askCollision() of the installed instance on
  // collisions and cancels when the user asks to.
  virtual std::unique_ptr<platform::CopyObserver> copyProgress(const std::string& folder) = 0;

  static Dialogs& instance();
  // Replaces the instance (nullptr restores the modal Qt boxes); returns the
  // previous one.
  static std::unique_ptr<Dialogs> install(std::unique_ptr<Dialogs> dialogs);
};

// The modal Qt boxes.
class QtDialogs : public Dialogs {
 public:
  void showError(const std::string& message) override;
  void showMessage(const std::string& message) override;
  bool confirm(const std::string& message) override;
  void showShellError(const std::string& message) override;
  platform::CollisionAnswer askCollision(const std::string& targetPath) override;
  std::unique_ptr<platform::CopyObserver> copyProgress(const std::string& folder) override;
};

}  // namespace vistrel::app
