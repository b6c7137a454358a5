// What assistive technology sees of the controls whose Qt class says
// something else: a panel the window uses as a button is a push button
// that can be pressed, the picture control a graphic. Other controls keep
// Qt's own interfaces; their names are set by the window.
//
// Thread: the GUI thread.
#pragma once

namespace vistrel::app {

// Installs the interfaces' factory with Qt's accessibility. Idempotent; the
// controls call it when they are made.
void installAccessibleInterfaces();

}  // namespace vistrel::app
