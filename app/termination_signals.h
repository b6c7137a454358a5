// Logout, Ctrl+C and `kill` end the viewer the way closing its window does:
// SIGTERM, SIGINT and SIGHUP close every window (an open error box
// included), so the event loop ends and the window's destruction completes
// a recording in progress.
//
// Thread: call once, on the GUI thread, after the application object exists.
#pragma once

namespace vistrel::app {

// Installs the handlers. Throws vistrel::Exception when the signal pipe
// cannot be made.
void closeWindowsOnTerminationSignals();

// Whether one of those signals came (a caller still starting up, whose
// window was not shown yet, ends instead of showing it).
bool terminationRequested();

}  // namespace vistrel::app
