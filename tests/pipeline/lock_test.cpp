// The global multi-read lock and lock groups, alone and under contention.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "pipeline/errors.h"
#include "pipeline/lock_group.h"

namespace vistrel {
namespace {

TEST(GlobalLockTest, WriterMayTakeWriteAndReadAgain) {
  auto& lock = TOWGlobalLockObject();
  lock.BeginWrite();
  lock.BeginWrite();
  lock.BeginRead();
  EXPECT_TRUE(lock.IsWriter());
  EXPECT_EQ(lock.ReadCount(), 1);
  lock.EndRead();
  lock.EndWrite();
  EXPECT_TRUE(lock.IsWriter());
  lock.EndWrite();
  EXPECT_FALSE(lock.IsWriter());
}

TEST(GlobalLockTest, ReleasingAWriteHoldOfAnotherThreadIsAnAssertionFailure) {
  auto& lock = TOWGlobalLockObject();
  lock.BeginWrite();
  std::string message;
  std::thread([&] {
    try {
      lock.EndWrite();
    } catch (const EOWException& error) {
      message = error.what();
    }
  }).join();
  lock.EndWrite();
  EXPECT_EQ(message, "Assertion failure");
}

TEST(GlobalLockTest, AReaderMayUpgradeWhenItIsTheOnlyReader) {
  auto& lock = TOWGlobalLockObject();
  TOWGlobalReadLockSection read;
  TOWGlobalWriteLockSection write;
  EXPECT_TRUE(lock.IsWriter());
}

TEST(GlobalLockTest, WritersExcludeReadersUnderContention) {
  // Writers keep `a` and `b` equal only under the write lock; readers must
  // never see them differ. ThreadSanitizer checks the accesses themselves.
  int a = 0;
  int b = 0;
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        if ((i + t) % 3 == 0) {
          TOWGlobalWriteLockSection write;
          ++a;
          TOWGlobalReadLockSection nestedRead;
          ++b;
        } else {
          TOWGlobalReadLockSection read;
          TOWGlobalReadLockSection nested;
          if (a != b) ++mismatches;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_EQ(a, b);
}

TEST(LockGroupTest, JoiningMergesAndUnjoiningSplitsGroups) {
  TOWObject a;
  TOWObject b;
  TOWObject c;
  EXPECT_NE(a.LockObject(), b.LockObject());
  a.Join(b);
  c.Join(b);
  EXPECT_EQ(a.LockObject(), b.LockObject());
  EXPECT_EQ(c.LockObject(), b.LockObject());
  a.Unjoin(b);
  EXPECT_NE(a.LockObject(), b.LockObject());
  EXPECT_EQ(c.LockObject(), b.LockObject());  // still linked through c -> b
  EXPECT_FALSE(a.IsJoinedWith(b));
  EXPECT_TRUE(b.IsJoinedWith(c));
  {
    TOWObject d;
    d.Join(a);
    EXPECT_EQ(d.LockObject(), a.LockObject());
  }
  EXPECT_FALSE(a.IsJoinedWith(b));  // d's destruction unlinked it
}

TEST(LockGroupTest, MembersOfOneGroupExcludeEachOtherAcrossThreads) {
  TOWObject first;
  TOWObject second;
  first.Join(second);
  long counter = 0;  // guarded by the group only
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      TOWObject& mine = t % 2 ? first : second;
      for (int i = 0; i < 2000; ++i) {
        TOWWriteLockSection write(mine);
        TOWReadLockSection nested(t % 2 ? second : first);  // re-entrant within the group
        ++counter;
      }
    });
  }
  // Regrouping while others hold and wait for the group's lock.
  TOWObject third;
  for (int i = 0; i < 200; ++i) {
    third.Join(first);
    third.Unjoin(first);
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 8000);
  EXPECT_EQ(first.WriteHolds(), 0);
  EXPECT_EQ(first.ReadHolds(), 0);
}

}  // namespace
}  // namespace vistrel
