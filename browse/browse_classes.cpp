#include "browse/browse_classes.h"

#include <memory>

#include <QWidget>

#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"

namespace vistrel::browse {
namespace {

template <typename Control>
layout::ComponentFactory widgetFactory() {
  return [](layout::Component& owner) -> std::unique_ptr<layout::Component> {
    return std::make_unique<Control>(dynamic_cast<QWidget*>(&owner));
  };
}

}  // namespace

void registerBrowseClasses(layout::ClassRegistry& registry) {
  registry.registerClass("TDirectoryListBox", widgetFactory<TDirectoryListBox>());
  registry.registerClass("TDriveComboBox", widgetFactory<TDriveComboBox>());
}

}  // namespace vistrel::browse
