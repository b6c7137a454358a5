// Sample times of a recording: stamped frames keep their durations and the
// gaps between them, except the gaps that are closed; unstamped frames last
// one frame period.
#include <gtest/gtest.h>

#include "recording_fixture.h"

namespace vistrel::test {
namespace {

struct Frame {
  bool stamped;
  std::int64_t start, end;
  std::int64_t sequence;  // < 0: no sequence stamp
};

struct TimingCase {
  const char* label;
  std::vector<Frame> frames;
  std::vector<std::int64_t> runningTimes;  // after each frame
};

class TimingTest : public RecordingFixture, public ::testing::WithParamInterface<TimingCase> {};

TEST_P(TimingTest, RunningTimeAfterEachFrame) {
  TestOperationSource source;
  gen->OutputPin().Disconnect(&logger->InputPin());
  source.outputPin->Connect(&logger->InputPin());
  StoreCompression(StoredCompressions(), false);
  logger->SetFileName("C:\\timing.avi");
  logger->SetEnabled(true);
  source.outputPin->Notify(std::make_shared<TOWStartFrameOperation>(8, 8, 2000000, 0));
  ASSERT_TRUE(logger->GraphRunning());
  for (std::size_t i = 0; i < GetParam().frames.size(); ++i) {
    const Frame& f = GetParam().frames[i];
    auto buffer = std::make_shared<TVLImageBuffer>(8, 8);
    if (f.stamped) buffer->SetTimeStamp({true, f.start, f.end});
    if (f.sequence >= 0) buffer->SetSequenceStamp({true, f.sequence});
    source.outputPin->SendData(buffer);
    EXPECT_EQ(logger->VideoRunningTime(), GetParam().runningTimes[i]) << "frame " << i;
  }
  EXPECT_EQ(logger->FramesWritten(), GetParam().frames.size());
  source.outputPin->Notify(std::make_shared<TOWStopOperation>());
}

INSTANTIATE_TEST_SUITE_P(
    Frames, TimingTest,
    ::testing::Values(TimingCase{"Unstamped",
                                 {{false, 0, 0, -1}, {false, 0, 0, -1}, {false, 0, 0, -1}},
                                 {2000000, 4000000, 6000000}},
                      TimingCase{"StampedKeepGaps",
                                 {{true, 5000000, 7000000, -1}, {true, 10000000, 12000000, -1}},
                                 {2000000, 7000000}},
                      TimingCase{"SequenceSkipClosesTheGap",
                                 {{true, 0, 2000000, 1}, {true, 10000000, 12000000, 5}},
                                 {2000000, 4000000}},
                      TimingCase{"NextSequenceKeepsTheGap",
                                 {{true, 0, 2000000, 1},
                                  {true, 2000000, 4000000, 2},
                                  {true, 5000000, 7000000, 3}},
                                 {2000000, 4000000, 7000000}}),
    [](const auto& info) { return info.param.label; });

}  // namespace
}  // namespace vistrel::test
