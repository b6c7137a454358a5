#include "app/widgets/list_box.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "controls/fixed_height_delegate.h"
#include "platform/exception.h"
#include "platform/file_listing.h"

namespace vistrel::app {
namespace {

// Where an entry keeps the bytes it was added with.
constexpr int kNameRole = Qt::UserRole + 1;

}  // namespace

TListBox::TListBox(QWidget* parent) : QListWidget(parent), EventControl(this) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setItemDelegate(new controls::FixedHeightDelegate<TListBox>(this));
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Sunken);
  setLineWidth(2);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setColor(controls::clWindow);
  connect(this, &QListWidget::itemSelectionChanged, this, [this] {
    if (!selectingByProgram_) raiseFromUser(mouse_.onClick);
  });
}

std::string TListBox::itemText(int index) const {
  if (index < 0 || index >= count()) {
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
  }
  return item(index)->text().toStdString();
}

std::string TListBox::itemName(int index) const {
  const std::string text = itemText(index);  // checks the bounds
  const QVariant name = item(index)->data(kNameRole);
  return name.isValid() ? name.toByteArray().toStdString() : text;
}

void TListBox::addItem(const std::string& text) {
  auto* entry = new QListWidgetItem(QString::fromStdString(text));
  entry->setData(kNameRole, QByteArray::fromStdString(text));
  QListWidget::addItem(entry);
}

void TListBox::insertItem(int index, const std::string& text) {
  selectingByProgram_ = true;
  QListWidget::insertItem(index, QString::fromStdString(text));
  selectingByProgram_ = false;
}

void TListBox::removeItem(int index) {
  selectingByProgram_ = true;
  delete takeItem(index);
  selectingByProgram_ = false;
}

void TListBox::clearItems() {
  selectingByProgram_ = true;
  clear();
  selectingByProgram_ = false;
}

int TListBox::itemIndex() const {
  const int row = currentRow();
  return row >= 0 && item(row)->isSelected() ? row : -1;
}

void TListBox::setItemIndex(int index) {
  selectingByProgram_ = true;
  if (index >= 0 && index < count()) {
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
  } else {
    clearSelection();
    setCurrentRow(-1);
  }
  selectingByProgram_ = false;
}

void TListBox::addDirectoryListing(std::string_view pattern) {
  for (const std::string& name : platform::ordinaryFileNames(pattern)) addItem(name);
}

void TListBox::setItemHeight(int height) {
  itemHeight_ = height;
  doItemsLayout();
}

const controls::PropertyTable& TListBox::propertyTable() const {
  using P = controls::Stored<TListBox>;
  static const controls::PropertyTable table(
      {&controlPropertyTable(), &mousePropertyTable()},
      {
          P::property("ItemHeight", &TListBox::itemHeight, &TListBox::setItemHeight),
          P::property(
              "Sorted", [](const TListBox& c) { return c.sorted_; },
              [](TListBox& c, bool sorted) {
                c.sorted_ = sorted;
                c.setSortingEnabled(sorted);
              }),
          P::property(
              "BorderStyle",
              [](const TListBox& c) { return layout::Value::Identifier{c.borderStyle_}; },
              [](TListBox& c, const layout::Value::Identifier& style) {
                c.borderStyle_ = style.name;
                c.setFrameShape(style.name == "bsNone" ? QFrame::NoFrame : QFrame::Panel);
              }),
          P::property(
              "Ctl3D", [](const TListBox& c) { return c.ctl3D_; },
              [](TListBox& c, bool ctl3D) {
                c.ctl3D_ = ctl3D;
                c.setFrameShadow(ctl3D ? QFrame::Sunken : QFrame::Plain);
              }),
          eventProperty<TListBox>("OnDblClick", &TListBox::onDblClick_),
          eventProperty<TListBox>("OnKeyDown", &TListBox::onKeyDown_),
          eventProperty<TListBox>("OnKeyUp", &TListBox::onKeyUp_),
      });
  return table;
}

void TListBox::keyPressEvent(QKeyEvent* event) {
  pressedKeys_.insert(event->key());
  int key = virtualKeyCode(*event);
  raiseFromUser(onKeyDown_, key, event->modifiers());
  if (key == 0 && virtualKeyCode(*event) != 0) return;  // the handler consumed it
  QListWidget::keyPressEvent(event);
}

void TListBox::keyReleaseEvent(QKeyEvent* event) {
  QListWidget::keyReleaseEvent(event);
  if (event->isAutoRepeat()) return;  // one release per key press, as on Windows
  // The release of a key pressed elsewhere (the Enter that closed an error
  // box) must not show the snapshot again and bring the box straight back.
  if (pressedKeys_.erase(event->key()) == 0) return;
  int key = virtualKeyCode(*event);
  raiseFromUser(onKeyUp_, key, event->modifiers());
}

void TListBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    QListWidget::mousePressEvent(event);
  } else {
    setFocus(Qt::MouseFocusReason);
    event->accept();
  }
  raiseMouse(mouse_.onMouseDown, *event);
}

void TListBox::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) QListWidget::mouseReleaseEvent(event);
  raiseMouse(mouse_.onMouseUp, *event);
}

void TListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    mousePressEvent(event);  // a second right or middle press, nothing more
    return;
  }
  QListWidget::mouseDoubleClickEvent(event);
  raiseFromUser(onDblClick_);
  raiseMouse(mouse_.onMouseDown, *event);
}

void TListBox::verticalScrollbarValueChanged(int) {}

void TListBox::focusOutEvent(QFocusEvent* event) {
  pressedKeys_.clear();
  QListWidget::focusOutEvent(event);
}

}  // namespace vistrel::app
