#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace vistrel::platform {

void lowerCurrentThreadPriority() {
  // On Linux a thread's nice value is its own, set through its thread id.
  const id_t thread = static_cast<id_t>(gettid());
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, thread);
  if (nice == -1 && errno != 0) return;
  setpriority(PRIO_PROCESS, thread, nice + 5 > 19 ? 19 : nice + 5);
}

}  // namespace vistrel::platform
