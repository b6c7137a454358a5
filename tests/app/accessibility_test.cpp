// What assistive technology sees of the window: every control's name and
// role, and the slide-show panels as push buttons for it and the keyboard.

#include <set>
#include <string>

#include <QAccessible>
#include <QApplication>
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
#include "viewer_fixture.h"

namespace vistrel::app::testing {
namespace {

QAccessibleInterface* accessible(QWidget* widget) {
  return QAccessible::queryAccessibleInterface(widget);
}

std::string nameOf(QWidget* widget) {
  return accessible(widget)->text(QAccessible::Name).toStdString();
}

class AccessibilityTest : public ViewerTest {};

TEST_F(AccessibilityTest, EveryControlSaysWhatItIs) {
  startViewer();
  // Every control of the window has a name of its own, so that a screen
  // reader tells them apart; a control added without one shows up here.
  std::set<std::string> names;
  int controls = 0;
  for (QWidget* widget : form_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (widget->isWindow() || widget->isHidden()) continue;
    ++controls;
    const std::string name = nameOf(widget);
    EXPECT_FALSE(name.empty()) << widget->objectName().toStdString();
    EXPECT_TRUE(names.insert(name).second)
        << widget->objectName().toStdString() << " shares the name " << name;
  }
  EXPECT_GT(controls, 1);
  // Each says what kind of control it is; the slide-show panels are buttons.
  const std::pair<QWidget*, QAccessible::Role> roles[] = {
      {form_->Image1, QAccessible::Graphic},         {form_->ListBox1, QAccessible::List},
      {form_->DirectoryListBox1, QAccessible::List}, {form_->VideoProgress, QAccessible::ScrollBar},
      {form_->CheckBox1, QAccessible::CheckBox},     {form_->RateFPS, QAccessible::SpinBox},
      {form_->PreviewFPS, QAccessible::SpinBox},     {form_->SledeciSat, QAccessible::CheckBox},
      {form_->ListBox2, QAccessible::List},          {form_->Label1, QAccessible::StaticText},
      {form_->SlideShow, QAccessible::Button},       {form_->STOP, QAccessible::Button},
  };
  for (const auto& [widget, role] : roles)
    EXPECT_EQ(accessible(widget)->role(), role) << widget->objectName().toStdString();
  // On Linux Qt names a drop-down list by its selected entry; it says what
  // it is in its description.
  QAccessibleInterface* drives = accessible(form_->DriveComboBox1);
  EXPECT_EQ(drives->role(), QAccessible::ComboBox);
  EXPECT_EQ(drives->text(QAccessible::Description).toStdString(), "Drive");
  EXPECT_EQ(drives->text(QAccessible::Name).toStdString(), "c: []");

  // The names follow what the controls show.
  addSnapshots("2026-12-06/07", 3);
  form_->DirectoryListBox1->SetCurrentDirectory(std::string(kRecordsRoot) + "\\2026-12-06\\07");
  EXPECT_EQ(nameOf(form_->Label1), "Slide 1 of 3");
  form_->SlideShow->click();
  EXPECT_EQ(caption(), "P A U S E");
  EXPECT_EQ(nameOf(form_->SlideShow), "Pause slide show");
}

TEST_F(AccessibilityTest, SlideShowPanelsAreButtonsForTheKeyboardAndAssistiveTechnology) {
  addSnapshots("2026-12-06/07", 3);
  startViewer();
  form_->DirectoryListBox1->SetCurrentDirectory(std::string(kRecordsRoot) + "\\2026-12-06\\07");
  form_->activateWindow();

  // Tab goes from the saved videos to the run panel, then to the stop panel;
  // Space starts, Enter stops.
  form_->ListBox2->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(form_->ListBox2, Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), form_->SlideShow);
  EXPECT_TRUE(accessible(form_->SlideShow)->state().focused);
  QTest::keyClick(form_->SlideShow, Qt::Key_Space);
  EXPECT_EQ(caption(), "P A U S E");
  EXPECT_TRUE(form_->SlideShowTimer->enabled());
  form_->SlideShow->setFocus(Qt::TabFocusReason);
  QTest::keyClick(form_->SlideShow, Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), form_->STOP);
  QTest::keyClick(form_->STOP, Qt::Key_Return);
  EXPECT_EQ(caption(), "Run Slide Show");
  EXPECT_FALSE(form_->SlideShowTimer->enabled());

  // A click does not take the focus, as before.
  form_->ListBox1->setFocus(Qt::OtherFocusReason);
  QTest::mouseClick(form_->STOP, Qt::LeftButton);
  EXPECT_NE(QApplication::focusWidget(), form_->STOP);

  // The press action of assistive technology is the click.
  QAccessibleActionInterface* actions = accessible(form_->SlideShow)->actionInterface();
  ASSERT_NE(actions, nullptr);
  ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
  actions->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(caption(), "P A U S E");
  EXPECT_TRUE(dialogs_->errors.empty());
}

}  // namespace
}  // namespace vistrel::app::testing
