// The main window of the records viewer: its controls as read from the
// stored layout, the slide counter, the handlers the layout binds by name and
// the routines several handlers share.
//
// Navigation handlers live in navigation.cpp (with the jumps from event to
// event, event_jumps.cpp), the slide show in
// slide_show.cpp, the video export in video_export.cpp, deleting and copying
// in record_management.cpp and saved_videos.cpp, opening another archive
// (a dropped folder) in open_archive.cpp, creation and the shared routines
// in unit1.cpp.
//
// Thread: the GUI thread. Handlers run one at a time; a value that a handler
// sets by program (the tree list's directory, the position bar) raises the
// control's change handler nested inside it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QDateTime>

#include "activity/day_activity.h"
#include "app/unshowable_snapshots.h"
#include "app/widgets/form.h"
#include "picture/snapshot_decode_ahead.h"
#include "platform/archive_folder.h"

namespace vistrel {
class TPicture;
class TVLDSVideoLogger;
class TVLImageGen;
}  // namespace vistrel

namespace vistrel::recording {
class ExportSession;
}

namespace vistrel::platform {
class ArchiveWatcher;
}

namespace vistrel::activity {
class DayActivity;
}

namespace vistrel::timeline {
class TimelineWindow;
}

namespace vistrel::browse {
class TDirectoryListBox;
class TDriveComboBox;
}  // namespace vistrel::browse

namespace vistrel::app {

class TCheckBox;
class TImage;
class TLabel;
class TListBox;
class TPanel;
class TScrollBar;
class TSpinEdit;
class TTimer;

// The records root that start-up and drive C lead to.
using platform::kRecordsRoot;
// The tree list's entry of the records root when a folder of the records tree
// is current (C:\, Program Files, Vistrel, Records): entries up to it are the
// records root and the folders above it.
inline constexpr int kRecordsRootEntry = 3;
// Slide-show panel captions: stored, ready, running or halted.
inline constexpr const char* kStoredRunCaption = "RUN Slide Show";
inline constexpr const char* kRunCaption = "Run Slide Show";
inline constexpr const char* kPauseCaption = "P A U S E";
inline constexpr const char* kSelectDateMessage =
    " Please select Date or Date and Hour from list in top left Menu! ";
// Switching export off reports the file: this text, then its full path.
inline constexpr const char* kVideoSavedMessage = ".AVI file saved to:\r\n\r\n";
// ... unless frames were lost or the file could not be completed: then this
// text, the path, the frames written and lost, and the first failure.
inline constexpr const char* kVideoIncompleteMessage = ".AVI file is incomplete:\r\n\r\n";
// ... and when no frame reached the file: this text, then the path of the
// file, which is removed.
inline constexpr const char* kNothingRecordedMessage =
    "Nothing was recorded; no video was saved:\r\n\r\n";
// Followed by one line per snapshot the recording left out: its path and why.
inline constexpr const char* kLeftOutMessage = "Left out of the video, damaged:";

// The window's stored layout text.
std::string_view mainWindowLayout();

class TForm1 : public TForm {
 public:
  TForm1();
  ~TForm1() override;

  // Creates the window from the stored layout (or `layoutText`); FormCreate
  // has run when it returns. Registers the control classes first.
  static std::unique_ptr<TForm1> create();
  static std::unique_ptr<TForm1> create(std::string_view layoutText);

  std::string className() const override { return "TForm1"; }
  void loaded() override;

  // Controls, owned by the window.
  TImage* Image1 = nullptr;
  TListBox* ListBox1 = nullptr;
  browse::TDriveComboBox* DriveComboBox1 = nullptr;
  browse::TDirectoryListBox* DirectoryListBox1 = nullptr;
  TTimer* SlideShowTimer = nullptr;
  TLabel* Label1 = nullptr;
  TScrollBar* VideoProgress = nullptr;
  TCheckBox* CheckBox1 = nullptr;
  TVLDSVideoLogger* VLDSVideoLogger1 = nullptr;
  TVLImageGen* VLImageGen1 = nullptr;
  TSpinEdit* RateFPS = nullptr;
  TLabel* Label7 = nullptr;
  TSpinEdit* PreviewFPS = nullptr;
  TCheckBox* SledeciSat = nullptr;
  TListBox* ListBox2 = nullptr;
  TPanel* SlideShow = nullptr;
  TPanel* STOP = nullptr;

  // Index into the snapshot list of the next snapshot the slide show shows.
  std::int32_t slideCounter() const { return slideCounter_; }

  // Handlers.
  void FormCreate(Sender* sender);
  void DriveComboBox1Change(Sender* sender);
  void DirectoryListBox1Change(Sender* sender);
  void DirectoryListBox1Click(Sender* sender);
  void ListBox1Click(Sender* sender);
  void ListBox1MouseDown(Sender* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                         int y);
  void ListBox1MouseUp(Sender* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                       int y);
  void ListBox1KeyUp(Sender* sender, int& key, Qt::KeyboardModifiers shift);
  void VideoProgressChange(Sender* sender);
  void VideoProgressKeyDown(Sender* sender, int& key, Qt::KeyboardModifiers shift);
  void SlideShowClick(Sender* sender);
  void STOPClick(Sender* sender);
  void SlideShowMouseDown(Sender* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift,
                          int x, int y);
  void SlideShowMouseUp(Sender* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                        int y);
  void STOPMouseDown(Sender* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                     int y);
  void STOPMouseUp(Sender* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                   int y);
  void SlideShowTimerTimer(Sender* sender);
  void PreviewFPSChange(Sender* sender);
  // A left release switches export to the box's new state; the space bar
  // and the accessible toggle do the same through switchExport().
  void CheckBox1MouseUp(Sender* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                        int y);
  void RateFPSChange(Sender* sender);
  // Record management: deleting and copying snapshots, folders and videos.
  void ListBox1KeyDown(Sender* sender, int& key, Qt::KeyboardModifiers shift);
  void DirectoryListBox1KeyDown(Sender* sender, int& key, Qt::KeyboardModifiers shift);
  void ListBox2DblClick(Sender* sender);
  void ListBox2KeyUp(Sender* sender, int& key, Qt::KeyboardModifiers shift);

  // Shared routines.
  // The current directory of the tree list joined with entry `index` of the
  // snapshot list. Throws "List index out of bounds (%d)" for a missing entry.
  std::string SnapshotPath(int index) const;
  // " Slide: <selected + 1>/<entries> ".
  std::string SlideLabelText() const;
  // Refills the snapshot list from the tree list's current directory and
  // selects `selectIndex`; `resetShow` also sets the slide counter and the
  // position bar to 0.
  void RefillSnapshotList(int selectIndex = 0, bool resetShow = false);
  void RefillSavedVideosList();

  // Opens the archive in the host folder as the command line's FOLDER does
  // (platform::openArchiveFolder): a running show stops, drive C is mapped
  // anew and the tree list shows the records root, or the date or hour
  // folder given (a snapshot's folder). A folder without an
  // archive is reported in a message box and changes nothing.
  void OpenArchiveFolder(const std::filesystem::path& folder);
  // Shows the folder of the archive (a Windows path below the records root,
  // or the records root) in the tree list and its snapshots in the list.
  void GoToArchiveFolder(const std::string& windowsFolder);

  // A recording failure that reached the main thread after the handler that
  // caused it (a frame that could not be written): halts the show and shows
  // the message in the error box.
  void RecordingFailed(const std::string& message);
  // A Ctrl+arrow jump waits for its hours to be scored.
  bool eventJumpWaiting() const { return pendingEventJump_.has_value(); }
  // Watches drive C's records root while the window runs (see
  // live_archive.cpp); other windows may connect to its signals.
  platform::ArchiveWatcher& archiveWatcher() { return *archiveWatcher_; }
  // The activity of the archive's dates, shared with the timeline window.
  activity::DayActivity& archiveActivity() { return archiveActivity_; }
  // The clock that stamps video file names (tests fix it).
  void setClock(std::function<QDateTime()> clock);
  // Whether the export burns each snapshot's date and time into its frame
  // (--stamp); what the window shows stays unstamped. Off at creation.
  void setStampedExport(bool on);

  // The timeline window (Ctrl+T, --timeline): opens it, or raises it when
  // open, on the date of the tree list's folder.
  void openTimeline();
  timeline::TimelineWindow* timelineWindow() const { return timeline_.get(); }
  // Shows the snapshot at `windowsPath` as a click on it in the lists does:
  // the tree list goes to its folder when it is not there (refilling the
  // snapshot list), the snapshot list selects it, and the picture, the slide
  // label and the position bar follow. Throws vistrel::Exception when the
  // folder cannot be entered or the snapshot is not there.
  void showSnapshot(const std::string& windowsPath);
  // What the timeline's export hands its range to (Windows paths in playing
  // order; video or contact sheet): exportSnapshotRange() unless replaced.
  using RangeExporter =
      std::function<void(std::vector<std::string> windowsPaths, bool contactSheet)>;
  void setRangeExporter(RangeExporter exporter);

 protected:
  // A folder dropped on the window (a local file URL) is opened as an archive.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  template <typename T>
  T* field(const char* name);
  // Names and descriptions for assistive technology; none of it is stored.
  void nameControls();
  void bindBrowseEvents();
  // Shows the selected snapshot; false when nothing is selected.
  bool showSelectedSnapshot();
  // Any key or click in the tree list above the records root selects the
  // records root (within the records tree only).
  void keepTreeSelectionInRecords();
  // Delete in the tree list: asks, then removes the selected folder for good
  // (only inside the records root) and follows with the list.
  void deleteSelectedFolder();
  // The program folder's path of the selected saved video.
  std::string savedVideoPath() const;
  void writeSlideLabel();
  void writeSlideLabelName();
  // The folder of the next existing hour after the selected tree entry's
  // hour, or empty when there is none.
  std::string nextHourFolder() const;
  void endShow();
  // Loads snapshot `index` into Image1 for the show: decoded ahead on a
  // worker when it was next in line, else loaded here (and the snapshots
  // after it are queued for decoding). Errors as Image1's own load;
  // a damaged snapshot keeps the previous picture.
  void loadSlide(int index);
  // The show's snapshots from `index` on, for decoding ahead; the list's
  // end becomes decodeAheadEnd_.
  std::vector<SnapshotDecodeAhead::File> slideFilesFrom(int index);
  // What the show's snapshots are decoded into: with export on, planes too.
  SnapshotDecodeAhead::Output slideOutput() const;
  // Has the worker decode the show's snapshots from `index` on, before the
  // tick that shows it.
  void startDecodeAhead(int index);
  // Adds the next snapshots to the worker's list when snapshot `index`,
  // just taken from it, is near the list's end.
  void extendDecodeAhead(int index);
  void cancelDecodeAhead();
  // Tick steps: show snapshot `index` (select, label, bar, counter, export),
  // or go on after the folder's last snapshot.
  void showSlide(int index);
  void finishFolder();
  // Loads into `picture` the first snapshot of the list that decodes, which
  // gives the recording its frame size.
  void loadFirstShowable(TPicture& picture);
  // Puts the generator and the logger of the layout under an export session,
  // which from then on hands recording failures to RecordingFailed.
  void attachExportSession();
  // Export is on while the logger records (the box may be toggled by the
  // space bar without it).
  bool exportOn() const;
  // Switches export on or off to match the box, when they differ.
  void switchExport();
  void switchExportOn();
  void switchExportOff();
  // Chooses the next video's name and creates the file empty, exclusively,
  // so that no saved video is ever replaced.
  std::string reserveVideoFile();
  // Hands snapshot `index` to the generator as one frame, with the slide-show
  // timer off meanwhile; a failure leaves the timer off. A snapshot shown
  // from cut or corrupt scan data is left out and noted in leftOut_.
  void exportFrame(int index);
  // The switch-off message's lines naming leftOut_; empty when none.
  std::string leftOutText() const;

  // Ctrl+Right selects the first snapshot of the next activity event after
  // the selected snapshot, Ctrl+Left that of the nearest event starting
  // before it, going on into the following (earlier) hours and dates; the
  // window moves there as a click on the folder and the snapshot would
  // (tree list, snapshot list, picture, position bar, label, slide
  // counter). Hours not scored yet are scored on a worker under a busy
  // cursor and the jump follows, provided the list still shows the folder
  // it was asked in (a running show may have moved on); without such an
  // event a short note says so and nothing moves. Returns false, leaving
  // `key` alone, for any other key.
  bool eventJumpKey(int& key, Qt::KeyboardModifiers shift);
  // See eventJumpKey.
  struct EventJump {
    std::uint64_t id = 0;
    std::string folder;  // the tree list's folder when the key was pressed
    int count = 0;       // the snapshots it listed then
    int direction = 1;   // +1 next, -1 previous
  };
  void jumpToEvent(int direction);
  void eventFound(std::uint64_t id, const std::string& snapshot);
  void showEventNote(const QString& note);
  void setEventBusy(bool busy);

  // Following what a recorder writes: the records root of drive C is
  // watched; the snapshot list takes the snapshots that come and go in the
  // folder it lists, the tree list the folders in its current directory.
  void connectArchiveWatcher();
  void watchRecordsRoot();
  void listedHourChanged(const std::string& hourFolder);
  void treeFoldersChanged(const std::string& parentFolder);
  void followListedFolder();
  // Scores new snapshots of `hourFolder` when it is an hour of the day
  // whose activity is shown (timeline, event jumps).
  void refreshShownDay(const std::string& hourFolder);

  std::int32_t slideCounter_ = 0;
  // The folder whose snapshots the list holds; empty once the list is
  // cleared by hand.
  std::string listedFolder_;
  // Set while the list follows its folder: the position bar moves only to
  // stay on the selected snapshot, which is shown already.
  bool followingList_ = false;
  std::unique_ptr<platform::ArchiveWatcher> archiveWatcher_;
  std::function<QDateTime()> clock_;                  // empty: the system's local time
  std::unique_ptr<SnapshotDecodeAhead> decodeAhead_;  // made when the show starts
  // The list index after the last snapshot given to decodeAhead_; a list
  // that no longer matches the list box is found out by its paths.
  int decodeAheadEnd_ = 0;
  // The snapshot a tick has just put into Image1, while the tick moves the
  // position bar: its change handler need not load the same file again.
  std::string slideJustShown_;
  UnshowableSnapshots unshowable_;
  std::unique_ptr<recording::ExportSession> exportSession_;  // made by create()
  // The snapshots the current or last recording left out, with the reason.
  std::vector<std::pair<std::string, std::string>> leftOut_;
  std::optional<EventJump> pendingEventJump_;  // waits for its hours' events
  std::uint64_t lastEventJump_ = 0;
  bool eventBusy_ = false;  // the busy cursor is up for a jump
  // After everything it reports to: its worker is stopped before they go.
  activity::DayActivity archiveActivity_;

  // The timeline window; see day_timeline.cpp. It goes before the day it
  // shows, so that no search of the day calls back into it.
  void bindTimelineKey();
  void followWithTimeline();
  RangeExporter rangeExporter_;
  std::unique_ptr<timeline::TimelineWindow> timeline_;
};

}  // namespace vistrel::app
