// TSelectDirDlg and PickFolder: the modal dialog in which the user picks, or
// types, a folder. A drive selector, a tree list, the path label (or, in
// typed-name mode, an edit box), the folder's files for information, and
// OK / Cancel / Help. The Network button exists for the layout's sake and
// stays hidden: this platform offers no network connect dialog.
//
// The dialog's tree list moves the process's current directory
// (platform::FileSystem) as any tree list does, and leaves it at the folder
// last shown: a relative path typed in the dialog, or used by the caller
// afterwards, resolves against that folder.
//
// Thread: the GUI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vistrel::browse {

class TDirectoryListBox;
class TDriveComboBox;
class TFileListBox;
class TPathLabel;

// Options of PickFolder, combined with "|".
enum PickFolderOption : std::uint8_t {
  pfTypedName = 1,  // the edit box replaces the path label; the result is its text
  pfCreate = 2,     // after OK, create the folder and its missing parents
  pfAskCreate = 4,  // in typed-name mode, OK on a missing folder asks first
};

inline constexpr const char* kAskCreateQuestion =
    "The specified directory does not exist. Create it?";

class TSelectDirDlg : public QDialog {
 public:
  // Builds the controls and runs FormCreate.
  explicit TSelectDirDlg(QWidget* parent = nullptr);

  TDirectoryListBox* DirList = nullptr;
  QLineEdit* DirEdit = nullptr;
  TDriveComboBox* DriveList = nullptr;
  TPathLabel* DirLabel = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* HelpButton = nullptr;
  QPushButton* NetButton = nullptr;
  TFileListBox* FileList = nullptr;

  // Shows the edit box in place of the path label (or the label again).
  void setTypedName(bool on);
  void setAskCreate(bool on) { askCreate_ = on; }

  // Moves both lists to the folder of `path` (see PickFolder).
  void preset(const std::string& path);
  // The folder the dialog stands for: the edit box's text in typed-name
  // mode, else the tree list's current directory.
  std::string chosenFolder() const;
  // Scales every control and the dialog for a screen that is not at the
  // stored 96 pixels per inch; the file list takes the dialog's font.
  void scaleToScreen(double factor);

  // Handlers.
  void FormCreate();
  void DirListChange();
  void DriveListChange();
  void NetClick();
  void OKClick();
  void HelpButtonClick();

  // Stored layout, in client pixels.
  static constexpr int kClientWidth = 424;
  static constexpr int kClientHeight = 255;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool typedName_ = false;
  bool askCreate_ = false;
};

// Shows the dialog at `path` and returns true when the user closed it with
// OK; `path` then holds the chosen folder. `helpContext` 0 hides the Help
// button (OK and Cancel move right to fill its place).
//
// Presetting: a path with a drive letter opens that drive at the path's
// folder; a drive root ("C:\") opens at the drive's own current directory,
// which is the process's current directory when that lies on the drive.
bool PickFolder(std::string& path, std::uint8_t options, int helpContext);

// Replaces the modal run of the dialog (tests): the function gets the
// prepared dialog and returns its result (QDialog::Accepted for OK). An
// empty function restores QDialog::exec.
using FolderDialogRunner = std::function<int(TSelectDirDlg& dialog)>;
void setFolderDialogRunner(FolderDialogRunner runner);

}  // namespace vistrel::browse
