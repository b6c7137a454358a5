// The keyboard focus as the classic Windows controls show it: a dotted
// rectangle, one pixel on and one off, in the inverse of the colour it is
// drawn over (white on black, yellow on the navy of a selected entry). It
// adds to the colours the window's layout gives a control and changes none.
//
// Thread: the GUI thread (it paints).
#pragma once

#include <QColor>
#include <QRect>

class QPainter;

namespace vistrel::controls {

// Draws the focus rectangle on the edge of `rect`, over a `background` fill.
void drawFocusRect(QPainter& painter, const QRect& rect, const QColor& background);

}  // namespace vistrel::controls
