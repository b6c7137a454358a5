#include "platform/media/running_object_table.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace vistrel::media {

namespace {

struct Entry {
  std::uint32_t cookie;
  std::string name;
  Ref<Unknown> object;
};

struct Table {
  std::mutex mutex;
  std::vector<Entry> entries;
  std::uint32_t lastCookie = 0;
};

// Never destroyed: entries left at exit must not outlive what they hold.
Table& table() {
  static Table* const instance = new Table;
  return *instance;
}

}  // namespace

std::uint32_t registerRunning(const std::string& name, Ref<Unknown> object) {
  Table& t = table();
  std::lock_guard lock(t.mutex);
  t.entries.push_back({++t.lastCookie, name, std::move(object)});
  return t.lastCookie;
}

bool revokeRunning(std::uint32_t cookie) {
  Table& t = table();
  Ref<Unknown> released;  // let go outside the lock
  std::lock_guard lock(t.mutex);
  auto it = std::find_if(t.entries.begin(), t.entries.end(),
                         [&](const Entry& entry) { return entry.cookie == cookie; });
  if (it == t.entries.end()) return false;
  released = std::move(it->object);
  t.entries.erase(it);
  return true;
}

bool isRunning(const std::string& name) {
  Table& t = table();
  std::lock_guard lock(t.mutex);
  return std::any_of(t.entries.begin(), t.entries.end(),
                     [&](const Entry& entry) { return entry.name == name; });
}

}  // namespace vistrel::media
