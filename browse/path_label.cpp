#include "browse/path_label.h"

#include <QFontMetrics>
#include <QPainter>

#include "browse/path_text.h"

namespace vistrel::browse {

TPathLabel::TPathLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
  setAutoFillBackground(false);
}

void TPathLabel::setCaption(const std::string& caption) {
  setText(QString::fromStdString(caption));
}

std::string TPathLabel::shownText() const {
  const QFontMetrics metrics(font());
  return ShortenPath(caption(), contentsRect().width(), [&](const std::string& text) {
    return metrics.horizontalAdvance(QString::fromStdString(text));
  });
}

void TPathLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().brush(backgroundRole()));
  painter.setPen(palette().color(foregroundRole()));
  painter.setFont(font());
  painter.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine,
                   QString::fromStdString(shownText()));
}

}  // namespace vistrel::browse
