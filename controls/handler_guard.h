// The one place where the controls hand control back from Qt's own
// event frames (mouse, keyboard, show events, combo activation) to event
// handlers that may throw. The application installs a guard that runs the
// call and reports a vistrel::Exception in its error box; exceptions never
// travel through Qt's frames.
//
// Events that a program raises by setting a value (CurrentDirectory,
// DriveLetter, ...) are not guarded: they run nested in the caller and an
// exception reaches the caller, as any other failure of the setter would.
//
// Thread: the GUI thread.
#pragma once

#include <functional>

namespace vistrel::controls {

using HandlerGuard = std::function<void(const std::function<void()>& call)>;

// Replaces the guard; an empty function restores the default, which catches
// every exception and writes its message as a Qt warning.
void setHandlerGuard(HandlerGuard guard);

// Runs `call` through the installed guard. Never throws.
void runGuarded(const std::function<void()>& call) noexcept;

}  // namespace vistrel::controls
