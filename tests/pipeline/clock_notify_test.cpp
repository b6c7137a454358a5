// The clock generator (shared clocks, one thread per clock, freeing after the
// last subscriber) and the main-thread notifier.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include <QCoreApplication>
#include <QThread>

#include "pipeline/clock_gen.h"
#include "pipeline/image_gen.h"
#include "pipeline/main_thread_notify.h"
#include "test_components.h"

namespace vistrel {
namespace {

// Waits (without asserting on time) until `done` holds or a generous limit passes.
template <typename Predicate>
bool waitFor(Predicate done) {
  for (int i = 0; i < 10000 && !done(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

class ClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(waitFor([] { return TSLClockGenList::AliveThreads() == 0; }));
  }
  TSLClockGenList& clocks = TSLClockGenList::Instance();
};

TEST_F(ClockTest, SubscribersOfOnePeriodShareOneClockAndThreadAndNeverOverlap) {
  TOWObject lockA;
  TOWObject lockB;
  TOWObject lockC;
  std::atomic<int> callsA{0}, callsB{0}, callsC{0};
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  auto body = [&](std::atomic<int>& calls) {
    return [&] {
      if (inside.fetch_add(1) != 0) overlapped = true;
      ++calls;
      inside.fetch_sub(1);
    };
  };
  auto* a = clocks.Subscribe(2, lockA, body(callsA));
  auto* b = clocks.Subscribe(2, lockB, body(callsB));
  EXPECT_EQ(a->Clock(), b->Clock());
  EXPECT_EQ(clocks.ClockCount(), 1);
  EXPECT_EQ(TSLClockGenList::AliveThreads(), 1);
  EXPECT_EQ(lockA.LockObject(), lockB.LockObject());  // one lock group with the clock

  auto* c = clocks.Subscribe(3, lockC, [&] { ++callsC; });
  EXPECT_NE(c->Clock(), a->Clock());
  EXPECT_EQ(clocks.ClockCount(), 2);
  EXPECT_EQ(TSLClockGenList::AliveThreads(), 2);

  EXPECT_TRUE(waitFor([&] { return callsA >= 3 && callsB >= 3 && callsC >= 3; }));
  clocks.Unsubscribe(a, lockA);
  EXPECT_EQ(clocks.ClockCount(), 2);
  clocks.Unsubscribe(b, lockB);
  clocks.Unsubscribe(c, lockC);
  EXPECT_EQ(clocks.ClockCount(), 0);
  EXPECT_TRUE(waitFor([] { return TSLClockGenList::AliveThreads() == 0; }));
  EXPECT_FALSE(overlapped);
  EXPECT_NE(lockA.LockObject(), lockB.LockObject());
}

TEST_F(ClockTest, GeneratorOnTheInternalClockSendsFramesFromTheClockThread) {
  test::RecordingSink sink{"Logger"};
  std::mutex mutex;
  int frames = 0;
  sink.onReceive = [&](const TOWOperationPtr& operation) {
    std::lock_guard lock(mutex);
    if (OperationAs<TOWSuppliedBufferOperation>(operation)) ++frames;
  };
  {
    TVLImageGen gen;
    gen.SetEnabled(false);
    gen.SetFrameRate(200);  // 5 ms
    gen.OutputPin().Connect(sink.inputPin.get());
    gen.SetEnabled(true);
    EXPECT_TRUE(gen.HasClockSubscription());
    {
      TOWReadLockSection lock(*sink.inputPin);  // the clock thread delivers under it
      EXPECT_EQ(sink.Count<TOWStartPumpOperation>(), 2);
    }
    EXPECT_TRUE(waitFor([&] {
      std::lock_guard lock(mutex);
      return frames >= 3;
    }));
    gen.SetEnabled(false);
    EXPECT_FALSE(gen.HasClockSubscription());
    EXPECT_EQ(clocks.ClockCount(), 0);
  }
  EXPECT_TRUE(waitFor([] { return TSLClockGenList::AliveThreads() == 0; }));
}

TEST_F(ClockTest, AnExternalClockGeneratorRunsNoClock) {
  test::RecordingSink sink{"Logger"};
  TVLImageGen gen;
  gen.SetClockSource(TSLClockSource::csExternal);
  gen.SetEnabled(false);
  gen.OutputPin().Connect(sink.inputPin.get());
  gen.SetEnabled(true);
  EXPECT_FALSE(gen.HasClockSubscription());
  EXPECT_EQ(clocks.ClockCount(), 0);
  EXPECT_EQ(TSLClockGenList::AliveThreads(), 0);
}

TEST(MainThreadNotifyTest, ANotifierDestroyedBeforeDeliveryIsNotCalled) {
  int keptCalls = 0;
  int droppedCalls = 0;
  TSLMainThreadNotify kept([&] { ++keptCalls; });
  auto dropped = std::make_unique<TSLMainThreadNotify>([&] { ++droppedCalls; });
  dropped->Post();
  kept.Post();
  dropped.reset();
  QCoreApplication::processEvents();
  EXPECT_EQ(droppedCalls, 0);
  EXPECT_EQ(keptCalls, 1);
}

TEST(MainThreadNotifyTest, PostsFromOtherThreadsRunOnTheMainThread) {
  std::atomic<int> calls{0};
  std::atomic<bool> offMainThread{false};
  QThread* mainThread = QCoreApplication::instance()->thread();
  TSLMainThreadNotify notify([&] {
    if (QThread::currentThread() != mainThread) offMainThread = true;
    ++calls;
  });
  std::thread poster([&] {
    for (int i = 0; i < 5; ++i) notify.Post();
  });
  poster.join();
  EXPECT_TRUE(waitFor([&] {
    QCoreApplication::processEvents();
    return calls == 5;
  }));
  EXPECT_FALSE(offMainThread);
}

TEST(MainThreadNotifyTest, TheLastNotifierTakesItsPendingPostsWithIt) {
  int calls = 0;
  auto only = std::make_unique<TSLMainThreadNotify>([&] { ++calls; });
  only->Post();
  only.reset();
  EXPECT_EQ(TSLMainThreadNotify::LiveCount(), 0);
  TSLMainThreadNotify next([&] { ++calls; });
  QCoreApplication::processEvents();
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace vistrel
