// The timeline window beside the main window: Ctrl+T opens it, it follows
// the folder and snapshot the main window shows, and what it picks is shown
// here as a click in the lists would show it.

#include <QShortcut>

#include "activity/day_activity.h"
#include "app/range_export.h"
#include "app/unit1.h"
#include "app/widgets/dispatch.h"
#include "app/widgets/list_box.h"
#include "browse/directory_list_box.h"
#include "platform/file_system.h"
#include "timeline/timeline_graph.h"
#include "timeline/timeline_window.h"

namespace vistrel::app {
namespace {

bool sameName(const std::string& a, const std::string& b) {
  return platform::upperName(a) == platform::upperName(b);
}

// The entry of `list` named `name`: the exact spelling first, as the path
// layer's lookup prefers it; -1 when there is none.
int entryNamed(const TListBox& list, const std::string& name) {
  const int count = list.itemCount();
  for (int i = 0; i < count; ++i) {
    if (list.itemText(i) == name) return i;
  }
  for (int i = 0; i < count; ++i) {
    if (sameName(list.itemText(i), name)) return i;
  }
  return -1;
}

}  // namespace

void TForm1::bindTimelineKey() {
  // On the window, not on a control: Ctrl+T works whichever control has the
  // focus, and no control of the window has a use for it.
  auto* key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
  key->setContext(Qt::WindowShortcut);
  QObject::connect(key, &QShortcut::activated, this,
                   [this] { dispatchHandler([this] { openTimeline(); }); });
  // Every change of the snapshot list's selection (a click, a key, a tick
  // of the show, a refill after the tree list moved) moves the cursor.
  QObject::connect(ListBox1, &QListWidget::currentRowChanged, this,
                   [this](int) { followWithTimeline(); });
  // The timeline's Ctrl+E and its buttons export in the background, beside
  // the show (tests may put another exporter in its place).
  rangeExporter_ = [this](std::vector<std::string> windowsPaths, bool contactSheet) {
    exportSnapshotRange(*this, std::move(windowsPaths),
                        contactSheet ? RangeOutput::ContactSheet : RangeOutput::Video,
                        timeline_.get());
  };
}

void TForm1::openTimeline() {
  if (!timeline_) {
    timeline_ = std::make_unique<timeline::TimelineWindow>(archiveActivity_);
    timeline_->setShowSnapshot([this](const std::string& path) {
      dispatchHandler([this, &path] { showSnapshot(path); });
    });
    timeline_->setExportRange(rangeExporter_);
  }
  const auto records = platform::FileSystem::instance().toHost(kRecordsRoot);
  timeline_->setArchiveFolder(records ? records->string() : std::string(kRecordsRoot));
  followWithTimeline();
  timeline_->show();
  timeline_->raise();
  timeline_->activateWindow();
  timeline_->graph()->setFocus(Qt::ActiveWindowFocusReason);
}

void TForm1::setRangeExporter(RangeExporter exporter) {
  rangeExporter_ = std::move(exporter);
  if (timeline_) timeline_->setExportRange(rangeExporter_);
}

void TForm1::followWithTimeline() {
  if (!timeline_) return;
  const int selected = ListBox1->itemIndex();
  timeline_->mainWindowShows(DirectoryListBox1->CurrentDirectory(),
                             selected >= 0 ? ListBox1->itemText(selected) : std::string());
}

void TForm1::showSnapshot(const std::string& windowsPath) {
  const std::size_t slash = windowsPath.rfind('\\');
  if (slash == std::string::npos) throw Exception("Not a snapshot path: " + windowsPath);
  const std::string folder = windowsPath.substr(0, slash);
  const std::string name = windowsPath.substr(slash + 1);
  // Moving the tree list raises its change handler, which refills the
  // snapshot list as a click in the tree would.
  if (!sameName(DirectoryListBox1->CurrentDirectory(), folder))
    DirectoryListBox1->SetCurrentDirectory(folder);
  int index = entryNamed(*ListBox1, name);
  if (index < 0) {
    // Written after the list was filled: list the folder again, keeping the
    // show where it is.
    RefillSnapshotList(ListBox1->itemIndex());
    index = entryNamed(*ListBox1, name);
  }
  if (index < 0) throw Exception("Cannot open file " + windowsPath);
  ListBox1->setItemIndex(index);
  // The snapshot list's own path for a click on an entry.
  showSelectedSnapshot();
}

}  // namespace vistrel::app
