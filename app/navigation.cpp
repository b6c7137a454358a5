// Moving through the archive by hand: the drive selector, the tree list, the
// snapshot list and the position bar.

#include "app/unit1.h"
#include "app/widgets/image.h"
#include "app/widgets/label.h"
#include "app/widgets/list_box.h"
#include "app/widgets/scroll_bar.h"
#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"
#include "platform/file_system.h"

namespace vistrel::app {
namespace {

bool sameFolder(const std::string& a, const std::string& b) {
  return platform::upperName(a) == platform::upperName(b);
}

}  // namespace

void TForm1::DriveComboBox1Change(Sender*) {
  DirectoryListBox1->SetDriveLetter(DriveComboBox1->DriveLetter());
  // Drive letters come from the path layer in upper case, so picking drive C
  // always leads back to the records root.
  if (DirectoryListBox1->DriveLetter() == 'C') DirectoryListBox1->SetCurrentDirectory(kRecordsRoot);
}

void TForm1::DirectoryListBox1Change(Sender*) { RefillSnapshotList(0, true); }

void TForm1::DirectoryListBox1Click(Sender*) { keepTreeSelectionInRecords(); }

void TForm1::keepTreeSelectionInRecords() {
  // Keep the user's selection from rising above the records root. Only in the
  // records tree: elsewhere entry 3 is an unrelated folder (or none), and
  // forcing it would make the shallow entries of other drives unselectable.
  if (DirectoryListBox1->itemIndex() > kRecordsRootEntry) return;
  if (!sameFolder(DirectoryListBox1->ItemPath(kRecordsRootEntry), kRecordsRoot)) return;
  DirectoryListBox1->setItemIndex(kRecordsRootEntry);
}

void TForm1::ListBox1Click(Sender*) {}

void TForm1::ListBox1MouseDown(Sender*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}

void TForm1::ListBox1MouseUp(Sender*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  showSelectedSnapshot();
}

void TForm1::ListBox1KeyUp(Sender*, int&, Qt::KeyboardModifiers) { showSelectedSnapshot(); }

bool TForm1::showSelectedSnapshot() {
  const int selected = ListBox1->itemIndex();
  if (selected < 0) return false;
  Image1->loadFromFile(SnapshotPath(selected));
  VideoProgress->setPosition(selected);
  writeSlideLabel();
  return true;
}

void TForm1::VideoProgressChange(Sender*) {
  if (followingList_) return;
  if (ListBox1->itemCount() <= 1) return;
  const int position = VideoProgress->position();
  ListBox1->setItemIndex(position);
  const std::string path = SnapshotPath(ListBox1->itemIndex());
  // Inside a slide-show tick Image1 already holds this very file, decoded.
  if (path != slideJustShown_) Image1->loadFromFile(path);
  writeSlideLabel();
  slideCounter_ = position;
}

void TForm1::VideoProgressKeyDown(Sender*, int& key, Qt::KeyboardModifiers shift) {
  if (eventJumpKey(key, shift)) return;
  if (key == kKeyEscape) {
    STOPClick(VideoProgress);
    ListBox1->setFocus();
  } else if (key == kKeyEnter) {
    if (ListBox1->itemCount() >= 1) SlideShowClick(VideoProgress);
  }
}

}  // namespace vistrel::app
