#include "app/folder_events.h"

#include <chrono>
#include <exception>
#include <utility>

#include <QMetaObject>

#include "activity/activity_events.h"
#include "activity/activity_index.h"

namespace vistrel::app {
namespace {

// How long the window's closing waits for a scoring to stop at its next
// snapshot before leaving the worker behind.
constexpr auto kStopWait = std::chrono::seconds(2);

FolderEvents::Answer score(FolderListing listing, const std::atomic<bool>* cancel) {
  FolderEvents::Answer answer;
  try {
    // Damaged snapshots score as unknown and start no event; their problem
    // texts are the slide show's and the export's to report, not this one's.
    activity::IndexOptions options;
    options.cancel = cancel;
    const activity::HourActivity hour = activity::indexHour(listing.host, listing.names, options);
    for (const activity::ActivityEvent& event : activity::findEvents(hour.scores(), listing.names))
      answer.starts.push_back(event.first);
  } catch (const std::exception& error) {
    answer.starts.clear();
    answer.problem = error.what();
  }
  answer.listing = std::move(listing);
  return answer;
}

}  // namespace

FolderEvents::FolderEvents(std::function<void()> ready) : ready_(std::move(ready)) {
  done_.setSingleShot(true);
  done_.setInterval(0);
  QObject::connect(&done_, &QTimer::timeout, [this] { finished(); });
  shared_->done = &done_;
}

FolderEvents::~FolderEvents() {
  // From here on the worker posts nothing: done_ goes with this object.
  std::unique_lock lock(shared_->mutex);
  shared_->done = nullptr;
  shared_->cancel.store(true);
  const bool stopped =
      shared_->idle.wait_for(lock, kStopWait, [this] { return !shared_->running; });
  lock.unlock();
  if (!worker_.joinable()) return;
  if (stopped) {
    worker_.join();
  } else {
    worker_.detach();
  }
}

std::optional<FolderEvents::Answer> FolderEvents::answerFor(const FolderListing& listing) {
  {
    const std::lock_guard lock(shared_->mutex);
    if (shared_->answer && shared_->answer->listing == listing) return shared_->answer;
  }
  if (busy_) {
    queued_ = listing;
  } else {
    start(listing);
  }
  return std::nullopt;
}

void FolderEvents::start(FolderListing listing) {
  if (worker_.joinable()) worker_.join();  // done already: finished() ran
  busy_ = true;
  {
    const std::lock_guard lock(shared_->mutex);
    shared_->running = true;
  }
  worker_ = std::thread([shared = shared_, listing = std::move(listing)]() mutable {
    Answer answer = score(std::move(listing), &shared->cancel);
    const std::lock_guard lock(shared->mutex);
    shared->answer = std::move(answer);
    shared->running = false;
    shared->idle.notify_all();
    // Started by name, so that everything the hand-over allocates is Qt's
    // own: a functor posted from here would be an object made on this
    // thread and read on the GUI thread, ordered only by Qt's event queue,
    // whose locks a race detector cannot see. finished() joins this thread
    // before it reads anything else of it. Posted under the lock, so the
    // timer cannot go meanwhile.
    if (shared->done != nullptr)
      QMetaObject::invokeMethod(shared->done, "start", Qt::QueuedConnection);
  });
}

void FolderEvents::finished() {
  worker_.join();
  busy_ = false;
  if (queued_) {
    FolderListing next = std::move(*queued_);
    queued_.reset();
    bool known = false;
    {
      const std::lock_guard lock(shared_->mutex);
      known = shared_->answer && shared_->answer->listing == next;
    }
    if (!known) start(std::move(next));
  }
  if (ready_) ready_();
}

}  // namespace vistrel::app
