// TDirectoryListBox: the directory tree list. One entry per folder from the
// drive root down to the current directory, then one per visible subfolder
// of it, sorted ignoring case. The viewer addresses entries by position
// (3 the records root, 4 a date folder, 5 an hour folder), so the entry
// model and its order are part of the contract.
//
// The list keeps the process's current directory (platform::FileSystem) at
// its own current directory after every change. Opening an entry (double
// click or Enter) makes it the current directory; the arrow keys and clicks
// only move the selection.
//
// Events run synchronously: setting a value by program raises OnChange at
// once, nested in the caller, and exceptions from handlers reach the caller.
// Events raised from user input run through controls::runGuarded().
//
// Thread: the GUI thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QListWidget>
#include <QPointer>

#include "controls/control.h"
#include "platform/exception.h"

class QLabel;

namespace vistrel::browse {

// A list addressed outside its entries (the tree list here, the drive
// selector too): "List index out of bounds (%d)", the error box's text.
VISTREL_EXCEPTION(EListError, Exception);

inline EListError listIndexError(int index) {
  return EListError("List index out of bounds (" + std::to_string(index) + ")");
}

class TDriveComboBox;

// A control that shows the files of a folder and follows the tree list.
class FolderFollower {
 public:
  virtual ~FolderFollower() = default;
  virtual void setFolder(const std::string& folder) = 0;
};

class TDirectoryListBox : public QListWidget, public controls::Control {
  Q_OBJECT

 public:
  // The current directory starts as the process's current directory and the
  // entries are built for it.
  explicit TDirectoryListBox(QWidget* parent = nullptr);
  ~TDirectoryListBox() override;

  // The current directory: full path, no trailing "\" except at a drive root.
  std::string CurrentDirectory() const { return directory_; }
  // Moves to `path` (absolute, drive-relative, relative, a file in a folder
  // or a wildcard pattern in a folder). A folder that cannot be entered is
  // not reported: the list stays (or lands) where the platform leaves the
  // process's current directory, and OnChange is still raised. Setting the
  // current directory again (ignoring case on volumes that ignore it) does
  // nothing.
  void SetCurrentDirectory(const std::string& path);

  // The first character of the current directory as stored.
  char DriveLetter() const;
  // Moves to the drive's own current directory when the letter (case
  // ignored) differs from the current drive; otherwise nothing.
  void SetDriveLetter(char letter);

  // The full path of entry `index`; empty for index >= count().
  // Throws EListError for a negative index.
  std::string ItemPath(int index) const;
  // CurrentDirectory := ItemPath(selected index).
  void OpenSelected();
  // Builds the entries afresh for the unchanged current directory, then
  // raises the change.
  void Rebuild();
  // Builds the entries afresh for the unchanged current directory (its
  // subfolders may have come or gone), keeping the selected entry selected
  // while it exists and the scroll position. Raises no event.
  void RefreshEntries();
  // Called by a linked drive selector with the drive it selected ('\0' for
  // none): moves to that drive's current directory.
  void DriveChanged(char letter);

  // The selected entry, -1 for none. Setting it by program raises no event.
  int itemIndex() const;
  void setItemIndex(int index);
  // The text of entry `index` as stored (the folder's name).
  std::string itemText(int index) const;
  // The indent in pixels that entry `index` is drawn with.
  int itemIndent(int index) const;

  // Item height in pixels: the larger of the font's text height and the
  // folder image's height + 1; recomputed when the font changes.
  int itemHeight() const { return itemHeight_; }
  void setItemHeight(int pixels);

  // True when the current directory's volume keeps (or matches) the case of
  // names; names are drawn in lower case otherwise.
  bool casePreserving() const { return casePreserving_; }
  bool caseSensitive() const { return caseSensitive_; }

  // Links. A linked object that is destroyed is unlinked automatically.
  TDriveComboBox* driveCombo() const;
  // `follower` must also be a QObject (typically a widget).
  void setFileList(FolderFollower* follower);
  void setDirLabel(QLabel* label);

  // Events. OnKeyDown runs before the list reacts to the key (Qt key code;
  // setting it to 0 swallows the key); OnKeyPress runs for typed characters
  // before the list acts on Enter.
  std::function<void()> OnChange;
  std::function<void()> OnClick;
  std::function<void()> OnDblClick;
  std::function<void(int& key, Qt::KeyboardModifiers modifiers)> OnKeyDown;
  std::function<void(char& key)> OnKeyPress;

  // layout::Component
  std::string className() const override { return "TDirectoryListBox"; }

 protected:
  const controls::PropertyTable& propertyTable() const override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyboardSearch(const QString& search) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override;

 private:
  friend class TDriveComboBox;
  struct Entry;
  class Delegate;

  void buildEntries();
  void addEntry(const std::string& text, int kind);
  void raiseChange();
  void recomputeItemHeight();
  int entryKind(int index) const;
  bool sameAsCurrent(const std::string& path) const;
  // Reads FileList (`fileList`) or DirLabel: resolved once the layout is read.
  void link(bool fileList, const layout::Value& value, layout::ReadContext& context);

  std::string directory_;
  int currentEntry_ = -1;
  bool casePreserving_ = false;
  bool caseSensitive_ = false;
  bool inDirectorySet_ = false;
  int itemHeight_ = 16;
  QPointer<TDriveComboBox> driveCombo_;
  QPointer<QObject> fileListObject_;
  FolderFollower* fileList_ = nullptr;
  QPointer<QLabel> dirLabel_;
  std::string fileListName_;
  std::string dirLabelName_;
};

}  // namespace vistrel::browse
