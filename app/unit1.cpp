#include "app/unit1.h"

#include "activity/day_activity.h"
#include "app/preview_interval.h"
#include "app/widgets/check_box.h"
#include "app/widgets/control_classes.h"
#include "app/widgets/dispatch.h"
#include "app/widgets/image.h"
#include "app/widgets/label.h"
#include "app/widgets/list_box.h"
#include "app/widgets/panel.h"
#include "app/widgets/scroll_bar.h"
#include "app/widgets/spin_edit.h"
#include "app/widgets/timer.h"
#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"
#include "browse/path_text.h"
#include "kUnit1Layout.h"
#include "pipeline/image_gen.h"
#include "platform/archive_watcher.h"
#include "platform/file_system.h"
#include "platform/layout/layout_reader.h"
#include "recording/export_session.h"
#include "recording/video_logger.h"
#include "timeline/timeline_window.h"

namespace vistrel::app {

std::string_view mainWindowLayout() { return resources::kUnit1Layout; }

TForm1::TForm1() {
  publish("FormCreate", &TForm1::FormCreate);
  publish("DriveComboBox1Change", &TForm1::DriveComboBox1Change);
  publish("DirectoryListBox1Change", &TForm1::DirectoryListBox1Change);
  publish("DirectoryListBox1Click", &TForm1::DirectoryListBox1Click);
  publish("ListBox1Click", &TForm1::ListBox1Click);
  publish("ListBox1MouseDown", &TForm1::ListBox1MouseDown);
  publish("ListBox1MouseUp", &TForm1::ListBox1MouseUp);
  publish("ListBox1KeyUp", &TForm1::ListBox1KeyUp);
  publish("VideoProgressChange", &TForm1::VideoProgressChange);
  publish("VideoProgressKeyDown", &TForm1::VideoProgressKeyDown);
  publish("SlideShowClick", &TForm1::SlideShowClick);
  publish("STOPClick", &TForm1::STOPClick);
  publish("SlideShowMouseDown", &TForm1::SlideShowMouseDown);
  publish("SlideShowMouseUp", &TForm1::SlideShowMouseUp);
  publish("STOPMouseDown", &TForm1::STOPMouseDown);
  publish("STOPMouseUp", &TForm1::STOPMouseUp);
  publish("SlideShowTimerTimer", &TForm1::SlideShowTimerTimer);
  publish("PreviewFPSChange", &TForm1::PreviewFPSChange);
  publish("CheckBox1MouseUp", &TForm1::CheckBox1MouseUp);
  publish("RateFPSChange", &TForm1::RateFPSChange);
  publish("ListBox1KeyDown", &TForm1::ListBox1KeyDown);
  publish("DirectoryListBox1KeyDown", &TForm1::DirectoryListBox1KeyDown);
  publish("ListBox2DblClick", &TForm1::ListBox2DblClick);
  publish("ListBox2KeyUp", &TForm1::ListBox2KeyUp);
  setAcceptDrops(true);
  connectArchiveWatcher();
}

TForm1::~TForm1() {
  // The timeline first: nothing it shows may outlive the lists it follows.
  if (ListBox1 != nullptr) QObject::disconnect(ListBox1, nullptr, this, nullptr);
  timeline_.reset();
  TVLBaseCommonLogger::SetDeferredErrorHandler(
      [](const std::exception& error) { reportError(error.what()); });
  // Qt deletes the controls after this object is gone; nothing may call back into it.
  if (SlideShowTimer != nullptr) SlideShowTimer->setEnabled(false);
  setEventBusy(false);  // a jump still waiting ends with the window
  if (DirectoryListBox1 != nullptr) {
    DirectoryListBox1->OnChange = nullptr;
    DirectoryListBox1->OnClick = nullptr;
    DirectoryListBox1->OnDblClick = nullptr;
    DirectoryListBox1->OnKeyDown = nullptr;
  }
  if (DriveComboBox1 != nullptr) {
    DriveComboBox1->OnChange = nullptr;
    DriveComboBox1->OnClick = nullptr;
  }
}

std::unique_ptr<TForm1> TForm1::create() { return create(mainWindowLayout()); }

std::unique_ptr<TForm1> TForm1::create(std::string_view layoutText) {
  registerControlClasses();
  RegisterImageGenClass();
  recording::registerClasses();
  auto form = std::make_unique<TForm1>();
  layout::readLayout(*form, layoutText);
  form->attachExportSession();
  form->bindTimelineKey();
  return form;
}

template <typename T>
T* TForm1::field(const char* name) {
  auto* control = dynamic_cast<T*>(findComponent(name));
  if (control == nullptr) {
    throw Exception(std::string("The window's layout has no ") + name + " of the expected class");
  }
  return control;
}

void TForm1::loaded() {
  Image1 = field<TImage>("Image1");
  ListBox1 = field<TListBox>("ListBox1");
  DriveComboBox1 = field<browse::TDriveComboBox>("DriveComboBox1");
  DirectoryListBox1 = field<browse::TDirectoryListBox>("DirectoryListBox1");
  SlideShowTimer = field<TTimer>("SlideShowTimer");
  Label1 = field<TLabel>("Label1");
  VideoProgress = field<TScrollBar>("VideoProgress");
  CheckBox1 = field<TCheckBox>("CheckBox1");
  VLDSVideoLogger1 = field<TVLDSVideoLogger>("VLDSVideoLogger1");
  VLImageGen1 = field<TVLImageGen>("VLImageGen1");
  RateFPS = field<TSpinEdit>("RateFPS");
  Label7 = field<TLabel>("Label7");
  PreviewFPS = field<TSpinEdit>("PreviewFPS");
  SledeciSat = field<TCheckBox>("SledeciSat");
  ListBox2 = field<TListBox>("ListBox2");
  SlideShow = field<TPanel>("SlideShow");
  STOP = field<TPanel>("STOP");
  bindBrowseEvents();
  nameControls();
  TForm::loaded();  // tab order, then OnCreate
}

void TForm1::nameControls() {
  const std::pair<QWidget*, const char*> names[] = {
      {Image1, "Picture"},
      {ListBox1, "Snapshot list"},
      {DriveComboBox1, "Drive"},
      {DirectoryListBox1, "Folder tree"},
      {VideoProgress, "Position in folder"},
      {CheckBox1, "Create video"},
      {RateFPS, "Video rate"},
      {PreviewFPS, "Preview rate"},
      {SledeciSat, "Continue to the next hour"},
      {ListBox2, "Saved videos"},
  };
  for (const auto& [widget, name] : names) widget->setAccessibleName(QString::fromUtf8(name));
  // Qt names a drop-down list on Linux by its selected entry, not by this
  // name: the description says what it is there.
  DriveComboBox1->setAccessibleDescription("Drive");
  RateFPS->setAccessibleDescription("Frames per second of the video");
  PreviewFPS->setAccessibleDescription("Snapshots per second of the slide show");
  CheckBox1->setAccessibleDescription("Records the slide show into an AVI file");
  // The panels' captions are spelt for the eye ("S T O P").
  SlideShow->setSpokenCaption(kStoredRunCaption, "Run slide show");
  SlideShow->setSpokenCaption(kRunCaption, "Run slide show");
  SlideShow->setSpokenCaption(kPauseCaption, "Pause slide show");
  STOP->setSpokenCaption(STOP->caption(), "Stop slide show");
  writeSlideLabelName();
}

void TForm1::bindBrowseEvents() {
  // The browsing controls keep their handler names; bind them here.
  auto bind = [this](auto* sender, const char* event, std::function<void()>& slot) {
    const std::string name = sender->handlerName(event);
    if (name.empty()) return;
    NotifyHandler notify = handler<NotifyHandler>(name);
    slot = [notify, sender] { notify(sender); };
  };
  bind(DirectoryListBox1, "OnChange", DirectoryListBox1->OnChange);
  bind(DirectoryListBox1, "OnClick", DirectoryListBox1->OnClick);
  bind(DirectoryListBox1, "OnDblClick", DirectoryListBox1->OnDblClick);
  // The tree list reports Qt key codes; the handler takes the platform's.
  if (const std::string name = DirectoryListBox1->handlerName("OnKeyDown"); !name.empty()) {
    KeyHandler keyDown = handler<KeyHandler>(name);
    DirectoryListBox1->OnKeyDown = [keyDown, this](int& qtKey, Qt::KeyboardModifiers shift) {
      const int code = virtualKeyCode(qtKey);
      int key = code;
      keyDown(DirectoryListBox1, key, shift);
      if (code != 0 && key == 0) qtKey = 0;  // the handler consumed the key
    };
  }
  // The space bar and the accessible toggle switch export as a left click does.
  CheckBox1->setOnKeyboardToggle([this](Sender*) { switchExport(); });
  bind(DriveComboBox1, "OnChange", DriveComboBox1->OnChange);
  bind(DriveComboBox1, "OnClick", DriveComboBox1->OnClick);
}

void TForm1::FormCreate(Sender*) {
  slideCounter_ = 0;
  // Written as the recorder's installer writes it; the tree list stores it
  // without the trailing "\" and with the drive letter the platform reports.
  DirectoryListBox1->SetCurrentDirectory("c:\\Program Files\\Vistrel\\Records\\");
  VLDSVideoLogger1->SetFileName(platform::FileSystem::instance().programFolder() + "vistrel.avi");
  VLImageGen1->SetFrameRate(RateFPS->value());
  SlideShowTimer->setInterval(previewIntervalMs(PreviewFPS->value()));
  RefillSavedVideosList();
  watchRecordsRoot();
}

void TForm1::PreviewFPSChange(Sender*) {
  const int intervalMs = previewIntervalMs(PreviewFPS->value());
  // A negative rate can be typed before the field clamps it; it has no
  // interval, so the timer keeps the one it has.
  if (intervalMs > 0) SlideShowTimer->setInterval(intervalMs);
}

std::string TForm1::SnapshotPath(int index) const {
  return browse::joinPath(DirectoryListBox1->CurrentDirectory(), ListBox1->itemName(index));
}

std::string TForm1::SlideLabelText() const {
  return " Slide: " + std::to_string(ListBox1->itemIndex() + 1) + "/" +
         std::to_string(ListBox1->itemCount()) + " ";
}

void TForm1::writeSlideLabel() {
  Label1->setCaption(SlideLabelText());
  writeSlideLabelName();
}

void TForm1::writeSlideLabelName() {
  // " Slide: 3/120 " would be read out as a fraction.
  Label1->setAccessibleName(
      QString("Slide %1 of %2").arg(ListBox1->itemIndex() + 1).arg(ListBox1->itemCount()));
}

void TForm1::RefillSnapshotList(int selectIndex, bool resetShow) {
  ListBox1->clearItems();
  ListBox1->addDirectoryListing(
      browse::joinPath(DirectoryListBox1->CurrentDirectory(), platform::kSnapshotPattern));
  listedFolder_ = DirectoryListBox1->CurrentDirectory();
  const int count = ListBox1->itemCount();
  // One step per snapshot; with one snapshot or none the bar keeps its range.
  if (count > 1) VideoProgress->setMax(count - 1);
  ListBox1->setItemIndex(selectIndex);
  if (resetShow) {
    slideCounter_ = 0;
    VideoProgress->setPosition(0);
  }
  writeSlideLabel();
  if (count >= 1) ListBox1->setFocus();
}

void TForm1::RefillSavedVideosList() {
  ListBox2->clearItems();
  ListBox2->addDirectoryListing(platform::FileSystem::instance().programFolder() + "*.avi");
}

}  // namespace vistrel::app
