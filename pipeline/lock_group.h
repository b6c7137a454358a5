// Lock groups. Every TOWObject belongs to a group of objects that share one
// re-entrant lock (TOWLockObject). Joining two objects merges their groups,
// unjoining splits them again; each change gives the affected groups fresh
// lock objects, and taking an object's lock re-reads its lock object after
// acquiring it, retrying when the group changed meanwhile.
//
// "Read" and "write" holds of an object both enter the group's lock, so they
// exclude other threads and nest within one thread. Every hold also holds the
// global lock (global_lock.h) for reading. Always take the global lock before
// a group lock, never the other way round.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "pipeline/global_lock.h"

namespace vistrel {

// The lock shared by one group.
class TOWLockObject {
 public:
  void Enter() { mutex_.lock(); }
  void Leave() { mutex_.unlock(); }

 private:
  std::recursive_mutex mutex_;
};

class TOWObject {
 public:
  TOWObject();
  virtual ~TOWObject();
  TOWObject(const TOWObject&) = delete;
  TOWObject& operator=(const TOWObject&) = delete;

  // Links this object to `other`: both end up in one group. Takes the global
  // write lock, so no other thread is inside a group lock meanwhile; a thread
  // that holds read locks waits here until every other reader has left.
  void Join(TOWObject& other);
  // Removes the link made by Join (either direction) and splits the group
  // where no other link holds it together.
  void Unjoin(TOWObject& other);
  bool IsJoinedWith(const TOWObject& other) const;

  // The group's current lock object.
  std::shared_ptr<TOWLockObject> LockObject() const;

  // Enters the group's lock and returns the lock object entered (the caller
  // leaves that same object). Used by the lock sections. Const because a
  // read hold changes nothing the object's readers see: const getters take
  // one on themselves.
  std::shared_ptr<TOWLockObject> EnterLock(bool forWrite) const;
  void LeaveLock(const std::shared_ptr<TOWLockObject>& lock, bool forWrite) const;

  int ReadHolds() const { return readHolds_.load(); }
  int WriteHolds() const { return writeHolds_.load(); }

 private:
  // Gives every object reachable from `start` one new lock object.
  static void Regroup(TOWObject& start);
  void SetLockObject(std::shared_ptr<TOWLockObject> lock);

  mutable std::mutex guard_;  // guards lock_
  std::shared_ptr<TOWLockObject> lock_;
  // Guarded by the process-wide link mutex.
  std::vector<TOWObject*> joinedTo_;
  std::vector<TOWObject*> joinedFrom_;
  mutable std::atomic<int> readHolds_{0};
  mutable std::atomic<int> writeHolds_{0};
};

// Scoped holds. Each holds the lock while the section object is alive.
class TOWGlobalReadLockSection {
 public:
  TOWGlobalReadLockSection() { TOWGlobalLockObject().BeginRead(); }
  ~TOWGlobalReadLockSection() { TOWGlobalLockObject().EndRead(); }
  TOWGlobalReadLockSection(const TOWGlobalReadLockSection&) = delete;
  TOWGlobalReadLockSection& operator=(const TOWGlobalReadLockSection&) = delete;
};

class TOWGlobalWriteLockSection {
 public:
  TOWGlobalWriteLockSection() { TOWGlobalLockObject().BeginWrite(); }
  ~TOWGlobalWriteLockSection() { TOWGlobalLockObject().EndWrite(); }
  TOWGlobalWriteLockSection(const TOWGlobalWriteLockSection&) = delete;
  TOWGlobalWriteLockSection& operator=(const TOWGlobalWriteLockSection&) = delete;
};

// Holds the global read lock and the object's group lock.
class TOWObjectLockSection {
 public:
  TOWObjectLockSection(const TOWObject& object, bool forWrite)
      : object_(object), forWrite_(forWrite), lock_(object.EnterLock(forWrite)) {}
  ~TOWObjectLockSection() { object_.LeaveLock(lock_, forWrite_); }
  TOWObjectLockSection(const TOWObjectLockSection&) = delete;
  TOWObjectLockSection& operator=(const TOWObjectLockSection&) = delete;

 private:
  TOWGlobalReadLockSection global_;
  const TOWObject& object_;
  bool forWrite_;
  std::shared_ptr<TOWLockObject> lock_;
};

class TOWReadLockSection : public TOWObjectLockSection {
 public:
  explicit TOWReadLockSection(const TOWObject& object) : TOWObjectLockSection(object, false) {}
};

class TOWWriteLockSection : public TOWObjectLockSection {
 public:
  explicit TOWWriteLockSection(TOWObject& object) : TOWObjectLockSection(object, true) {}
};

}  // namespace vistrel
