#include "pipeline/global_lock.h"

#include <functional>

#include "pipeline/errors.h"

namespace vistrel {

std::size_t TOWMultiReadExclusiveWriteSynchronizer::BucketOf(std::thread::id thread) {
  const std::size_t id = std::hash<std::thread::id>{}(thread);
  return (id ^ (id >> 8)) & 15;
}

int& TOWMultiReadExclusiveWriteSynchronizer::SlotOf(std::thread::id thread) {
  auto& bucket = buckets_[BucketOf(thread)];
  for (auto& slot : bucket) {
    if (slot.thread == thread) return slot.count;
  }
  bucket.push_back({thread, 0});
  return bucket.back().count;
}

int TOWMultiReadExclusiveWriteSynchronizer::CountOf(std::thread::id thread) const {
  for (const auto& slot : buckets_[BucketOf(thread)]) {
    if (slot.thread == thread) return slot.count;
  }
  return 0;
}

void TOWMultiReadExclusiveWriteSynchronizer::DropEmptySlot(std::thread::id thread) {
  auto& bucket = buckets_[BucketOf(thread)];
  for (auto it = bucket.begin(); it != bucket.end(); ++it) {
    if (it->thread == thread && it->count == 0) {
      bucket.erase(it);
      return;
    }
  }
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
  ++SlotOf(me);
  ++totalReads_;
}

void TOWMultiReadExclusiveWriteSynchronizer::EndRead() {
  const auto me = std::this_thread::get_id();
  std::lock_guard lock(mutex_);
  int& count = SlotOf(me);
  if (count <= 0) {
    DropEmptySlot(me);
    throw EOWException("Assertion failure");
  }
  --count;
  --totalReads_;
  if (count == 0) DropEmptySlot(me);
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
