#include "controls/handler_guard.h"

#include <exception>
#include <utility>

#include <QtGlobal>

namespace vistrel::controls {
namespace {

HandlerGuard& installedGuard() {
  static HandlerGuard guard;
  return guard;
}

void reportUncaught(const char* what) { qWarning("Unhandled error in an event handler: %s", what); }

}  // namespace

void setHandlerGuard(HandlerGuard guard) { installedGuard() = std::move(guard); }

void runGuarded(const std::function<void()>& call) noexcept {
  // The installed guard is expected to catch; anything it lets through is
  // still stopped here so that it never unwinds through Qt.
  try {
    if (const HandlerGuard& guard = installedGuard()) {
      guard(call);
    } else {
      call();
    }
  } catch (const std::exception& error) {
    reportUncaught(error.what());
  } catch (...) {
    reportUncaught("unknown exception");
  }
}

}  // namespace vistrel::controls
