// Opening another archive while the window runs: a folder dropped on the
// window maps drive C as the command line's FOLDER does.

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include "app/range_export.h"
#include "app/unit1.h"
#include "app/widgets/dialogs.h"
#include "browse/directory_list_box.h"
#include "controls/handler_guard.h"
#include "platform/archive_folder.h"
#include "platform/file_system.h"

namespace vistrel::app {
namespace {

// The first local file of a drag; empty when it carries none.
std::filesystem::path droppedFolder(const QMimeData* data) {
  if (data == nullptr) return {};
  for (const QUrl& url : data->urls()) {
    // The path's own bytes: names that are not UTF-8 must reach the same folder.
    if (url.isLocalFile())
      return std::filesystem::path(QFile::encodeName(url.toLocalFile()).toStdString());
  }
  return {};
}

}  // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (!droppedFolder(event->mimeData()).empty()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const std::filesystem::path folder = droppedFolder(event->mimeData());
  if (folder.empty()) return;
  event->acceptProposedAction();
  controls::runGuarded([&] { OpenArchiveFolder(folder); });
}

void TForm1::OpenArchiveFolder(const std::filesystem::path& folder) {
  platform::ArchiveFolder archive;
  try {
    archive = platform::openArchiveFolder(folder);
  } catch (const platform::ENoArchive& error) {
    Dialogs::instance().showMessage(error.what());
    return;
  }
  // The show's folders belong to the archive it started in.
  endShow();
  // Exports of a range read the drive table on their workers.
  cancelRangeExports(*this);
  platform::FileSystem::instance().mapDrive(archive.driveC);
  watchRecordsRoot();
  // Through the drive root: the list takes the records root's path for the
  // folder it shows already, but the path now names another folder.
  DirectoryListBox1->SetCurrentDirectory("C:\\");
  DirectoryListBox1->SetCurrentDirectory(kRecordsRoot);
  RefillSavedVideosList();
  GoToArchiveFolder(archive.shownFolder);
}

void TForm1::GoToArchiveFolder(const std::string& windowsFolder) {
  DirectoryListBox1->SetCurrentDirectory(windowsFolder);
}

}  // namespace vistrel::app
