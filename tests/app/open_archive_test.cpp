// Opening another archive in the running window: a folder dropped on it.

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "app/widgets/list_box.h"
#include "app/widgets/panel.h"
#include "app/widgets/timer.h"
#include "browse/directory_list_box.h"
#include "platform/file_system.h"
#include "scoped_env.h"
#include "viewer_fixture.h"

namespace vistrel::app::testing {
namespace {

class OpenArchiveTest : public ViewerTest {
 protected:
  // Drops the host folder on `target` as a file manager does: a drag that
  // enters, moves and drops one file URL.
  void drop(QWidget* target, const std::filesystem::path& folder) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(folder.string()))});
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
  }
  std::vector<std::string> treeEntries() const {
    std::vector<std::string> entries;
    for (int i = 0; i < form_->DirectoryListBox1->count(); ++i) {
      entries.push_back(form_->DirectoryListBox1->itemText(i));
    }
    return entries;
  }
};

TEST_F(OpenArchiveTest, DroppedFolderBecomesTheRecordsRootAndAFolderWithoutArchiveIsReported) {
  const test::ScopedEnv cache("XDG_CACHE_HOME", (tree_.path() / "cache").string());
  addSnapshots("2026-12-06/07", 3);
  tree_.jpeg("elsewhere/archive/2026-12-24/18/snap.jpg", 7);
  tree_.jpeg("recorder/Program Files/Vistrel/Records/2027-01-01/00/snap.jpg", 9);
  tree_.file("empty/notes.txt");
  startViewer();
  form_->DirectoryListBox1->SetCurrentDirectory(std::string(kRecordsRoot) + "\\2026-12-06\\07");
  form_->SlideShow->click();
  ASSERT_TRUE(form_->SlideShowTimer->enabled());

  // Dropped on a child: the drop reaches the window. The show stops, and the
  // tree list shows the dropped archive at the records root.
  drop(form_->ListBox1, tree_.path() / "elsewhere/archive");
  EXPECT_FALSE(form_->SlideShowTimer->enabled());
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), kRecordsRoot);
  EXPECT_EQ(treeEntries().back(), "2026-12-24");
  form_->DirectoryListBox1->SetCurrentDirectory(std::string(kRecordsRoot) + "\\2026-12-24\\18");
  EXPECT_EQ(snapshotNames(), std::vector<std::string>{"snap.jpg"});

  // A drive root holding the records tree, dropped while the records root
  // path is current already: the list shows the new folder's dates.
  form_->DirectoryListBox1->SetCurrentDirectory(kRecordsRoot);
  drop(form_.get(), tree_.path() / "recorder");
  EXPECT_EQ(platform::FileSystem::instance().drive('C')->hostRoot, tree_.path() / "recorder");
  EXPECT_EQ(treeEntries().back(), "2027-01-01");
  EXPECT_TRUE(dialogs_->messages.empty());

  // A date folder, an hour folder or a snapshot of an archive: the archive
  // above it opens, and the window goes to that folder.
  const std::string hour = std::string(kRecordsRoot) + "\\2026-12-24\\18";
  const std::pair<const char*, std::string> places[] = {
      {"elsewhere/archive/2026-12-24", std::string(kRecordsRoot) + "\\2026-12-24"},
      {"elsewhere/archive/2026-12-24/18", hour},
      {"elsewhere/archive/2026-12-24/18/snap.jpg", hour},
  };
  for (const auto& [given, shown] : places) {
    drop(form_.get(), tree_.path() / given);
    EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), shown) << given;
    const browse::TDirectoryListBox* tree = form_->DirectoryListBox1;
    EXPECT_EQ(tree->itemText(tree->itemIndex()), shown == hour ? "18" : "2026-12-24") << given;
    EXPECT_EQ(snapshotNames(),
              shown == hour ? std::vector<std::string>{"snap.jpg"} : std::vector<std::string>{})
        << given;
  }
  EXPECT_TRUE(dialogs_->messages.empty());
  drop(form_.get(), tree_.path() / "recorder");

  drop(form_.get(), tree_.path() / "empty");
  ASSERT_EQ(dialogs_->messages.size(), 1u);
  EXPECT_NE(dialogs_->messages[0].find((tree_.path() / "empty").string()), std::string::npos);
  EXPECT_NE(dialogs_->messages[0].find("Program Files/Vistrel/Records"), std::string::npos);
  EXPECT_EQ(platform::FileSystem::instance().drive('C')->hostRoot, tree_.path() / "recorder");
  EXPECT_EQ(treeEntries().back(), "2027-01-01");
  EXPECT_TRUE(dialogs_->errors.empty());
}

}  // namespace
}  // namespace vistrel::app::testing
