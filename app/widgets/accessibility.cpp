#include "app/widgets/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "app/widgets/check_box.h"
#include "app/widgets/image.h"
#include "app/widgets/panel.h"

namespace vistrel::app {
namespace {

class PanelButton : public QAccessibleWidget {
 public:
  explicit PanelButton(TPanel* panel) : QAccessibleWidget(panel, QAccessible::Button) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) {
      return QString::fromStdString(panel()->spokenCaption());
    }
    return QAccessibleWidget::text(kind);
  }
  QStringList actionNames() const override {
    return QStringList(pressAction()) + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action == pressAction() && widget()->isEnabled()) {
      panel()->click();
    } else {
      QAccessibleWidget::doAction(action);
    }
  }

 private:
  TPanel* panel() const { return static_cast<TPanel*>(widget()); }
};

// Toggling goes through a click, as the space bar's does, so that the
// window's key-toggle handler follows it; Qt's own toggle action only sets
// the state.
class CheckBoxToggle : public QAccessibleWidget {
 public:
  explicit CheckBoxToggle(TCheckBox* box) : QAccessibleWidget(box, QAccessible::CheckBox) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) return box()->text();
    return QAccessibleWidget::text(kind);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = box()->isChecked();
    return state;
  }
  QStringList actionNames() const override {
    return QStringList(toggleAction()) + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if ((action == toggleAction() || action == pressAction()) && widget()->isEnabled()) {
      box()->click();
    } else {
      QAccessibleWidget::doAction(action);
    }
  }

 private:
  TCheckBox* box() const { return static_cast<TCheckBox*>(widget()); }
};

QAccessibleInterface* controlInterface(const QString&, QObject* object) {
  // The panels and the picture have no meta-object of their own: tell them
  // apart by their C++ class.
  if (auto* panel = dynamic_cast<TPanel*>(object)) return new PanelButton(panel);
  if (auto* box = dynamic_cast<TCheckBox*>(object)) return new CheckBoxToggle(box);
  if (auto* image = dynamic_cast<TImage*>(object)) {
    return new QAccessibleWidget(image, QAccessible::Graphic);
  }
  return nullptr;
}

}  // namespace

void installAccessibleInterfaces() {
  static const bool installed = [] {
    QAccessible::installFactory(&controlInterface);
    return true;
  }();
  (void)installed;
}

}  // namespace vistrel::app
