// FrameWriter: the recorder's own thread. The logger hands it one job per
// frame (compress and write into the running graph) and goes on at once;
// jobs run one after another, in the order submitted, on the writer's
// thread. The queue is bounded: submit() waits while it is full, so a slow
// compressor slows the sender instead of piling frames up in memory.
//
// A job's failure does not stop the writer; results are kept until the
// logger takes them (takeResults, drain) and reports them on its own thread.
//
// Thread: submit, drain and takeResults from the logger's thread (one thread
// at a time); jobs run on the writer's thread. Destruction drains.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/media/status.h"

namespace vistrel {

class FrameWriter {
 public:
  using Job = std::function<media::Status()>;

  explicit FrameWriter(std::size_t depth = 3);
  ~FrameWriter();
  FrameWriter(const FrameWriter&) = delete;
  FrameWriter& operator=(const FrameWriter&) = delete;

  // Queues `job`, waiting while `depth` jobs are already queued. The thread
  // starts with the first job.
  void submit(Job job);
  struct Failure {
    media::Status status;
    std::string detail;  // the status's own, kept apart for the reports
  };
  // What the jobs finished since the last takeResults/drain came to.
  struct Results {
    std::uint64_t succeeded = 0;
    std::vector<Failure> failures;  // in job order
  };
  // Waits until every queued job has run; returns and clears the results.
  Results drain();
  // The results of the jobs finished so far, cleared.
  Results takeResults();

 private:
  void run();

  const std::size_t depth_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;
  bool busy_ = false;  // a job is running
  bool quit_ = false;
  Results results_;
  std::thread thread_;
};

}  // namespace vistrel
