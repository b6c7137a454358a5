// TFileListBox: the files of a folder, names only, for information. For each
// pattern of the mask (patterns separated by ";") it lists the matching
// entries that are neither folders nor marked hidden, system or volume
// label, sorted ignoring case. A tree list moves it along (FolderFollower).
//
// Thread: the GUI thread.
#pragma once

#include <string>
#include <vector>

#include <QListWidget>

#include "browse/directory_list_box.h"

namespace vistrel::browse {

class TFileListBox : public QListWidget, public FolderFollower {
 public:
  explicit TFileListBox(QWidget* parent = nullptr);

  void setMask(const std::string& mask);
  // Lists the files of `folder` (a Windows path) afresh.
  void setFolder(const std::string& folder) override;

  std::vector<std::string> names() const;

  int itemHeight() const { return itemHeight_; }
  void setItemHeight(int pixels);

  // Listings longer than this show the busy cursor while they fill the list.
  static constexpr int kBusyCursorEntries = 100;

 private:
  void refill();

  std::string mask_ = "*.*";
  std::string folder_;
  int itemHeight_ = 13;
};

}  // namespace vistrel::browse
