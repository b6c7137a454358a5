// The timeline's colours: dark lanes, scores in blue, events in one orange,
// damaged snapshots and unreadable hours in red.
#pragma once

#include <QColor>

namespace vistrel::timeline::colors {

inline const QColor kBackground{0x18, 0x18, 0x18};
inline const QColor kLane{0x2a, 0x2a, 0x2a};
inline const QColor kGap{0x44, 0x44, 0x44};
inline const QColor kScore{0x5f, 0xa8, 0xd3};
inline const QColor kUnscored{0x70, 0x70, 0x70};
inline const QColor kEvent{0xff, 0x98, 0x00};
inline const QColor kEventBand{0xff, 0x98, 0x00, 0x50};
inline const QColor kDamaged{0xe0, 0x30, 0x30};
inline const QColor kProgress{0x80, 0xd0, 0x80};
inline const QColor kCursor{0xff, 0xff, 0xff};
inline const QColor kMark{0xff, 0xeb, 0x3b};
inline const QColor kRange{0xff, 0xeb, 0x3b, 0x30};
inline const QColor kText{0xe0, 0xe0, 0xe0};
inline const QColor kTooltip{0x00, 0x00, 0x00, 0xd0};
inline const QColor kFocus{0xff, 0xeb, 0x3b};

}  // namespace vistrel::timeline::colors
