// A static text with a background of its own (not transparent): the caption,
// its horizontal alignment and vertical layout, no automatic sizing.
#pragma once

#include <string>

#include <QLabel>

#include "app/widgets/event_control.h"

namespace vistrel::app {

class TLabel : public QLabel, public EventControl {
 public:
  explicit TLabel(QWidget* parent = nullptr);

  std::string className() const override { return "TLabel"; }
  std::string caption() const { return text().toStdString(); }
  void setCaption(const std::string& caption) { setText(QString::fromStdString(caption)); }

 protected:
  const controls::PropertyTable& propertyTable() const override;

 private:
  void applyAlignment();

  bool autoSize_ = true;
  std::string alignment_ = "taLeftJustify";
  std::string layout_ = "tlTop";
  std::string biDiMode_ = "bdLeftToRight";
  bool parentBiDiMode_ = true;
  bool transparent_ = false;
};

}  // namespace vistrel::app
