// The application's boxes: the error box that the dispatch point shows for a
// failed handler, the plain message box and the confirmation box. One
// process-wide instance; tests install a recorder in place of modal boxes.
//
// Thread: the GUI thread. The boxes are modal and run a nested event loop, so
// timers keep firing while one is up.
#pragma once

#include <memory>
#include <string>

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
};

}  // namespace vistrel::app
