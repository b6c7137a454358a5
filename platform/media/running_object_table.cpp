#include "platform/media/running_object_table.h"

#include <algorithm>
#include <cassert>
#include <mutex>
#include <vector>

namespace vistrel::media {

namespace {

class ObjectTable final : public RunningObjectTable {
 public:
  Status registerObject(std::uint32_t flags, Unknown* object, const std::string& name,
                        std::uint32_t* cookie) override {
    assert(object && cookie);
    if (name.empty()) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    const bool known = std::any_of(entries_.begin(), entries_.end(),
                                   [&](const Entry& entry) { return entry.name == name; });
    Entry entry{++lastCookie_, name, nullptr};
    if (flags & ROTFLAGS_REGISTRATIONKEEPSALIVE) entry.object = Ref<Unknown>(object);
    entries_.push_back(std::move(entry));
    *cookie = lastCookie_;
    return known ? MK_S_MONIKERALREADYREGISTERED : S_OK;
  }

  Status revoke(std::uint32_t cookie) override {
    Ref<Unknown> released;  // let go outside the lock
    std::lock_guard lock(mutex_);
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const Entry& entry) { return entry.cookie == cookie; });
    if (it == entries_.end()) return E_INVALIDARG;
    released = std::move(it->object);
    entries_.erase(it);
    return S_OK;
  }

  Status isRunning(const std::string& name) const override {
    std::lock_guard lock(mutex_);
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const Entry& entry) { return entry.name == name; })
               ? S_OK
               : S_FALSE;
  }

 private:
  struct Entry {
    std::uint32_t cookie;
    std::string name;
    Ref<Unknown> object;
  };

  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
  std::uint32_t lastCookie_ = 0;
};

}  // namespace

Ref<RunningObjectTable> runningObjectTable() {
  // One table for the process; never destroyed, so entries outlive statics.
  static ObjectTable* const instance = [] {
    auto* created = new ObjectTable;
    created->addRef();
    return created;
  }();
  return Ref<RunningObjectTable>(instance);
}

std::string itemMonikerName(const std::string& delimiter, const std::string& item) {
  return delimiter + item;
}

}  // namespace vistrel::media
