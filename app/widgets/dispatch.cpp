#include "app/widgets/dispatch.h"

#include <exception>

#include "app/widgets/dialogs.h"

namespace vistrel::app {
namespace {

bool errorBoxUp = false;
int droppedErrors = 0;

}  // namespace

void reportError(const std::string& message) noexcept {
  if (errorBoxUp) {
    ++droppedErrors;
    return;
  }
  errorBoxUp = true;
  try {
    Dialogs::instance().showError(message);
  } catch (...) {
    // A box that cannot be shown has nowhere left to report to.
  }
  errorBoxUp = false;
}

std::optional<std::string> runCatching(const std::function<void()>& handler) noexcept {
  try {
    handler();
    return std::nullopt;
  } catch (const std::exception& error) {
    return std::string(error.what());
  } catch (...) {
    return std::string("Unknown error");
  }
}

bool dispatchHandler(const std::function<void()>& handler) noexcept {
  std::optional<std::string> failure = runCatching(handler);
  if (failure) reportError(*failure);
  return !failure;
}

int droppedErrorCount() noexcept { return droppedErrors; }

}  // namespace vistrel::app
