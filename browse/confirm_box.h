// The confirmation box that the viewer and the folder dialog ask their
// questions in: caption "Confirm", question icon, "&Yes" (default, Enter)
// and "&No" (Esc), centred on the screen.
//
// Thread: the GUI thread; the box is modal and runs a nested event loop.
#pragma once

#include <functional>
#include <string>

class QMessageBox;

namespace vistrel::browse {

// Shows `box` centred on the primary screen and waits for it to close.
int execCentred(QMessageBox& box);

// True only for Yes.
bool showConfirmationBox(const std::string& message);

// Where the browsing controls ask their questions. The application routes
// them to its own boxes (tests to recorders); an empty function restores
// showConfirmationBox.
using ConfirmFunction = std::function<bool(const std::string& message)>;
void setConfirmFunction(ConfirmFunction confirm);
bool confirm(const std::string& message);

}  // namespace vistrel::browse
