#include "app/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include <QApplication>
#include <QSocketNotifier>

#include "platform/exception.h"

namespace vistrel::app {
namespace {

int signalPipe[2] = {-1, -1};
bool terminating = false;  // GUI thread only

// Only async-signal-safe calls here: the GUI thread does the work when the
// byte arrives.
void onSignal(int) {
  const int savedErrno = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
  errno = savedErrno;
}

}  // namespace

void closeWindowsOnTerminationSignals() {
  if (signalPipe[0] < 0 && pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    throw Exception(std::string("Cannot watch for termination signals: ") + std::strerror(errno));
  }
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
    char bytes[16];
    while (read(signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    terminating = true;
    QApplication::closeAllWindows();
  });
  struct sigaction action = {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool terminationRequested() { return terminating; }

}  // namespace vistrel::app
