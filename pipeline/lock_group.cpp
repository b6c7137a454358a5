#include "pipeline/lock_group.h"

#include <algorithm>

namespace vistrel {

namespace {

// Guards every object's link lists; regrouping walks links of many objects.
std::mutex& LinkMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

void EraseOne(std::vector<TOWObject*>& list, TOWObject* object) {
  auto it = std::find(list.begin(), list.end(), object);
  if (it != list.end()) list.erase(it);
}

}  // namespace

TOWObject::TOWObject() : lock_(std::make_shared<TOWLockObject>()) {}

TOWObject::~TOWObject() {
  std::vector<TOWObject*> linked;
  {
    std::lock_guard links(LinkMutex());
    linked = joinedTo_;
    linked.insert(linked.end(), joinedFrom_.begin(), joinedFrom_.end());
  }
  for (TOWObject* other : linked) Unjoin(*other);
}

void TOWObject::Join(TOWObject& other) {
  if (&other == this) return;
  // No other thread may be inside a group lock while groups change.
  TOWGlobalWriteLockSection global;
  std::lock_guard links(LinkMutex());
  joinedTo_.push_back(&other);
  other.joinedFrom_.push_back(this);
  Regroup(*this);
}

void TOWObject::Unjoin(TOWObject& other) {
  TOWGlobalWriteLockSection global;
  std::lock_guard links(LinkMutex());
  auto to = std::find(joinedTo_.begin(), joinedTo_.end(), &other);
  if (to != joinedTo_.end()) {
    joinedTo_.erase(to);
    EraseOne(other.joinedFrom_, this);
  } else {
    auto from = std::find(joinedFrom_.begin(), joinedFrom_.end(), &other);
    if (from == joinedFrom_.end()) return;
    joinedFrom_.erase(from);
    EraseOne(other.joinedTo_, this);
  }
  Regroup(*this);
  Regroup(other);
}

bool TOWObject::IsJoinedWith(const TOWObject& other) const {
  std::lock_guard links(LinkMutex());
  return std::find(joinedTo_.begin(), joinedTo_.end(), &other) != joinedTo_.end() ||
         std::find(joinedFrom_.begin(), joinedFrom_.end(), &other) != joinedFrom_.end();
}

void TOWObject::Regroup(TOWObject& start) {
  auto lock = std::make_shared<TOWLockObject>();
  std::vector<TOWObject*> group{&start};
  for (std::size_t i = 0; i < group.size(); ++i) {
    for (auto* list : {&group[i]->joinedTo_, &group[i]->joinedFrom_}) {
      for (TOWObject* next : *list) {
        if (std::find(group.begin(), group.end(), next) == group.end()) group.push_back(next);
      }
    }
  }
  for (TOWObject* member : group) member->SetLockObject(lock);
}

void TOWObject::SetLockObject(std::shared_ptr<TOWLockObject> lock) {
  std::lock_guard guard(guard_);
  lock_ = std::move(lock);
}

std::shared_ptr<TOWLockObject> TOWObject::LockObject() const {
  std::lock_guard guard(guard_);
  return lock_;
}

std::shared_ptr<TOWLockObject> TOWObject::EnterLock(bool forWrite) const {
  for (;;) {
    auto lock = LockObject();
    lock->Enter();
    if (LockObject() == lock) {
      (forWrite ? writeHolds_ : readHolds_).fetch_add(1);
      return lock;
    }
    lock->Leave();  // the group changed while we waited
  }
}

void TOWObject::LeaveLock(const std::shared_ptr<TOWLockObject>& lock, bool forWrite) const {
  (forWrite ? writeHolds_ : readHolds_).fetch_sub(1);
  lock->Leave();
}

}  // namespace vistrel
