#include "browse/directory_list_box.h"

#include <algorithm>
#include <cctype>

#include <QCollator>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "browse/drive_combo_box.h"
#include "browse/entry_images.h"
#include "browse/path_text.h"
#include "browse/resolve_path.h"
#include "controls/focus_rect.h"
#include "controls/handler_guard.h"
#include "platform/file_system.h"

namespace vistrel::browse {
namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kOpenFolder = static_cast<int>(FolderImage::OpenFolder);
constexpr int kCurrentFolder = static_cast<int>(FolderImage::CurrentFolder);
constexpr int kClosedFolder = static_cast<int>(FolderImage::ClosedFolder);
constexpr std::uint32_t kHiddenFolderAttributes =
    platform::kAttrHidden | platform::kAttrSystem | platform::kAttrVolumeLabel;

char toUpperChar(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// The subfolders of `folder` that the list shows, sorted ignoring case with
// the locale's collation; names that compare equal to a kept one are dropped.
std::vector<std::string> visibleSubfolders(const std::string& folder) {
  QCollator collator{QLocale(QLocale::English, QLocale::UnitedStates)};
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::vector<QString> sorted;
  for (const platform::FindData& found :
       platform::FileSystem::instance().findFiles(joinPath(folder, "*.*"))) {
    if ((found.attributes & platform::kAttrDirectory) == 0) continue;
    if ((found.attributes & kHiddenFolderAttributes) != 0) continue;
    if (found.name == "." || found.name == "..") continue;
    const QString name = QString::fromStdString(found.name);
    const auto position = std::lower_bound(
        sorted.begin(), sorted.end(), name,
        [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    if (position != sorted.end() && collator.compare(*position, name) == 0) continue;
    sorted.insert(position, name);
  }
  std::vector<std::string> names;
  names.reserve(sorted.size());
  for (const QString& name : sorted) names.push_back(name.toStdString());
  return names;
}

}  // namespace

// Draws an entry: the background brush, the kind's image at the entry's
// indent, vertically centred, and the text at the item's top.
class TDirectoryListBox::Delegate : public QStyledItemDelegate {
 public:
  explicit Delegate(TDirectoryListBox* list) : QStyledItemDelegate(list), list_(list) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const QRect r = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = list_->palette();
    painter->save();
    painter->fillRect(
        r, palette.brush(QPalette::Active, selected ? QPalette::Highlight : QPalette::Base));
    const int row = index.row();
    const int indent = list_->itemIndent(row);
    const int kind = index.data(kKindRole).toInt();
    const QImage& image = folderImage(static_cast<FolderImage>(kind));
    const int top = (2 * r.top() + r.height() - image.height()) / 2;
    painter->drawImage(r.left() + indent, top, image);
    QString text = index.data(Qt::DisplayRole).toString();
    if (!list_->casePreserving() && !list_->caseSensitive()) text = text.toLower();
    painter->setPen(
        palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(list_->font());
    const int textLeft = r.left() + image.width() + indent + 4;
    painter->drawText(QRect(textLeft, r.top(), std::max(0, r.right() - textLeft + 1), r.height()),
                      Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    if ((option.state & QStyle::State_HasFocus) && list_->hasFocus()) {
      controls::drawFocusRect(
          *painter, r,
          palette.color(QPalette::Active, selected ? QPalette::Highlight : QPalette::Base));
    }
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return QSize(option.rect.width(), list_->itemHeight());
  }

 private:
  TDirectoryListBox* list_;
};

TDirectoryListBox::TDirectoryListBox(QWidget* parent) : QListWidget(parent), Control(this) {
  setItemDelegate(new Delegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setUniformItemSizes(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The sunken 3-D border of the window's other lists.
  setFrameShape(QFrame::Panel);
  setFrameShadow(QFrame::Sunken);
  setLineWidth(2);
  resize(145, 97);
  directory_ = platform::FileSystem::instance().currentDirectory();
  recomputeItemHeight();
  buildEntries();
}

TDirectoryListBox::~TDirectoryListBox() {
  if (driveCombo_ && driveCombo_->dirList_ == this) driveCombo_->dirList_ = nullptr;
}

TDriveComboBox* TDirectoryListBox::driveCombo() const { return driveCombo_; }

char TDirectoryListBox::DriveLetter() const { return directory_.empty() ? '\0' : directory_[0]; }

bool TDirectoryListBox::sameAsCurrent(const std::string& path) const {
  if (caseSensitive_) return path == directory_;
  return platform::upperName(path) == platform::upperName(directory_);
}

void TDirectoryListBox::SetCurrentDirectory(const std::string& path) {
  if (path.empty() || sameAsCurrent(path)) return;
  platform::FileSystem& fileSystem = platform::FileSystem::instance();
  const ResolvedPath resolved = ResolvePath(path, fileSystem);
  if (DriveLetter() != resolved.drive) {
    // The drive switch must not rebuild the list a second time.
    struct InDirectorySet {
      bool& flag;
      explicit InDirectorySet(bool& f) : flag(f) { flag = true; }
      ~InDirectorySet() { flag = false; }
    } inDirectorySet(inDirectorySet_);
    if (driveCombo_) {
      driveCombo_->SetDriveLetter(resolved.drive);
      // A selector that already showed the drive does not call back.
      if (toUpperChar(DriveLetter()) != toUpperChar(resolved.drive)) DriveChanged(resolved.drive);
    } else {
      DriveChanged(resolved.drive);
    }
  }
  // A rooted folder part is entered on the current drive: when the named
  // drive could not be entered, stay where we are rather than open the same
  // folder on another drive.
  const bool onNamedDrive =
      resolved.drive == '\0' || toUpperChar(DriveLetter()) == toUpperChar(resolved.drive);
  if (fileSystem.directoryExists(directory_)) fileSystem.setCurrentDirectory(directory_);
  if (onNamedDrive && !resolved.folder.empty()) fileSystem.setCurrentDirectory(resolved.folder);
  directory_ = fileSystem.currentDirectory();
  buildEntries();
  raiseChange();
}

void TDirectoryListBox::SetDriveLetter(char letter) {
  if (letter == '\0' || toUpperChar(letter) == toUpperChar(DriveLetter())) return;
  SetCurrentDirectory(std::string(1, letter) + ":");
}

void TDirectoryListBox::DriveChanged(char letter) {
  if (toUpperChar(letter) == toUpperChar(DriveLetter())) return;
  if (letter != '\0') {
    platform::FileSystem& fileSystem = platform::FileSystem::instance();
    if (fileSystem.setCurrentDirectory(std::string(1, letter) + ":")) {
      directory_ = fileSystem.currentDirectory();
    }
  }
  if (!inDirectorySet_) {
    buildEntries();
    raiseChange();
  }
}

std::string TDirectoryListBox::ItemPath(int index) const {
  if (index >= count()) return {};
  if (index < 0) throw listIndexError(index);
  const std::string drive = drivePart(directory_);
  if (index == 0) return drive + "\\";
  const int kind = entryKind(index);
  if (kind == kClosedFolder) return joinPath(directory_, itemText(index));
  if (kind == kCurrentFolder) return directory_;
  // A folder above the current one: the current directory up to the
  // (index + 1)-th "\" after the drive.
  const std::string tail = directory_.substr(drive.size());
  int separators = 0;
  std::size_t end = 0;
  for (; end < tail.size(); ++end) {
    if (tail[end] == '\\' && ++separators == index + 1) break;
  }
  return drive + tail.substr(0, end);
}

void TDirectoryListBox::OpenSelected() { SetCurrentDirectory(ItemPath(itemIndex())); }

void TDirectoryListBox::Rebuild() {
  buildEntries();
  raiseChange();
}

void TDirectoryListBox::RefreshEntries() {
  const int selected = itemIndex();
  const std::string selectedPath = selected >= 0 ? ItemPath(selected) : std::string();
  const int scrolled = verticalScrollBar()->value();
  buildEntries();  // selects the current directory's entry
  if (selected < 0) setItemIndex(-1);
  for (int index = 0; selected >= 0 && index < count(); ++index) {
    const std::string path = ItemPath(index);
    const bool same = caseSensitive_
                          ? path == selectedPath
                          : platform::upperName(path) == platform::upperName(selectedPath);
    if (same) {
      setItemIndex(index);
      break;
    }
  }
  verticalScrollBar()->setValue(scrolled);
}

int TDirectoryListBox::itemIndex() const {
  const QListWidgetItem* current = currentItem();
  return current != nullptr && current->isSelected() ? row(current) : -1;
}

void TDirectoryListBox::setItemIndex(int index) {
  if (index >= 0 && index < count()) {
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
  } else {
    clearSelection();
    setCurrentIndex(QModelIndex());
  }
}

std::string TDirectoryListBox::itemText(int index) const {
  const QListWidgetItem* entry = item(index);
  if (entry == nullptr) throw listIndexError(index);
  return entry->text().toStdString();
}

int TDirectoryListBox::entryKind(int index) const {
  const QListWidgetItem* entry = item(index);
  if (entry == nullptr) throw listIndexError(index);
  return entry->data(kKindRole).toInt();
}

int TDirectoryListBox::itemIndent(int index) const {
  if (entryKind(index) == kClosedFolder) {
    const auto separators = std::count(directory_.begin(), directory_.end(), '\\');
    return 4 * (static_cast<int>(separators) + 1) + 2;
  }
  return 4 * index + 2;
}

void TDirectoryListBox::setItemHeight(int pixels) {
  if (pixels <= 0 || pixels == itemHeight_) return;
  itemHeight_ = pixels;
  doItemsLayout();
  viewport()->update();
}

void TDirectoryListBox::recomputeItemHeight() {
  const int imageHeight = folderImage(FolderImage::OpenFolder).height() + 1;
  setItemHeight(std::max(controls::textMetricHeight(font()), imageHeight));
}

void TDirectoryListBox::addEntry(const std::string& text, int kind) {
  auto* entry = new QListWidgetItem(QString::fromStdString(text), this);
  entry->setData(kKindRole, kind);
}

void TDirectoryListBox::buildEntries() {
  setUpdatesEnabled(false);
  clear();
  platform::FileSystem& fileSystem = platform::FileSystem::instance();
  const std::string root = drivePart(directory_) + "\\";
  std::uint32_t flags = 0;
  if (fileSystem.volumeInformation(root, nullptr, &flags)) {
    casePreserving_ = (flags & (platform::kFsCaseIsPreserved | platform::kFsCaseSensitive)) != 0;
    caseSensitive_ = (flags & platform::kFsCaseSensitive) != 0;
  } else {
    // Unreadable volume: names drawn in lower case and compared ignoring case.
    casePreserving_ = false;
    caseSensitive_ = false;
  }

  std::string rest = directory_;
  if (root.size() >= 2 && root[1] == '\\') {
    addEntry(root, kOpenFolder);
    rest = directory_.size() > root.size() ? directory_.substr(root.size()) : std::string();
  }
  if (!rest.empty()) {
    if (rest.back() != '\\') {
      for (std::size_t separator = rest.find('\\'); separator != std::string::npos;
           separator = rest.find('\\')) {
        std::string piece = rest.substr(0, separator);
        rest.erase(0, separator + 1);
        if (count() == 0) piece += '\\';  // "C:" is the root entry "C:\"
        addEntry(piece, kOpenFolder);
      }
    }
    addEntry(rest, kCurrentFolder);
  }
  currentEntry_ = count() - 1;
  for (const std::string& name : visibleSubfolders(directory_)) addEntry(name, kClosedFolder);
  setItemIndex(currentEntry_);
  setUpdatesEnabled(true);
}

void TDirectoryListBox::raiseChange() {
  if (fileList_ != nullptr && fileListObject_) fileList_->setFolder(directory_);
  if (dirLabel_) {
    const QFontMetrics metrics(dirLabel_->font());
    const std::string caption =
        ShortenPath(directory_, dirLabel_->width(), [&](const std::string& text) {
          return metrics.horizontalAdvance(QString::fromStdString(text));
        });
    dirLabel_->setText(QString::fromStdString(caption));
  }
  if (OnChange) OnChange();
}

void TDirectoryListBox::setFileList(FolderFollower* follower) {
  fileList_ = follower;
  fileListObject_ = dynamic_cast<QObject*>(follower);
}

void TDirectoryListBox::setDirLabel(QLabel* label) { dirLabel_ = label; }

QItemSelectionModel::SelectionFlags TDirectoryListBox::selectionCommand(const QModelIndex& index,
                                                                        const QEvent*) const {
  // A plain list box: one entry selected, never toggled off by the user.
  if (!index.isValid()) return QItemSelectionModel::NoUpdate;
  return QItemSelectionModel::ClearAndSelect;
}

void TDirectoryListBox::keyPressEvent(QKeyEvent* event) {
  event->accept();
  controls::runGuarded([&] {
    int key = event->key();
    if (OnKeyDown) OnKeyDown(key, event->modifiers());
    if (key == 0) return;
    const QString text = event->text();
    char character = text.size() == 1 && text[0].unicode() < 0x80 ? text[0].toLatin1() : '\0';
    if (character != '\0' && OnKeyPress) {
      OnKeyPress(character);
      if (character == '\0') return;
    }
    if (character == '\r') {
      OpenSelected();
      return;
    }
    // Keys the list does not use (Esc, for one) stay ignored and reach the
    // window, as the base class leaves them.
    const int before = itemIndex();
    QListWidget::keyPressEvent(event);
    if (itemIndex() != before && OnClick) OnClick();
  });
}

void TDirectoryListBox::keyboardSearch(const QString& search) {
  // The list box's own rule: the next entry after the selected one whose
  // text starts with the typed letter, wrapping around.
  if (search.isEmpty() || count() == 0) return;
  const QChar letter = search.back().toLower();
  const int start = currentRow();
  for (int step = 1; step <= count(); ++step) {
    const int candidate = (start + step + count()) % count();
    const QString text = item(candidate)->text();
    if (!text.isEmpty() && text.front().toLower() == letter) {
      setItemIndex(candidate);
      return;
    }
  }
}

void TDirectoryListBox::mousePressEvent(QMouseEvent* event) {
  // Only the left button on an entry selects, as in a plain list box.
  if (event->button() != Qt::LeftButton || !indexAt(event->position().toPoint()).isValid()) {
    setFocus(Qt::MouseFocusReason);
    event->accept();
    return;
  }
  QListWidget::mousePressEvent(event);
  controls::runGuarded([&] {
    if (OnClick) OnClick();
  });
}

void TDirectoryListBox::mouseMoveEvent(QMouseEvent* event) {
  const int before = itemIndex();
  if (event->buttons() & Qt::LeftButton) {
    if (!indexAt(event->position().toPoint()).isValid()) return;
    QListWidget::mouseMoveEvent(event);
  }
  if (itemIndex() != before) {
    controls::runGuarded([&] {
      if (OnClick) OnClick();
    });
  }
}

void TDirectoryListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->accept();
    return;
  }
  QListWidget::mouseDoubleClickEvent(event);
  controls::runGuarded([&] {
    if (OnDblClick) OnDblClick();
    OpenSelected();
  });
}

void TDirectoryListBox::changeEvent(QEvent* event) {
  QListWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) recomputeItemHeight();
}

void TDirectoryListBox::link(bool fileList, const layout::Value& value,
                             layout::ReadContext& context) {
  const std::string& target = value.asIdentifier();
  layout::Component* root = &context.root();
  (fileList ? fileListName_ : dirLabelName_) = target;
  context.addFixup([this, root, target, fileList] {
    layout::Component* component = root->findComponent(target);
    if (fileList) {
      auto* follower = dynamic_cast<FolderFollower*>(component);
      if (follower == nullptr) throw Exception("Invalid property value: FileList " + target);
      setFileList(follower);
    } else {
      auto* label = dynamic_cast<QLabel*>(component);
      if (label == nullptr) throw Exception("Invalid property value: DirLabel " + target);
      setDirLabel(label);
    }
  });
}

const controls::PropertyTable& TDirectoryListBox::propertyTable() const {
  using P = controls::Stored<TDirectoryListBox>;
  using layout::Value;
  static const controls::PropertyTable table(
      {&controlPropertyTable()},
      {
          namedHandler("OnChange"),
          namedHandler("OnClick"),
          namedHandler("OnDblClick"),
          namedHandler("OnKeyDown"),
          namedHandler("OnKeyPress"),
          P::property("ItemHeight", &TDirectoryListBox::itemHeight,
                      &TDirectoryListBox::setItemHeight),
          P::property(
              "FileList",
              [](const TDirectoryListBox& c) { return Value::Identifier{c.fileListName_}; },
              [](TDirectoryListBox& c, const Value& v, layout::ReadContext& context) {
                c.link(true, v, context);
              }),
          P::property(
              "DirLabel",
              [](const TDirectoryListBox& c) { return Value::Identifier{c.dirLabelName_}; },
              [](TDirectoryListBox& c, const Value& v, layout::ReadContext& context) {
                c.link(false, v, context);
              }),
      });
  return table;
}

}  // namespace vistrel::browse
