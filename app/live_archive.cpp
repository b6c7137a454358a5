// Following a recorder that writes into the archive while the window runs:
// new snapshots of the listed folder join the snapshot list in playing
// order, snapshots removed by someone else leave it, and new date and hour
// folders appear in the tree list. What the user has selected and sees
// stays; a running show goes on into the new snapshots.

#include <algorithm>
#include <string>
#include <vector>

#include "activity/day_activity.h"
#include "app/unit1.h"
#include "app/widgets/image.h"
#include "app/widgets/list_box.h"
#include "app/widgets/scroll_bar.h"
#include "app/widgets/timer.h"
#include "browse/directory_list_box.h"
#include "browse/path_text.h"
#include "controls/handler_guard.h"
#include "platform/archive_layout.h"
#include "platform/archive_watcher.h"
#include "platform/file_listing.h"
#include "platform/file_system.h"

namespace vistrel::app {
namespace {

bool sameFolder(const std::string& a, const std::string& b) {
  return platform::upperName(a) == platform::upperName(b);
}

bool contains(const std::vector<std::string>& sorted, const std::string& name) {
  return std::binary_search(sorted.begin(), sorted.end(), name, platform::nameLess);
}

// Where entry `index` of the old list lands in the new one: at the same
// snapshot, or where it would be; an index past the old end lands after
// the old list's last snapshot, so that what follows it comes next.
int landing(const std::vector<std::string>& before, const std::vector<std::string>& after,
            int index) {
  if (index < 0) return index;
  if (before.empty()) return 0;
  const auto at =
      index < static_cast<int>(before.size())
          ? std::lower_bound(after.begin(), after.end(), before[index], platform::nameLess)
          : std::upper_bound(after.begin(), after.end(), before.back(), platform::nameLess);
  return static_cast<int>(at - after.begin());
}

}  // namespace

void TForm1::connectArchiveWatcher() {
  archiveWatcher_ = std::make_unique<platform::ArchiveWatcher>();
  // Reported from the event loop: nothing of Qt's may see an exception.
  QObject::connect(archiveWatcher_.get(), &platform::ArchiveWatcher::hourChanged, this,
                   [this](const std::string& hourFolder) {
                     controls::runGuarded([&] {
                       listedHourChanged(hourFolder);
                       refreshShownDay(hourFolder);
                     });
                   });
  QObject::connect(
      archiveWatcher_.get(), &platform::ArchiveWatcher::foldersChanged, this,
      [this](const std::string& parentFolder) {
        controls::runGuarded([&] {
          treeFoldersChanged(parentFolder);
          // A new hour folder of the shown date is one to score.
          for (int hour = 0; hour <= platform::kLastHour; ++hour)
            if (archiveActivity_.hours()[std::size_t(hour)].state == activity::HourState::Absent)
              refreshShownDay(browse::joinPath(parentFolder, platform::hourFolderName(hour)));
        });
      });
}

void TForm1::refreshShownDay(const std::string& hourFolder) {
  // The day's activity lists the date the main window or the timeline shows;
  // other dates are read again when they are shown.
  const std::string& date = archiveActivity_.dateFolder();
  const std::size_t slash = hourFolder.find_last_of('\\');
  if (date.empty() || slash == std::string::npos) return;
  if (!sameFolder(hourFolder.substr(0, slash), date)) return;
  const int hour = platform::hourOfFolderName(std::string_view(hourFolder).substr(slash + 1));
  if (hour < 0) return;
  if (!platform::FileSystem::instance().directoryExists(hourFolder) &&
      archiveActivity_.hours()[std::size_t(hour)].state == activity::HourState::Absent)
    return;
  archiveActivity_.refreshHour(hour);
}

void TForm1::watchRecordsRoot() { archiveWatcher_->watch(kRecordsRoot); }

void TForm1::listedHourChanged(const std::string& hourFolder) {
  // The list may have been refilled for another folder, or emptied by hand.
  if (listedFolder_.empty() || !sameFolder(hourFolder, listedFolder_)) return;
  if (!sameFolder(listedFolder_, DirectoryListBox1->CurrentDirectory())) return;
  followListedFolder();
}

void TForm1::treeFoldersChanged(const std::string& parentFolder) {
  // The tree list shows the current directory's subfolders; the folders
  // above it are its path, which stays.
  if (sameFolder(parentFolder, DirectoryListBox1->CurrentDirectory()))
    DirectoryListBox1->RefreshEntries();
}

void TForm1::followListedFolder() {
  const int count = ListBox1->itemCount();
  std::vector<std::string> before;
  before.reserve(static_cast<std::size_t>(count));
  for (int index = 0; index < count; ++index) before.push_back(ListBox1->itemText(index));
  std::vector<std::string> after;
  for (std::string& name : platform::ordinaryFileNames(browse::joinPath(listedFolder_, "*.jpg"))) {
    // A snapshot still being written joins when it is complete.
    if (archiveWatcher_->beingWritten(browse::joinPath(listedFolder_, name)) &&
        !contains(before, name))
      continue;
    after.push_back(std::move(name));
  }
  if (after == before) return;

  const int selected = ListBox1->itemIndex();
  const bool selectedStays = selected >= 0 && contains(after, before[selected]);
  // Both lists are in playing order: walk them side by side.
  std::size_t old = 0;
  std::size_t fresh = 0;
  int row = 0;
  while (old < before.size() || fresh < after.size()) {
    if (fresh == after.size() ||
        (old < before.size() && platform::nameLess(before[old], after[fresh]))) {
      ListBox1->removeItem(row);
      ++old;
    } else if (old == before.size() || platform::nameLess(after[fresh], before[old])) {
      ListBox1->insertItem(row++, after[fresh++]);
    } else {
      ++row;
      ++old;
      ++fresh;
    }
  }

  const int newCount = ListBox1->itemCount();
  // A selected snapshot that went gives its place to the one after it.
  const int newSelected =
      selected < 0 ? -1 : std::min(landing(before, after, selected), newCount - 1);
  ListBox1->setItemIndex(newSelected);
  slideCounter_ = landing(before, after, slideCounter_);
  decodeAheadEnd_ = landing(before, after, decodeAheadEnd_);
  {
    followingList_ = true;
    struct Reset {
      bool& flag;
      ~Reset() { flag = false; }
    } reset{followingList_};
    // As a refill sets it: one step per snapshot, kept with one or none.
    if (newCount > 1) VideoProgress->setMax(newCount - 1);
    if (newSelected >= 0) VideoProgress->setPosition(newSelected);
  }
  writeSlideLabel();
  // A running show moves on by itself; a still picture follows the selection.
  if (!selectedStays && newSelected >= 0 && !SlideShowTimer->enabled())
    Image1->loadFromFile(SnapshotPath(newSelected));
}

}  // namespace vistrel::app
