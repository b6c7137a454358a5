#include "app/widgets/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

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

QAccessibleInterface* controlInterface(const QString&, QObject* object) {
  // The panels and the picture have no meta-object of their own: tell them
  // apart by their C++ class.
  if (auto* panel = dynamic_cast<TPanel*>(object)) return new PanelButton(panel);
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
