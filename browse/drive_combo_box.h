// TDriveComboBox: the drive selector, a drop-down list of the drives with an
// image per drive type and the volume label or network connection. Picking a
// drive sets DriveLetter, tells a linked tree list and raises OnChange; a
// pick runs the click step and then the select step, so picking another
// drive raises OnChange twice (the select step raises it again unless
// OnSelect is assigned).
//
// The list is built when the control's window is created: on the first show,
// or earlier when the owner calls windowCreated(). Creation then writes
// DriveLetter := the held letter, which selects its entry and raises
// OnChange once.
//
// Events run synchronously: a value set by program raises OnChange at once,
// nested in the caller, and exceptions reach the caller. Events raised from
// user input run through controls::runGuarded().
//
// Thread: the GUI thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QComboBox>
#include <QPointer>

#include "controls/control.h"

namespace vistrel::browse {

class TDirectoryListBox;

enum class TTextCase { tcLowerCase = 0, tcUpperCase = 1 };

class TDriveComboBox : public QComboBox, public controls::Control {
  Q_OBJECT

 public:
  // Takes the drive of the process's current directory ('\0' for a network
  // path). The list stays empty until the window is created.
  explicit TDriveComboBox(QWidget* parent = nullptr);
  ~TDriveComboBox() override;

  // The selected drive letter, lower case unless TextCase is tcUpperCase;
  // '\0' for none.
  char DriveLetter() const { return drive_; }
  // Selects the drive's entry (none when no entry matches), tells a linked
  // tree list and raises OnChange; nothing when an entry is selected and the
  // letter (case ignored) is already the drive letter.
  void SetDriveLetter(char letter);

  TTextCase TextCase() const { return textCase_; }
  // Rebuilds the list in the new case and selects the held drive again.
  void SetTextCase(TTextCase textCase);

  // The linked tree list; linking sets its drive selector, unlinking (or its
  // destruction) clears it.
  TDirectoryListBox* DirList() const;
  void SetDirList(TDirectoryListBox* list);

  // Builds the list and writes DriveLetter := the held letter. Runs on the
  // first show unless it has run already.
  void windowCreated();

  // The user's pick of the current entry: click step, then select step.
  // Connected to QComboBox::activated; public so that owners and tests can
  // replay a pick.
  void userChoice();

  int itemIndex() const { return currentIndex(); }
  std::string itemText(int index) const;
  // Larger of the font's text height and the drive image's height.
  int itemHeight() const { return itemHeight_; }
  void setItemHeight(int pixels);

  std::function<void()> OnChange;
  std::function<void()> OnClick;
  std::function<void()> OnSelect;

  // layout::Component
  std::string className() const override { return "TDriveComboBox"; }

 protected:
  const controls::PropertyTable& propertyTable() const override;
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  friend class TDirectoryListBox;
  class Delegate;

  void buildList();
  std::string volumeText(char letter) const;
  std::string networkText(char letter) const;
  void drawEntry(QPainter& painter, const QRect& rect, int index, bool selected) const;
  void raiseChange();

  char drive_ = '\0';
  TTextCase textCase_ = TTextCase::tcLowerCase;
  QPointer<TDirectoryListBox> dirList_;
  bool windowCreated_ = false;
  int itemHeight_ = 13;
  std::string dirListName_;
};

}  // namespace vistrel::browse
