// The clock generator: calls subscribers periodically on a high-priority
// worker thread of its own. Subscribers with the same period share one clock
// (and one thread). A clock and its subscribers' lock objects form one lock
// group, so a callback runs with the subscriber's lock held and the
// subscribers of one clock run one after another, never at once.
//
// A millisecond timer thread releases the clock's counting semaphore once
// per period; ticks that pile up while the worker is busy are kept up to
// 10000, later ones are lost.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "pipeline/lock_group.h"

namespace vistrel {

class TSLClockGen;

// A counting semaphore that refuses releases beyond its maximum.
class TSLCountingSemaphore {
 public:
  explicit TSLCountingSemaphore(int maximum) : maximum_(maximum) {}
  // Returns false (and changes nothing) when the count is at its maximum.
  bool Release();
  void Acquire();

 private:
  std::mutex mutex_;
  std::condition_variable available_;
  int count_ = 0;
  const int maximum_;
};

// One subscription: the clock and the callback.
class TSLClockGenItem {
 public:
  TSLClockGen* Clock() const { return clock_; }

 private:
  friend class TSLClockGen;
  friend class TSLClockGenList;
  TSLClockGen* clock_ = nullptr;
  std::function<void()> callback_;
};

class TSLClockGen : public TOWObject, public std::enable_shared_from_this<TSLClockGen> {
 public:
  explicit TSLClockGen(int periodMs);
  ~TSLClockGen() override;
  int PeriodMs() const { return periodMs_; }

 private:
  friend class TSLClockGenList;
  void Start();  // worker and timer threads
  void WorkerLoop();
  void TimerLoop();
  void Tick();
  void StopTimer();
  void RequestStop();  // from any thread but the worker

  const int periodMs_;
  std::vector<std::shared_ptr<TSLClockGenItem>> items_;  // under the clock's lock
  int busy_ = 0;
  TSLCountingSemaphore semaphore_{10000};
  std::atomic<bool> stopWorker_{false};
  std::mutex timerMutex_;
  std::condition_variable timerWake_;
  bool stopTimer_ = false;
  std::thread timer_;
};

// The one list of running clocks.
class TSLClockGenList {
 public:
  static TSLClockGenList& Instance();

  // Calls `callback` every `periodMs` milliseconds (at least 1) on the
  // clock's thread, with `subscriberLock`'s group locked. Any thread.
  TSLClockGenItem* Subscribe(int periodMs, TOWObject& subscriberLock,
                             std::function<void()> callback);
  // Ends a subscription; when it was the clock's last, the clock frees itself
  // after one more (empty) tick. Takes the global write lock: from inside a
  // callback it waits until no other thread reads, so a thread that waits for
  // the subscriber's lock while reading must not exist then.
  void Unsubscribe(TSLClockGenItem* item, TOWObject& subscriberLock);

  int ClockCount() const;
  // Clock worker threads alive now, in the whole process.
  static int AliveThreads();
  // Stops every clock and waits (1 ms at a time, at most `limitMs`) until no
  // clock thread is alive. Returns whether they all ended.
  bool Shutdown(int limitMs = 2000);

 private:
  friend class TSLClockGen;
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<TSLClockGen>> clocks_;
};

}  // namespace vistrel
