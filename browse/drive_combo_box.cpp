#include "browse/drive_combo_box.h"

#include <algorithm>
#include <cctype>
#include <map>

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>

#include "browse/directory_list_box.h"
#include "browse/entry_images.h"
#include "controls/focus_rect.h"
#include "controls/handler_guard.h"
#include "platform/file_system.h"

namespace vistrel::browse {
namespace {

constexpr int kImageRole = Qt::UserRole;
constexpr int kNoImage = -1;

char toUpperChar(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
char toLowerChar(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

std::string caseLike(char letter, const std::string& text) {
  const QString converted = QString::fromStdString(text);
  const bool lowerCase = std::islower(static_cast<unsigned char>(letter)) != 0;
  return (lowerCase ? converted.toLower() : converted.toUpper()).toStdString();
}

}  // namespace

class TDriveComboBox::Delegate : public QStyledItemDelegate {
 public:
  explicit Delegate(TDriveComboBox* combo) : QStyledItemDelegate(combo), combo_(combo) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    combo_->drawEntry(*painter, option.rect, index.row(),
                      (option.state & QStyle::State_Selected) != 0);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return QSize(option.rect.width(), combo_->itemHeight());
  }

 private:
  TDriveComboBox* combo_;
};

TDriveComboBox::TDriveComboBox(QWidget* parent) : QComboBox(parent), Control(this) {
  setEditable(false);
  setItemDelegate(new Delegate(this));
  resize(145, height());
  const std::string current = platform::FileSystem::instance().currentDirectory();
  drive_ = current.empty() || current.front() == '\\' ? '\0' : current.front();
  setItemHeight(
      std::max(controls::textMetricHeight(font()), driveImage(DriveImage::Floppy).height()));
  connect(
      this, &QComboBox::activated, this,
      [this](int) { controls::runGuarded([this] { userChoice(); }); }, Qt::DirectConnection);
}

TDriveComboBox::~TDriveComboBox() {
  if (dirList_ && dirList_->driveCombo_ == this) dirList_->driveCombo_ = nullptr;
}

void TDriveComboBox::SetDriveLetter(char letter) {
  if (currentIndex() >= 0 && toUpperChar(letter) == toUpperChar(drive_)) return;
  if (letter == '\0') {
    drive_ = '\0';
    setCurrentIndex(-1);
  } else {
    drive_ = textCase_ == TTextCase::tcUpperCase ? toUpperChar(letter) : toLowerChar(letter);
    int found = -1;
    for (int i = 0; i < count() && found < 0; ++i) {
      const std::string text = itemText(i);
      if (text.size() >= 2 && toLowerChar(text[0]) == toLowerChar(drive_) && text[1] == ':')
        found = i;
    }
    setCurrentIndex(found);
  }
  if (dirList_) dirList_->DriveChanged(drive_);
  raiseChange();
}

void TDriveComboBox::SetTextCase(TTextCase textCase) {
  textCase_ = textCase;
  const char held = drive_;
  buildList();
  SetDriveLetter(held);
}

TDirectoryListBox* TDriveComboBox::DirList() const { return dirList_; }

void TDriveComboBox::SetDirList(TDirectoryListBox* list) {
  if (dirList_ && dirList_->driveCombo_ == this) dirList_->driveCombo_ = nullptr;
  dirList_ = list;
  if (list != nullptr) list->driveCombo_ = this;
}

void TDriveComboBox::windowCreated() {
  windowCreated_ = true;
  buildList();
  SetDriveLetter(drive_);
}

void TDriveComboBox::userChoice() {
  if (OnClick) OnClick();
  if (currentIndex() >= 0) SetDriveLetter(itemText(currentIndex()).front());
  if (OnSelect) {
    OnSelect();
  } else {
    raiseChange();
  }
}

std::string TDriveComboBox::itemText(int index) const {
  if (index < 0 || index >= count()) throw listIndexError(index);
  return QComboBox::itemText(index).toStdString();
}

void TDriveComboBox::setItemHeight(int pixels) {
  if (pixels <= 0) return;
  itemHeight_ = pixels;
  update();
}

void TDriveComboBox::raiseChange() {
  if (OnChange) OnChange();
}

void TDriveComboBox::buildList() {
  static const std::map<platform::DriveType, DriveImage> kImages = {
      {platform::DriveType::Removable, DriveImage::Floppy},
      {platform::DriveType::Fixed, DriveImage::Hard},
      {platform::DriveType::Remote, DriveImage::Network},
      {platform::DriveType::CdRom, DriveImage::CdRom},
      {platform::DriveType::RamDisk, DriveImage::Ram},
  };
  clear();
  const platform::FileSystem& fileSystem = platform::FileSystem::instance();
  const std::uint32_t drives = fileSystem.logicalDrives();
  for (int i = 0; i < 26; ++i) {
    if ((drives & (1u << i)) == 0) continue;
    char letter = static_cast<char>('a' + i);
    const platform::DriveType type = fileSystem.driveType(std::string{letter, ':', '\\'});
    const auto image = kImages.find(type);
    if (image == kImages.end()) continue;  // no type, or no root folder: not listed
    if (textCase_ == TTextCase::tcUpperCase) letter = toUpperChar(letter);
    std::string text{letter, ':'};
    if (type == platform::DriveType::Remote) {
      text += " " + networkText(letter);
    } else if (type != platform::DriveType::Removable) {
      text += " " + volumeText(letter);
    }
    addItem(QString::fromStdString(text), static_cast<int>(image->second));
  }
  // A fresh list has no selection (the combo selects its first entry itself).
  setCurrentIndex(-1);
}

std::string TDriveComboBox::volumeText(char letter) const {
  std::string label;
  if (!platform::FileSystem::instance().volumeInformation(std::string{letter, ':', '\\'}, &label,
                                                          nullptr)) {
    label.clear();
  }
  return "[" + caseLike(letter, label) + "]";
}

std::string TDriveComboBox::networkText(char letter) const {
  const std::optional<std::string> remote =
      platform::FileSystem::instance().remoteName(std::string{toUpperChar(letter), ':'});
  if (!remote) return volumeText(letter);
  return caseLike(letter, *remote);
}

void TDriveComboBox::drawEntry(QPainter& painter, const QRect& r, int index, bool selected) const {
  const QPalette& colors = palette();
  painter.save();
  painter.fillRect(r,
                   colors.brush(QPalette::Active, selected ? QPalette::Highlight : QPalette::Base));
  int imageWidth = 16;
  const int image = index >= 0 && index < count() ? itemData(index, kImageRole).toInt() : kNoImage;
  if (image != kNoImage) {
    const QImage& picture = driveImage(static_cast<DriveImage>(image));
    painter.drawImage(r.left() + 2, (2 * r.top() + r.height() - picture.height()) / 2, picture);
    imageWidth = picture.width();
  }
  if (index >= 0 && index < count()) {
    painter.setPen(
        colors.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text));
    painter.setFont(font());
    const int textLeft = r.left() + imageWidth + 6;
    // Plain text: "&" is shown as itself.
    painter.drawText(QRect(textLeft, r.top(), std::max(0, r.right() - textLeft + 1), r.height()),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QComboBox::itemText(index));
  }
  painter.restore();
}

void TDriveComboBox::showEvent(QShowEvent* event) {
  QComboBox::showEvent(event);
  if (!windowCreated_) controls::runGuarded([this] { windowCreated(); });
}

void TDriveComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText.clear();
  option.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  const QRect field =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  painter.fillRect(field, palette().brush(QPalette::Active, QPalette::Base));
  if (currentIndex() >= 0) drawEntry(painter, field, currentIndex(), hasFocus());
  if (hasFocus())
    controls::drawFocusRect(painter, field, palette().color(QPalette::Active, QPalette::Highlight));
}

void TDriveComboBox::changeEvent(QEvent* event) {
  QComboBox::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    setItemHeight(
        std::max(controls::textMetricHeight(font()), driveImage(DriveImage::Floppy).height()));
  }
}

const controls::PropertyTable& TDriveComboBox::propertyTable() const {
  using P = controls::Stored<TDriveComboBox>;
  using layout::Value;
  static const controls::PropertyTable table(
      {&controlPropertyTable()},
      {
          namedHandler("OnChange"),
          namedHandler("OnClick"),
          namedHandler("OnSelect"),
          P::property(
              "TextCase",
              [](const TDriveComboBox& c) {
                return Value::Identifier{c.textCase_ == TTextCase::tcUpperCase ? "tcUpperCase"
                                                                               : "tcLowerCase"};
              },
              [](TDriveComboBox& c, const Value::Identifier& textCase) {
                const bool upper = textCase.name == "tcUpperCase";
                if (!upper && textCase.name != "tcLowerCase")
                  throw Exception("Invalid property value: TextCase " + textCase.name);
                c.SetTextCase(upper ? TTextCase::tcUpperCase : TTextCase::tcLowerCase);
              }),
          P::property("ItemHeight", &TDriveComboBox::itemHeight, &TDriveComboBox::setItemHeight),
          P::property(
              "DirList", [](const TDriveComboBox& c) { return Value::Identifier{c.dirListName_}; },
              [](TDriveComboBox& c, const Value& v, layout::ReadContext& context) {
                c.dirListName_ = v.asIdentifier();
                layout::Component* root = &context.root();
                context.addFixup([&c, root, target = c.dirListName_] {
                  auto* list = dynamic_cast<TDirectoryListBox*>(root->findComponent(target));
                  if (list == nullptr) throw Exception("Invalid property value: DirList " + target);
                  c.SetDirList(list);
                });
              }),
      });
  return table;
}

}  // namespace vistrel::browse
