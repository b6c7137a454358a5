// The item delegate of the plain lists: every entry of `List` is exactly the
// list's itemHeight() pixels high, whatever its font asks for.
//
// Thread: the GUI thread. The list owns the delegate (its QObject parent).
#pragma once

#include <QStyledItemDelegate>

namespace vistrel::controls {

template <typename List>
class FixedHeightDelegate : public QStyledItemDelegate {
 public:
  explicit FixedHeightDelegate(List* list) : QStyledItemDelegate(list), list_(list) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), list_->itemHeight()};
  }

 private:
  const List* list_;
};

}  // namespace vistrel::controls
