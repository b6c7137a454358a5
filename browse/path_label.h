// TPathLabel: a one-line label for a path. The caption is kept whole; when
// painted it is shortened to the label's width with ShortenPath ("...\"
// takes the place of leading folders). "&" is shown as itself, the label
// never wraps and never sizes itself.
//
// Thread: the GUI thread.
#pragma once

#include <string>

#include <QLabel>

namespace vistrel::browse {

class TPathLabel : public QLabel {
 public:
  explicit TPathLabel(QWidget* parent = nullptr);

  std::string caption() const { return text().toStdString(); }
  void setCaption(const std::string& caption);
  // The caption as painted at the label's current width.
  std::string shownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace vistrel::browse
