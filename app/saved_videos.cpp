// The saved videos list: open a video with the user's default player, move
// it to the trash, copy it to a folder the user picks.

#include "app/shell_routines.h"
#include "app/unit1.h"
#include "app/widgets/dialogs.h"
#include "app/widgets/list_box.h"
#include "browse/select_dir_dlg.h"
#include "platform/file_system.h"

namespace vistrel::app {

std::string TForm1::savedVideoPath() const {
  return platform::FileSystem::instance().programFolder() +
         ListBox2->itemText(ListBox2->itemIndex());
}

void TForm1::ListBox2DblClick(Sender*) { ShellOpen(savedVideoPath()); }

void TForm1::ListBox2KeyUp(Sender*, int& key, Qt::KeyboardModifiers) {
  if (ListBox2->itemIndex() < 0) return;
  if (key == kKeyEnter) {
    ShellOpen(savedVideoPath());
    ListBox2->setFocus();
  }
  if (key == kKeyDelete) {
    const int selected = ListBox2->itemIndex();
    const std::string name = ListBox2->itemText(selected);
    // The path the question names: the list may be refilled while it is up
    // (a recording switched off by a failure).
    const std::string video = savedVideoPath();
    if (Dialogs::instance().confirm("Are you sure you want to delete file " + name + "?") &&
        stillThere(video)) {
      ShellFileOperation(video, std::string(), FO_DELETE, FOF_ALLOWUNDO | FOF_NOCONFIRMATION);
      RefillSavedVideosList();
      // The same place in the list, or the new last entry.
      ListBox2->setItemIndex(std::min(selected, ListBox2->itemCount() - 1));
    }
  }
  if (key == kKeyF2) {
    const std::string name = ListBox2->itemText(ListBox2->itemIndex());
    const std::string source = savedVideoPath();
    if (Dialogs::instance().confirm("Are you sure you want to copy file  \"" + name + "\"?")) {
      std::string destination = platform::FileSystem::instance().programFolder();
      if (browse::PickFolder(destination,
                             browse::pfTypedName | browse::pfCreate | browse::pfAskCreate, 0) &&
          stillThere(source)) {
        ShellFileOperation(source, destination, FO_COPY, FOF_ALLOWUNDO | FOF_NOCONFIRMATION);
      }
    }
  }
}

}  // namespace vistrel::app
