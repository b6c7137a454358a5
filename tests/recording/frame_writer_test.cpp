// The recorder's thread: jobs run in the order handed over, failures are
// kept for the logger's thread with their detail, and a stop writes every
// frame still queued into the file, in order, before completing it.

#include <future>
#include <vector>

#include "avi_reader.h"
#include "recording/frame_writer.h"
#include "recording_fixture.h"

namespace vistrel::test {
namespace {

TEST(FrameWriterTest, RunsJobsInOrderAndKeepsTheFailuresForTheSender) {
  std::vector<int> ran;  // touched by the jobs only, read after drain
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  {
    FrameWriter writer(2);
    // The first job holds the thread, so the others really queue behind it.
    writer.submit([&ran, released] {
      released.wait();
      ran.push_back(0);
      return media::S_OK;
    });
    writer.submit([&ran] {
      ran.push_back(1);
      return media::fail(media::E_FAIL, "disk gone");
    });
    release.set_value();
    writer.submit([&ran] {
      ran.push_back(2);
      return media::fail(media::E_OUTOFMEMORY, "second failure");
    });
    for (int i = 3; i < 20; ++i) {
      writer.submit([&ran, i] {
        ran.push_back(i);
        return media::S_OK;
      });
    }
    const FrameWriter::Results results = writer.drain();
    EXPECT_EQ(results.succeeded, 18u);
    const std::vector<FrameWriter::Failure>& failures = results.failures;
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].status, media::E_FAIL);
    EXPECT_EQ(failures[0].detail, "disk gone");
    EXPECT_EQ(failures[1].status, media::E_OUTOFMEMORY);
    EXPECT_TRUE(writer.drain().failures.empty());  // taken once
    EXPECT_EQ(writer.takeResults().succeeded, 0u);
    writer.submit([&ran] {
      ran.push_back(20);
      return media::S_OK;
    });
    // Destroyed with a job queued: it still runs.
  }
  ASSERT_EQ(ran.size(), 21u);
  for (int i = 0; i < 21; ++i) EXPECT_EQ(ran[i], i);
}

using QueuedExportTest = RecordingFixture;

TEST_F(QueuedExportTest, StopRightAfterTheFramesWritesThemAllInOrder) {
  constexpr int kFrames = 12;
  StartExport("C:\\queued.avi", TestPicture(320, 240, 0));
  std::vector<QImage> shown;
  for (int i = 0; i < kFrames; ++i) {
    shown.push_back(TestPicture(320, 240, i));
    ShowFrame(shown.back(), i == 0);  // the first frame starts the graph
  }
  StopExport();  // frames may still be queued for the recorder's thread

  const auto facts = probeAvi(HostPath("queued.avi"));
  ASSERT_TRUE(facts);
  EXPECT_EQ(facts->frames, kFrames);
  const std::vector<QImage> decoded = decodeAvi(HostPath("queued.avi"), 320, 240);
  ASSERT_EQ(decoded.size(), std::size_t{kFrames});
  for (int i = 0; i < kFrames; ++i) {
    int closest = 0;
    for (int j = 1; j < kFrames; ++j) {
      if (psnr(decoded[i], shown[j]) > psnr(decoded[i], shown[closest])) closest = j;
    }
    EXPECT_EQ(closest, i) << "frame " << i;
  }
}

}  // namespace
}  // namespace vistrel::test
