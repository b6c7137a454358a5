// The process-wide multi-read, exclusive-write lock that every pin operation
// holds: structural changes (connecting, destroying pins, enabling a
// generator) hold it for writing, everything else for reading.
//
// Re-entrant: a thread holding the write lock may take it again and may take
// read locks; a thread holding read locks may take more even while a writer
// waits. A thread holding read locks that asks for the write lock waits until
// every other reader has left (two such upgraders at once would wait forever,
// so code never upgrades while another thread can be upgrading).
#pragma once

#include <array>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace vistrel {

class TOWMultiReadExclusiveWriteSynchronizer {
 public:
  void BeginRead();
  void EndRead();
  void BeginWrite();
  // Throws EOWException "Assertion failure" when the calling thread is not the writer.
  void EndWrite();

  // Inspection for the calling thread (tests, assertions).
  bool IsWriter() const;
  int ReadCount() const;

 private:
  struct ReaderCount {
    std::thread::id thread;
    int count;
  };
  static std::size_t BucketOf(std::thread::id thread);
  int& SlotOf(std::thread::id thread);         // creates the slot; mutex_ held
  int CountOf(std::thread::id thread) const;   // mutex_ held
  void DropEmptySlot(std::thread::id thread);  // mutex_ held

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  // Readers per thread, in 16 buckets chosen from the thread id.
  std::array<std::vector<ReaderCount>, 16> buckets_;
  int totalReads_ = 0;
  std::thread::id writer_;
  int writeNesting_ = 0;
  int waitingWriters_ = 0;
};

// The one lock every pin operation shares; lives for the whole process.
TOWMultiReadExclusiveWriteSynchronizer& TOWGlobalLockObject();

}  // namespace vistrel
