// The window's widgets on their own: a small window read from a layout text, with
// handlers that record what they see; the dispatch point; the preview interval.

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/preview_interval.h"
#include "app/widgets/check_box.h"
#include "app/widgets/control_classes.h"
#include "app/widgets/dispatch.h"
#include "app/widgets/form.h"
#include "app/widgets/list_box.h"
#include "app/widgets/scroll_bar.h"
#include "app/widgets/spin_edit.h"
#include "app/widgets/timer.h"
#include "platform/layout/layout_reader.h"
#include "viewer_fixture.h"

namespace vistrel::app::testing {
namespace {

constexpr const char* kLayout = R"(object Form1: TTestForm
  ClientHeight = 100
  ClientWidth = 200
  object Bar: TScrollBar
    Left = 0
    Top = 0
    Width = 100
    Height = 8
    Max = 9
    OnChange = BarChange
    OnKeyDown = BarKeyDown
  end
  object Spin: TSpinEdit
    Left = 0
    Top = 20
    Width = 45
    Height = 22
    MaxLength = 3
    MaxValue = 30
    MinValue = 1
    Value = 5
    OnChange = SpinChange
  end
  object List: TListBox
    Left = 0
    Top = 50
    Width = 100
    Height = 40
    OnClick = ListClick
  end
  object Box: TCheckBox
    Left = 0
    Top = 92
    Width = 100
    Height = 17
    Caption = 'Box'
    OnMouseUp = BoxMouseUp
  end
  object Ticker: TTimer
    Enabled = False
    Interval = 50
    OnTimer = TickerTimer
  end
end
)";

class TTestForm : public TForm {
 public:
  TTestForm() {
    publish("BarChange", &TTestForm::BarChange);
    publish("BarKeyDown", &TTestForm::BarKeyDown);
    publish("SpinChange", &TTestForm::SpinChange);
    publish("ListClick", &TTestForm::ListClick);
    publish("TickerTimer", &TTestForm::TickerTimer);
    publish("BoxMouseUp", &TTestForm::BoxMouseUp);
  }
  std::string className() const override { return "TTestForm"; }

  void BarChange(Sender*) {
    log.push_back("change " + std::to_string(bar()->position()));
    if (failChange) throw Exception("change failed");
  }
  void BarKeyDown(Sender*, int& key, Qt::KeyboardModifiers) {
    // Runs before the bar moves.
    log.push_back("key " + std::to_string(key) + " at " + std::to_string(bar()->position()));
  }
  void SpinChange(Sender*) { log.push_back("spin " + spin()->text()); }
  void ListClick(Sender*) { log.push_back("click"); }
  void BoxMouseUp(Sender*, Qt::MouseButton button, Qt::KeyboardModifiers, int, int) {
    log.push_back(std::string(button == Qt::LeftButton ? "left" : "other") + " up, " +
                  (box()->checked() ? "checked" : "unchecked"));
  }
  void TickerTimer(Sender*) {
    ++ticks;
    if (failTick) throw Exception("tick " + std::to_string(ticks));
  }

  TScrollBar* bar() { return dynamic_cast<TScrollBar*>(findComponent("Bar")); }
  TSpinEdit* spin() { return dynamic_cast<TSpinEdit*>(findComponent("Spin")); }
  TListBox* list() { return dynamic_cast<TListBox*>(findComponent("List")); }
  TCheckBox* box() { return dynamic_cast<TCheckBox*>(findComponent("Box")); }
  TTimer* ticker() { return dynamic_cast<TTimer*>(findComponent("Ticker")); }

  std::vector<std::string> log;
  bool failChange = false;
  bool failTick = false;
  int ticks = 0;
};

class ControlsTest : public ::testing::Test {
 protected:
  ControlsTest() {
    auto dialogs = std::make_unique<RecordingDialogs>();
    dialogs_ = dialogs.get();
    saved_ = Dialogs::install(std::move(dialogs));
    registerControlClasses();
    layout::readLayout(form_, kLayout);
  }
  ~ControlsTest() override { Dialogs::install(std::move(saved_)); }

  RecordingDialogs* dialogs_;
  std::unique_ptr<Dialogs> saved_;
  TTestForm form_;
};

TEST_F(ControlsTest, BarRaisesChangeOnlyWhenThePositionMoves) {
  TScrollBar* bar = form_.bar();
  bar->setPosition(4);
  bar->setPosition(4);
  bar->setPosition(20);  // clamped to the maximum
  bar->setMax(5);        // below the position: moves it down
  bar->setMax(7);        // the position stays
  EXPECT_EQ(form_.log, (std::vector<std::string>{"change 4", "change 9", "change 5"}));
}

TEST_F(ControlsTest, ChangeSetByProgramFailsInTheCaller) {
  form_.failChange = true;
  EXPECT_THROW(form_.bar()->setPosition(3), Exception);
  EXPECT_TRUE(dialogs_->errors.empty());
  // From the keyboard the failure ends up in the error box.
  QTest::keyClick(form_.bar(), Qt::Key_Right);
  EXPECT_EQ(dialogs_->errors, std::vector<std::string>{"change failed"});
}

TEST_F(ControlsTest, BarKeyDownRunsBeforeTheBarMoves) {
  TScrollBar* bar = form_.bar();
  QTest::keyClick(bar, Qt::Key_Right);
  QTest::keyClick(bar, Qt::Key_End);
  QTest::keyClick(bar, Qt::Key_Up);
  QTest::keyClick(bar, Qt::Key_Escape);
  EXPECT_EQ(form_.log,
            (std::vector<std::string>{"key 39 at 0", "change 1", "key 35 at 1", "change 9",
                                      "key 38 at 9", "change 8", "key 27 at 8"}));
}

TEST_F(ControlsTest, SpinEditTypingStepsAndClamping) {
  TSpinEdit* spin = form_.spin();
  EXPECT_EQ(spin->value(), 5);
  spin->lineEdit()->selectAll();
  QTest::keyClicks(spin->lineEdit(), "45x");  // 'x' is refused
  EXPECT_EQ(spin->text(), "45");
  EXPECT_EQ(spin->value(), 45);  // used unchanged until the field is left
  QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(spin, &leave);
  EXPECT_EQ(spin->text(), "30");
  QTest::keyClick(spin, Qt::Key_Down);
  EXPECT_EQ(spin->value(), 29);
  spin->setValue(-3);
  EXPECT_EQ(spin->text(), "1");
  QTest::keyClick(spin, Qt::Key_Down);  // stays at the minimum, no change
  EXPECT_EQ(form_.log,
            (std::vector<std::string>{"spin 4", "spin 45", "spin 30", "spin 29", "spin 1"}));
  for (const char* text : {"1.5", "--5", "+-7"}) {
    spin->lineEdit()->setText(text);
    EXPECT_EQ(spin->value(), 1) << text;  // not an integer: the minimum
  }
  spin->lineEdit()->setText("-7");
  EXPECT_EQ(spin->value(), -7);  // used unchanged until the field is left
}

TEST_F(ControlsTest, ListSelectionByProgramRaisesNothing) {
  TListBox* list = form_.list();
  list->addItem("a");
  list->addItem("b");
  list->setItemIndex(1);
  EXPECT_EQ(list->itemIndex(), 1);
  list->setItemIndex(5);
  EXPECT_EQ(list->itemIndex(), -1);
  EXPECT_TRUE(form_.log.empty());
  EXPECT_THROW(list->itemText(-1), Exception);
  try {
    list->itemText(2);
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "List index out of bounds (2)");
  }
  list->show();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(0)).center());
  EXPECT_EQ(form_.log, std::vector<std::string>{"click"});
  EXPECT_EQ(list->itemIndex(), 0);
}

TEST_F(ControlsTest, CheckBoxMouseUpComesAfterTheToggle) {
  TCheckBox* box = form_.box();
  box->show();
  QTest::mouseClick(box, Qt::LeftButton);
  QTest::mouseClick(box, Qt::RightButton);
  QTest::keyClick(box, Qt::Key_Space);  // toggles without a mouse event
  QTest::mouseClick(box, Qt::LeftButton);
  EXPECT_EQ(form_.log, (std::vector<std::string>{"left up, checked", "other up, checked",
                                                 "left up, checked"}));
}

// Each control that takes the focus shows it: its picture with the focus
// differs from the one without, and the selected entry keeps its colours.
TEST_F(ControlsTest, TheKeyboardFocusIsVisibleOnEveryControl) {
  TListBox* list = form_.list();
  list->addItem("a");
  list->addItem("b");
  list->setItemIndex(1);
  form_.show();
  form_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
  struct Row {
    const char* name;
    QWidget* control;
    QWidget* other;  // takes the focus away
  };
  const Row rows[] = {
      {"list", list, form_.bar()}, {"bar", form_.bar(), list}, {"box", form_.box(), list}};
  for (const Row& row : rows) {
    row.other->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    const QImage without = row.control->grab().toImage();
    row.control->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    ASSERT_TRUE(row.control->hasFocus()) << row.name;
    const QImage with = row.control->grab().toImage();
    ASSERT_EQ(with.size(), without.size());
    // Clearly visible: some pixel changes by far more than a shade.
    int strongest = 0;
    for (int y = 0; y < with.height(); ++y)
      for (int x = 0; x < with.width(); ++x) {
        const QColor a = with.pixelColor(x, y);
        const QColor b = without.pixelColor(x, y);
        strongest =
            std::max(strongest, std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                                    std::abs(a.blue() - b.blue()));
      }
    EXPECT_GT(strongest, 300) << row.name << ": the focus does not show";
  }
  // The selected entry keeps the selection's colour under the focus mark.
  list->setFocus(Qt::TabFocusReason);
  QApplication::processEvents();
  const QRect entry = list->visualItemRect(list->item(1));
  const QImage shown = list->viewport()->grab().toImage();
  EXPECT_EQ(shown.pixelColor(entry.center() + QPoint(0, 1)).rgb(),
            list->palette().color(QPalette::Active, QPalette::Highlight).rgb());
}

TEST_F(ControlsTest, TimerRunsOnlyWhenEnabledAndNeverStacksErrorBoxes) {
  TTimer* ticker = form_.ticker();
  ticker->fire();
  EXPECT_EQ(form_.ticks, 0);
  ticker->setEnabled(true);
  EXPECT_TRUE(ticker->running());
  form_.failTick = true;
  // While the first error box is up the timer keeps ticking; those errors are dropped.
  dialogs_->onError = [&] {
    for (int i = 0; i < 3; ++i) ticker->fire();
  };
  const int droppedBefore = droppedErrorCount();
  ticker->fire();
  EXPECT_EQ(form_.ticks, 4);
  EXPECT_EQ(dialogs_->errors, std::vector<std::string>{"tick 1"});
  EXPECT_EQ(droppedErrorCount() - droppedBefore, 3);
  ticker->setEnabled(false);
  EXPECT_FALSE(ticker->running());
}

TEST_F(ControlsTest, TimerTicksOnItsOwn) {
  TTimer* ticker = form_.ticker();
  ticker->setInterval(5);
  ticker->setEnabled(true);
  EXPECT_TRUE(QTest::qWaitFor([&] { return form_.ticks >= 2; }));
  ticker->setEnabled(false);
}

TEST_F(ControlsTest, DispatchShowsTheMessageOfAnyFailure) {
  EXPECT_FALSE(dispatchHandler([] { throw std::runtime_error("plain failure"); }));
  EXPECT_TRUE(dispatchHandler([] {}));
  EXPECT_EQ(dialogs_->errors, std::vector<std::string>{"plain failure"});
}

TEST(PreviewIntervalTest, RoundsHalfToEven) {
  const int expected[] = {1000, 500, 333, 250, 200, 167, 143, 125, 111, 100, 91, 83, 77, 71, 67,
                          62,   59,  56,  53,  50,  48,  45,  43,  42,  40,  38, 37, 36, 34, 33};
  for (int rate = 1; rate <= 30; ++rate) EXPECT_EQ(previewIntervalMs(rate), expected[rate - 1]);
  EXPECT_EQ(previewIntervalMs(80), 12);  // 12.5 goes to the even neighbour
  EXPECT_THROW(
      {
        try {
          previewIntervalMs(0);
        } catch (const Exception& error) {
          EXPECT_STREQ(error.what(), "Floating point division by zero");
          throw;
        }
      },
      Exception);
}

}  // namespace
}  // namespace vistrel::app::testing

namespace vistrel::app::testing {
namespace {

// The real modal boxes, answered from inside their own event loop.
class QtDialogsTest : public ::testing::Test {
 protected:
  // Runs `answer` on the modal box once it is up.
  void whenShown(std::function<void(QMessageBox&)> answer) {
    QTimer::singleShot(0, [answer] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      answer(*box);
    });
  }
  QtDialogs dialogs_;
};

TEST_F(QtDialogsTest, ConfirmationAnswersEnterWithYesAndEscapeWithNo) {
  whenShown([](QMessageBox& box) {
    EXPECT_EQ(box.windowTitle(), "Confirm");
    EXPECT_EQ(box.icon(), QMessageBox::Question);
    EXPECT_EQ(box.text(), "Delete it?");
    EXPECT_EQ(box.defaultButton()->text(), "&Yes");
    QTest::keyClick(&box, Qt::Key_Return);
  });
  EXPECT_TRUE(dialogs_.confirm("Delete it?"));
  whenShown([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
  EXPECT_FALSE(dialogs_.confirm("Delete it?"));
}

TEST_F(QtDialogsTest, ErrorAndMessageBoxesCarryTheApplicationTitle) {
  whenShown([](QMessageBox& box) {
    EXPECT_EQ(box.windowTitle(), "Vistrel Records Preview");
    EXPECT_EQ(box.icon(), QMessageBox::Critical);
    EXPECT_EQ(box.text(), "JPEG error #42");
    box.accept();
  });
  dialogs_.showError("JPEG error #42");
  whenShown([](QMessageBox& box) {
    EXPECT_EQ(box.windowTitle(), "Vistrel Records Preview");
    EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box.buttons().size(), 1);
    box.accept();
  });
  dialogs_.showMessage(" Please select ");
}

}  // namespace
}  // namespace vistrel::app::testing
