// The one point through which every handler raised by user input or a timer
// runs. A failure (vistrel::Exception or any std::exception) ends the handler
// and its message is shown in the application's error box; nothing is thrown
// through Qt's own frames. While an error box is up, further failures are not
// stacked: they are counted and dropped.
//
// Events that a setter raises by program do not come through here: they run
// nested in the caller and their failures end the caller too.
//
// Thread: the GUI thread.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace vistrel::app {

// Runs `handler`; returns false when it failed (the failure was reported).
bool dispatchHandler(const std::function<void()>& handler) noexcept;

// Runs `handler` and returns the message of its failure, if any, without
// reporting it (for callers that must finish their own bookkeeping first).
std::optional<std::string> runCatching(const std::function<void()>& handler) noexcept;

// Shows `message` in the error box unless one is already up.
void reportError(const std::string& message) noexcept;

// Failures dropped because an error box was already up (for diagnostics).
int droppedErrorCount() noexcept;

}  // namespace vistrel::app
