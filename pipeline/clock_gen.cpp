#include "pipeline/clock_gen.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <chrono>

namespace vistrel {

namespace {

std::atomic<int> aliveThreads{0};

// Best effort: real-time priority needs rights the process may not have.
void RaisePriority() {
  sched_param param{};
  param.sched_priority = sched_get_priority_max(SCHED_RR) - 1;
  pthread_setschedparam(pthread_self(), SCHED_RR, &param);
}

}  // namespace

bool TSLCountingSemaphore::Release() {
  std::lock_guard lock(mutex_);
  if (count_ >= maximum_) return false;
  ++count_;
  available_.notify_one();
  return true;
}

void TSLCountingSemaphore::Acquire() {
  std::unique_lock lock(mutex_);
  available_.wait(lock, [&] { return count_ > 0; });
  --count_;
}

TSLClockGen::TSLClockGen(int periodMs) : periodMs_(std::max(periodMs, 1)) {}

TSLClockGen::~TSLClockGen() { StopTimer(); }

void TSLClockGen::Start() {
  ++aliveThreads;
  // The worker keeps its clock alive and frees it when it ends.
  std::thread([self = shared_from_this()]() mutable {
    RaisePriority();
    self->WorkerLoop();
    self->StopTimer();
    self.reset();
    --aliveThreads;
  }).detach();
  timer_ = std::thread([this] { TimerLoop(); });
}

void TSLClockGen::TimerLoop() {
  auto next = std::chrono::steady_clock::now();
  std::unique_lock lock(timerMutex_);
  while (!stopTimer_) {
    next += std::chrono::milliseconds(periodMs_);
    if (timerWake_.wait_until(lock, next, [&] { return stopTimer_; })) break;
    semaphore_.Release();  // a full semaphore loses the tick
  }
}

void TSLClockGen::StopTimer() {
  {
    std::lock_guard lock(timerMutex_);
    stopTimer_ = true;
  }
  timerWake_.notify_all();
  if (timer_.joinable() && timer_.get_id() != std::this_thread::get_id()) timer_.join();
}

void TSLClockGen::WorkerLoop() {
  for (;;) {
    semaphore_.Acquire();
    TOWGlobalReadLockSection global;
    if (stopWorker_) break;
    Tick();
    if (stopWorker_) break;
  }
}

void TSLClockGen::Tick() {
  TOWWriteLockSection lock(*this);
  ++busy_;
  const auto items = items_;
  for (const auto& item : items) {
    // A copy: the callback may end its own subscription while it runs.
    const std::function<void()> callback = item->callback_;
    if (callback) callback();
  }
  if (--busy_ == 0 && items_.empty()) stopWorker_ = true;  // the worker frees the clock
}

void TSLClockGen::RequestStop() {
  stopWorker_ = true;
  semaphore_.Release();
}

TSLClockGenList& TSLClockGenList::Instance() {
  static auto* list = new TSLClockGenList;
  return *list;
}

TSLClockGenItem* TSLClockGenList::Subscribe(int periodMs, TOWObject& subscriberLock,
                                            std::function<void()> callback) {
  TOWWriteLockSection subscriber(subscriberLock);
  periodMs = std::max(periodMs, 1);
  std::shared_ptr<TSLClockGen> clock;
  bool created = false;
  {
    std::lock_guard lock(mutex_);
    for (const auto& candidate : clocks_) {
      if (candidate->PeriodMs() == periodMs) clock = candidate;
    }
    if (!clock) {
      clock = std::make_shared<TSLClockGen>(periodMs);
      clocks_.push_back(clock);
      created = true;
    }
  }
  clock->Join(subscriberLock);
  auto item = std::make_shared<TSLClockGenItem>();
  item->clock_ = clock.get();
  item->callback_ = std::move(callback);
  {
    TOWWriteLockSection lock(*clock);
    clock->items_.push_back(item);
  }
  if (created) clock->Start();
  return item.get();
}

void TSLClockGenList::Unsubscribe(TSLClockGenItem* item, TOWObject& subscriberLock) {
  if (!item) return;
  TOWGlobalWriteLockSection global;  // no tick runs meanwhile (ticks hold it for reading)
  TSLClockGen* clock = item->clock_;
  bool last;
  {
    TOWWriteLockSection lock(*clock);
    auto& items = clock->items_;
    auto it = std::find_if(items.begin(), items.end(),
                           [&](const auto& entry) { return entry.get() == item; });
    if (it == items.end()) return;
    (*it)->callback_ = nullptr;
    items.erase(it);
    last = items.empty();
    clock->Unjoin(subscriberLock);
  }
  if (!last) return;
  std::shared_ptr<TSLClockGen> removed;
  {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(clocks_.begin(), clocks_.end(),
                           [&](const auto& entry) { return entry.get() == clock; });
    if (it != clocks_.end()) {
      removed = *it;
      clocks_.erase(it);
    }
  }
  if (removed) removed->semaphore_.Release();  // one empty tick frees the clock
}

int TSLClockGenList::ClockCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(clocks_.size());
}

int TSLClockGenList::AliveThreads() { return aliveThreads.load(); }

bool TSLClockGenList::Shutdown(int limitMs) {
  std::vector<std::shared_ptr<TSLClockGen>> clocks;
  {
    std::lock_guard lock(mutex_);
    clocks.swap(clocks_);
  }
  for (const auto& clock : clocks) clock->RequestStop();
  clocks.clear();
  for (int waited = 0; aliveThreads.load() > 0 && waited < limitMs; ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return aliveThreads.load() == 0;
}

}  // namespace vistrel
