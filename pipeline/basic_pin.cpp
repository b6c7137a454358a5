#include "pipeline/basic_pin.h"

#include <algorithm>
#include <mutex>

namespace vistrel {

namespace {

std::vector<TOWBasicPin*>& PinList() {
  static auto* pins = new std::vector<TOWBasicPin*>;
  return *pins;
}

}  // namespace

std::recursive_mutex& TOWBasicPin::PinListMutex() {
  static auto* mutex = new std::recursive_mutex;
  return *mutex;
}

TOWBasicPin::TOWBasicPin(TOWPinOwner* owner) : owner_(owner) {
  std::lock_guard lock(PinListMutex());
  PinList().push_back(this);
}

TOWBasicPin::~TOWBasicPin() {
  std::lock_guard lock(PinListMutex());
  auto& pins = PinList();
  pins.erase(std::remove(pins.begin(), pins.end(), this), pins.end());
}

std::vector<TOWBasicPin*> TOWBasicPin::AllPins() {
  std::lock_guard lock(PinListMutex());
  return PinList();
}

std::string TOWBasicPin::RootFormName() const {
  return owner_ ? owner_->PinRootName() : std::string();
}

namespace {

std::string OwnerPrefix(const TOWPinOwner& owner) {
  const std::string root = owner.PinRootName();
  if (owner.PinOwnerIsRoot() || root.empty()) return owner.PinOwnerName() + ".";
  return root + "." + owner.PinOwnerName() + ".";
}

// A pin of a list is named by its name in the list, or by its position
// ("._Pin<index>") in the index form.
std::string PinPath(const TOWBasicPin* pin, const TOWPinOwner* owner, bool indexForm) {
  if (!owner) return "(No owner)";
  const auto published = owner->PublishedPins();
  const auto entry = std::find_if(published.begin(), published.end(),
                                  [&](const TOWPublishedPin& each) { return each.pin == pin; });
  if (entry == published.end()) return OwnerPrefix(*owner) + "?";
  std::string path = OwnerPrefix(*owner) + entry->property;
  if (entry->listIndex >= 0)
    path += indexForm ? "._Pin" + std::to_string(entry->listIndex) : "." + entry->nameInList;
  return path;
}

}  // namespace

std::string TOWBasicPin::Path() const { return PinPath(this, owner_, false); }

std::string TOWBasicPin::IndexPath() const { return PinPath(this, owner_, true); }

std::string TOWBasicPin::RewriteStoredPath(const std::string& path) const {
  const std::string current = RootFormName();
  if (storedFormName_.empty() || current.empty()) return path;
  const std::string prefix = storedFormName_ + ".";
  if (path.compare(0, prefix.size(), prefix) != 0) return path;
  return current + "." + path.substr(prefix.size());
}

bool TOWPin::Accepts(const TOWStreamType& type) const {
  return std::find(acceptedTypes_.begin(), acceptedTypes_.end(), type) != acceptedTypes_.end();
}

}  // namespace vistrel
