// Deleting and copying snapshots, folders and saved videos from the keyboard,
// with the folder dialog answered by the test and the trash in a temporary
// XDG_DATA_HOME.

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>

#include <QDesktopServices>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "app/widgets/label.h"
#include "app/widgets/list_box.h"
#include "app/widgets/panel.h"
#include "app/widgets/scroll_bar.h"
#include "app/widgets/timer.h"
#include "browse/directory_list_box.h"
#include "browse/select_dir_dlg.h"
#include "platform/file_system.h"
#include "scoped_env.h"
#include "viewer_fixture.h"

namespace vistrel::app::testing {
namespace {

namespace fs = std::filesystem;
using platform::CollisionAnswer;

constexpr const char* kDate = "C:\\Program Files\\Vistrel\\Records\\2026-12-06";
constexpr const char* kHour = "C:\\Program Files\\Vistrel\\Records\\2026-12-06\\07";

using test::ScopedEnv;

// Takes the URLs that would go to the user's default program.
class OpenedUrls : public QObject {
  Q_OBJECT

 public:
  std::vector<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls.push_back(url); }
};

std::string contentOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RecordManagementTest : public ViewerTest {
 protected:
  RecordManagementTest()
      : home_("HOME", tree_.folder("home").string()),
        data_("XDG_DATA_HOME", tree_.folder("home/.local/share").string()) {
    QDesktopServices::setUrlHandler("file", &opened_, "open");
  }
  ~RecordManagementTest() override {
    QDesktopServices::unsetUrlHandler("file");
    browse::setFolderDialogRunner({});
  }

  // The folder dialog notes where it opened, then cancels (nullopt) or takes
  // OK on the typed folder.
  void answerFolderDialog(std::optional<std::string> typed) {
    browse::setFolderDialogRunner([this, typed](browse::TSelectDirDlg& dialog) {
      dialogOpenedAt_.push_back(dialog.DirList->CurrentDirectory());
      if (!typed) return static_cast<int>(QDialog::Rejected);
      dialog.DirEdit->setText(QString::fromStdString(*typed));
      dialog.OKButton->click();
      return dialog.result();
    });
  }
  // The program in C:\Program Files\Vistrel, with these videos beside it.
  void addSavedVideos(const std::vector<std::string>& names) {
    const fs::path program = tree_.file("c/Program Files/Vistrel/vistrel-preview", "x");
    platform::FileSystem::instance().setExecutablePath(program);
    for (const std::string& name : names) tree_.file("c/Program Files/Vistrel/" + name, name);
    form_->RefillSavedVideosList();
  }
  std::vector<std::string> videoNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < form_->ListBox2->itemCount(); ++i) {
      names.push_back(form_->ListBox2->itemText(i));
    }
    return names;
  }
  fs::path trash() const { return tree_.path() / "home/.local/share/Trash"; }
  fs::path host(const std::string& relative) const { return tree_.path() / relative; }

  ScopedEnv home_;
  ScopedEnv data_;
  OpenedUrls opened_;
  std::vector<std::string> dialogOpenedAt_;
};

TEST_F(RecordManagementTest, DeletedSnapshotsGoToTheTrashAndTheListFollows) {
  addSnapshots("2026-12-06/07", 5);
  startViewer();
  form_->DirectoryListBox1->SetCurrentDirectory(kHour);
  TListBox* list = form_->ListBox1;

  list->setItemIndex(2);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(dialogs_->questions.back(), "Are you sure you want to delete file snap002.jpg?");
  EXPECT_EQ(snapshotNames(),
            (std::vector<std::string>{"snap000.jpg", "snap001.jpg", "snap003.jpg", "snap004.jpg"}));
  EXPECT_EQ(list->itemIndex(), 2);
  EXPECT_EQ(shownTag(), 3);
  EXPECT_EQ(label(), " Slide: 3/4 ");
  // Restorable: the file and its original path are in the trash.
  const fs::path original = host(std::string(kRecordsHost) + "/2026-12-06/07/snap002.jpg");
  EXPECT_TRUE(fs::exists(trash() / "files/snap002.jpg"));
  const std::string info = contentOf(trash() / "info/snap002.jpg.trashinfo");
  const std::string path = info.substr(
      info.find("Path=") + 5, info.find('\n', info.find("Path=")) - info.find("Path=") - 5);
  EXPECT_EQ(QUrl::fromPercentEncoding(QByteArray::fromStdString(path)).toStdString(),
            original.string())
      << info;

  // The last entry: none selected afterwards.
  QTest::keyClick(list, Qt::Key_Down);
  ASSERT_EQ(shownTag(), 4);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(snapshotNames().size(), 3u);
  EXPECT_EQ(list->itemIndex(), -1);
  EXPECT_EQ(label(), " Slide: 0/3 ");

  // Nothing selected: the list's index error, nothing deleted.
  QTest::keyClick(list, Qt::Key_Delete);
  ASSERT_FALSE(dialogs_->errors.empty());
  EXPECT_EQ(dialogs_->errors.back(), "List index out of bounds (-1)");

  // No keeps everything; the closing step still shows the selection.
  dialogs_->answer = false;
  list->setItemIndex(1);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(snapshotNames().size(), 3u);
  EXPECT_EQ(shownTag(), 1);
  EXPECT_TRUE(dialogs_->shellErrors.empty());
}

TEST_F(RecordManagementTest, ADeleteThatCannotReachTheTrashKeepsTheSnapshotAndSaysWhy) {
  addSnapshots("2026-12-06/07", 2);
  startViewer();
  form_->DirectoryListBox1->SetCurrentDirectory(kHour);
  // A file where the data folder should be: no home trash can be made.
  const fs::path blocked = tree_.file("blocked");
  ScopedEnv data("XDG_DATA_HOME", blocked.string());
  form_->ListBox1->setItemIndex(1);
  QTest::keyClick(form_->ListBox1, Qt::Key_Delete);
  ASSERT_EQ(dialogs_->shellErrors.size(), 1u);
  const std::string& shown = dialogs_->shellErrors[0];
  EXPECT_NE(shown.find(std::string(kHour) + "\\snap001.jpg"), std::string::npos) << shown;
  EXPECT_NE(shown.find((blocked / "Trash").string()), std::string::npos) << shown;
  EXPECT_EQ(snapshotNames(), (std::vector<std::string>{"snap000.jpg", "snap001.jpg"}));
  EXPECT_TRUE(fs::exists(host(std::string(kRecordsHost) + "/2026-12-06/07/snap001.jpg")));
}

TEST_F(RecordManagementTest, EnterStartsTheShowAndEscapeLeavesTheList) {
  addSnapshots("2026-12-06/07", 3);
  startViewer();
  form_->DirectoryListBox1->SetCurrentDirectory(kHour);
  form_->ListBox1->setItemIndex(2);
  QTest::keyClick(form_->ListBox1, Qt::Key_Return);
  EXPECT_TRUE(form_->SlideShowTimer->enabled());
  EXPECT_EQ(snapshotNames().size(), 3u);  // listed once, not twice
  EXPECT_EQ(form_->ListBox1->itemIndex(), 0);

  form_->STOPClick(form_->STOP);
  QTest::keyClick(form_->ListBox1, Qt::Key_Escape);
  EXPECT_TRUE(snapshotNames().empty());
  EXPECT_EQ(form_->slideCounter(), 0);
  EXPECT_EQ(form_->VideoProgress->position(), 0);
}

TEST_F(RecordManagementTest, F2CopiesASnapshotWhereTheUserPicks) {
  addSnapshots("2026-12-06/07", 2);
  startViewer();
  form_->DirectoryListBox1->SetCurrentDirectory(kHour);
  tree_.file("c/backup/snap001.jpg", "old");
  const fs::path source = host(std::string(kRecordsHost) + "/2026-12-06/07/snap001.jpg");
  form_->ListBox1->setItemIndex(1);

  answerFolderDialog(std::nullopt);
  QTest::keyClick(form_->ListBox1, Qt::Key_F2);
  EXPECT_EQ(dialogs_->questions.back(), "Are you sure you want to copy file  \"snap001.jpg\"?");
  EXPECT_EQ(contentOf(host("c/backup/snap001.jpg")), "old");

  // Replaced without a question.
  answerFolderDialog("C:\\backup");
  QTest::keyClick(form_->ListBox1, Qt::Key_F2);
  EXPECT_EQ(contentOf(host("c/backup/snap001.jpg")), contentOf(source));
  EXPECT_EQ(dialogs_->questions.size(), 2u);

  // Two new folders: asked once, both created, the copy lands there.
  answerFolderDialog("C:\\new\\deeper");
  QTest::keyClick(form_->ListBox1, Qt::Key_F2);
  EXPECT_EQ(dialogs_->questions.back(), browse::kAskCreateQuestion);
  EXPECT_EQ(contentOf(host("c/new/deeper/snap001.jpg")), contentOf(source));

  // "C:\" opens at drive C's current directory: the folder the window shows.
  EXPECT_EQ(dialogOpenedAt_, (std::vector<std::string>(3, kHour)));
  EXPECT_TRUE(dialogs_->shellErrors.empty());

  // A folder that cannot be made (a file is in the way): the copy's failure
  // is shown in the shell's box, and the window goes on.
  answerFolderDialog("C:\\backup\\snap001.jpg\\sub");
  QTest::keyClick(form_->ListBox1, Qt::Key_F2);
  ASSERT_EQ(dialogs_->shellErrors.size(), 1u);
  EXPECT_NE(dialogs_->shellErrors[0].find("C:\\backup\\snap001.jpg\\sub"), std::string::npos);
  EXPECT_EQ(form_->ListBox1->itemIndex(), 1);
}

TEST_F(RecordManagementTest, TreeListGoesUpAndDeletesFoldersForGood) {
  addSnapshots("2026-12-06/07", 2);
  addSnapshots("2026-12-06/08", 1);
  addSnapshots("2026-12-07/09", 1);
  tree_.file("c/keep/precious.jpg", "p");
  fs::create_symlink(host("c/keep"), host(std::string(kRecordsHost) + "/2026-12-07/09/link"));
  startViewer();
  browse::TDirectoryListBox* list = form_->DirectoryListBox1;

  // Above the records root the selection snaps back to it; Esc there does nothing.
  list->setItemIndex(1);
  QTest::keyClick(list, Qt::Key_Escape);
  EXPECT_EQ(list->itemIndex(), 3);
  EXPECT_EQ(list->CurrentDirectory(), kRecordsRoot);

  list->SetCurrentDirectory(kHour);
  QTest::keyClick(list, Qt::Key_Escape);
  EXPECT_EQ(list->CurrentDirectory(), kDate);

  // The current hour folder: the list moves to its date folder.
  list->SetCurrentDirectory(kHour);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(dialogs_->questions.back(),
            "Are you sure you want to delete the folder  \"07\"  and all its contents?");
  EXPECT_FALSE(fs::exists(host(std::string(kRecordsHost) + "/2026-12-06/07")));
  EXPECT_FALSE(fs::exists(trash() / "files/07"));
  EXPECT_EQ(list->CurrentDirectory(), kDate);
  EXPECT_EQ(list->itemIndex(), 4);
  EXPECT_TRUE(snapshotNames().empty());

  // A date folder above the current hour: the list leaves the vanished path.
  list->SetCurrentDirectory(std::string(kDate) + "\\08");
  list->setItemIndex(4);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_FALSE(fs::exists(host(std::string(kRecordsHost) + "/2026-12-06")));
  EXPECT_EQ(list->CurrentDirectory(), kRecordsRoot);
  EXPECT_EQ(list->itemText(4), "2026-12-07");

  // A link inside goes as a link; the folder it points to stays whole.
  list->setItemIndex(4);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_FALSE(fs::exists(host(std::string(kRecordsHost) + "/2026-12-07")));
  EXPECT_EQ(contentOf(host("c/keep/precious.jpg")), "p");
  EXPECT_TRUE(dialogs_->shellErrors.empty());
}

TEST_F(RecordManagementTest, FolderCopyAsksOnCollisionsAndCancelLeavesNoPartialFile) {
  addSnapshots("2026-12-06/07", 3);
  startViewer();
  browse::TDirectoryListBox* list = form_->DirectoryListBox1;
  list->SetCurrentDirectory(kDate);
  answerFolderDialog("C:\\backup");
  const fs::path target = host("c/backup/07");
  auto copyWith = [&](std::deque<CollisionAnswer> answers) {
    for (int i = 0; i < 3; ++i)
      tree_.file("c/backup/07/snap00" + std::to_string(i) + ".jpg", "old");
    dialogs_->collisions.clear();
    dialogs_->collisionAnswers = std::move(answers);
    list->setItemIndex(5);
    QTest::keyClick(list, Qt::Key_F2);
    std::string replaced;
    for (int i = 0; i < 3; ++i) {
      replaced += contentOf(target / ("snap00" + std::to_string(i) + ".jpg")) == "old" ? '-' : 'R';
    }
    return replaced;
  };
  using enum CollisionAnswer;
  EXPECT_EQ(copyWith({Replace, Skip, Replace}), "R-R");
  EXPECT_EQ(dialogs_->questions.back(),
            "Are you sure you want to copy the folder  \"07\"  and all its contents?");
  EXPECT_EQ(dialogs_->collisions.front(), "C:\\backup\\07\\snap000.jpg");
  EXPECT_EQ(copyWith({ReplaceAll}), "RRR");
  EXPECT_EQ(dialogs_->collisions.size(), 1u);
  EXPECT_EQ(copyWith({SkipAll}), "---");
  EXPECT_EQ(copyWith({Skip, Cancel}), "---");
  EXPECT_EQ(dialogs_->collisions.size(), 2u);

  // Cancelled in the progress display: what was written is whole, nothing else.
  fs::remove_all(target);
  dialogs_->progressReports = 0;
  dialogs_->cancelAtReport = 3;
  list->setItemIndex(5);
  QTest::keyClick(list, Qt::Key_F2);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(target)) {
    EXPECT_EQ(entry.path().filename().string().rfind("snap", 0), 0u) << entry.path();
    ++files;
  }
  EXPECT_LT(files, 3);
  EXPECT_TRUE(dialogs_->shellErrors.empty());

  // A new folder is asked for once and made by the copy; one inside the
  // folder copied is refused and nothing is left behind.
  dialogs_->cancelAtReport = -1;
  answerFolderDialog("C:\\fresh\\deeper");
  QTest::keyClick(list, Qt::Key_F2);
  EXPECT_EQ(dialogs_->questions.back(), browse::kAskCreateQuestion);
  EXPECT_TRUE(fs::exists(host("c/fresh/deeper/07/snap002.jpg")));
  answerFolderDialog(std::string(kHour) + "\\new");
  QTest::keyClick(list, Qt::Key_F2);
  ASSERT_EQ(dialogs_->shellErrors.size(), 1u);
  EXPECT_NE(dialogs_->shellErrors[0].find("into itself"), std::string::npos)
      << dialogs_->shellErrors[0];
  EXPECT_FALSE(fs::exists(host(std::string(kRecordsHost) + "/2026-12-06/07/new")));
}

// A running show goes on under the question (its timer keeps firing under a
// modal box) and opens the next hour, whose snapshots have the same names:
// every answer acts on the item the question named.
TEST_F(RecordManagementTest, AnsweredQuestionsActOnTheItemTheyNamedWhileTheShowMovesOn) {
  addSnapshots("2026-12-06/07", 2);
  addSnapshots("2026-12-06/09", 3, 10);
  startViewer();
  browse::TDirectoryListBox* tree = form_->DirectoryListBox1;
  const std::string nextHour = std::string(kDate) + "\\09";
  const auto hourHost = [&](const std::string& hour, const std::string& name) {
    return host(std::string(kRecordsHost) + "/2026-12-06/" + hour + "/" + name);
  };
  // Starts the show in hour 07 and has it open hour 09 once the question is up.
  const auto runIntoNextHourWhileAsked = [&] {
    QTest::mouseClick(form_->STOP, Qt::LeftButton);
    tree->SetCurrentDirectory(kHour);
    QTest::mouseClick(form_->SlideShow, Qt::LeftButton);
    form_->SlideShowTimer->fire();
    dialogs_->onConfirm = [&] {
      for (int i = 0; i < 10 && tree->CurrentDirectory() != nextHour; ++i)
        form_->SlideShowTimer->fire();
      ASSERT_EQ(tree->CurrentDirectory(), nextHour);
      form_->SlideShowTimer->fire();
    };
  };
  const std::string snap001 = contentOf(hourHost("07", "snap001.jpg"));

  runIntoNextHourWhileAsked();
  form_->ListBox1->setItemIndex(1);
  answerFolderDialog("C:\\backup");
  QTest::keyClick(form_->ListBox1, Qt::Key_F2);
  EXPECT_EQ(contentOf(host("c/backup/snap001.jpg")), snap001);

  runIntoNextHourWhileAsked();
  form_->ListBox1->setItemIndex(1);
  QTest::keyClick(form_->ListBox1, Qt::Key_Delete);
  EXPECT_EQ(dialogs_->questions.back(), "Are you sure you want to delete file snap001.jpg?");
  EXPECT_FALSE(fs::exists(hourHost("07", "snap001.jpg")));
  EXPECT_EQ(contentOf(trash() / "files/snap001.jpg"), snap001);
  EXPECT_TRUE(fs::exists(hourHost("09", "snap001.jpg")));
  EXPECT_EQ(snapshotNames().size(), 3u);  // refilled from the folder shown now

  // The current hour folder, selected as entry 5 and asked about.
  runIntoNextHourWhileAsked();
  tree->setItemIndex(5);
  answerFolderDialog("C:\\backup");
  QTest::keyClick(tree, Qt::Key_F2);
  EXPECT_TRUE(fs::exists(host("c/backup/07/snap000.jpg")));
  EXPECT_FALSE(fs::exists(host("c/backup/09")));

  runIntoNextHourWhileAsked();
  tree->setItemIndex(5);
  QTest::keyClick(tree, Qt::Key_Delete);
  EXPECT_EQ(dialogs_->questions.back(),
            "Are you sure you want to delete the folder  \"07\"  and all its contents?");
  EXPECT_FALSE(fs::exists(hourHost("07", "")));
  EXPECT_TRUE(fs::exists(hourHost("09", "snap002.jpg")));
  EXPECT_EQ(tree->CurrentDirectory(), nextHour);  // the show's folder stays
  EXPECT_TRUE(form_->SlideShowTimer->enabled());
  EXPECT_TRUE(dialogs_->shellErrors.empty()) << ::testing::PrintToString(dialogs_->shellErrors);

  // Gone before the answer: nothing happens, and the user is told.
  dialogs_->onConfirm = [&] { fs::remove(hourHost("09", "snap002.jpg")); };
  form_->ListBox1->setItemIndex(2);
  QTest::keyClick(form_->ListBox1, Qt::Key_Delete);
  ASSERT_EQ(dialogs_->shellErrors.size(), 1u);
  EXPECT_EQ(dialogs_->shellErrors[0],
            nextHour + "\\snap002.jpg no longer exists; nothing was done.");
  EXPECT_TRUE(fs::exists(hourHost("09", "snap001.jpg")));
}

// The permanent folder delete is for the archive's date and hour folders;
// elsewhere the tree list refuses it before asking, and copying still works.
TEST_F(RecordManagementTest, FolderDeleteOutsideTheRecordsIsRefused) {
  tree_.file("d/home/user/Documents/thesis/chapter1.txt", "words");
  startViewer("C:\\", true);
  browse::TDirectoryListBox* tree = form_->DirectoryListBox1;
  tree->SetCurrentDirectory("D:\\home\\user\\Documents");
  ASSERT_EQ(tree->itemText(4), "thesis");
  tree->setItemIndex(4);
  QTest::keyClick(tree, Qt::Key_Delete);
  EXPECT_TRUE(dialogs_->questions.empty());
  ASSERT_EQ(dialogs_->messages.size(), 1u);
  EXPECT_EQ(dialogs_->messages[0],
            "Only folders inside C:\\Program Files\\Vistrel\\Records can be deleted here; "
            "\"thesis\" was not deleted.");
  EXPECT_EQ(contentOf(host("d/home/user/Documents/thesis/chapter1.txt")), "words");

  answerFolderDialog("D:\\home");
  QTest::keyClick(tree, Qt::Key_F2);
  EXPECT_EQ(contentOf(host("d/home/thesis/chapter1.txt")), "words");
}

TEST_F(RecordManagementTest, SavedVideosOpenDeleteAndCopy) {
  startViewer();
  addSavedVideos({});
  TListBox* videos = form_->ListBox2;
  QTest::mouseDClick(videos->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_FALSE(dialogs_->errors.empty());
  EXPECT_EQ(dialogs_->errors.back(), "List index out of bounds (-1)");
  EXPECT_TRUE(opened_.urls.empty());

  addSavedVideos({"a.avi", "b.avi", "c.avi"});
  videos->setItemIndex(1);
  QTest::keyClick(videos, Qt::Key_Return);
  ASSERT_EQ(opened_.urls.size(), 1u);
  EXPECT_EQ(opened_.urls[0].toLocalFile().toStdString(),
            host("c/Program Files/Vistrel/b.avi").string());

  tree_.folder("c/backup");
  answerFolderDialog("C:\\backup");
  QTest::keyClick(videos, Qt::Key_F2);
  EXPECT_EQ(dialogs_->questions.back(), "Are you sure you want to copy file  \"b.avi\"?");
  EXPECT_EQ(dialogOpenedAt_.back(), "C:\\Program Files\\Vistrel");
  EXPECT_EQ(contentOf(host("c/backup/b.avi")), "b.avi");

  videos->setItemIndex(2);
  QTest::keyClick(videos, Qt::Key_Delete);
  EXPECT_EQ(dialogs_->questions.back(), "Are you sure you want to delete file c.avi?");
  EXPECT_EQ(videoNames(), (std::vector<std::string>{"a.avi", "b.avi"}));
  EXPECT_EQ(videos->itemIndex(), 1);
  EXPECT_EQ(contentOf(trash() / "files/c.avi"), "c.avi");

  videos->setItemIndex(0);
  QTest::keyClick(videos, Qt::Key_Delete);
  QTest::keyClick(videos, Qt::Key_Delete);
  EXPECT_TRUE(videoNames().empty());
  EXPECT_EQ(videos->itemIndex(), -1);
  EXPECT_TRUE(dialogs_->shellErrors.empty());
}

}  // namespace
}  // namespace vistrel::app::testing

#include "record_management_test.moc"
