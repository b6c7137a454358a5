#include "app/widgets/label.h"

namespace vistrel::app {

TLabel::TLabel(QWidget* parent) : QLabel(parent), EventControl(this) {
  setTextFormat(Qt::PlainText);
  setAutoFillBackground(true);
  applyAlignment();
}

void TLabel::applyAlignment() {
  Qt::Alignment alignment = Qt::AlignLeft;
  if (alignment_ == "taCenter") alignment = Qt::AlignHCenter;
  if (alignment_ == "taRightJustify") alignment = Qt::AlignRight;
  if (layout_ == "tlTop") alignment |= Qt::AlignTop;
  if (layout_ == "tlCenter") alignment |= Qt::AlignVCenter;
  if (layout_ == "tlBottom") alignment |= Qt::AlignBottom;
  setAlignment(alignment);
}

const controls::PropertyTable& TLabel::propertyTable() const {
  using P = controls::Stored<TLabel>;
  static const controls::PropertyTable table(
      {&controlPropertyTable()},
      {
          P::property("Caption", &TLabel::caption, &TLabel::setCaption),
          P::field("AutoSize", &TLabel::autoSize_),
          P::identifier("Alignment", &TLabel::alignment_, &TLabel::applyAlignment),
          P::identifier("Layout", &TLabel::layout_, &TLabel::applyAlignment),
          P::identifier("BiDiMode", &TLabel::biDiMode_),
          P::field("ParentBiDiMode", &TLabel::parentBiDiMode_),
          P::property(
              "Transparent", [](const TLabel& c) { return c.transparent_; },
              [](TLabel& c, bool transparent) {
                c.transparent_ = transparent;
                c.setAutoFillBackground(!transparent);
              }),
      });
  return table;
}

}  // namespace vistrel::app
