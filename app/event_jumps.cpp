// Ctrl+Right and Ctrl+Left in the snapshot list and on the position bar:
// from the start of one activity event to the next, through the hours and
// dates of the archive.

#include <QAccessible>
#include <QApplication>
#include <QToolTip>

#include "app/unit1.h"
#include "app/widgets/dispatch.h"
#include "app/widgets/list_box.h"
#include "app/widgets/scroll_bar.h"
#include "browse/directory_list_box.h"
#include "browse/path_text.h"

namespace vistrel::app {
namespace {

constexpr int kKeyLeft = 37;
constexpr int kKeyRight = 39;

// The folder part of a Windows path and its last name.
std::pair<std::string, std::string> splitPath(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return {std::string(), path};
  return {path.substr(0, slash), path.substr(slash + 1)};
}

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

void TForm1::jumpToEvent(int direction) {
  // A newer key replaces a jump still waiting for its hours.
  pendingEventJump_.reset();
  const int count = ListBox1->itemCount();
  if (count < 1) return;
  EventJump jump;
  jump.id = ++lastEventJump_;
  jump.folder = DirectoryListBox1->CurrentDirectory();
  jump.count = count;
  jump.direction = direction;
  const int selected = ListBox1->itemIndex();
  // The name as listed: the list's text has lost bytes that are not UTF-8.
  const std::string from =
      browse::joinPath(jump.folder, selected >= 0 ? ListBox1->itemName(selected) : std::string());
  pendingEventJump_ = jump;
  archiveActivity_.setDate(jump.folder);
  setEventBusy(true);
  archiveActivity_.findEvent(from, direction, [this, id = jump.id](const std::string& snapshot) {
    dispatchHandler([&] { eventFound(id, snapshot); });
  });
}

void TForm1::eventFound(std::uint64_t id, const std::string& snapshot) {
  if (!pendingEventJump_ || pendingEventJump_->id != id) return;
  const EventJump jump = std::move(*pendingEventJump_);
  pendingEventJump_.reset();
  setEventBusy(false);
  // The show's timer or the user may have moved to another folder, or the
  // list may have been refilled, while the hours were scored: the search
  // started from what is no longer shown.
  if (DirectoryListBox1->CurrentDirectory() != jump.folder || ListBox1->itemCount() != jump.count)
    return;
  if (snapshot.empty()) {
    showEventNote(jump.direction > 0 ? "No further event" : "No earlier event");
    return;
  }
  const auto [folder, name] = splitPath(snapshot);
  if (folder != DirectoryListBox1->CurrentDirectory()) {
    // As a click on the folder in the tree list: the snapshot list is
    // refilled and its first snapshot selected.
    DirectoryListBox1->SetCurrentDirectory(folder);
  }
  for (int i = 0; i < ListBox1->itemCount(); ++i) {
    if (ListBox1->itemName(i) != name) continue;
    ListBox1->setItemIndex(i);
    showSelectedSnapshot();
    return;
  }
}

void TForm1::showEventNote(const QString& note) {
  // No box to close: a note beside the control that has the keys, which a
  // screen reader reads as the tool tip appears.
  QWidget* near = VideoProgress->hasFocus() ? static_cast<QWidget*>(VideoProgress)
                                            : static_cast<QWidget*>(ListBox1);
  QToolTip::showText(near->mapToGlobal(QPoint(0, near->height())), note, near);
  QAccessibleEvent alert(near, QAccessible::Alert);
  QAccessible::updateAccessibility(&alert);
}

void TForm1::setEventBusy(bool busy) {
  if (busy == eventBusy_) return;
  eventBusy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace vistrel::app
