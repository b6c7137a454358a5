// The filter graph's state machine, pin connection rules, allocators and
// the running object table.

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "platform/media/file_writer.h"
#include "platform/media/filter_base.h"
#include "platform/media/filter_graph.h"
#include "platform/media/running_object_table.h"
#include "test_source_filter.h"

namespace vistrel::media::test {
namespace {

// A sink that takes RGB24 and records what happens to it.
class RecordingSink final : public FilterBase {
 public:
  RecordingSink() : FilterBase(Guid{1, 2, 3, {}}), pin_(new InputPin(this)) {}
  ~RecordingSink() override { disconnectAll(); }

  std::vector<std::string> events;
  std::vector<ReferenceTime> starts;
  std::vector<bool> syncPoints;
  Pin* input() const { return pin_.get(); }

 protected:
  std::vector<PinBase*> pinList() const override { return {pin_.get()}; }
  Status onPause() override {
    events.push_back("pause");
    return S_OK;
  }
  Status onRun(ReferenceTime) override {
    events.push_back("run");
    return S_OK;
  }
  Status onStop() override {
    events.push_back("stop");
    return S_OK;
  }

 private:
  class InputPin final : public InputPinBase {
   public:
    explicit InputPin(RecordingSink* sink) : InputPinBase(sink, "In"), sink_(sink) {}

   protected:
    Status checkMediaType(const MediaType& type) const override {
      return type.subType == MEDIASUBTYPE_RGB24 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    Status onReceive(MediaSample* sample) override {
      ReferenceTime start = -1, stop = -1;
      sample->getTime(&start, &stop);
      sink_->starts.push_back(start);
      sink_->syncPoints.push_back(sample->isSyncPoint());
      return S_OK;
    }

   private:
    RecordingSink* sink_;
  };
  Ref<InputPin> pin_;
};

class GraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    graph = createFilterGraph();
    control = queryInterface<MediaControl>(graph);
    ASSERT_TRUE(control);
    source = makeRef<TestSource>(32, 16);
    sink = makeRef<RecordingSink>();
    ASSERT_EQ(graph->addFilter(source.get(), "VideoSource"), S_OK);
    ASSERT_EQ(graph->addFilter(sink.get(), "Sink"), S_OK);
  }

  Ref<FilterGraph> graph;
  Ref<MediaControl> control;
  Ref<TestSource> source;
  Ref<RecordingSink> sink;
};

TEST_F(GraphTest, RunFromStoppedPausesFirstAndStopReturnsToStopped) {
  ASSERT_EQ(graph->connect(source->output(), sink->input()), S_OK);
  EXPECT_EQ(control->run(), S_OK);
  EXPECT_EQ(sink->events, (std::vector<std::string>{"pause", "run"}));
  EXPECT_EQ(control->state(), FilterState::Running);
  EXPECT_EQ(source->state(), FilterState::Running);

  EXPECT_EQ(control->stop(), S_OK);
  EXPECT_EQ(sink->events.back(), "stop");
  EXPECT_EQ(source->state(), FilterState::Stopped);
  EXPECT_EQ(sink->state(), FilterState::Stopped);
}

TEST_F(GraphTest, ConnectingWhileRunningIsRefusedAsNotStopped) {
  ASSERT_EQ(control->run(), S_OK);
  EXPECT_EQ(graph->connect(source->output(), sink->input()), VFW_E_NOT_STOPPED);
  ASSERT_EQ(control->stop(), S_OK);
  EXPECT_EQ(graph->connect(source->output(), sink->input()), S_OK);
  ASSERT_EQ(control->run(), S_OK);
  EXPECT_EQ(sink->input()->disconnect(), VFW_E_NOT_STOPPED);
  control->stop();
}

TEST_F(GraphTest, ConnectedPinRefusesAnotherConnection) {
  ASSERT_EQ(graph->connect(source->output(), sink->input()), S_OK);
  Ref<RecordingSink> second = makeRef<RecordingSink>();
  graph->addFilter(second.get(), "Second");
  EXPECT_EQ(graph->connect(source->output(), second->input()), VFW_E_ALREADY_CONNECTED);
  Ref<TestSource> other = makeRef<TestSource>(32, 16);
  graph->addFilter(other.get(), "Other");
  EXPECT_EQ(graph->connect(other->output(), sink->input()), VFW_E_ALREADY_CONNECTED);
}

TEST_F(GraphTest, TypesNeitherSideAcceptsGiveNoAcceptableTypes) {
  // A complete type is tried alone: the source refuses a type it does not offer.
  MediaType yuy2 = makeYuy2VideoType(32, 16);
  EXPECT_EQ(graph->connectDirect(source->output(), sink->input(), &yuy2), E_INVALIDARG);
  // The file writer takes byte streams only.
  Ref<BaseFilter> writer = createFileWriter();
  graph->addFilter(writer.get(), "Writer");
  Ref<Pin> writerInput;
  ASSERT_EQ(writer->findPin("in", &writerInput), S_OK);
  EXPECT_EQ(graph->connect(source->output(), writerInput.get()), VFW_E_NO_ACCEPTABLE_TYPES);
  EXPECT_EQ(graph->connect(sink->input(), source->output()), VFW_E_INVALID_DIRECTION);
  EXPECT_FALSE(source->output()->connectedTo());
}

TEST_F(GraphTest, SamplesNeedAConnectionAndACommittedAllocator) {
  const Picture picture = makePicture(32, 16, 0);
  EXPECT_EQ(source->deliver(picture, 0, 1), VFW_E_NOT_CONNECTED);
  ASSERT_EQ(graph->connect(source->output(), sink->input()), S_OK);
  // Allocators are committed only when the filters leave stopped.
  EXPECT_EQ(source->deliver(picture, 0, 1), VFW_E_NOT_COMMITTED);
  ASSERT_EQ(control->pause(), S_OK);
  EXPECT_EQ(source->deliver(picture, 100, 200), S_OK);
  EXPECT_EQ(source->deliver(picture, 0, 0), S_OK);  // no times, no sync point
  ASSERT_EQ(control->stop(), S_OK);
  EXPECT_EQ(sink->starts, (std::vector<ReferenceTime>{100, -1}));
  EXPECT_EQ(sink->syncPoints, (std::vector<bool>{true, false}));
  EXPECT_EQ(source->deliver(picture, 0, 1), VFW_E_NOT_COMMITTED);
}

TEST_F(GraphTest, AddingUnderATakenNameRenamesAndRemovingDisconnects) {
  Ref<RecordingSink> twin = makeRef<RecordingSink>();
  EXPECT_EQ(graph->addFilter(twin.get(), "Sink"), VFW_S_DUPLICATE_NAME);
  EXPECT_EQ(twin->name(), "Sink 0001");
  EXPECT_EQ(graph->addFilter(twin.get(), "Again"), E_INVALIDARG);

  ASSERT_EQ(graph->connect(source->output(), sink->input()), S_OK);
  EXPECT_EQ(graph->removeFilter(sink.get()), S_OK);
  EXPECT_FALSE(source->output()->connectedTo());
  EXPECT_EQ(sink->graph(), nullptr);
  EXPECT_EQ(graph->removeFilter(sink.get()), VFW_E_NOT_IN_GRAPH);
  EXPECT_EQ(graph->filters().size(), 2u);
}

TEST_F(GraphTest, ReleasingTheGraphBreaksConnectionsAndFreesFilters) {
  ASSERT_EQ(graph->connect(source->output(), sink->input()), S_OK);
  ASSERT_EQ(control->run(), S_OK);
  control.reset();
  graph.reset();
  EXPECT_EQ(source->refCount(), 1u);
  EXPECT_EQ(sink->refCount(), 1u);
  EXPECT_EQ(source->state(), FilterState::Stopped);
  EXPECT_FALSE(sink->input()->connectedTo());
}

TEST(MemoryAllocator, LendsSamplesAndWakesWaitersOnDecommit) {
  Ref<MemAllocator> allocator = createMemoryAllocator();
  AllocatorProperties actual;
  EXPECT_EQ(allocator->setProperties({1, 100, 0, 0}, &actual), VFW_E_BADALIGN);
  Ref<MediaSample> none;
  EXPECT_EQ(allocator->getBuffer(&none, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
  ASSERT_EQ(allocator->setProperties({1, 100, 1, 0}, &actual), S_OK);
  EXPECT_EQ(actual.bufferSize, 100);
  ASSERT_EQ(allocator->commit(), S_OK);

  Ref<MediaSample> sample;
  ASSERT_EQ(allocator->getBuffer(&sample, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(sample->size(), 100);
  EXPECT_EQ(sample->setActualDataLength(101), E_INVALIDARG);
  EXPECT_EQ(sample->getTime(nullptr, nullptr), VFW_E_SAMPLE_TIME_NOT_SET);
  Ref<MediaSample> second;
  EXPECT_EQ(allocator->getBuffer(&second, nullptr, nullptr, AM_GBF_NOWAIT), VFW_E_TIMEOUT);
  EXPECT_EQ(allocator->setProperties({2, 100, 1, 0}, &actual), VFW_E_ALREADY_COMMITTED);

  // The only sample is out: a waiter blocks until decommit releases it.
  std::atomic<StatusCode> waited{S_OK};
  std::thread waiter([&] {
    Ref<MediaSample> blocked;
    waited = allocator->getBuffer(&blocked, nullptr, nullptr, 0);
  });
  allocator->decommit();
  waiter.join();
  EXPECT_EQ(waited.load(), VFW_E_NOT_COMMITTED);

  // A sample released after decommit is freed; the allocator lives on while
  // it is out.
  Unknown* raw = allocator.get();
  const std::uint32_t before = raw->refCount();
  sample.reset();
  EXPECT_EQ(raw->refCount(), before - 1);
}

TEST(MemoryAllocator, ReleasedSampleReturnsToThePool) {
  Ref<MemAllocator> allocator = createMemoryAllocator();
  AllocatorProperties actual;
  ASSERT_EQ(allocator->setProperties({1, 16, 1, 0}, &actual), S_OK);
  ASSERT_EQ(allocator->commit(), S_OK);
  Ref<MediaSample> sample;
  ASSERT_EQ(allocator->getBuffer(&sample, nullptr, nullptr, 0), S_OK);
  ReferenceTime start = 5, stop = 9;
  sample->setTime(&start, &stop);
  sample->setSyncPoint(true);
  MediaSample* first = sample.get();
  sample.reset();
  ASSERT_EQ(allocator->getBuffer(&sample, nullptr, nullptr, AM_GBF_NOWAIT), S_OK);
  EXPECT_EQ(sample.get(), first);
  EXPECT_FALSE(sample->isSyncPoint());  // handed out afresh
  EXPECT_EQ(sample->getTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
}

TEST(RunningObjects, AnEntryKeepsItsObjectAliveUntilRevoked) {
  Ref<FilterGraph> graph = createFilterGraph();
  const std::string name = "!FilterGraph 0x1234 pid 00000042";
  const std::uint32_t cookie = registerRunning(name, graph);
  EXPECT_NE(cookie, 0u);
  EXPECT_EQ(graph->refCount(), 2u);
  EXPECT_TRUE(isRunning(name));

  EXPECT_TRUE(revokeRunning(cookie));
  EXPECT_EQ(graph->refCount(), 1u);
  EXPECT_FALSE(isRunning(name));
  EXPECT_FALSE(revokeRunning(cookie));
}

}  // namespace
}  // namespace vistrel::media::test
