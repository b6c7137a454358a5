#include "app/widgets/control_classes.h"

#include <QWidget>

#include "app/widgets/check_box.h"
#include "app/widgets/dialogs.h"
#include "app/widgets/dispatch.h"
#include "app/widgets/image.h"
#include "app/widgets/label.h"
#include "app/widgets/list_box.h"
#include "app/widgets/panel.h"
#include "app/widgets/scroll_bar.h"
#include "app/widgets/spin_edit.h"
#include "app/widgets/timer.h"
#include "browse/browse_classes.h"
#include "browse/confirm_box.h"
#include "controls/handler_guard.h"
#include "platform/layout/class_registry.h"

namespace vistrel::app {
namespace {

// A widget class created with its owner (the window) as the Qt parent.
template <typename T>
void registerWidget(const char* className) {
  layout::registerClass(className,
                        [](layout::Component& owner) -> std::unique_ptr<layout::Component> {
                          return std::make_unique<T>(dynamic_cast<QWidget*>(&owner));
                        });
}

}  // namespace

void registerControlClasses() {
  static const bool registered = [] {
    registerWidget<TImage>("TImage");
    registerWidget<TListBox>("TListBox");
    registerWidget<TLabel>("TLabel");
    registerWidget<TScrollBar>("TScrollBar");
    registerWidget<TCheckBox>("TCheckBox");
    registerWidget<TSpinEdit>("TSpinEdit");
    registerWidget<TPanel>("TPanel");
    browse::registerBrowseClasses();
    layout::registerClass("TTimer",
                          [](layout::Component& owner) -> std::unique_ptr<layout::Component> {
                            return std::make_unique<TTimer>(dynamic_cast<QObject*>(&owner));
                          });
    controls::setHandlerGuard([](const std::function<void()>& call) { dispatchHandler(call); });
    // The folder dialog asks in the application's own confirmation box.
    browse::setConfirmFunction(
        [](const std::string& message) { return Dialogs::instance().confirm(message); });
    return true;
  }();
  (void)registered;
}

}  // namespace vistrel::app
