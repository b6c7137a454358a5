// Threads that only feed a file (decoding ahead, compressing and writing)
// must never make the window's thread late: the slide show's next period
// starts only when the window has handed its frame over, so every
// millisecond that the window waits for a core is lost from the show's rate.
#pragma once

namespace vistrel::platform {

// Lowers the calling thread's scheduling priority (nice + 5), so that a
// waking window thread gets a core ahead of it. Harmless when it fails.
void lowerCurrentThreadPriority();

}  // namespace vistrel::platform
