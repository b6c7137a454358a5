// The slide show: start, pause, stop, and one snapshot per timer tick, going
// on into the next existing hour folder of the same date when asked to.
//
// The run state lives in the slide-show panel's caption and the timer:
// Ready ("RUN Slide Show" / "Run Slide Show", timer off), Running
// ("P A U S E", timer on), Halted ("P A U S E", timer off).

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>

#include "app/unit1.h"
#include "app/widgets/check_box.h"
#include "app/widgets/dialogs.h"
#include "app/widgets/dispatch.h"
#include "app/widgets/image.h"
#include "app/widgets/list_box.h"
#include "app/widgets/panel.h"
#include "app/widgets/scroll_bar.h"
#include "app/widgets/timer.h"
#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"
#include "controls/colors.h"
#include "platform/archive_layout.h"
#include "platform/file_system.h"

namespace vistrel::app {
namespace {

constexpr int kDateEntry = 4;
constexpr int kFirstHourEntry = 5;
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
    endShow();
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
  startDecodeAhead(slideCounter_);
  SlideShowTimer->setEnabled(true);
  VideoProgress->setFocus();
}

void TForm1::STOPClick(Sender*) {
  VideoProgress->setFocus();
  endShow();
  slideCounter_ = 0;
}

void TForm1::endShow() {
  SlideShow->setCaption(kRunCaption);
  SlideShowTimer->setEnabled(false);
  cancelDecodeAhead();
}

void TForm1::cancelDecodeAhead() {
  // A show that resumes later decodes afresh: the files may change meanwhile.
  if (decodeAhead_) decodeAhead_->cancel();
}

std::vector<SnapshotDecodeAhead::File> TForm1::slideFilesFrom(int index) {
  std::vector<SnapshotDecodeAhead::File> files;
  const platform::FileSystem& fileSystem = platform::FileSystem::instance();
  const int end = std::min(ListBox1->itemCount(), std::max(index, 0) + kDecodeAheadList);
  int i = std::max(index, 0);
  for (; i < end; ++i) {
    const std::string path = SnapshotPath(i);
    if (unshowable_.contains(path)) continue;  // the tick passes over it unread
    // A file that cannot be reached is loaded here, in the tick, with its error.
    const auto host = fileSystem.toHost(path);
    if (!host) break;
    files.push_back({host->string(), path});
  }
  decodeAheadEnd_ = i;
  return files;
}

void TForm1::extendDecodeAhead(int index) {
  // Half a list ahead: the worker, at most a few snapshots ahead, never
  // runs dry, and the list is made in small parts.
  if (decodeAheadEnd_ - index > kDecodeAheadList / 2) return;
  decodeAhead_->append(slideFilesFrom(decodeAheadEnd_));
}

SnapshotDecodeAhead::Output TForm1::slideOutput() const {
  // With export on, the worker decodes each snapshot's planes beside the
  // bitmap shown: the video takes the file's own colour samples instead of
  // the bitmap's RGB converted back.
  using Output = SnapshotDecodeAhead::Output;
  return CheckBox1->checked() ? Output::BitmapAndVideoPlanes : Output::Bitmap;
}

void TForm1::startDecodeAhead(int index) {
  // The next tick then finds its snapshot decoded instead of waiting a
  // whole decode for it.
  if (!decodeAhead_) decodeAhead_ = std::make_unique<SnapshotDecodeAhead>();
  decodeAhead_->start(slideFilesFrom(index), slideOutput());
}

void TForm1::loadSlide(int index) {
  using Output = SnapshotDecodeAhead::Output;
  const std::string path = SnapshotPath(index);
  if (!decodeAhead_) decodeAhead_ = std::make_unique<SnapshotDecodeAhead>();
  const Output output = slideOutput();
  std::optional<SnapshotDecodeAhead::Decoded> ready;
  const auto host = platform::FileSystem::instance().toHost(path);
  std::error_code error;
  // A file gone since it was decoded fails the way loading it now would.
  const bool present = host && std::filesystem::exists(*host, error);
  if (present && decodeAhead_->output() == output) ready = decodeAhead_->takeIf(path);
  if (!ready && present && output == Output::BitmapAndVideoPlanes) {
    // Loading it here would leave the frame without planes: the worker
    // decodes this one too, and the tick waits for it.
    decodeAhead_->start(slideFilesFrom(index), output);
    ready = decodeAhead_->takeIf(path);
  }
  if (!ready) {
    decodeAhead_->start(slideFilesFrom(index + 1), output);
    Image1->loadFromFile(path, true);
    return;
  }
  extendDecodeAhead(index);
  // A damaged snapshot keeps the previous picture, as the load above does.
  if (ready->error) std::rethrow_exception(ready->error);
  ready->applyTo(Image1->picture());
}

void TForm1::SlideShowTimerTimer(Sender*) {
  const int count = ListBox1->itemCount();
  // A snapshot that cannot be shown (empty, damaged, deleted) is left out:
  // the show goes on with the next one in the same tick, and the failure is
  // reported once, after the tick's work. Known ones are passed over silently.
  std::exception_ptr skipped;
  int current = slideCounter_;
  for (; current < count; ++current) {
    const std::string path = SnapshotPath(current);
    if (unshowable_.contains(path)) continue;
    try {
      loadSlide(current);
      break;
    } catch (...) {
      unshowable_.add(path);
      if (!skipped) skipped = std::current_exception();
    }
  }
  slideCounter_ = current;
  try {
    if (current < count) {
      showSlide(current);
    } else {
      finishFolder();
    }
  } catch (const std::exception& error) {
    if (!skipped) throw;
    throw Exception(*runCatching([&] { std::rethrow_exception(skipped); }) + "\n\n" + error.what());
  }
  if (skipped) std::rethrow_exception(skipped);
}

void TForm1::showSlide(int index) {
  ListBox1->setItemIndex(index);
  writeSlideLabel();
  {
    slideJustShown_ = SnapshotPath(index);
    struct Clear {
      std::string& path;
      ~Clear() { path.clear(); }
    } clear{slideJustShown_};
    VideoProgress->setPosition(ListBox1->itemIndex());
  }
  slideCounter_ = index + 1;
  if (CheckBox1->checked()) exportFrame(index);
}

void TForm1::finishFolder() {
  if (SledeciSat->checked() && DirectoryListBox1->itemIndex() > kDateEntry) {
    std::string next;
    try {
      next = nextHourFolder();
    } catch (...) {
      endShow();  // an hour folder not named by a number: report once and stop
      throw;
    }
    if (!next.empty()) {
      DirectoryListBox1->SetCurrentDirectory(next);
      slideCounter_ = 0;
      startDecodeAhead(0);
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
  // A folder that cannot be entered counts as absent: the tree list could
  // not open it, and the show would replay the current hour forever.
  const std::vector<std::string> later = platform::hourFolders(dateFolder, hour + 1);
  return later.empty() ? std::string() : later.front();
}

void TForm1::SlideShowMouseDown(Sender*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  SlideShow->setColor(controls::clSilver);
}

void TForm1::SlideShowMouseUp(Sender*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  SlideShow->setColor(controls::clNavy);
}

void TForm1::STOPMouseDown(Sender*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  STOP->setColor(controls::clSilver);
}

void TForm1::STOPMouseUp(Sender*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  STOP->setColor(controls::clNavy);
}

}  // namespace vistrel::app
