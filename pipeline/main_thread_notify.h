// The main-thread notifier: carries a call from any thread to the GUI thread.
// Post() queues a delivery to a hidden object living in the application's
// main thread; the callback runs there, under the global read lock, only if
// the notifier still exists then. A notifier destroyed between Post() and the
// delivery is never called.
#pragma once

#include <cstdint>
#include <functional>

namespace vistrel {

class TSLMainThreadNotify {
 public:
  // Registers the notifier; the first one creates the hidden main-thread node.
  explicit TSLMainThreadNotify(std::function<void()> callback);
  // Unregisters; the last one destroys the node. Pending posts are dropped.
  ~TSLMainThreadNotify();
  TSLMainThreadNotify(const TSLMainThreadNotify&) = delete;
  TSLMainThreadNotify& operator=(const TSLMainThreadNotify&) = delete;

  // Any thread. Needs a QCoreApplication; without one nothing is delivered.
  void Post();

  // Notifiers alive now (inspection for tests).
  static int LiveCount();

 private:
  static void Deliver(std::uint64_t id);

  std::uint64_t id_;
  std::function<void()> callback_;
};

}  // namespace vistrel
