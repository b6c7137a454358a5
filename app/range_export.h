// Export of a range of snapshots picked in the timeline (a marked range, or
// the event under its cursor): a small dialog for the settings, then the
// export session on a worker with a progress box and Cancel, while the
// window, its lists and a running slide show stay usable. The file goes into
// the program folder by the window's naming rule and the saved videos list
// is refilled.
//
// Thread: the GUI thread.
#pragma once

#include <string>
#include <vector>

class QWidget;

namespace vistrel::app {

class TForm1;

enum class RangeOutput {
  Video,         // AVI (Xvid) or MP4 (H.264), chosen in the dialog
  ContactSheet,  // one picture of thumbnails
};

// Asks for the settings (Return accepts the defaults: AVI, time stamp on,
// every snapshot of the range), then exports `snapshots` (Windows paths, in
// playing order; not empty) without waiting for the result. Damaged
// snapshots are left out and named in the closing message.
void exportSnapshotRange(TForm1& form, std::vector<std::string> snapshots, RangeOutput what,
                         QWidget* parent);

// Cancels the exports running for `form` and waits for their workers, each
// ending with its message as after its Cancel button. For changes of the
// drive table, which the workers read.
void cancelRangeExports(TForm1& form);

}  // namespace vistrel::app
