// A list box of text entries with Windows' list semantics: entries
// count from 0, no selection is -1, selecting by program raises no event, the
// list moves its own selection on arrows, Page Up/Down, Home, End and first
// letters. Key-down handlers run before the list reacts to the key, key-up
// and mouse-up handlers after. Only the left button selects; every button
// raises the mouse events.
//
// Thread: the GUI thread.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include <QListWidget>

#include "app/widgets/event_control.h"

namespace vistrel::app {

class TListBox : public QListWidget, public EventControl {
 public:
  explicit TListBox(QWidget* parent = nullptr);

  std::string className() const override { return "TListBox"; }

  int itemCount() const { return count(); }
  // Throws vistrel::Exception "List index out of bounds (%d)" outside 0..count-1.
  std::string itemText(int index) const;
  // The entry's text as it was added, byte for byte: a file name that is
  // not UTF-8 keeps its bytes here, while the text shows U+FFFD for them.
  // Same bounds as itemText().
  std::string itemName(int index) const;
  void addItem(const std::string& text);
  // Inserts an entry before entry `index` (at the end for index >= count) or
  // removes entry `index`; the selected entry stays selected (a removed one
  // leaves no selection). Neither raises an event.
  void insertItem(int index, const std::string& text);
  void removeItem(int index);
  void clearItems();
  int itemIndex() const;
  // An index outside the entries leaves the list with no selection.
  void setItemIndex(int index);
  // Adds the ordinary read-write files matching `pattern` (see platform/file_listing.h).
  void addDirectoryListing(std::string_view pattern);

  int itemHeight() const { return itemHeight_; }

 protected:
  const controls::PropertyTable& propertyTable() const override;

  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  // Qt asks the display where the cursor is after every scroll, to move a
  // hover highlight that a list box does not draw; during a slide show the
  // list scrolls every tick, and that round trip would delay the next one.
  void verticalScrollbarValueChanged(int value) override;

 private:
  void setItemHeight(int height);

  int itemHeight_ = 13;
  bool sorted_ = false;
  std::string borderStyle_ = "bsSingle";
  bool ctl3D_ = true;
  bool selectingByProgram_ = false;
  // Keys whose press this list received; a release raises the key-up event
  // only for them (a box closed by a key press leaves its release here).
  std::set<int> pressedKeys_;
  NotifyEvent onDblClick_;
  KeyEvent onKeyDown_;
  KeyEvent onKeyUp_;
};

}  // namespace vistrel::app
