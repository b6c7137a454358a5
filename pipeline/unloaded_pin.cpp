#include "pipeline/unloaded_pin.h"

#include <algorithm>
#include <memory>

#include "pipeline/sink_pin.h"
#include "pipeline/source_pin.h"

namespace vistrel {

namespace {

std::vector<std::unique_ptr<TOWUnloadedPin>>& Placeholders() {
  static auto* list = new std::vector<std::unique_ptr<TOWUnloadedPin>>;
  return *list;
}

}  // namespace

TOWBasicPin* FindPinByPath(const std::string& namePath, const std::string& indexPath,
                           const void* readerRoot, const std::string& readerRootName) {
  std::lock_guard lock(TOWBasicPin::PinListMutex());
  const auto pins = TOWBasicPin::AllPins();
  for (const std::string* path : {&namePath, &indexPath}) {
    for (bool byName : {true, false}) {
      for (TOWBasicPin* pin : pins) {
        if (dynamic_cast<const TOWUnloadedPin*>(pin) ||
            (byName ? pin->Path() : pin->IndexPath()) != *path)
          continue;
        const bool otherInstanceOfReaderForm = readerRoot && pin->RootIdentity() != readerRoot &&
                                               pin->RootFormName() == readerRootName;
        if (!otherInstanceOfReaderForm) return pin;
      }
    }
  }
  return nullptr;
}

TOWUnloadedPin::TOWUnloadedPin(const TOWBasicPin& reader, std::string indexPath,
                               std::string namePath, bool standsForSource)
    : TOWBasicPin(nullptr),
      readerRoot_(reader.RootIdentity()),
      readerRootName_(reader.RootFormName()),
      readerPath_(reader.Path()),
      indexPath_(std::move(indexPath)),
      namePath_(std::move(namePath)),
      standsForSource_(standsForSource) {}

TOWUnloadedPin* TOWUnloadedPin::Create(const TOWBasicPin& reader, std::string indexPath,
                                       std::string namePath, bool standsForSource) {
  std::lock_guard lock(PinListMutex());
  Placeholders().push_back(std::unique_ptr<TOWUnloadedPin>(
      new TOWUnloadedPin(reader, std::move(indexPath), std::move(namePath), standsForSource)));
  return Placeholders().back().get();
}

void TOWUnloadedPin::AddWaitingSink(TOWSinkPin* sink) {
  TOWGlobalWriteLockSection global;
  if (std::find(waitingSinks_.begin(), waitingSinks_.end(), sink) == waitingSinks_.end()) {
    waitingSinks_.push_back(sink);
  }
  sink->AttachSource(this, kDefaultStreamType);
}

void TOWUnloadedPin::RemoveWaitingSink(TOWSinkPin* sink) {
  TOWGlobalWriteLockSection global;
  waitingSinks_.erase(std::remove(waitingSinks_.begin(), waitingSinks_.end(), sink),
                      waitingSinks_.end());
  if (sink->Source() == this) sink->DetachSource();
}

int TOWUnloadedPin::PlaceholderCount() {
  std::lock_guard lock(PinListMutex());
  return static_cast<int>(Placeholders().size());
}

int TOWUnloadedPin::ResolvePlaceholders() {
  TOWGlobalWriteLockSection global;
  std::lock_guard lock(PinListMutex());
  auto& list = Placeholders();
  for (std::size_t i = 0; i < list.size();) {
    TOWUnloadedPin* placeholder = list[i].get();
    TOWBasicPin* real = FindPinByPath(placeholder->namePath_, placeholder->indexPath_,
                                      placeholder->readerRoot_, placeholder->readerRootName_);
    if (!real) {
      ++i;
      continue;
    }
    placeholder->HandOver(real);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
  }
  return static_cast<int>(list.size());
}

void TOWUnloadedPin::DiscardPlaceholders() {
  TOWGlobalWriteLockSection global;
  std::lock_guard lock(PinListMutex());
  auto& list = Placeholders();
  while (!list.empty()) {
    list.back()->HandOver(nullptr);
    list.pop_back();
  }
}

void TOWUnloadedPin::HandOver(TOWBasicPin* real) {
  auto* source = dynamic_cast<TOWSourcePin*>(real);
  for (TOWSinkPin* sink : std::vector(waitingSinks_)) {
    RemoveWaitingSink(sink);
    if (source) source->Connect(sink);
  }
  // Sources that feed the placeholder, or name it as a dependency.
  for (TOWBasicPin* pin : AllPins()) {
    if (auto* feeding = dynamic_cast<TOWSourcePin*>(pin)) {
      feeding->ReplacePlaceholder(this, standsForSource_ ? nullptr : real);
    }
  }
}

}  // namespace vistrel
