// The process-wide pool of pixel memory. Blocks are 32-byte aligned and
// recycled by exact byte size: freeing puts a block on the free list of its
// size, allocating takes the most recently freed block of that size. Memory
// goes back to the heap only when the process ends. Thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace vistrel {

class TSLBufferPool {
 public:
  static TSLBufferPool& Instance();

  // nullptr for size 0.
  std::uint8_t* Allocate(std::size_t size);
  // `size` must be the size the block was allocated with.
  void Free(std::uint8_t* block, std::size_t size);

  // Blocks of `size` waiting on their free list (inspection for tests).
  std::size_t FreeBlocks(std::size_t size) const;
  // Blocks ever taken from the heap.
  std::size_t HeapAllocations() const;

 private:
  mutable std::mutex mutex_;
  std::unordered_map<std::size_t, std::vector<std::uint8_t*>> freeLists_;
  std::size_t heapAllocations_ = 0;
};

}  // namespace vistrel
