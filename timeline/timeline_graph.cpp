#include "timeline/timeline_graph.h"

#include <algorithm>
#include <cmath>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "picture/scaled_decode.h"
#include "platform/file_system.h"
#include "timeline/timeline_colors.h"

namespace vistrel::timeline {
namespace {

// Scores are shares of the picture that changed: a figure crossing the
// view is a few percent, so the bars grow with the square root to keep
// small movement visible.
double barShare(double score) {
  return std::clamp(std::sqrt(std::max(score, 0.0) / 0.2), 0.0, 1.0);
}

QString hourCounts(const activity::DayHour& hour, bool wide) {
  switch (hour.state) {
    case activity::HourState::Absent:
      return {};
    case activity::HourState::Unreadable:
      return QStringLiteral("unreadable");
    case activity::HourState::Queued:
      if (!hour.listed) return wide ? QStringLiteral("listing") : QStringLiteral("...");
      return wide ? QStringLiteral("%1 snapshots, queued").arg(hour.snapshots.size())
                  : QString::number(hour.snapshots.size());
    case activity::HourState::Indexing: {
      const std::size_t total = std::max<std::size_t>(hour.snapshots.size(), 1);
      return QStringLiteral("%1%").arg(hour.indexed * 100 / total);
    }
    case activity::HourState::Ready:
      return wide ? QStringLiteral("%1 snapshots, %2 events")
                        .arg(hour.snapshots.size())
                        .arg(hour.events.size())
                  : QStringLiteral("%1/%2").arg(hour.snapshots.size()).arg(hour.events.size());
  }
  return {};
}

}  // namespace

TimelineGraph::TimelineGraph(const DayHours& hours, QWidget* parent)
    : QWidget(parent), hours_(hours) {
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumHeight(200);
}

int TimelineGraph::graphWidth() const { return width(); }

void TimelineGraph::rebuild() { graph_.build(hours_, graphWidth(), zoomHour_); }

void TimelineGraph::hoursChanged() {
  rebuild();
  update();
}

void TimelineGraph::setCursor(SnapshotRef cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  update();
}

void TimelineGraph::setMarks(std::optional<SnapshotRef> start, std::optional<SnapshotRef> end) {
  markStart_ = start;
  markEnd_ = end;
  update();
}

void TimelineGraph::setZoomHour(int hour) {
  zoomHour_ = hour;
  hovered_ = {};
  rebuild();
  update();
}

int TimelineGraph::xOf(SnapshotRef ref) const { return graph_.columnOf(ref); }

void TimelineGraph::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  rebuild();
}

void TimelineGraph::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), colors::kBackground);
  paintLanes(painter);
  paintOverlay(painter);
  if (hasFocus()) {
    painter.setPen(QPen(colors::kFocus, 1, Qt::DashLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

void TimelineGraph::paintLanes(QPainter& painter) const {
  const int top = kHeaderHeight;
  const int bottom = height() - kFooterHeight;
  const int barArea = std::max(bottom - top, 1);
  const auto& columns = graph_.columns();
  for (const Lane& lane : graph_.lanes()) {
    const activity::DayHour& hour = hours_[std::size_t(lane.hour)];
    const QRect area(lane.left, top, lane.width, barArea);
    if (hour.state == activity::HourState::Unreadable) {
      painter.fillRect(area, QBrush(colors::kDamaged, Qt::DiagCrossPattern));
    } else {
      painter.fillRect(area, colors::kLane);
    }
    for (int x = lane.left; x < lane.left + lane.width; ++x) {
      const GraphColumn& column = columns[std::size_t(x)];
      if (column.first < 0) {
        // No snapshot here: a gap, drawn as darker hatching.
        if (hour.state != activity::HourState::Unreadable)
          painter.fillRect(QRect(x, top, 1, barArea), QBrush(colors::kGap, Qt::BDiagPattern));
        continue;
      }
      if (column.event) painter.fillRect(QRect(x, top, 1, barArea), colors::kEventBand);
      const QColor bar = column.event ? colors::kEvent : colors::kScore;
      const int barHeight =
          column.scored ? std::max(1, int(std::lround(barShare(column.score) * barArea))) : 0;
      if (barHeight > 0) {
        painter.fillRect(QRect(x, bottom - barHeight, 1, barHeight), bar);
      } else {
        // Listed but not scored yet: a faint baseline shows it is there.
        painter.fillRect(QRect(x, bottom - 1, 1, 1), colors::kUnscored);
      }
      if (column.damaged)
        painter.fillRect(QRect(x, bottom + 1, 1, kFooterHeight - 2), colors::kDamaged);
    }
    if (hour.state == activity::HourState::Indexing && !hour.snapshots.empty()) {
      const int done =
          int(lane.width * std::min(hour.indexed, hour.snapshots.size()) / hour.snapshots.size());
      painter.fillRect(QRect(lane.left, top, lane.width, 3), colors::kGap);
      painter.fillRect(QRect(lane.left, top, done, 3), colors::kProgress);
    }
    paintHeader(painter, lane);
  }
}

void TimelineGraph::paintHeader(QPainter& painter, const Lane& lane) const {
  const activity::DayHour& hour = hours_[std::size_t(lane.hour)];
  const bool wide = lane.width >= 200;
  QFont font = painter.font();
  font.setPixelSize(11);
  painter.setFont(font);
  painter.setPen(hour.state == activity::HourState::Unreadable ? colors::kDamaged : colors::kText);
  const QRect top(lane.left + 2, 1, lane.width - 2, kHeaderHeight / 2);
  const QRect below(lane.left + 2, kHeaderHeight / 2, lane.width - 2, kHeaderHeight / 2);
  const QString name = wide ? QStringLiteral("%1:00 - %2:59")
                                  .arg(lane.hour, 2, 10, QChar('0'))
                                  .arg(lane.hour, 2, 10, QChar('0'))
                            : QStringLiteral("%1").arg(lane.hour, 2, 10, QChar('0'));
  painter.drawText(top, Qt::AlignLeft | Qt::AlignVCenter, name);
  painter.drawText(below, Qt::AlignLeft | Qt::AlignVCenter, hourCounts(hour, wide));
}

void TimelineGraph::paintOverlay(QPainter& painter) const {
  const int top = kHeaderHeight;
  const int bottom = height();
  if (markStart_ || markEnd_) {
    const int a = markStart_ ? xOf(*markStart_) : xOf(cursor_);
    const int b = markEnd_ ? xOf(*markEnd_) : xOf(cursor_);
    if (a >= 0 && b >= 0) {
      painter.fillRect(QRect(std::min(a, b), top, std::abs(b - a) + 1, bottom - top),
                       colors::kRange);
    }
    painter.setPen(colors::kMark);
    for (const auto& mark : {markStart_, markEnd_}) {
      if (mark && xOf(*mark) >= 0) painter.drawLine(xOf(*mark), top, xOf(*mark), bottom);
    }
  }
  if (const int x = xOf(cursor_); x >= 0) {
    painter.setPen(QPen(colors::kCursor, 1));
    painter.drawLine(x, top - 4, x, bottom);
  }
  if (!hovered_.valid()) return;
  const activity::DayHour& hour = hours_[std::size_t(hovered_.hour)];
  if (std::size_t(hovered_.index) >= hour.snapshots.size()) return;
  const activity::DaySnapshot& snapshot = hour.snapshots[std::size_t(hovered_.index)];
  const int x = xOf(hovered_);
  QString text = snapshot.time.isValid() ? snapshot.time.toString("HH:mm:ss")
                                         : QString::fromStdString(snapshot.name);
  if (snapshot.damaged) text += QStringLiteral(" (damaged)");
  const QSize box = thumbnail_.isNull() ? QSize(kThumbnailBox.width(), 0) : thumbnail_.size();
  const int boxLeft = std::clamp(x + 8, 0, std::max(0, width() - box.width() - 4));
  const QRect frame(boxLeft, top + 4, box.width() + 4, box.height() + 20);
  painter.fillRect(frame, colors::kTooltip);
  if (!thumbnail_.isNull()) painter.drawImage(frame.topLeft() + QPoint(2, 2), thumbnail_);
  painter.setPen(colors::kText);
  painter.drawText(QRect(frame.left() + 2, frame.bottom() - 18, frame.width() - 4, 18),
                   Qt::AlignLeft | Qt::AlignVCenter, text);
}

void TimelineGraph::hover(int x) {
  const SnapshotRef ref = graph_.snapshotAt(x);
  if (ref == hovered_) return;
  hovered_ = ref;
  thumbnail_ = QImage();
  thumbnailProblem_.clear();
  const std::string path = snapshotPath(hours_, ref);
  if (!path.empty()) {
    // Decoded here at the size shown: a fraction of a full decode, so the
    // thumbnail keeps up with a scrubbing mouse.
    if (const auto host = platform::FileSystem::instance().toHost(path)) {
      jpeg::ScaledPicture picture = jpeg::DecodeScaledFile(host->string(), path, kThumbnailBox);
      thumbnail_ = std::move(picture.image);
      thumbnailProblem_ = std::move(picture.problem);
    }
  }
  update();
}

void TimelineGraph::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  setFocus(Qt::MouseFocusReason);
  const int x = int(event->position().x());
  hover(x);
  lastPicked_ = graph_.snapshotAt(x);
  if (lastPicked_.valid() && onPick) onPick(lastPicked_);
}

void TimelineGraph::mouseMoveEvent(QMouseEvent* event) {
  const int x = int(event->position().x());
  hover(x);
  if (!(event->buttons() & Qt::LeftButton)) return;
  // Scrubbing: every snapshot the mouse passes over is shown.
  const SnapshotRef ref = graph_.snapshotAt(x);
  if (ref.valid() && ref != lastPicked_ && onPick) {
    lastPicked_ = ref;
    onPick(ref);
  }
}

void TimelineGraph::leaveEvent(QEvent* event) {
  hovered_ = {};
  thumbnail_ = QImage();
  update();
  QWidget::leaveEvent(event);
}

void TimelineGraph::wheelEvent(QWheelEvent* event) {
  if (!onZoom || event->angleDelta().y() == 0) return QWidget::wheelEvent(event);
  const auto& columns = graph_.columns();
  const int x = int(event->position().x());
  const int hour = x >= 0 && x < int(columns.size()) ? columns[std::size_t(x)].hour : -1;
  if (event->angleDelta().y() > 0 && hour >= 0) {
    onZoom(hour);
  } else if (event->angleDelta().y() < 0) {
    onZoom(-1);
  }
  event->accept();
}

void TimelineGraph::keyPressEvent(QKeyEvent* event) {
  if (onKey && onKey(event)) return;
  QWidget::keyPressEvent(event);
}

}  // namespace vistrel::timeline
