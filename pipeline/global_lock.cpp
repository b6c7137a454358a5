#include "pipeline/global_lock.h"

#include "pipeline/errors.h"

namespace vistrel {

int TOWMultiReadExclusiveWriteSynchronizer::CountOf(std::thread::id thread) const {
  const auto it = readers_.find(thread);
  return it == readers_.end() ? 0 : it->second;
}

void TOWMultiReadExclusiveWriteSynchronizer::BeginRead() {
  const auto me = std::this_thread::get_id();
  std::unique_lock lock(mutex_);
  if (writer_ != me) {
    // A thread that already reads may read again even while a writer waits;
    // otherwise waiting writers go first.
    changed_.wait(lock,
                  [&] { return writeNesting_ == 0 && (waitingWriters_ == 0 || CountOf(me) > 0); });
  }
  ++readers_[me];
  ++totalReads_;
}

void TOWMultiReadExclusiveWriteSynchronizer::EndRead() {
  const auto me = std::this_thread::get_id();
  std::lock_guard lock(mutex_);
  const auto it = readers_.find(me);
  if (it == readers_.end()) throw EOWException("Assertion failure");
  --totalReads_;
  if (--it->second == 0) readers_.erase(it);
  changed_.notify_all();
}

void TOWMultiReadExclusiveWriteSynchronizer::BeginWrite() {
  const auto me = std::this_thread::get_id();
  std::unique_lock lock(mutex_);
  if (writer_ == me) {
    ++writeNesting_;
    return;
  }
  ++waitingWriters_;
  changed_.wait(lock, [&] { return writeNesting_ == 0 && totalReads_ - CountOf(me) == 0; });
  --waitingWriters_;
  writer_ = me;
  writeNesting_ = 1;
}

void TOWMultiReadExclusiveWriteSynchronizer::EndWrite() {
  std::lock_guard lock(mutex_);
  if (writer_ != std::this_thread::get_id() || writeNesting_ <= 0) {
    throw EOWException("Assertion failure");
  }
  if (--writeNesting_ == 0) {
    writer_ = std::thread::id();
    changed_.notify_all();
  }
}

bool TOWMultiReadExclusiveWriteSynchronizer::IsWriter() const {
  std::lock_guard lock(mutex_);
  return writer_ == std::this_thread::get_id();
}

int TOWMultiReadExclusiveWriteSynchronizer::ReadCount() const {
  std::lock_guard lock(mutex_);
  return CountOf(std::this_thread::get_id());
}

TOWMultiReadExclusiveWriteSynchronizer& TOWGlobalLockObject() {
  // Never destroyed: pins and clock threads may still use it during exit.
  static auto* lock = new TOWMultiReadExclusiveWriteSynchronizer;
  return *lock;
}

}  // namespace vistrel
