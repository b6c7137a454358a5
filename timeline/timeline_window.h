// The timeline: a second top-level window that shows the date of the main
// window's folder as a graph (TimelineGraph), with the date's events listed
// below it, buttons to export a range as a video or a contact sheet, and a
// Follow box that keeps the main window on the newest snapshot as new ones
// arrive.
//
// The window never moves the main window itself: it asks through
// `showSnapshot`, and the main window tells it what it shows through
// mainWindowShows(). Exports go through `exportRange`; without one, the
// window says that export is not available.
//
// Keys: Left/Right one snapshot, Page Up/Down one hour, Home/End the first
// and the newest snapshot of the date, Ctrl+Right/Left the next/previous
// event (across hours and dates), I and O mark the start and end of a range,
// Escape clears the marks (or closes the window), Ctrl+E exports, + and -
// zoom into the cursor's hour and out.
//
// Thread: the GUI thread.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QWidget>

#include "activity/day_activity.h"
#include "timeline/day_graph.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace vistrel::timeline {

class TimelineGraph;

class TimelineWindow : public QWidget {
 public:
  // Moves the main window to the snapshot at a Windows path.
  using ShowSnapshot = std::function<void(const std::string& windowsPath)>;
  // Exports the snapshots (Windows paths in playing order, not empty) as a
  // video, or as a contact sheet.
  using ExportRange = std::function<void(std::vector<std::string> windowsPaths, bool contactSheet)>;

  // `activity` must outlive the window.
  explicit TimelineWindow(activity::DayActivity& activity, QWidget* parent = nullptr);
  ~TimelineWindow() override;

  void setShowSnapshot(ShowSnapshot show) { showSnapshot_ = std::move(show); }
  void setExportRange(ExportRange exportRange) { exportRange_ = std::move(exportRange); }
  // The host folder of the archive's records root, for the title.
  void setArchiveFolder(const std::string& hostFolder);

  // The main window shows `folder` (a Windows path) and in it the snapshot
  // `name` (empty when none is selected). A folder of another date moves the
  // timeline to that date.
  void mainWindowShows(const std::string& folder, const std::string& name);

  SnapshotRef cursor() const { return cursor_; }
  std::optional<SnapshotRef> markStart() const { return markStart_; }
  std::optional<SnapshotRef> markEnd() const { return markEnd_; }
  // What an export would take now: the marked range, else the event under
  // the cursor; empty with neither.
  std::vector<std::string> exportSelection() const;
  // Handles a timeline key; false for other keys.
  bool handleKey(QKeyEvent* event);

  TimelineGraph* graph() const { return graph_; }
  QListWidget* eventList() const { return events_; }
  QPushButton* exportButton() const { return exportButton_; }
  QPushButton* contactSheetButton() const { return sheetButton_; }
  QCheckBox* followBox() const { return follow_; }
  // The last note to the user ("No further event", "Nothing to export: ...").
  QString note() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void buildControls();
  void hourChanged(int hour);
  void dateChanged();
  void refreshEvents();
  void updateTitle();
  void moveTo(SnapshotRef ref);
  void jumpToEvent(int direction);
  void exportSelected(bool contactSheet);
  void followNewest();
  void setNote(const QString& text);
  void setMarks(std::optional<SnapshotRef> start, std::optional<SnapshotRef> end);
  void zoom(int hour);

  activity::DayActivity& activity_;
  ShowSnapshot showSnapshot_;
  ExportRange exportRange_;
  std::string archiveFolder_;
  SnapshotRef cursor_;
  // The snapshot at the cursor by name: its hour may not be listed yet, or
  // be listed again with more snapshots.
  std::string cursorFolder_;
  std::string cursorName_;
  std::optional<SnapshotRef> markStart_;
  std::optional<SnapshotRef> markEnd_;
  std::string followed_;  // the newest snapshot that Follow last showed
  TimelineGraph* graph_ = nullptr;
  QListWidget* events_ = nullptr;
  QPushButton* exportButton_ = nullptr;
  QPushButton* sheetButton_ = nullptr;
  QCheckBox* follow_ = nullptr;
  QLabel* note_ = nullptr;
  // Cleared when the window goes: a search still running then must not call back.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vistrel::timeline
