// Deleting and copying snapshots and folders from the keyboard, leaving the
// snapshot list with Esc, starting the show with Enter and going up a folder
// with Esc in the tree list. Every deletion and copy is confirmed first.

#include "app/controls/dialogs.h"
#include "app/controls/image.h"
#include "app/controls/list_box.h"
#include "app/controls/scroll_bar.h"
#include "app/controls/timer.h"
#include "app/shell_routines.h"
#include "app/unit1.h"
#include "browse/directory_list_box.h"
#include "browse/folder_chain.h"
#include "browse/select_dir_dlg.h"
#include "platform/file_system.h"

namespace vistrel::app {
namespace {

constexpr std::uint8_t kAllPickOptions =
    browse::pfTypedName | browse::pfCreate | browse::pfAskCreate;

// Copies go to drive C's current directory unless the user picks another.
constexpr const char* kCopyStart = "C:\\";

bool confirm(const std::string& message) { return Dialogs::instance().confirm(message); }

// True when `inner` is `outer` or lies below it (names compared ignoring case).
bool isAtOrBelow(const std::string& inner, const std::string& outer) {
  const std::string a = platform::upperName(inner);
  const std::string b = platform::upperName(outer);
  return a == b || (a.size() > b.size() && a.compare(0, b.size(), b) == 0 && a[b.size()] == '\\');
}

}  // namespace

void TForm1::ListBox1KeyDown(Sender* sender, int& key, Qt::KeyboardModifiers) {
  if (key == kKeyEscape) {
    DirectoryListBox1->setFocus();
    ListBox1->clearItems();
    slideCounter_ = 0;
    VideoProgress->setPosition(0);
  }
  if (key == kKeyEnter && ListBox1->itemCount() >= 1) {
    SlideShowClick(sender);
    RefillSnapshotList(0, false);
  }
  if (key == kKeyDelete && ListBox1->itemCount() >= 1) {
    const int selected = ListBox1->itemIndex();
    if (confirm("Are you sure you want to delete file " + ListBox1->itemText(selected) + "?")) {
      ShellFileOperation(SnapshotPath(selected), std::string(), FO_DELETE,
                         FOF_ALLOWUNDO | FOF_NOCONFIRMATION);
      // Past the end when the last entry went: the list is left without a selection.
      RefillSnapshotList(selected, false);
    }
  }
  if (key == kKeyF2 && ListBox1->itemCount() >= 1) {
    const int selected = ListBox1->itemIndex();
    if (confirm("Are you sure you want to copy file  \"" + ListBox1->itemText(selected) + "\"?")) {
      std::string destination = kCopyStart;
      if (browse::PickFolder(destination, kAllPickOptions, 0)) {
        ShellFileOperation(SnapshotPath(selected), destination, FO_COPY,
                           FOF_ALLOWUNDO | FOF_NOCONFIRMATION);
      }
    }
  }
  // Key-down runs before the list moves its selection: an arrow key shows the
  // snapshot selected before it, and the key-up handler the new one.
  const int selected = ListBox1->itemIndex();
  if (selected < 0) return;
  Image1->loadFromFile(SnapshotPath(selected));
  VideoProgress->setPosition(selected);
  writeSlideLabel();
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
    tree->setCurrentDirectory(tree->ItemPath(tree->itemIndex() - 1));
  }
  if (key == kKeyDelete && tree->itemIndex() > kRecordsRootEntry) {
    const int selected = tree->itemIndex();
    if (confirm("Are you sure you want to delete the folder  \"" + tree->itemText(selected) +
                "\"  and all its contents?")) {
      const std::string deleted = tree->ItemPath(selected);
      ShellDeleteFolder(deleted);
      const bool wasCurrent = deleted == tree->CurrentDirectory();
      // A folder above the current one takes the current one with it; the
      // list then moves to the deleted folder's parent as well, rather than
      // stay at a path that no longer exists.
      const bool currentGone = isAtOrBelow(tree->CurrentDirectory(), deleted) &&
                               !browse::FolderExists(tree->CurrentDirectory());
      if (wasCurrent || currentGone) {
        tree->setCurrentDirectory(tree->ItemPath(selected - 1));
        tree->setItemIndex(selected - 1);
      } else {
        tree->setItemIndex(selected);
      }
      tree->Rebuild();
    }
  }
  if (key == kKeyF2 && tree->itemIndex() > kRecordsRootEntry) {
    const int selected = tree->itemIndex();
    if (confirm("Are you sure you want to copy the folder  \"" + tree->itemText(selected) +
                "\"  and all its contents?")) {
      std::string destination = kCopyStart;
      if (browse::PickFolder(destination, kAllPickOptions, 0)) {
        ShellCopyFolder(tree->ItemPath(selected), destination);
      }
    }
  }
  if (ListBox1->itemCount() >= 1) ListBox1->setFocus();
}

}  // namespace vistrel::app
