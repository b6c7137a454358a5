#include "controls/focus_rect.h"

#include <QPainter>

namespace vistrel::controls {

void drawFocusRect(QPainter& painter, const QRect& rect, const QColor& background) {
  if (rect.width() < 2 || rect.height() < 2) return;
  const QColor dot(255 - background.red(), 255 - background.green(), 255 - background.blue());
  painter.save();
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::NoBrush);
  // A checkerboard laid over the edges, as a pattern brush would draw it.
  auto dotAt = [&](int x, int y) {
    if (((x + y) & 1) == 0) painter.fillRect(x, y, 1, 1, dot);
  };
  for (int x = rect.left(); x <= rect.right(); ++x) {
    dotAt(x, rect.top());
    dotAt(x, rect.bottom());
  }
  for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
    dotAt(rect.left(), y);
    dotAt(rect.right(), y);
  }
  painter.restore();
}

}  // namespace vistrel::controls
