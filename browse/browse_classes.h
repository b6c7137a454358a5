// Makes the browsing controls known to the layout reader by class name.
#pragma once

#include "platform/layout/class_registry.h"

namespace vistrel::browse {

// Registers TDirectoryListBox and TDriveComboBox. Each is created as a child
// widget of its owner when the owner is a QWidget; an owner that is a widget
// hands the created control to its QObject ownership (see Component).
void registerBrowseClasses(layout::ClassRegistry& registry = layout::ClassRegistry::global());

}  // namespace vistrel::browse
