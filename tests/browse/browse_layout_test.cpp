#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <QWidget>

#include "browse/browse_classes.h"
#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"
#include "platform/layout/layout_reader.h"
#include "platform/layout/layout_writer.h"
#include "temporary_drives.h"

namespace vistrel::browse {
namespace {

using platform::DriveType;

// A window that keeps its child controls as Qt children.
class TestWindow : public QWidget, public layout::Component {
 public:
  std::string className() const override { return "TForm1"; }
  bool readProperty(const std::string&, const layout::Value&, layout::ReadContext&) override {
    return false;
  }
  std::vector<layout::Property> storedProperties() const override { return {}; }
  void insertChild(std::unique_ptr<layout::Component> child) override {
    layout::Component& component = *child;
    auto* widget = dynamic_cast<QWidget*>(child.get());
    ASSERT_NE(widget, nullptr);
    child.release();
    widget->setParent(this);
    addUnownedChild(component);
  }
};

constexpr const char* kLayout = R"(object Form1: TForm1
  object DriveComboBox1: TDriveComboBox
    Left = 656
    Top = 8
    Width = 161
    Height = 19
    Color = clNavy
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clWhite
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Font.Style = [fsBold]
    ParentFont = False
    TabOrder = 2
    DirList = DirectoryListBox1
    OnChange = DriveComboBox1Change
  end
  object DirectoryListBox1: TDirectoryListBox
    Left = 656
    Top = 32
    Width = 161
    Height = 195
    Color = clNavy
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clSilver
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Font.Style = [fsBold]
    ItemHeight = 16
    ParentFont = False
    TabOrder = 0
    OnChange = DirectoryListBox1Change
    OnClick = DirectoryListBox1Click
    OnKeyDown = DirectoryListBox1KeyDown
  end
end
)";

class BrowseLayoutTest : public ::testing::Test {
 protected:
  BrowseLayoutTest() {
    drives_.add(testing::drive('C', DriveType::Fixed, "System"));
    drives_.install("C:\\");
    registerBrowseClasses(registry_);
  }

  testing::TemporaryDrives drives_;
  layout::ClassRegistry registry_;
};

TEST_F(BrowseLayoutTest, ReadsTheStoredControls) {
  TestWindow window;
  layout::readLayout(window, kLayout, registry_);
  auto* combo = dynamic_cast<TDriveComboBox*>(window.findComponent("DriveComboBox1"));
  auto* list = dynamic_cast<TDirectoryListBox*>(window.findComponent("DirectoryListBox1"));
  ASSERT_NE(combo, nullptr);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(combo->parentWidget(), &window);
  EXPECT_EQ(combo->geometry(), QRect(656, 8, 161, 19));
  EXPECT_EQ(list->geometry(), QRect(656, 32, 161, 195));
  EXPECT_EQ(list->palette().color(QPalette::Base), QColor(0, 0, 128));
  EXPECT_EQ(list->palette().color(QPalette::Text), QColor(192, 192, 192));
  EXPECT_EQ(combo->palette().color(QPalette::Text), QColor(255, 255, 255));
  EXPECT_EQ(list->font().pixelSize(), 11);
  EXPECT_TRUE(list->font().bold());
  EXPECT_EQ(list->itemHeight(), 16);
  EXPECT_EQ(list->tabOrder(), 0);
  EXPECT_EQ(combo->tabOrder(), 2);
  // The link is resolved although the list comes later in the text.
  EXPECT_EQ(combo->DirList(), list);
  EXPECT_EQ(list->driveCombo(), combo);
  EXPECT_EQ(combo->handlerName("OnChange"), "DriveComboBox1Change");
  EXPECT_EQ(list->handlerName("OnKeyDown"), "DirectoryListBox1KeyDown");
  EXPECT_EQ(list->handlerName("OnDblClick"), "");
}

TEST_F(BrowseLayoutTest, WritesWhatItRead) {
  TestWindow window;
  layout::readLayout(window, kLayout, registry_);
  const std::string written = layout::writeLayout(window);
  TestWindow again;
  layout::readLayout(again, written, registry_);
  EXPECT_EQ(layout::writeLayout(again), written);
  EXPECT_NE(written.find("DirList = DirectoryListBox1"), std::string::npos);
  EXPECT_NE(written.find("OnClick = DirectoryListBox1Click"), std::string::npos);
}

TEST_F(BrowseLayoutTest, UnknownPropertiesAndBadValuesFail) {
  TestWindow window;
  EXPECT_THROW(layout::readLayout(window, R"(object Form1: TForm1
  object DirectoryListBox1: TDirectoryListBox
    Sorted = True
  end
end
)",
                                  registry_),
               Exception);
  TestWindow other;
  EXPECT_THROW(layout::readLayout(other, R"(object Form1: TForm1
  object DriveComboBox1: TDriveComboBox
    TextCase = tcTitleCase
  end
end
)",
                                  registry_),
               Exception);
}

}  // namespace
}  // namespace vistrel::browse
