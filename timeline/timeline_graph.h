// The day drawn as a graph: one lane per hour (or one hour across the
// width), each snapshot's activity score as a bar, events in one colour,
// gaps where there are no snapshots, damaged snapshots marked below, and per
// hour the count of snapshots and events, or the progress of its indexing.
// A cursor shows the main window's snapshot; the marks of a range are drawn
// over it. Hovering shows the snapshot's time and a thumbnail; a click or a
// drag picks the snapshot under the mouse.
//
// Thread: the GUI thread.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QImage>
#include <QWidget>

#include "timeline/day_graph.h"
#include "timeline/day_steps.h"

namespace vistrel::timeline {

class TimelineGraph : public QWidget {
 public:
  // Band heights in pixels: hour labels above the bars, marks below them.
  static constexpr int kHeaderHeight = 30;
  static constexpr int kFooterHeight = 8;
  static constexpr QSize kThumbnailBox{160, 120};

  explicit TimelineGraph(const DayHours& hours, QWidget* parent = nullptr);

  // The hours changed (listing, scores, progress): lays the graph out anew.
  void hoursChanged();
  void setCursor(SnapshotRef cursor);
  void setMarks(std::optional<SnapshotRef> start, std::optional<SnapshotRef> end);
  // -1 for the whole day.
  void setZoomHour(int hour);
  int zoomHour() const { return graph_.zoomHour(); }

  const DayGraph& model() const { return graph_; }
  SnapshotRef hovered() const { return hovered_; }
  // The hovered snapshot's picture at the size shown; null when none or damaged.
  const QImage& thumbnail() const { return thumbnail_; }
  // The x of a snapshot in widget coordinates, -1 when not shown.
  int xOf(SnapshotRef ref) const;

  // A click or a drag reached snapshot `ref`.
  std::function<void(SnapshotRef ref)> onPick;
  // The wheel asks to zoom into hour `hour` (-1: out).
  std::function<void(int hour)> onZoom;
  // Keys go to the window first; it says whether it took them.
  std::function<bool(QKeyEvent* event)> onKey;

  QSize sizeHint() const override { return {24 * 44, 200}; }
  QSize minimumSizeHint() const override { return {24 * 12, 120}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int graphWidth() const;
  void rebuild();
  void hover(int x);
  void paintLanes(QPainter& painter) const;
  void paintHeader(QPainter& painter, const Lane& lane) const;
  void paintOverlay(QPainter& painter) const;

  const DayHours& hours_;
  DayGraph graph_;
  SnapshotRef cursor_;
  std::optional<SnapshotRef> markStart_;
  std::optional<SnapshotRef> markEnd_;
  SnapshotRef hovered_;
  SnapshotRef lastPicked_;
  QImage thumbnail_;
  std::string thumbnailProblem_;
  int zoomHour_ = -1;
};

}  // namespace vistrel::timeline
