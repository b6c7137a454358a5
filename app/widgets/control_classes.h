// Registers the control classes that the window's stored layout names
// (TImage, TListBox, TLabel, TScrollBar, TCheckBox, TSpinEdit, TPanel, TTimer,
// TDirectoryListBox, TDriveComboBox) and routes the browsing controls'
// user-input events through the application's dispatch point. Idempotent;
// call before the first layout is read.
#pragma once

namespace vistrel::app {

void registerControlClasses();

}  // namespace vistrel::app
