// The slide show: start, pause, stop, and one snapshot per timer tick, going
// on into the next existing hour folder of the same date when asked to.
//
// The run state lives in the slide-show panel's caption and the timer:
// Ready ("RUN Slide Show" / "Run Slide Show", timer off), Running
// ("P A U S E", timer on), Halted ("P A U S E", timer off).

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "app/controls/check_box.h"
#include "app/controls/colors.h"
#include "app/controls/dialogs.h"
#include "app/controls/image.h"
#include "app/controls/list_box.h"
#include "app/controls/panel.h"
#include "app/controls/scroll_bar.h"
#include "app/controls/timer.h"
#include "app/unit1.h"
#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"
#include "platform/file_system.h"

namespace vistrel::app {
namespace {

constexpr int kRecordsRootEntry = 3;
constexpr int kDateEntry = 4;
constexpr int kFirstHourEntry = 5;
constexpr int kLastHour = 23;
// Snapshots queued for decoding ahead at a time; the list is made again
// when the show reaches its end.
constexpr int kDecodeAheadList = 64;

// The folder name as a decimal integer, as the user's archive names hours.
int hourNumber(const std::string& name) {
  std::size_t used = 0;
  int hour = 0;
  try {
    hour = std::stoi(name, &used, 10);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != name.size() || name.front() == ' ') {
    throw Exception("'" + name + "' is not a valid integer value");
  }
  return hour;
}

}  // namespace

void TForm1::SlideShowClick(Sender*) {
  if (SlideShow->caption() == kPauseCaption) {
    SlideShow->setCaption(kRunCaption);
    SlideShowTimer->setEnabled(false);
    cancelDecodeAhead();
    ListBox1->setFocus();
    return;
  }
  if (DirectoryListBox1->itemIndex() == kRecordsRootEntry) {
    Dialogs::instance().showMessage(kSelectDateMessage);
  }
  ListBox1->clearItems();
  DirectoryListBox1->OpenSelected();
  if (DirectoryListBox1->itemIndex() == kDateEntry) {
    DirectoryListBox1->setItemIndex(kFirstHourEntry);  // none when the date holds no hour
  }
  DirectoryListBox1->setFocus();
  DirectoryListBox1->OpenSelected();  // fails with a list error when nothing is selected
  RefillSnapshotList(0, false);
  SlideShow->setCaption(kPauseCaption);
  SlideShowTimer->setEnabled(true);
  VideoProgress->setFocus();
}

void TForm1::STOPClick(Sender*) {
  VideoProgress->setFocus();
  SlideShow->setCaption(kRunCaption);
  SlideShowTimer->setEnabled(false);
  slideCounter_ = 0;
  cancelDecodeAhead();
}

void TForm1::endShow() {
  SlideShow->setCaption(kRunCaption);
  SlideShowTimer->setEnabled(false);
  cancelDecodeAhead();
}

void TForm1::cancelDecodeAhead() {
  // A show that resumes later decodes afresh: the files may change meanwhile.
  if (decodeAhead_) decodeAhead_->Cancel();
}

std::vector<SnapshotDecodeAhead::File> TForm1::slideFilesFrom(int index) const {
  std::vector<SnapshotDecodeAhead::File> files;
  const platform::FileSystem& fileSystem = platform::FileSystem::instance();
  const int end = std::min(ListBox1->itemCount(), std::max(index, 0) + kDecodeAheadList);
  for (int i = std::max(index, 0); i < end; ++i) {
    const std::string path = SnapshotPath(i);
    // A file that cannot be reached is loaded here, in the tick, with its error.
    const auto host = fileSystem.toHost(path);
    if (!host) break;
    files.push_back({host->string(), path});
  }
  return files;
}

void TForm1::showSlide(int index) {
  const std::string path = SnapshotPath(index);
  if (!decodeAhead_) decodeAhead_ = std::make_unique<SnapshotDecodeAhead>();
  std::optional<SnapshotDecodeAhead::Decoded> ready;
  const auto host = platform::FileSystem::instance().toHost(path);
  std::error_code error;
  // A file gone since it was decoded fails the way loading it now would.
  if (host && std::filesystem::exists(*host, error)) ready = decodeAhead_->TakeIf(path);
  if (!ready) {
    decodeAhead_->Start(slideFilesFrom(index + 1));
    Image1->loadFromFile(path);
    return;
  }
  ready->ApplyTo(Image1->picture());
}

void TForm1::SlideShowTimerTimer(Sender*) {
  const int count = ListBox1->itemCount();
  const int current = slideCounter_;
  if (current < count) {
    try {
      showSlide(current);
    } catch (...) {
      // A snapshot that cannot be shown (deleted, damaged) ends the show on
      // it: one error box, no retry at every tick. The counter still names
      // it, so starting again tries it once more (the start re-lists the
      // folder, which drops a deleted file).
      endShow();
      throw;
    }
    ListBox1->setItemIndex(current);
    writeSlideLabel();
    {
      slideJustShown_ = SnapshotPath(current);
      struct Clear {
        std::string& path;
        ~Clear() { path.clear(); }
      } clear{slideJustShown_};
      VideoProgress->setPosition(ListBox1->itemIndex());
    }
    slideCounter_ = current + 1;
    if (CheckBox1->checked()) exportFrame(current);
    return;
  }
  if (SledeciSat->checked() && DirectoryListBox1->itemIndex() > kDateEntry) {
    std::string next;
    try {
      next = nextHourFolder();
    } catch (...) {
      endShow();  // an hour folder not named by a number: report once and stop
      throw;
    }
    if (!next.empty()) {
      DirectoryListBox1->setCurrentDirectory(next);
      slideCounter_ = 0;
      VideoProgress->setPosition(0);
      return;
    }
  }
  endShow();
}

std::string TForm1::nextHourFolder() const {
  const int selected = DirectoryListBox1->itemIndex();
  const int hour = hourNumber(DirectoryListBox1->itemText(selected));
  const std::string dateFolder = DirectoryListBox1->ItemPath(selected - 1);
  const platform::FileSystem& files = platform::FileSystem::instance();
  for (int candidate = hour + 1; candidate <= kLastHour; ++candidate) {
    char name[16];
    std::snprintf(name, sizeof name, "%.2d", candidate);
    const std::string path = dateFolder + "\\" + name;
    if (files.directoryExists(path)) return path;
  }
  return {};
}

void TForm1::SlideShowMouseDown(Sender*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  SlideShow->setColor(clSilver);
}

void TForm1::SlideShowMouseUp(Sender*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  SlideShow->setColor(clNavy);
}

void TForm1::STOPMouseDown(Sender*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  STOP->setColor(clSilver);
}

void TForm1::STOPMouseUp(Sender*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  STOP->setColor(clNavy);
}

}  // namespace vistrel::app
