// The filter graph's state machine, pin connection rules, sample delivery
// and the running objects.

#include <gtest/gtest.h>

#include "platform/media/filter_graph.h"
#include "test_source_filter.h"

namespace vistrel::media::test {
namespace {

// A sink that takes RGB24 and records what happens to it.
class RecordingSink final : public BaseFilter {
 public:
  RecordingSink() : BaseFilter(Guid{1, 2, 3, {}}) { input_ = makeRef<Pin>(this, "In"); }
  ~RecordingSink() override { disconnectAll(); }

  std::vector<std::string> events;
  std::vector<ReferenceTime> starts;
  std::vector<bool> syncPoints;
  Pin* input() const { return input_.get(); }

 protected:
  Status onRun() override {
    events.push_back("run");
    return S_OK;
  }
  Status onStop() override {
    events.push_back("stop");
    return S_OK;
  }
  Status checkInput(const MediaType& type) const override {
    return type.subType == MEDIASUBTYPE_RGB24 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  Status onReceive(MediaSample* sample) override {
    ReferenceTime start = -1, stop = -1;
    sample->getTime(&start, &stop);
    starts.push_back(start);
    syncPoints.push_back(sample->isSyncPoint());
    return S_OK;
  }
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

TEST_F(GraphTest, RunAndStopChangeEveryFilter) {
  ASSERT_EQ(source->output()->connect(sink->input()), S_OK);
  EXPECT_EQ(control->run(), S_OK);
  EXPECT_EQ(sink->events, (std::vector<std::string>{"run"}));
  EXPECT_EQ(control->state(), FilterState::Running);
  EXPECT_EQ(source->state(), FilterState::Running);

  EXPECT_EQ(control->stop(), S_OK);
  EXPECT_EQ(sink->events.back(), "stop");
  EXPECT_EQ(source->state(), FilterState::Stopped);
  EXPECT_EQ(sink->state(), FilterState::Stopped);
}

TEST_F(GraphTest, ConnectingWhileRunningIsRefusedAsNotStopped) {
  ASSERT_EQ(control->run(), S_OK);
  EXPECT_EQ(source->output()->connect(sink->input()), VFW_E_NOT_STOPPED);
  ASSERT_EQ(control->stop(), S_OK);
  EXPECT_EQ(source->output()->connect(sink->input()), S_OK);
  ASSERT_EQ(control->run(), S_OK);
  EXPECT_EQ(sink->input()->disconnect(), VFW_E_NOT_STOPPED);
  control->stop();
}

TEST_F(GraphTest, ConnectedPinRefusesAnotherConnection) {
  ASSERT_EQ(source->output()->connect(sink->input()), S_OK);
  Ref<RecordingSink> second = makeRef<RecordingSink>();
  graph->addFilter(second.get(), "Second");
  EXPECT_EQ(source->output()->connect(second->input()), VFW_E_ALREADY_CONNECTED);
  Ref<TestSource> other = makeRef<TestSource>(32, 16);
  graph->addFilter(other.get(), "Other");
  EXPECT_EQ(other->output()->connect(sink->input()), VFW_E_ALREADY_CONNECTED);
}

TEST_F(GraphTest, ATypeTheInputRefusesGivesNoAcceptableTypes) {
  // A sink that takes RGB24 only.
  Ref<TestSource> yuy2Source = makeRef<TestSource>(32, 16, MEDIASUBTYPE_YUY2);
  graph->addFilter(yuy2Source.get(), "Yuy2");
  EXPECT_EQ(yuy2Source->output()->connect(sink->input()), VFW_E_NO_ACCEPTABLE_TYPES);
  EXPECT_EQ(sink->input()->connect(source->output()), VFW_E_INVALID_DIRECTION);
  EXPECT_FALSE(source->output()->connectedTo());
}

TEST_F(GraphTest, SamplesNeedAConnectionAndAFilterThatLeftStopped) {
  const Picture picture = makePicture(32, 16, 0);
  EXPECT_EQ(source->deliver(picture, 0, 1), VFW_E_NOT_CONNECTED);
  ASSERT_EQ(source->output()->connect(sink->input()), S_OK);
  EXPECT_EQ(source->deliver(picture, 0, 1), VFW_E_NOT_COMMITTED);
  ASSERT_EQ(control->run(), S_OK);
  EXPECT_EQ(source->deliver(picture, 100, 200), S_OK);
  EXPECT_EQ(source->deliver(picture, 0, 0), S_OK);  // no times, no sync point
  ASSERT_EQ(control->stop(), S_OK);
  EXPECT_EQ(sink->starts, (std::vector<ReferenceTime>{100, -1}));
  EXPECT_EQ(sink->syncPoints, (std::vector<bool>{true, false}));
  EXPECT_EQ(source->deliver(picture, 0, 1), VFW_E_NOT_COMMITTED);
}

TEST_F(GraphTest, AFilterJoinsOneGraphAndRemovingDisconnects) {
  Ref<RecordingSink> twin = makeRef<RecordingSink>();
  EXPECT_EQ(graph->addFilter(twin.get(), "Twin"), S_OK);
  EXPECT_EQ(twin->name(), "Twin");
  EXPECT_EQ(graph->addFilter(twin.get(), "Again"), E_INVALIDARG);

  ASSERT_EQ(source->output()->connect(sink->input()), S_OK);
  EXPECT_EQ(graph->removeFilter(sink.get()), S_OK);
  EXPECT_FALSE(source->output()->connectedTo());
  EXPECT_EQ(sink->graph(), nullptr);
  EXPECT_EQ(graph->removeFilter(sink.get()), VFW_E_NOT_IN_GRAPH);
  EXPECT_EQ(graph->filters().size(), 2u);
}

TEST_F(GraphTest, ReleasingTheGraphBreaksConnectionsAndFreesFilters) {
  ASSERT_EQ(source->output()->connect(sink->input()), S_OK);
  ASSERT_EQ(control->run(), S_OK);
  control.reset();
  graph.reset();
  EXPECT_EQ(source->refCount(), 1u);
  EXPECT_EQ(sink->refCount(), 1u);
  EXPECT_EQ(source->state(), FilterState::Stopped);
  EXPECT_FALSE(sink->input()->connectedTo());
}

// Connecting settles the output's side and the input's; a filter released
// while connected, either side first, frees its peer. Under ThreadSanitizer
// this also checks that no two filters' locks are ever taken in both orders.
TEST(FilterLifetime, AFilterReleasedWhileConnectedFreesItsPeer) {
  for (const bool sourceFirst : {false, true}) {
    Ref<TestSource> source = makeRef<TestSource>(32, 16);
    Ref<RecordingSink> sink = makeRef<RecordingSink>();
    ASSERT_EQ(source->output()->connect(sink->input()), S_OK);
    const Ref<Pin> in = sink->input(), out = source->output();
    if (sourceFirst)
      source.reset();
    else
      sink.reset();
    EXPECT_FALSE((sourceFirst ? in : out)->connectedTo()) << sourceFirst;
  }
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
