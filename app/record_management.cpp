// Deleting and copying snapshots and folders from the keyboard, leaving the
// snapshot list with Esc, starting the show with Enter and going up a folder
// with Esc in the tree list. Every deletion and copy is confirmed first.

#include "app/shell_routines.h"
#include "app/unit1.h"
#include "app/widgets/dialogs.h"
#include "app/widgets/image.h"
#include "app/widgets/list_box.h"
#include "app/widgets/scroll_bar.h"
#include "app/widgets/timer.h"
#include "browse/directory_list_box.h"
#include "browse/folder_chain.h"
#include "browse/select_dir_dlg.h"
#include "platform/file_system.h"

namespace vistrel::app {
namespace {

constexpr std::uint8_t kAllPickOptions =
    browse::pfTypedName | browse::pfCreate | browse::pfAskCreate;
constexpr std::uint8_t kFolderCopyPickOptions = browse::pfTypedName | browse::pfAskCreate;

// Copies go to drive C's current directory unless the user picks another.
constexpr const char* kCopyStart = "C:\\";

bool confirm(const std::string& message) { return Dialogs::instance().confirm(message); }

// True when `inner` is `outer` or lies below it (names compared ignoring case).
bool isAtOrBelow(const std::string& inner, const std::string& outer) {
  const std::string a = platform::upperName(inner);
  const std::string b = platform::upperName(outer);
  return a == b || (a.size() > b.size() && a.compare(0, b.size(), b) == 0 && a[b.size()] == '\\');
}

// The parent folder of a Windows path that is not a drive root.
std::string parentOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('\\');
  return slash <= 2 ? path.substr(0, 3) : path.substr(0, slash);
}

}  // namespace

void TForm1::ListBox1KeyDown(Sender* sender, int& key, Qt::KeyboardModifiers shift) {
  if (eventJumpKey(key, shift)) return;
  if (key == kKeyEscape) {
    DirectoryListBox1->setFocus();
    ListBox1->clearItems();
    listedFolder_.clear();
    slideCounter_ = 0;
    VideoProgress->setPosition(0);
  }
  if (key == kKeyEnter && ListBox1->itemCount() >= 1) {
    SlideShowClick(sender);
    RefillSnapshotList(0, false);
  }
  if (key == kKeyDelete && ListBox1->itemCount() >= 1) {
    const int selected = ListBox1->itemIndex();
    const std::string snapshot = SnapshotPath(selected);
    if (confirm("Are you sure you want to delete file " + ListBox1->itemText(selected) + "?") &&
        stillThere(snapshot)) {
      ShellFileOperation(snapshot, std::string(), FO_DELETE, FOF_ALLOWUNDO | FOF_NOCONFIRMATION);
      // Past the end when the last entry went: the list is left without a selection.
      RefillSnapshotList(selected, false);
    }
  }
  if (key == kKeyF2 && ListBox1->itemCount() >= 1) {
    const int selected = ListBox1->itemIndex();
    const std::string snapshot = SnapshotPath(selected);
    if (confirm("Are you sure you want to copy file  \"" + ListBox1->itemText(selected) + "\"?")) {
      std::string destination = kCopyStart;
      if (browse::PickFolder(destination, kAllPickOptions, 0) && stillThere(snapshot)) {
        ShellFileOperation(snapshot, destination, FO_COPY, FOF_ALLOWUNDO | FOF_NOCONFIRMATION);
      }
    }
  }
  // Key-down runs before the list moves its selection: an arrow key shows the
  // snapshot selected before it, and the key-up handler the new one.
  if (!showSelectedSnapshot()) return;
  if (SlideShowTimer->enabled()) {
    VideoProgress->setFocus();
  } else {
    ListBox1->setFocus();
  }
}

void TForm1::DirectoryListBox1KeyDown(Sender*, int& key, Qt::KeyboardModifiers) {
  browse::TDirectoryListBox* tree = DirectoryListBox1;
  keepTreeSelectionInRecords();
  if (key == kKeyEscape && tree->itemIndex() > kRecordsRootEntry) {
    tree->SetCurrentDirectory(tree->ItemPath(tree->itemIndex() - 1));
  }
  if (key == kKeyDelete && tree->itemIndex() > kRecordsRootEntry) deleteSelectedFolder();
  if (key == kKeyF2 && tree->itemIndex() > kRecordsRootEntry) {
    const int selected = tree->itemIndex();
    const std::string folder = tree->ItemPath(selected);
    if (confirm("Are you sure you want to copy the folder  \"" + tree->itemText(selected) +
                "\"  and all its contents?")) {
      std::string destination = kCopyStart;
      // The copy creates a new destination itself, after checking that it
      // does not lie inside the folder copied: a refused copy leaves nothing.
      if (browse::PickFolder(destination, kFolderCopyPickOptions, 0) && stillThere(folder)) {
        ShellCopyFolder(folder, destination);
      }
    }
  }
  if (ListBox1->itemCount() >= 1) ListBox1->setFocus();
}

void TForm1::deleteSelectedFolder() {
  browse::TDirectoryListBox* tree = DirectoryListBox1;
  const int selected = tree->itemIndex();
  const std::string folder = tree->ItemPath(selected);
  const std::string name = tree->itemText(selected);
  // The delete is permanent, so it is kept to the archive's own date and
  // hour folders (and what lies below them); elsewhere on the computer the
  // tree list deletes nothing.
  if (!isAtOrBelow(folder, kRecordsRoot) || isAtOrBelow(kRecordsRoot, folder)) {
    Dialogs::instance().showMessage("Only folders inside " + std::string(kRecordsRoot) +
                                    " can be deleted here; \"" + name + "\" was not deleted.");
    return;
  }
  const std::string listedAt = tree->CurrentDirectory();
  if (!confirm("Are you sure you want to delete the folder  \"" + name +
               "\"  and all its contents?") ||
      !stillThere(folder)) {
    return;
  }
  ShellDeleteFolder(folder);
  // Deleting the current folder, or one above it, moves the list to the
  // deleted folder's parent rather than leave it at a path that no longer
  // exists. When the list moved on while the question was up (a running
  // show opens the next hour), its own selection stays.
  const std::string current = tree->CurrentDirectory();
  if (current == folder || (isAtOrBelow(current, folder) && !browse::FolderExists(current))) {
    tree->SetCurrentDirectory(parentOf(folder));
    if (current == listedAt) tree->setItemIndex(selected - 1);
  } else if (current == listedAt) {
    tree->setItemIndex(selected);
  }
  tree->Rebuild();
}

}  // namespace vistrel::app
