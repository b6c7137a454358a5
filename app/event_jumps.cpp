// Ctrl+Right and Ctrl+Left in the snapshot list and on the position bar:
// from the start of one activity event of the listed folder to the next.

#include "app/unit1.h"
#include "app/widgets/dispatch.h"
#include "app/widgets/list_box.h"
#include "browse/directory_list_box.h"
#include "platform/file_system.h"

namespace vistrel::app {
namespace {

constexpr int kKeyLeft = 37;
constexpr int kKeyRight = 39;

}  // namespace

bool TForm1::eventJumpKey(int& key, Qt::KeyboardModifiers shift) {
  // Arrow keys may come flagged as keypad keys; Ctrl must be the only modifier.
  if ((shift & ~Qt::KeypadModifier) != Qt::ControlModifier) return false;
  if (key != kKeyLeft && key != kKeyRight) return false;
  const int direction = key == kKeyRight ? 1 : -1;
  key = 0;  // neither the list nor the bar steps
  jumpToEvent(direction);
  return true;
}

std::optional<FolderListing> TForm1::currentListing() const {
  const int count = ListBox1->itemCount();
  if (count < 1) return std::nullopt;
  FolderListing listing;
  listing.folder = DirectoryListBox1->CurrentDirectory();
  const auto host = platform::FileSystem::instance().toHost(listing.folder);
  if (!host) return std::nullopt;
  listing.host = *host;
  listing.names.reserve(std::size_t(count));
  for (int i = 0; i < count; ++i) listing.names.push_back(ListBox1->itemText(i));
  return listing;
}

void TForm1::jumpToEvent(int direction) {
  // A newer key replaces a jump still waiting for its folder.
  pendingEventJump_.reset();
  std::optional<FolderListing> listing = currentListing();
  if (!listing) return;
  EventJump jump{std::move(*listing), ListBox1->itemIndex(), direction};
  if (const auto answer = folderEvents_.answerFor(jump.listing)) {
    carryOutEventJump(jump, *answer);
  } else {
    pendingEventJump_ = std::move(jump);
  }
}

void TForm1::eventsReady() {
  dispatchHandler([this] {
    if (!pendingEventJump_) return;
    // The show's timer or the user may have moved to another folder, or the
    // list may have been refilled, while the folder was scored: the events
    // found no longer describe what is shown.
    if (currentListing() != pendingEventJump_->listing) {
      pendingEventJump_.reset();
      return;
    }
    const auto answer = folderEvents_.answerFor(pendingEventJump_->listing);
    if (!answer) return;  // another listing was scored first; this one follows
    const EventJump jump = std::move(*pendingEventJump_);
    pendingEventJump_.reset();
    carryOutEventJump(jump, *answer);
  });
}

void TForm1::carryOutEventJump(const EventJump& jump, const FolderEvents::Answer& answer) {
  if (!answer.problem.empty()) throw Exception(answer.problem);
  std::optional<std::size_t> target;
  for (const std::size_t start : answer.starts) {
    if (jump.direction > 0 && int(start) > jump.from) {
      target = start;
      break;
    }
    if (jump.direction < 0 && int(start) < jump.from) target = start;
  }
  if (!target) return;
  ListBox1->setItemIndex(int(*target));
  showSelectedSnapshot();
}

}  // namespace vistrel::app
