// The main window as created from its stored layout: controls, geometry,
// start-up state, the layout round trip, start-up on another drive.

#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include <QApplication>
#include <QFontInfo>
#include <QTest>

#include "app/widgets/check_box.h"
#include "app/widgets/image.h"
#include "app/widgets/label.h"
#include "app/widgets/list_box.h"
#include "app/widgets/panel.h"
#include "app/widgets/scroll_bar.h"
#include "app/widgets/spin_edit.h"
#include "app/widgets/timer.h"
#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"
#include "picture/picture_data.h"
#include "pipeline/image_gen.h"
#include "platform/file_system.h"
#include "platform/layout/layout_parser.h"
#include "platform/layout/layout_writer.h"
#include "recording/video_logger.h"
#include "viewer_fixture.h"

namespace vistrel::app::testing {
namespace {

using MainWindowTest = ViewerTest;

// An integer property of a stored object, when the layout gives one.
std::optional<std::int64_t> integerOf(const layout::ObjectNode& object, const std::string& name) {
  for (const layout::PropertyNode& property : object.properties)
    if (property.name == name) return property.value.asInteger();
  return std::nullopt;
}

// The first line where two layout texts differ (the texts are too long to print).
std::string firstDifference(const std::string& a, const std::string& b) {
  std::size_t line = 1, start = 0;
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    if (a[i] != b[i]) {
      return "line " + std::to_string(line) + ": '" + a.substr(start, a.find('\n', start) - start) +
             "' vs '" + b.substr(start, b.find('\n', start) - start) + "'";
    }
    if (a[i] == '\n') {
      ++line;
      start = i + 1;
    }
  }
  return "lengths " + std::to_string(a.size()) + " and " + std::to_string(b.size());
}

TEST_F(MainWindowTest, FreshStartAtTheRecordsRootShowsTheStartPicture) {
  tree_.folder(std::string(kRecordsHost) + "/2026-12-06/07");
  startViewer();
  EXPECT_EQ(form_->windowTitle().toStdString(), "Vistrel Records Preview");
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), "C:\\Program Files\\Vistrel\\Records");
  EXPECT_EQ(form_->DirectoryListBox1->itemIndex(), 3);
  EXPECT_EQ(shownTag(), -1);
  EXPECT_EQ(form_->Image1->picture().height(), 588);
  EXPECT_EQ(label(), " Slide: 0/0 ");
  EXPECT_EQ(form_->ListBox1->itemCount(), 0);
  EXPECT_EQ(caption(), "RUN Slide Show");
  EXPECT_EQ(form_->slideCounter(), 0);
  EXPECT_FALSE(form_->SlideShowTimer->enabled());
  EXPECT_EQ(form_->SlideShowTimer->interval(), 33);
  EXPECT_FALSE(form_->CheckBox1->checked());
  EXPECT_TRUE(form_->SledeciSat->checked());
  EXPECT_EQ(form_->RateFPS->value(), 5);
  EXPECT_EQ(form_->PreviewFPS->value(), 30);
  EXPECT_TRUE(dialogs_->errors.empty());
}

TEST_F(MainWindowTest, EveryControlSitsWhereTheLayoutPutsIt) {
  startViewer();
  const layout::ObjectNode stored = layout::parseLayoutText(mainWindowLayout());
  int placed = 0;
  for (const layout::ObjectNode& control : stored.children) {
    const auto left = integerOf(control, "Left");
    if (!left) continue;  // not a visual control
    auto* widget = dynamic_cast<QWidget*>(form_->findComponent(control.name));
    ASSERT_NE(widget, nullptr) << control.name;
    const QRect geometry(int(*left), int(*integerOf(control, "Top")),
                         int(*integerOf(control, "Width")), int(*integerOf(control, "Height")));
    EXPECT_EQ(widget->geometry(), geometry) << control.name;
    EXPECT_TRUE(form_->rect().contains(geometry)) << control.name;
    EXPECT_EQ(widget->parentWidget(), form_.get()) << control.name;
    ++placed;
  }
  EXPECT_GT(placed, 0);
  EXPECT_EQ(form_->size(),
            QSize(int(*integerOf(stored, "ClientWidth")), int(*integerOf(stored, "ClientHeight"))));
  EXPECT_EQ(form_->minimumSize(), form_->maximumSize());
  EXPECT_FALSE(form_->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(form_->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(form_->palette().color(QPalette::Window), QColor(0, 0, 128));
  EXPECT_EQ(form_->Label1->palette().color(QPalette::Window), QColor(0, 0, 255));
  EXPECT_EQ(form_->Label1->palette().color(QPalette::WindowText), QColor(255, 255, 255));
  EXPECT_EQ(form_->ListBox1->palette().color(QPalette::Text), QColor(192, 192, 192));
  EXPECT_EQ(form_->ListBox1->font().pixelSize(), 8);
  EXPECT_TRUE(form_->SlideShow->font().bold());
  EXPECT_FALSE(form_->PreviewFPS->font().bold());
  // "MS Sans Serif" where installed, else a metric-compatible face at the same size.
  const QFontInfo face(form_->SlideShow->font());
  EXPECT_EQ(face.pixelSize(), 11);
  EXPECT_TRUE(face.bold());
  const std::vector<std::string> faces = {"MS Sans Serif", "Liberation Sans", "Arimo",
                                          "DejaVu Sans"};
  EXPECT_NE(std::find(faces.begin(), faces.end(), face.family().toStdString()), faces.end())
      << face.family().toStdString();
  EXPECT_EQ(form_->ListBox1->itemHeight(), 13);
  EXPECT_EQ(form_->STOP->caption(), "S T O P");
  EXPECT_EQ(form_->CheckBox1->text().toStdString(), "Create Video ( .AVI ) - Rate FPS");
  EXPECT_EQ(form_->SledeciSat->text().toStdString(), "Continue to the Next Hour");
  EXPECT_EQ(form_->Label7->caption(), "Preview Rate - FPS");
}

TEST_F(MainWindowTest, BarTreeListAndDriveSelectorLookAsStored) {
  startViewer();
  // The position bar keeps the standard scroll bar colours, not the window's navy.
  const QPalette standard = QApplication::palette("QScrollBar");
  for (auto role : {QPalette::Window, QPalette::Button, QPalette::Base}) {
    EXPECT_EQ(form_->VideoProgress->palette().color(role), standard.color(role)) << role;
    EXPECT_NE(form_->VideoProgress->palette().color(role), QColor(0, 0, 128)) << role;
  }
  // Both lists have the same sunken 3-D border.
  const browse::TDirectoryListBox* tree = form_->DirectoryListBox1;
  EXPECT_EQ(tree->frameShape(), form_->ListBox1->frameShape());
  EXPECT_EQ(tree->frameShadow(), QFrame::Sunken);
  EXPECT_EQ(tree->frameWidth(), form_->ListBox1->frameWidth());
  EXPECT_EQ(form_->DriveComboBox1->itemHeight(), 13);
}

TEST_F(MainWindowTest, TabOrderFollowsTheStoredOrder) {
  startViewer();
  std::map<std::int64_t, QWidget*> byTabOrder;
  for (const layout::ObjectNode& control : layout::parseLayoutText(mainWindowLayout()).children) {
    if (const auto tabOrder = integerOf(control, "TabOrder")) {
      auto* widget = dynamic_cast<QWidget*>(form_->findComponent(control.name));
      ASSERT_NE(widget, nullptr) << control.name;
      byTabOrder[*tabOrder] = widget;
    }
  }
  std::vector<QWidget*> order;
  for (const auto& [tabOrder, widget] : byTabOrder) order.push_back(widget);
  ASSERT_GT(order.size(), 1u);
  // The stored controls in the order of the focus chain, starting at the first.
  std::vector<QWidget*> chain{order[0]};
  for (QWidget* w = order[0]->nextInFocusChain(); w != order[0]; w = w->nextInFocusChain()) {
    if (std::find(order.begin(), order.end(), w) != order.end()) chain.push_back(w);
  }
  EXPECT_EQ(chain, order);
}

TEST_F(MainWindowTest, StoredStartPictureIsTheTestCard) {
  startViewer();
  const auto cardPath = std::filesystem::path(VISTREL_SOURCE_DIR) / "resources/test_card.jpg";
  std::ifstream card(cardPath, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(card), {}};
  ASSERT_FALSE(bytes.empty());
  const std::vector<std::uint8_t> stored = WritePictureData(form_->Image1->picture());
  ASSERT_EQ(stored.size(), bytes.size() + 15);
  EXPECT_EQ(std::string(stored.begin() + 1, stored.begin() + 11), "TJPEGImage");
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), stored.begin() + 15));
}

TEST_F(MainWindowTest, StartUpConfiguresTheDisabledExportComponents) {
  startViewer();
  ASSERT_NE(form_->VLImageGen1, nullptr);
  ASSERT_NE(form_->VLDSVideoLogger1, nullptr);
  EXPECT_FALSE(form_->VLImageGen1->Enabled());
  EXPECT_EQ(form_->VLImageGen1->FrameRate(), 5);
  EXPECT_EQ(form_->VLImageGen1->ClockSource(), TSLClockSource::csExternal);
  EXPECT_EQ(form_->VLImageGen1->PumpPriority(), 0);

  // The stored connection: the generator feeds the logger and nothing else.
  ASSERT_EQ(form_->VLImageGen1->OutputPin().SinkCount(), 1);
  EXPECT_EQ(form_->VLImageGen1->OutputPin().Sink(0), &form_->VLDSVideoLogger1->InputPin());
  EXPECT_EQ(form_->VLDSVideoLogger1->InputPin().Source(), &form_->VLImageGen1->OutputPin());

  const TVLDSVideoLogger& logger = *form_->VLDSVideoLogger1;
  EXPECT_FALSE(logger.Enabled());
  EXPECT_EQ(logger.FileName(), platform::FileSystem::instance().programFolder() + "vistrel.avi");
  EXPECT_FALSE(logger.GraphRunning());
  auto& compression = form_->VLDSVideoLogger1->VideoCompression();
  EXPECT_TRUE(compression.Enabled());
  ASSERT_EQ(compression.Compressions().Count(), 1u);
  EXPECT_EQ(compression.Compressions().Item(0).Compressor(), "XviD MPEG-4 Codec");
  EXPECT_EQ(compression.Compressions().Item(0).Params().size(), 32u);
  EXPECT_FALSE(form_->VLDSVideoLogger1->AudioCompression().Enabled());
}

TEST_F(MainWindowTest, LayoutRoundTrips) {
  startViewer();
  const std::string written = layout::writeLayout(*form_);
  // Start-up replaces the stored timer interval with the preview interval
  // and the generator's stored frame rate with the export rate.
  std::string expected(mainWindowLayout());
  const auto at = expected.find("Interval = 100");
  ASSERT_NE(at, std::string::npos);
  expected.replace(at, 14, "Interval = 33");
  const auto rateAt = expected.find("FrameRate = 1\n");
  ASSERT_NE(rateAt, std::string::npos);
  expected.replace(rateAt, 13, "FrameRate = 5");
  // ...and the logger's design-time file name with the program folder's.
  const std::string storedName = "FileName = 'C:\\Program Files\\Vistrel\\vistrel.avi'";
  const auto nameAt = expected.find(storedName);
  ASSERT_NE(nameAt, std::string::npos);
  expected.replace(
      nameAt, storedName.size(),
      "FileName = '" + platform::FileSystem::instance().programFolder() + "vistrel.avi'");
  EXPECT_TRUE(written == expected) << firstDifference(written, expected);

  auto again = TForm1::create(written);
  const std::string rewritten = layout::writeLayout(*again);
  EXPECT_TRUE(rewritten == written) << firstDifference(rewritten, written);
}

TEST_F(MainWindowTest, StartedOnAnotherDriveOpensThatFolder) {
  tree_.jpeg("d/archive/a.jpg", 1);
  tree_.jpeg("d/archive/b.jpg", 2);
  startViewer("D:\\archive", true);
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), "D:\\archive");
  EXPECT_EQ(snapshotNames(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
  EXPECT_EQ(label(), " Slide: 1/2 ");
  EXPECT_TRUE(dialogs_->errors.empty());
}

TEST_F(MainWindowTest, StartedOnDriveCEndsAtTheRecordsRoot) {
  tree_.folder("c/work");
  startViewer("C:\\work");
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), "C:\\Program Files\\Vistrel\\Records");
}

TEST_F(MainWindowTest, SavedVideosAreTheOrdinaryAviFilesOfTheProgramFolder) {
  startViewer();
  const auto program = tree_.file("c/Program Files/Vistrel/vistrel-preview", "x");
  for (const char* name : {"saved.avi", "SAVED-b.AVI", ".hidden.avi", "other.txt"}) {
    tree_.file(std::string("c/Program Files/Vistrel/") + name, "x");
  }
  platform::FileSystem::instance().setExecutablePath(program);
  ASSERT_EQ(platform::FileSystem::instance().programFolder(), "C:\\Program Files\\Vistrel\\");

  form_->RefillSavedVideosList();
  std::vector<std::string> names;
  for (int i = 0; i < form_->ListBox2->itemCount(); ++i)
    names.push_back(form_->ListBox2->itemText(i));
  // Upper-cased names in code point order: '-' comes before '.'.
  EXPECT_EQ(names, (std::vector<std::string>{"SAVED-b.AVI", "saved.avi"}));
}

TEST_F(MainWindowTest, MissingRecordsRootLeavesTheTreeWhereItWas) {
  std::filesystem::remove_all(tree_.path() / "c/Program Files");
  tree_.folder("c/work");
  startViewer("C:\\work");
  EXPECT_EQ(form_->DirectoryListBox1->CurrentDirectory(), "C:\\work");
  EXPECT_EQ(label(), " Slide: 0/0 ");
  EXPECT_TRUE(dialogs_->errors.empty());
}

}  // namespace
}  // namespace vistrel::app::testing
