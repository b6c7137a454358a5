#include "pipeline/buffer_pool.h"

#include <new>

namespace vistrel {

namespace {
constexpr std::align_val_t kBlockAlignment{32};
}

TSLBufferPool& TSLBufferPool::Instance() {
  // Never destroyed: buffers released during exit still return their blocks.
  static auto* pool = new TSLBufferPool;
  return *pool;
}

std::uint8_t* TSLBufferPool::Allocate(std::size_t size) {
  if (size == 0) return nullptr;
  {
    std::lock_guard lock(mutex_);
    auto& freeList = freeLists_[size];
    if (!freeList.empty()) {
      std::uint8_t* block = freeList.back();
      freeList.pop_back();
      return block;
    }
    ++heapAllocations_;
  }
  return static_cast<std::uint8_t*>(::operator new(size, kBlockAlignment));
}

void TSLBufferPool::Free(std::uint8_t* block, std::size_t size) {
  if (!block) return;
  std::lock_guard lock(mutex_);
  freeLists_[size].push_back(block);
}

std::size_t TSLBufferPool::FreeBlocks(std::size_t size) const {
  std::lock_guard lock(mutex_);
  auto it = freeLists_.find(size);
  return it == freeLists_.end() ? 0 : it->second.size();
}

std::size_t TSLBufferPool::HeapAllocations() const {
  std::lock_guard lock(mutex_);
  return heapAllocations_;
}

}  // namespace vistrel
