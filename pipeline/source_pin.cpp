#include "pipeline/source_pin.h"

#include <algorithm>

#include "pipeline/errors.h"
#include "pipeline/sink_pin.h"
#include "pipeline/state_pin.h"
#include "pipeline/unloaded_pin.h"

namespace vistrel {

TOWSourcePin::~TOWSourcePin() {
  try {
    DisconnectAll();
  } catch (...) {
    // A sink failing on its last stop must not abort the destruction.
  }
}

int TOWSourcePin::IndexOf(const TOWBasicPin* sink) const {
  const auto it = std::find_if(entries_.begin(), entries_.end(),
                               [&](const TOWSinkEntry& entry) { return entry.sink == sink; });
  return it == entries_.end() ? -1 : static_cast<int>(it - entries_.begin());
}

namespace {

bool IsConnectable(TOWBasicPin* pin) {
  return dynamic_cast<TOWSinkPin*>(pin) || dynamic_cast<TOWStatePin*>(pin) ||
         dynamic_cast<TOWUnloadedPin*>(pin);
}

// Hands the operation to the sink's receiver unless bit 0 of the flags is set.
// Looked up at each delivery: a sink pin that is being destroyed is no
// receiver any more, and its last stop goes nowhere.
std::uint8_t DispatchToReceiver(TOWBasicPin& sink, const TOWStreamType& type, std::uint32_t flags,
                                const TOWOperationPtr& operation) {
  auto* receiver = dynamic_cast<TOWOperationReceiver*>(&sink);
  if ((flags & 1) || !receiver) return 0;
  return receiver->ReceiveOperation(type, operation, flags);
}

}  // namespace

TOWSinkEntry TOWSourcePin::MakeEntry(TOWBasicPin* sink, TOWBasicPin* dependency) {
  TOWSinkEntry entry;
  entry.sink = sink;
  entry.dependency = dependency;
  entry.streamType = kDefaultStreamType;
  auto* sinkPin = dynamic_cast<TOWSinkPin*>(sink);
  if (!sinkPin) return entry;
  // A sink fed elsewhere leaves its old source first.
  if (sinkPin->Source() && sinkPin->Source() != this) {
    if (auto* oldSource = dynamic_cast<TOWSourcePin*>(sinkPin->Source())) {
      oldSource->Disconnect(sinkPin);
    } else if (auto* placeholder = dynamic_cast<TOWUnloadedPin*>(sinkPin->Source())) {
      placeholder->RemoveWaitingSink(sinkPin);
    }
  }
  const auto& declared = DeclaredTypes();
  const auto agreed =
      std::find_if(declared.rbegin(), declared.rend(),
                   [&](const TOWStreamType& type) { return sinkPin->Accepts(type); });
  if (agreed != declared.rend()) {
    entry.streamType = *agreed;
    entry.agreed = true;
  }
  return entry;
}

void TOWSourcePin::Attached(const TOWSinkEntry& entry) {
  if (auto* sinkPin = dynamic_cast<TOWSinkPin*>(entry.sink)) {
    sinkPin->AttachSource(this, entry.streamType);
  }
  SinkConnected(entry.sink);
}

bool TOWSourcePin::Connect(TOWBasicPin* sink, TOWBasicPin* dependency) {
  if (!sink || !IsConnectable(sink)) return false;
  TOWGlobalWriteLockSection global;
  TOWWriteLockSection lock(*this);
  if (IndexOf(sink) >= 0) return true;
  entries_.push_back(MakeEntry(sink, dependency));
  Attached(entries_.back());
  return true;
}

void TOWSourcePin::Disconnect(TOWBasicPin* sink) {
  TOWGlobalWriteLockSection global;
  TOWWriteLockSection lock(*this);
  if (IndexOf(sink) < 0) return;
  removing_ = true;
  std::exception_ptr failure;
  try {
    Notify(std::make_shared<TOWStopOperation>(), sink);
  } catch (...) {
    failure = std::current_exception();
  }
  removing_ = false;
  const int index = IndexOf(sink);
  if (index >= 0) entries_.erase(entries_.begin() + index);
  for (auto& entry : entries_) {
    if (entry.dependency == sink) entry.dependency = nullptr;
  }
  if (auto* sinkPin = dynamic_cast<TOWSinkPin*>(sink); sinkPin && sinkPin->Source() == this) {
    sinkPin->DetachSource();
  }
  if (failure) std::rethrow_exception(failure);
}

void TOWSourcePin::DisconnectAll() {
  TOWGlobalWriteLockSection global;
  TOWWriteLockSection lock(*this);
  while (!entries_.empty()) Disconnect(entries_.back().sink);
}

bool TOWSourcePin::IsConnected() const { return SinkCount() > 0; }

int TOWSourcePin::SinkCount() const {
  TOWReadLockSection lock(*this);
  return static_cast<int>(entries_.size());
}

TOWBasicPin* TOWSourcePin::Sink(int index) const {
  TOWReadLockSection lock(*this);
  if (index < 0 || index >= static_cast<int>(entries_.size())) return nullptr;
  return entries_[index].sink;
}

std::vector<TOWSinkEntry> TOWSourcePin::SinkEntries() const {
  TOWReadLockSection lock(*this);
  return entries_;
}

bool TOWSourcePin::Notify(const TOWOperationPtr& operation, TOWBasicPin* target) {
  TOWGlobalReadLockSection global;
  TOWWriteLockSection lock(*this);
  const std::vector<TOWSinkEntry> copy = entries_;
  if (nesting_ > 200) throw EOWException(kPinDependsOnItselfMessage);
  ++nesting_;
  struct NestingGuard {
    int& nesting;
    ~NestingGuard() { --nesting; }
  } guard{nesting_};

  for (std::size_t i = 0; i < copy.size(); ++i) {
    const TOWSinkEntry& entry = copy[i];
    const std::uint32_t flags = i + 1 == copy.size() ? 2 : 0;
    if ((target && entry.sink != target) || !entry.agreed) continue;
    std::uint8_t answer;
    {
      TOWWriteLockSection sinkLock(*entry.sink);
      answer = DispatchToReceiver(*entry.sink, entry.streamType, flags, operation);
    }
    if (answer & 1) {
      const int index = IndexOf(entry.sink);
      if (index >= 0 && entries_[index].busyScore < 10000) entries_[index].busyScore += 4;
    }
  }
  if (!removing_) Reorder();
  AfterDelivery(operation, target);
  return false;  // a source pin has no handling of its own
}

void TOWSourcePin::Reorder() {
  for (auto& entry : entries_) {
    if (entry.busyScore > 0) --entry.busyScore;
  }
  std::stable_sort(
      entries_.begin(), entries_.end(),
      [](const TOWSinkEntry& a, const TOWSinkEntry& b) { return a.busyScore < b.busyScore; });
  // An entry whose dependency stands later moves right behind it.
  std::vector<TOWBasicPin*> order;
  for (const auto& entry : entries_) order.push_back(entry.sink);
  for (TOWBasicPin* sink : order) {
    const int index = IndexOf(sink);
    if (index < 0 || !entries_[index].dependency) continue;
    const int dependencyIndex = IndexOf(entries_[index].dependency);
    if (dependencyIndex <= index) continue;
    TOWSinkEntry moved = entries_[index];
    entries_.erase(entries_.begin() + index);
    entries_.insert(entries_.begin() + dependencyIndex, moved);
  }
}

void TOWSourcePin::SendData(std::shared_ptr<TSLGenericBuffer> buffer) {
  try {
    Notify(std::make_shared<TOWSuppliedBufferOperation>(std::move(buffer)));
  } catch (...) {
    // Delivery failures of the sinks are theirs; the producer goes on.
  }
}

void TOWSourcePin::AddFunctionSinkPin(TOWSinkPin& pin) {
  TOWWriteLockSection lock(*this);
  Join(pin);
}

void TOWSourcePin::ReplacePlaceholder(TOWBasicPin* placeholder, TOWBasicPin* real) {
  TOWGlobalWriteLockSection global;
  TOWWriteLockSection lock(*this);
  for (auto& entry : entries_) {
    if (entry.dependency == placeholder) entry.dependency = real;
  }
  const int index = IndexOf(placeholder);
  if (index < 0) return;
  if (!real || !IsConnectable(real) || IndexOf(real) >= 0) {
    entries_.erase(entries_.begin() + index);
    return;
  }
  // The real sink takes the placeholder's place in the dispatch order.
  TOWSinkEntry entry = MakeEntry(real, entries_[index].dependency);
  const int position = IndexOf(placeholder);  // MakeEntry may have moved entries
  entries_[position] = entry;
  Attached(entry);
}

TSLOWSourcePin::TSLOWSourcePin(TOWPinOwner* owner) : TOWSourcePin(owner) {
  DeclareStreamType(kGenericDataStreamType);
}

TOWOperationPtr TSLOWSourcePin::CurrentStart() const {
  TOWReadLockSection lock(*this);
  return currentStart_;
}

void TSLOWSourcePin::AfterDelivery(const TOWOperationPtr& operation, TOWBasicPin* target) {
  // A start or stop sent to one sink alone (connection, disconnection) does
  // not change what the stream as a whole is doing.
  if (target) return;
  if (OperationAs<TOWStartOperation>(operation)) {
    currentStart_ = operation;
  } else if (OperationAs<TOWStopOperation>(operation)) {
    currentStart_.reset();
  }
}

void TSLOWSourcePin::SinkConnected(TOWBasicPin* sink) {
  if (currentStart_ && dynamic_cast<TOWSinkPin*>(sink)) Notify(currentStart_, sink);
}

TVLOWImageSourcePin::TVLOWImageSourcePin(TOWPinOwner* owner, TOWPinHandler ownerHandler)
    : TSLOWSourcePin(owner), ownerHandler_(std::move(ownerHandler)) {
  DeclareStreamType(kImageStreamType);
}

bool TVLOWImageSourcePin::ReceiveUpstream(TOWSinkPin& from, const TOWStreamType& type,
                                          std::uint32_t flags, const TOWOperationPtr& operation) {
  if (!ownerHandler_) return false;
  return ownerHandler_(*this, type, flags, operation) & 1;
}

}  // namespace vistrel
