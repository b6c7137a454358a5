#include "app/controls/label.h"

namespace vistrel::app {

TLabel::TLabel(QWidget* parent) : QLabel(parent), Control(this) {
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

bool TLabel::applyProperty(const std::string& name, const layout::Value& value,
                           layout::ReadContext& context) {
  if (name == "Caption") {
    setCaption(value.asString());
  } else if (name == "AutoSize") {
    autoSize_ = value.asBoolean();
  } else if (name == "Alignment") {
    alignment_ = value.asIdentifier();
    applyAlignment();
  } else if (name == "Layout") {
    layout_ = value.asIdentifier();
    applyAlignment();
  } else if (name == "BiDiMode") {
    biDiMode_ = value.asIdentifier();
  } else if (name == "ParentBiDiMode") {
    parentBiDiMode_ = value.asBoolean();
  } else if (name == "Transparent") {
    transparent_ = value.asBoolean();
    setAutoFillBackground(!transparent_);
  } else {
    return Control::applyProperty(name, value, context);
  }
  return true;
}

layout::Value TLabel::propertyValue(const std::string& name) const {
  if (name == "Caption") return caption();
  if (name == "AutoSize") return autoSize_;
  if (name == "Alignment") return layout::Value::Identifier{alignment_};
  if (name == "Layout") return layout::Value::Identifier{layout_};
  if (name == "BiDiMode") return layout::Value::Identifier{biDiMode_};
  if (name == "ParentBiDiMode") return parentBiDiMode_;
  if (name == "Transparent") return transparent_;
  return Control::propertyValue(name);
}

}  // namespace vistrel::app
