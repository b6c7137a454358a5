// The item delegate of the plain lists: every entry of `List` is exactly the
// list's itemHeight() pixels high, whatever its font asks for, and the entry
// with the keyboard focus carries the dotted focus rectangle (focus_rect.h)
// instead of the style's own mark, which the selection's colour can hide.
//
// Thread: the GUI thread. The list owns the delegate (its QObject parent).
#pragma once

#include <QPainter>
#include <QStyledItemDelegate>

#include "controls/focus_rect.h"

namespace vistrel::controls {

template <typename List>
class FixedHeightDelegate : public QStyledItemDelegate {
 public:
  explicit FixedHeightDelegate(List* list) : QStyledItemDelegate(list), list_(list) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), list_->itemHeight()};
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem plain(option);
    plain.state &= ~QStyle::State_HasFocus;
    QStyledItemDelegate::paint(painter, plain, index);
    if ((option.state & QStyle::State_HasFocus) && list_->hasFocus()) {
      const bool selected = (option.state & QStyle::State_Selected) != 0;
      drawFocusRect(*painter, option.rect,
                    list_->palette().color(QPalette::Active,
                                           selected ? QPalette::Highlight : QPalette::Base));
    }
  }

 private:
  const List* list_;
};

}  // namespace vistrel::controls
