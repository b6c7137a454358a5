#include "app/folder_events.h"

#include <exception>
#include <utility>

#include <QMetaObject>

#include "activity/activity_events.h"
#include "activity/activity_index.h"

namespace vistrel::app {
namespace {

FolderEvents::Answer score(FolderListing listing) {
  FolderEvents::Answer answer;
  try {
    // Damaged snapshots score as unknown and start no event; their problem
    // texts are the slide show's and the export's to report, not this one's.
    const activity::HourActivity hour = activity::indexHour(listing.host, listing.names);
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
}

FolderEvents::~FolderEvents() {
  // Joined before done_ goes: a "done" posted meanwhile is dropped with it.
  if (worker_.joinable()) worker_.join();
}

std::optional<FolderEvents::Answer> FolderEvents::answerFor(const FolderListing& listing) {
  {
    const std::lock_guard lock(mutex_);
    if (answer_ && answer_->listing == listing) return answer_;
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
  worker_ = std::thread([this, listing = std::move(listing)]() mutable {
    Answer answer = score(std::move(listing));
    {
      const std::lock_guard lock(mutex_);
      answer_ = std::move(answer);
    }
    // Started by name, so that everything the hand-over allocates is Qt's
    // own: a functor posted from here would be an object made on this
    // thread and read on the GUI thread, ordered only by Qt's event queue,
    // whose locks a race detector cannot see. finished() joins this thread
    // before it reads anything else of it.
    QMetaObject::invokeMethod(&done_, "start", Qt::QueuedConnection);
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
      const std::lock_guard lock(mutex_);
      known = answer_ && answer_->listing == next;
    }
    if (!known) start(std::move(next));
  }
  if (ready_) ready_();
}

}  // namespace vistrel::app
