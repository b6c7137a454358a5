#include "recording/frame_writer.h"

#include <exception>
#include <utility>

#include "platform/thread_priority.h"

namespace vistrel {

FrameWriter::FrameWriter(std::size_t depth) : depth_(depth > 0 ? depth : 1) {}

FrameWriter::~FrameWriter() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void FrameWriter::submit(Job job) {
  std::unique_lock lock(mutex_);
  if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
  changed_.wait(lock, [this] { return jobs_.size() < depth_; });
  jobs_.push_back(std::move(job));
  lock.unlock();
  changed_.notify_all();
}

FrameWriter::Results FrameWriter::drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return jobs_.empty() && !busy_; });
  return std::exchange(results_, {});
}

FrameWriter::Results FrameWriter::takeResults() {
  std::lock_guard lock(mutex_);
  return std::exchange(results_, {});
}

void FrameWriter::run() {
  platform::lowerCurrentThreadPriority();
  std::unique_lock lock(mutex_);
  for (;;) {
    // The queue is emptied before quitting: the destructor drains.
    changed_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
    if (jobs_.empty()) return;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    busy_ = true;
    lock.unlock();
    changed_.notify_all();  // room for the sender
    media::Status status = media::E_FAIL;
    try {
      status = job();
    } catch (...) {
      // A job reports through its status; anything thrown counts as a failure.
    }
    job = nullptr;  // the frame goes back to its pool here, not under the lock
    std::string text = media::failed(status) ? status.detail() : std::string();
    lock.lock();
    busy_ = false;
    if (media::failed(status)) {
      results_.failures.push_back({status, std::move(text)});
    } else {
      ++results_.succeeded;
    }
    changed_.notify_all();
  }
}

}  // namespace vistrel
