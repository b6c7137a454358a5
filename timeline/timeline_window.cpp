#include "timeline/timeline_window.h"

#include <QCheckBox>
#include <QDate>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "platform/archive_layout.h"
#include "timeline/day_steps.h"
#include "timeline/timeline_graph.h"

namespace vistrel::timeline {
namespace {

// Whether `folder` (a Windows path) is a date folder or lies below one.
bool inDateFolder(const std::string& folder) {
  std::size_t start = 0;
  while (start <= folder.size()) {
    const std::size_t end = std::min(folder.find('\\', start), folder.size());
    if (platform::dateOfFolderName(std::string_view(folder).substr(start, end - start)).isValid())
      return true;
    start = end + 1;
  }
  return false;
}

QString timeText(const activity::DayHour& hour, std::size_t index) {
  const QTime time = hour.snapshots[index].time;
  return time.isValid() ? time.toString(QStringLiteral("HH:mm:ss"))
                        : QString::fromStdString(hour.snapshots[index].name);
}

constexpr int kHourRole = Qt::UserRole;
constexpr int kEventRole = Qt::UserRole + 1;

}  // namespace

TimelineWindow::TimelineWindow(activity::DayActivity& activity, QWidget* parent)
    : QWidget(parent, Qt::Window), activity_(activity) {
  buildControls();
  connect(&activity_, &activity::DayActivity::hourChanged, this,
          [this](int hour) { hourChanged(hour); });
  connect(&activity_, &activity::DayActivity::dateChanged, this, [this] { dateChanged(); });
  dateChanged();
}

TimelineWindow::~TimelineWindow() { *alive_ = false; }

void TimelineWindow::buildControls() {
  graph_ = new TimelineGraph(activity_.hours(), this);
  graph_->setAccessibleName(QStringLiteral("Timeline of the day"));
  graph_->setAccessibleDescription(
      QStringLiteral("Activity of each snapshot by hour; arrows move, I and O mark a range"));
  graph_->onPick = [this](SnapshotRef ref) { moveTo(ref); };
  graph_->onZoom = [this](int hour) { zoom(hour); };
  graph_->onKey = [this](QKeyEvent* event) { return handleKey(event); };

  events_ = new QListWidget(this);
  events_->setAccessibleName(QStringLiteral("Events of the day"));
  events_->setMaximumHeight(96);
  auto goToEvent = [this](QListWidgetItem* item) {
    const int hour = item->data(kHourRole).toInt();
    const auto& events = activity_.hours()[std::size_t(hour)].events;
    const int index = item->data(kEventRole).toInt();
    if (index < int(events.size())) moveTo({hour, int(events[std::size_t(index)].first)});
  };
  connect(events_, &QListWidget::itemClicked, this, goToEvent);
  connect(events_, &QListWidget::itemActivated, this, goToEvent);

  exportButton_ = new QPushButton(QStringLiteral("&Export"), this);
  exportButton_->setAccessibleName(QStringLiteral("Export video"));
  exportButton_->setToolTip(
      QStringLiteral("Exports the marked range, or the event at the cursor (Ctrl+E)"));
  connect(exportButton_, &QPushButton::clicked, this, [this] { exportSelected(false); });
  sheetButton_ = new QPushButton(QStringLiteral("Contact &sheet"), this);
  sheetButton_->setAccessibleName(QStringLiteral("Export contact sheet"));
  connect(sheetButton_, &QPushButton::clicked, this, [this] { exportSelected(true); });
  follow_ = new QCheckBox(QStringLiteral("&Follow"), this);
  follow_->setAccessibleName(QStringLiteral("Follow the newest snapshot"));
  connect(follow_, &QCheckBox::toggled, this, [this](bool on) {
    followed_.clear();
    if (on) followNewest();
  });
  note_ = new QLabel(this);
  note_->setAccessibleName(QStringLiteral("Timeline note"));

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(exportButton_);
  buttons->addWidget(sheetButton_);
  buttons->addWidget(follow_);
  buttons->addStretch();
  auto* below = new QHBoxLayout;
  below->addWidget(events_, 1);
  below->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(graph_, 1);
  layout->addLayout(below);
  layout->addWidget(note_);
  setTabOrder(graph_, events_);
  setTabOrder(events_, exportButton_);
  setTabOrder(exportButton_, sheetButton_);
  setTabOrder(sheetButton_, follow_);
  for (QWidget* control : {static_cast<QWidget*>(events_), static_cast<QWidget*>(exportButton_),
                           static_cast<QWidget*>(sheetButton_), static_cast<QWidget*>(follow_)})
    control->installEventFilter(this);

  auto* exportKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this);
  exportKey->setContext(Qt::WindowShortcut);
  connect(exportKey, &QShortcut::activated, this, [this] { exportSelected(false); });
  resize(24 * 44 + 20, 380);
}

void TimelineWindow::setArchiveFolder(const std::string& hostFolder) {
  archiveFolder_ = hostFolder;
  updateTitle();
}

void TimelineWindow::updateTitle() {
  const QDate date = activity_.date();
  const QString day = date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
  setWindowTitle(
      QStringLiteral("Timeline - %1 - %2").arg(day, QString::fromStdString(archiveFolder_)));
}

void TimelineWindow::mainWindowShows(const std::string& folder, const std::string& name) {
  if (inDateFolder(folder)) activity_.setDate(folder);
  cursorFolder_ = folder;
  cursorName_ = name;
  cursor_ = name.empty() ? SnapshotRef{} : findSnapshot(activity_.hours(), folder, name);
  graph_->setCursor(cursor_);
}

void TimelineWindow::dateChanged() {
  // Marks of another date would name snapshots that are not drawn.
  setMarks(std::nullopt, std::nullopt);
  followed_.clear();
  graph_->hoursChanged();
  refreshEvents();
  updateTitle();
}

void TimelineWindow::hourChanged(int hour) {
  // The hours are listed in the background: the cursor's snapshot finds its
  // place once its hour's listing arrives.
  if (!cursorName_.empty() && (!cursor_.valid() || cursor_.hour == hour)) {
    const SnapshotRef found = findSnapshot(activity_.hours(), cursorFolder_, cursorName_);
    if (found != cursor_) {
      cursor_ = found;
      graph_->setCursor(cursor_);
    }
  }
  graph_->hoursChanged();
  refreshEvents();
  if (follow_->isChecked()) followNewest();
}

void TimelineWindow::refreshEvents() {
  const int selected = events_->currentRow();
  events_->clear();
  const auto& hours = activity_.hours();
  for (int h = 0; h < 24; ++h) {
    const activity::DayHour& hour = hours[std::size_t(h)];
    for (std::size_t e = 0; e < hour.events.size(); ++e) {
      const activity::ActivityEvent& event = hour.events[e];
      if (event.last >= hour.snapshots.size()) continue;
      auto* item =
          new QListWidgetItem(QStringLiteral("%1 \u2013 %2   %3 snapshots   peak %4%")
                                  .arg(timeText(hour, event.first), timeText(hour, event.last))
                                  .arg(event.snapshotCount())
                                  .arg(event.peakScore * 100, 0, 'f', 1),
                              events_);
      item->setData(kHourRole, h);
      item->setData(kEventRole, int(e));
    }
  }
  if (selected >= 0 && selected < events_->count()) events_->setCurrentRow(selected);
}

void TimelineWindow::moveTo(SnapshotRef ref) {
  const std::string path = snapshotPath(activity_.hours(), ref);
  if (path.empty()) return;
  cursor_ = ref;
  const std::size_t slash = path.find_last_of('\\');
  cursorFolder_ = path.substr(0, slash);
  cursorName_ = path.substr(slash + 1);
  graph_->setCursor(ref);
  if (showSnapshot_) showSnapshot_(path);
}

void TimelineWindow::jumpToEvent(int direction) {
  const std::string from = snapshotPath(activity_.hours(), cursor_);
  if (from.empty()) {
    setNote(QStringLiteral("No snapshot at the cursor"));
    return;
  }
  QWidget::setCursor(Qt::BusyCursor);
  std::weak_ptr<bool> alive = alive_;
  activity_.findEvent(from, direction, [this, alive, direction](const std::string& snapshot) {
    if (alive.expired() || !*alive.lock()) return;
    unsetCursor();
    if (snapshot.empty()) {
      setNote(direction > 0 ? QStringLiteral("No further event")
                            : QStringLiteral("No earlier event"));
      return;
    }
    setNote({});
    // The event may lie on another date: the main window goes there, and
    // tells the timeline, which then follows.
    if (showSnapshot_) showSnapshot_(snapshot);
  });
}

std::vector<std::string> TimelineWindow::exportSelection() const {
  const auto& hours = activity_.hours();
  if (markStart_ || markEnd_) {
    return rangePaths(hours, markStart_.value_or(cursor_), markEnd_.value_or(cursor_));
  }
  const int event = eventAt(hours, cursor_);
  if (event < 0) return {};
  const activity::ActivityEvent& found =
      hours[std::size_t(cursor_.hour)].events[std::size_t(event)];
  return rangePaths(hours, {cursor_.hour, int(found.first)}, {cursor_.hour, int(found.last)});
}

void TimelineWindow::exportSelected(bool contactSheet) {
  std::vector<std::string> paths = exportSelection();
  if (paths.empty()) {
    setNote(QStringLiteral(
        "Nothing to export: mark a range with I and O, or move the cursor into an event"));
    return;
  }
  if (!exportRange_) {
    setNote(QStringLiteral("Export is not available in this window"));
    return;
  }
  setNote(QStringLiteral("Exporting %1 snapshots").arg(paths.size()));
  exportRange_(std::move(paths), contactSheet);
}

void TimelineWindow::followNewest() {
  const SnapshotRef newest = lastSnapshot(activity_.hours());
  const std::string path = snapshotPath(activity_.hours(), newest);
  if (path.empty() || path == followed_) return;
  followed_ = path;
  moveTo(newest);
}

void TimelineWindow::setNote(const QString& text) { note_->setText(text); }

QString TimelineWindow::note() const { return note_->text(); }

void TimelineWindow::setMarks(std::optional<SnapshotRef> start, std::optional<SnapshotRef> end) {
  markStart_ = start;
  markEnd_ = end;
  graph_->setMarks(start, end);
}

void TimelineWindow::zoom(int hour) { graph_->setZoomHour(hour); }

bool TimelineWindow::handleKey(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  const auto& hours = activity_.hours();
  const bool plain = modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier;
  const bool control = modifiers == Qt::ControlModifier;
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
      const int direction = event->key() == Qt::Key_Right ? 1 : -1;
      if (control) {
        jumpToEvent(direction);
      } else if (plain) {
        moveTo(stepSnapshot(hours, cursor_, direction));
      } else {
        return false;
      }
      return true;
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      if (!plain) return false;
      moveTo(stepHour(hours, cursor_, event->key() == Qt::Key_PageDown ? 1 : -1));
      return true;
    case Qt::Key_Home:
      if (!plain) return false;
      moveTo(firstSnapshot(hours));
      return true;
    case Qt::Key_End:
      if (!plain) return false;
      moveTo(lastSnapshot(hours));
      return true;
    case Qt::Key_I:
    case Qt::Key_O:
      if (!plain || !cursor_.valid()) return plain;
      if (event->key() == Qt::Key_I) {
        setMarks(cursor_, markEnd_);
      } else {
        setMarks(markStart_, cursor_);
      }
      return true;
    case Qt::Key_Escape:
      if (markStart_ || markEnd_) {
        setMarks(std::nullopt, std::nullopt);
      } else {
        close();
      }
      return true;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      if (!plain) return false;
      zoom(cursor_.valid() ? cursor_.hour : std::max(firstSnapshot(hours).hour, 0));
      return true;
    case Qt::Key_Minus:
      if (!plain) return false;
      zoom(-1);
      return true;
    default:
      return false;
  }
}

bool TimelineWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  // The events list keeps its own keys (up, down, first, last, Enter); the
  // buttons and the box keep Space and Enter. Every other timeline key
  // works wherever the focus is.
  switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return false;
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      if (watched == events_) return false;
      break;
    default:
      break;
  }
  return handleKey(key);
}

void TimelineWindow::keyPressEvent(QKeyEvent* event) {
  if (!handleKey(event)) QWidget::keyPressEvent(event);
}

}  // namespace vistrel::timeline
