// TSLOperationList: an ordered list of operations used as a logger's queue.
// Appending and taking from the head make it first-in first-out; inserting at
// the head puts an operation back, or has a start handled before what is
// already queued.
//
// Thread: not locked itself; the owner guards it with the lock of the pin
// that feeds it.
#pragma once

#include <cstddef>
#include <deque>

#include "pipeline/operations.h"

namespace vistrel {

class TSLOperationList {
 public:
  void Append(TOWOperationPtr operation) { items_.push_back(std::move(operation)); }
  void InsertHead(TOWOperationPtr operation) { items_.push_front(std::move(operation)); }
  // The head, removed; null when the list is empty.
  TOWOperationPtr TakeHead() {
    if (items_.empty()) return nullptr;
    TOWOperationPtr head = std::move(items_.front());
    items_.pop_front();
    return head;
  }
  void Clear() { items_.clear(); }
  std::size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }

 private:
  std::deque<TOWOperationPtr> items_;
};

}  // namespace vistrel
