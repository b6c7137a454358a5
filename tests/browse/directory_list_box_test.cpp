#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>

#include "browse/directory_list_box.h"
#include "browse/entry_images.h"
#include "controls/control.h"
#include "controls/handler_guard.h"
#include "platform/file_system.h"
#include "temporary_drives.h"

namespace vistrel::browse {
namespace {

using platform::DriveType;
using testing::TemporaryDrives;

const std::string kRecords = "C:\\Program Files\\Vistrel\\Records";
const std::string kDate = kRecords + "\\2024-01-15";
const std::string kHour = kDate + "\\07";

class DirectoryListBoxTest : public ::testing::Test {
 protected:
  DirectoryListBoxTest() {
    c_ = drives_.add(testing::drive('C', DriveType::Fixed, "System"));
    d_ = drives_.add(testing::drive('D', DriveType::Fixed, "Data"));
    platform::Drive ignoresCase = testing::drive('E', DriveType::Fixed, "Plain");
    ignoresCase.fsFlags = 0;
    drives_.add(ignoresCase);
    platform::Drive matchesCase = testing::drive('F', DriveType::Fixed, "Exact");
    matchesCase.fsFlags = platform::kFsCaseSensitive;
    drives_.add(matchesCase);
    // A drive whose volume is gone (not ready).
    std::filesystem::remove_all(drives_.add(testing::drive('M', DriveType::Removable, "Gone")));
    const std::string records = "Program Files/Vistrel/Records/";
    for (const char* date : {"2024-01-15", "2023-12-31", "b-extra", "A-first", "_misc"}) {
      TemporaryDrives::makeFolder(c_, records + date);
    }
    TemporaryDrives::makeFolder(c_, records + "2024-01-15/07");
    TemporaryDrives::makeFolder(c_, records + "2024-01-15/08");
    TemporaryDrives::makeFolder(c_, records + ".hidden");
    TemporaryDrives::makeFile(c_, records + "2024-01-15/07/0700.jpg");
    TemporaryDrives::makeFolder(c_, "Windows");
    TemporaryDrives::makeFolder(d_, "Camera/Day");
    drives_.install("C:\\");
    list_ = std::make_unique<TDirectoryListBox>();
  }

  // A list at the records root, with its change events counted.
  void openRecords() {
    list_->SetCurrentDirectory(kRecords);
    ASSERT_EQ(list_->CurrentDirectory(), kRecords);
    list_->OnChange = [this] { ++changes_; };
  }

  std::vector<std::string> texts() const {
    std::vector<std::string> result;
    for (int i = 0; i < list_->count(); ++i) result.push_back(list_->itemText(i));
    return result;
  }

  void doubleClick(int index) {
    QTest::mouseDClick(list_->viewport(), Qt::LeftButton, {},
                       list_->visualItemRect(list_->item(index)).center());
  }

  TemporaryDrives drives_;
  std::filesystem::path c_;
  std::filesystem::path d_;
  std::unique_ptr<TDirectoryListBox> list_;
  int changes_ = 0;
};

TEST_F(DirectoryListBoxTest, RecordsRootEntriesInOrder) {
  openRecords();
  EXPECT_EQ(texts(),
            (std::vector<std::string>{"C:\\", "Program Files", "Vistrel", "Records", "_misc",
                                      "2023-12-31", "2024-01-15", "A-first", "b-extra"}));
  EXPECT_EQ(list_->itemIndex(), 3);
  EXPECT_EQ(list_->ItemPath(0), "C:\\");
  EXPECT_EQ(list_->ItemPath(1), "C:\\Program Files");
  EXPECT_EQ(list_->ItemPath(2), "C:\\Program Files\\Vistrel");
  EXPECT_EQ(list_->ItemPath(3), kRecords);
  EXPECT_EQ(list_->ItemPath(4), kRecords + "\\_misc");
  EXPECT_EQ(list_->ItemPath(list_->count()), "");
  for (int i = 0; i < 4; ++i) EXPECT_EQ(list_->itemIndent(i), 4 * i + 2);
  EXPECT_EQ(list_->itemIndent(4), 18);
  EXPECT_EQ(list_->itemIndent(8), 18);
}

TEST_F(DirectoryListBoxTest, SettingTheSameFolderAgainRaisesNothing) {
  int changes = 0;
  list_->OnChange = [&] { ++changes; };
  list_->SetCurrentDirectory("c:\\Program Files\\Vistrel\\Records\\");
  EXPECT_EQ(list_->CurrentDirectory(), kRecords);
  EXPECT_EQ(changes, 1);
  list_->SetCurrentDirectory("C:\\PROGRAM FILES\\vistrel\\records");
  list_->SetCurrentDirectory("");
  EXPECT_EQ(changes, 1);
  // The process's current directory follows the list.
  EXPECT_EQ(platform::FileSystem::instance().currentDirectory(), kRecords);
}

TEST_F(DirectoryListBoxTest, DriveRootHasOneCurrentEntry) {
  EXPECT_EQ(list_->CurrentDirectory(), "C:\\");
  EXPECT_EQ(texts(), (std::vector<std::string>{"C:\\", "Program Files", "Windows"}));
  EXPECT_EQ(list_->itemIndex(), 0);
  EXPECT_EQ(list_->itemIndent(0), 2);
  EXPECT_EQ(list_->itemIndent(1), 10);
  EXPECT_EQ(list_->ItemPath(0), "C:\\");
  EXPECT_EQ(list_->ItemPath(1), "C:\\Program Files");
}

TEST_F(DirectoryListBoxTest, NamesEqualButForCaseAreListedOnce) {
  TemporaryDrives::makeFolder(c_, "Program Files/Vistrel/Records/Dup");
  TemporaryDrives::makeFolder(c_, "Program Files/Vistrel/Records/dup");
  openRecords();
  int dups = 0;
  for (const std::string& text : texts()) dups += text == "Dup" || text == "dup";
  EXPECT_EQ(dups, 1);
}

TEST_F(DirectoryListBoxTest, NegativeIndexIsAListError) {
  openRecords();
  try {
    list_->ItemPath(-1);
    FAIL() << "no error";
  } catch (const EListError& error) {
    EXPECT_STREQ(error.what(), "List index out of bounds (-1)");
  }
  list_->setItemIndex(-1);
  EXPECT_THROW(list_->OpenSelected(), EListError);
  EXPECT_EQ(changes_, 0);
}

TEST_F(DirectoryListBoxTest, PathsThatNameAFileOrPatternMoveToTheirFolder) {
  openRecords();
  list_->SetCurrentDirectory(kHour + "\\0700.jpg");
  EXPECT_EQ(list_->CurrentDirectory(), kHour);
  list_->SetCurrentDirectory(kRecords + "\\*.jpg");
  EXPECT_EQ(list_->CurrentDirectory(), kRecords);
  // Relative to the current directory, in any case.
  list_->SetCurrentDirectory("2024-01-15\\07");
  EXPECT_EQ(list_->CurrentDirectory(), kHour);
  list_->SetCurrentDirectory("[" + kDate.substr(2) + "]");
  EXPECT_EQ(list_->CurrentDirectory(), kDate);
  EXPECT_EQ(changes_, 4);
}

TEST_F(DirectoryListBoxTest, MissingFolderLeavesTheListButRaisesTheChange) {
  openRecords();
  list_->SetCurrentDirectory(kRecords + "\\1999-01-01\\05");
  EXPECT_EQ(list_->CurrentDirectory(), kRecords);
  EXPECT_EQ(list_->itemIndex(), 3);
  EXPECT_EQ(changes_, 1);
  list_->SetCurrentDirectory("Q:\\nowhere");  // an unmapped drive
  EXPECT_EQ(list_->CurrentDirectory(), kRecords);
  EXPECT_EQ(changes_, 2);
  EXPECT_EQ(platform::FileSystem::instance().currentDirectory(), kRecords);
}

TEST_F(DirectoryListBoxTest, DriveThatIsNotReadyLeavesTheList) {
  openRecords();
  // C: has the same folder; the list must not open it instead.
  list_->SetCurrentDirectory("M:\\Program Files");
  EXPECT_EQ(list_->CurrentDirectory(), kRecords);
  EXPECT_EQ(changes_, 1);
  list_->SetDriveLetter('m');
  EXPECT_EQ(list_->CurrentDirectory(), kRecords);
  EXPECT_EQ(changes_, 2);
}

TEST_F(DirectoryListBoxTest, ClickHandlerCanMoveTheSelectionBack) {
  openRecords();
  int clicks = 0;
  list_->OnClick = [&] {
    ++clicks;
    if (list_->itemIndex() <= 3) list_->setItemIndex(3);
  };
  QTest::mouseClick(list_->viewport(), Qt::LeftButton, {},
                    list_->visualItemRect(list_->item(1)).center());
  EXPECT_EQ(list_->itemIndex(), 3);
  QTest::mouseClick(list_->viewport(), Qt::LeftButton, {},
                    list_->visualItemRect(list_->item(5)).center());
  EXPECT_EQ(list_->itemIndex(), 5);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(changes_, 0);
}

TEST_F(DirectoryListBoxTest, VanishedSubfolderStaysListedUntilOpened) {
  openRecords();
  std::filesystem::remove_all(c_ / "Program Files/Vistrel/Records/b-extra");
  ASSERT_EQ(list_->itemText(8), "b-extra");
  list_->setItemIndex(8);
  list_->OpenSelected();
  EXPECT_EQ(list_->CurrentDirectory(), kRecords);
  EXPECT_EQ(list_->count(), 8);
  EXPECT_EQ(changes_, 1);
}

TEST_F(DirectoryListBoxTest, DriveLetterMovesToThatDrivesOwnDirectory) {
  platform::FileSystem::instance().setCurrentDirectory("D:\\Camera\\Day");
  platform::FileSystem::instance().setCurrentDirectory("C:\\");
  openRecords();
  list_->SetDriveLetter('c');
  EXPECT_EQ(changes_, 0);
  EXPECT_EQ(list_->DriveLetter(), 'C');
  list_->SetDriveLetter('d');
  EXPECT_EQ(list_->CurrentDirectory(), "D:\\Camera\\Day");
  EXPECT_EQ(changes_, 1);
  EXPECT_EQ(texts(), (std::vector<std::string>{"D:\\", "Camera", "Day"}));
  // C: remembers where the list was.
  list_->SetDriveLetter('C');
  EXPECT_EQ(list_->CurrentDirectory(), kRecords);
}

TEST_F(DirectoryListBoxTest, RebuildPicksUpNewFoldersAndRaisesTheChange) {
  openRecords();
  TemporaryDrives::makeFolder(c_, "Program Files/Vistrel/Records/2024-02-01");
  list_->Rebuild();
  EXPECT_EQ(list_->itemText(7), "2024-02-01");
  EXPECT_EQ(changes_, 1);
}

TEST_F(DirectoryListBoxTest, DoubleClickAndEnterWalkIntoDateAndHour) {
  openRecords();
  list_->setItemIndex(6);  // 2024-01-15
  QTest::keyClick(list_.get(), Qt::Key_Return);
  EXPECT_EQ(list_->CurrentDirectory(), kDate);
  EXPECT_EQ(texts(), (std::vector<std::string>{"C:\\", "Program Files", "Vistrel", "Records",
                                               "2024-01-15", "07", "08"}));
  EXPECT_EQ(list_->itemIndex(), 4);
  doubleClick(5);
  EXPECT_EQ(list_->CurrentDirectory(), kHour);
  EXPECT_EQ(list_->itemIndex(), 5);
  EXPECT_EQ(list_->ItemPath(4), kDate);
  EXPECT_EQ(list_->ItemPath(3), kRecords);
  EXPECT_EQ(list_->ItemPath(5), kHour);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list_->itemIndent(i), 4 * i + 2);
  EXPECT_EQ(changes_, 2);
  // Double click on an entry above: back to the records root.
  doubleClick(3);
  EXPECT_EQ(list_->CurrentDirectory(), kRecords);
}

TEST_F(DirectoryListBoxTest, KeysOnlyMoveTheSelection) {
  openRecords();
  int clicks = 0;
  std::vector<int> keysDown;
  list_->OnClick = [&] { ++clicks; };
  list_->OnKeyDown = [&](int& key, Qt::KeyboardModifiers) {
    keysDown.push_back(list_->itemIndex());  // runs before the list moves
  };
  QTest::keyClick(list_.get(), Qt::Key_Down);
  EXPECT_EQ(list_->itemIndex(), 4);
  QTest::keyClick(list_.get(), Qt::Key_End);
  EXPECT_EQ(list_->itemIndex(), 8);
  QTest::keyClick(list_.get(), Qt::Key_Home);
  EXPECT_EQ(list_->itemIndex(), 0);
  QTest::keyClick(list_.get(), Qt::Key_V);  // first letter
  EXPECT_EQ(list_->itemIndex(), 2);
  EXPECT_EQ(keysDown, (std::vector<int>{3, 4, 8, 0}));
  EXPECT_EQ(clicks, 4);
  EXPECT_EQ(list_->CurrentDirectory(), kRecords);
  EXPECT_EQ(changes_, 0);
}

TEST_F(DirectoryListBoxTest, KeyDownHandlerCanSwallowEnter) {
  openRecords();
  list_->setItemIndex(6);
  list_->OnKeyDown = [](int& key, Qt::KeyboardModifiers) { key = 0; };
  QTest::keyClick(list_.get(), Qt::Key_Return);
  EXPECT_EQ(list_->CurrentDirectory(), kRecords);
}

// A window that counts the keys its controls leave to it.
class KeyCountingWindow : public QWidget {
 public:
  int escapes = 0;

 protected:
  void keyPressEvent(QKeyEvent* event) override { escapes += event->key() == Qt::Key_Escape; }
};

TEST_F(DirectoryListBoxTest, EscapeReachesTheWindow) {
  KeyCountingWindow window;
  list_->setParent(&window);
  openRecords();
  QTest::keyClick(list_.get(), Qt::Key_Escape);
  QTest::keyClick(list_.get(), Qt::Key_Down);
  EXPECT_EQ(window.escapes, 1);
  list_->setParent(nullptr);
}

TEST_F(DirectoryListBoxTest, HandlerErrorsFromInputGoThroughTheGuard) {
  openRecords();
  std::vector<std::string> reported;
  controls::setHandlerGuard([&](const std::function<void()>& call) {
    try {
      call();
    } catch (const Exception& error) {
      reported.push_back(error.what());
    }
  });
  list_->setItemIndex(-1);
  QTest::keyClick(list_.get(), Qt::Key_Return);
  list_->OnChange = [] { throw Exception("handler failed"); };
  doubleClick(4);
  controls::setHandlerGuard(nullptr);
  EXPECT_EQ(reported,
            (std::vector<std::string>{"List index out of bounds (-1)", "handler failed"}));
}

TEST_F(DirectoryListBoxTest, CaseFlagsComeFromTheVolume) {
  EXPECT_TRUE(list_->casePreserving());
  EXPECT_FALSE(list_->caseSensitive());
  list_->OnChange = [this] { ++changes_; };
  list_->SetDriveLetter('E');
  EXPECT_FALSE(list_->casePreserving());  // names drawn in lower case
  EXPECT_FALSE(list_->caseSensitive());
  list_->SetCurrentDirectory("e:\\");
  EXPECT_EQ(changes_, 1);
  // On a case-sensitive volume the same folder in other case is a change.
  list_->SetDriveLetter('F');
  EXPECT_TRUE(list_->casePreserving());
  EXPECT_TRUE(list_->caseSensitive());
  list_->SetCurrentDirectory("f:\\");
  EXPECT_EQ(changes_, 3);
  list_->SetCurrentDirectory("F:\\");
  EXPECT_EQ(changes_, 3);
}

TEST_F(DirectoryListBoxTest, ItemHeightFollowsTheFont) {
  QFont font = list_->font();
  font.setPixelSize(11);
  font.setBold(true);
  list_->setFont(font);
  EXPECT_EQ(list_->itemHeight(), 16);
  font.setPixelSize(30);
  list_->setFont(font);
  EXPECT_EQ(list_->itemHeight(), controls::textMetricHeight(font));  // the text is now the taller
  EXPECT_GE(list_->itemHeight(), QFontMetrics(font).height());
}

TEST_F(DirectoryListBoxTest, DrawsImagesAtTheIndentAndTextAfterThem) {
  openRecords();
  list_->resize(200, 200);
  list_->setItemIndex(-1);
  QPalette palette = list_->palette();
  palette.setColor(QPalette::Base, QColor(0, 0, 128));
  list_->setPalette(palette);
  list_->show();
  const QImage shot = list_->viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
  const struct {
    int row;
    FolderImage kind;
  } rows[] = {{0, FolderImage::OpenFolder},
              {3, FolderImage::CurrentFolder},
              {5, FolderImage::ClosedFolder}};
  for (const auto& row : rows) {
    const QRect r = list_->visualItemRect(list_->item(row.row));
    const QImage& image = folderImage(row.kind);
    const int left = r.left() + list_->itemIndent(row.row);
    const int top = (2 * r.top() + r.height() - image.height()) / 2;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QRgb expected = qAlpha(image.pixel(x, y)) == 0 ? qRgb(0, 0, 128) : image.pixel(x, y);
        ASSERT_EQ(shot.pixel(left + x, top + y), expected)
            << "row " << row.row << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(DirectoryListBoxTest, LinkedLabelShowsTheShortenedPath) {
  QLabel label;
  label.resize(60, 13);
  list_->setDirLabel(&label);
  openRecords();
  const std::string caption = label.text().toStdString();
  EXPECT_TRUE(caption.ends_with("Records"));
  EXPECT_LT(caption.size(), kRecords.size());
  EXPECT_LE(label.fontMetrics().horizontalAdvance(label.text()), 60);
}

class RecordingFileList : public QObject, public FolderFollower {
 public:
  void setFolder(const std::string& folder) override { folders.push_back(folder); }
  std::vector<std::string> folders;
};

TEST_F(DirectoryListBoxTest, LinkedFileListFollowsUntilDestroyed) {
  auto fileList = std::make_unique<RecordingFileList>();
  list_->setFileList(fileList.get());
  openRecords();
  list_->Rebuild();
  EXPECT_EQ(fileList->folders, (std::vector<std::string>{kRecords, kRecords}));
  fileList.reset();
  list_->SetCurrentDirectory(kDate);  // must not reach the destroyed list
  EXPECT_EQ(list_->CurrentDirectory(), kDate);
}

TEST(EntryImagesTest, SizesAndTransparentCorner) {
  for (FolderImage kind :
       {FolderImage::OpenFolder, FolderImage::CurrentFolder, FolderImage::ClosedFolder}) {
    const QImage& image = folderImage(kind);
    EXPECT_EQ(image.size(), QSize(16, 15));
    EXPECT_EQ(qAlpha(image.pixel(0, 14)), 0);
  }
  EXPECT_NE(folderImage(FolderImage::OpenFolder), folderImage(FolderImage::CurrentFolder));
  for (DriveImage kind : {DriveImage::Floppy, DriveImage::Hard, DriveImage::Network,
                          DriveImage::CdRom, DriveImage::Ram}) {
    EXPECT_EQ(driveImage(kind).size(), QSize(16, 11));
  }
  // Only the corner's colour becomes transparent.
  const char* rows[] = {"0f", "f0"};
  const QImage image = imageFromPaletteRows(rows, 2);
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 255);
  EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0);
}

}  // namespace
}  // namespace vistrel::browse
