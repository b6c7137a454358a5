#include "browse/file_list_box.h"

#include <algorithm>

#include <QApplication>
#include <QCollator>

#include "browse/path_text.h"
#include "controls/fixed_height_delegate.h"
#include "platform/file_system.h"

namespace vistrel::browse {
namespace {

constexpr std::uint32_t kLeftOut = platform::kAttrDirectory | platform::kAttrHidden |
                                   platform::kAttrSystem | platform::kAttrVolumeLabel;

// Restores the cursor however the listing ends.
class BusyCursor {
 public:
  explicit BusyCursor(bool on) : on_(on) {
    if (on_) QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~BusyCursor() {
    if (on_) QApplication::restoreOverrideCursor();
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  bool on_;
};

}  // namespace

TFileListBox::TFileListBox(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new controls::FixedHeightDelegate<TFileListBox>(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setUniformItemSizes(true);
  setSortingEnabled(false);  // sorted here, with the locale's collation
}

void TFileListBox::setItemHeight(int pixels) {
  itemHeight_ = pixels;
  doItemsLayout();
}

void TFileListBox::setMask(const std::string& mask) {
  mask_ = mask;
  refill();
}

void TFileListBox::setFolder(const std::string& folder) {
  folder_ = folder;
  refill();
}

std::vector<std::string> TFileListBox::names() const {
  std::vector<std::string> result;
  result.reserve(count());
  for (int i = 0; i < count(); ++i) result.push_back(item(i)->text().toStdString());
  return result;
}

void TFileListBox::refill() {
  clear();
  if (folder_.empty()) return;
  QStringList found;
  std::size_t start = 0;
  while (start <= mask_.size()) {
    std::size_t end = mask_.find(';', start);
    if (end == std::string::npos) end = mask_.size();
    const std::string pattern = mask_.substr(start, end - start);
    if (!pattern.empty()) {
      for (const platform::FindData& entry :
           platform::FileSystem::instance().findFiles(joinPath(folder_, pattern))) {
        const QString name = QString::fromStdString(entry.name);
        if ((entry.attributes & kLeftOut) == 0 && !found.contains(name)) found.push_back(name);
      }
    }
    start = end + 1;
  }
  QCollator collator{QLocale(QLocale::English, QLocale::UnitedStates)};
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::sort(found.begin(), found.end(), collator);
  const BusyCursor busy(found.size() > kBusyCursorEntries);
  addItems(found);
}

}  // namespace vistrel::browse
