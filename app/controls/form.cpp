#include "app/controls/form.h"

#include <algorithm>

#include <QScreen>

#include "browse/directory_list_box.h"
#include "browse/drive_combo_box.h"

namespace vistrel::app {
namespace {

// The stored TabOrder of a child control, -1 for none (or not a widget).
int storedTabOrder(const layout::Component& child) {
  if (dynamic_cast<const QWidget*>(&child) == nullptr) return -1;
  if (const auto* control = dynamic_cast<const Control*>(&child)) return control->tabOrder();
  if (const auto* list = dynamic_cast<const browse::TDirectoryListBox*>(&child)) {
    return list->controlProperties().tabOrder();
  }
  if (const auto* drives = dynamic_cast<const browse::TDriveComboBox*>(&child)) {
    return drives->controlProperties().tabOrder();
  }
  return -1;
}

}  // namespace

TForm::TForm(QWidget* parent) : QWidget(parent), Control(this) {
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
}

TForm::~TForm() = default;

void TForm::insertChild(std::unique_ptr<layout::Component> child) {
  layout::Component* component = child.get();
  auto* object = dynamic_cast<QObject*>(component);
  if (object == nullptr) {
    Component::insertChild(std::move(child));
  } else {
    child.release();  // Qt's parent chain owns it from here
    if (auto* widget = qobject_cast<QWidget*>(object)) {
      widget->setParent(this);
    } else {
      object->setParent(this);
    }
  }
  children_.push_back(component);
}

std::vector<layout::Component*> TForm::childComponents() const {
  std::vector<layout::Component*> all = children_;
  for (layout::Component* owned : Component::childComponents()) {
    if (std::find(all.begin(), all.end(), owned) == all.end()) all.push_back(owned);
  }
  return all;
}

void TForm::loaded() {
  std::vector<std::pair<int, QWidget*>> ordered;
  for (layout::Component* child : children_) {
    const int order = storedTabOrder(*child);
    if (order >= 0) ordered.emplace_back(order, dynamic_cast<QWidget*>(child));
  }
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < ordered.size(); ++i) {
    QWidget::setTabOrder(ordered[i - 1].second, ordered[i].second);
  }
  raiseFromUser(onCreate_);
}

bool TForm::applyProperty(const std::string& name, const layout::Value& value,
                          layout::ReadContext& context) {
  if (name == "Left") {
    move(static_cast<int>(value.asInteger()), y());
  } else if (name == "Top") {
    move(x(), static_cast<int>(value.asInteger()));
  } else if (name == "ClientWidth") {
    setFixedWidth(static_cast<int>(value.asInteger()));
  } else if (name == "ClientHeight") {
    setFixedHeight(static_cast<int>(value.asInteger()));
  } else if (name == "Caption") {
    setWindowTitle(QString::fromStdString(value.asString()));
  } else if (name == "BorderIcons") {
    borderIcons_ = value.asSet();
    const auto& icons = borderIcons_.members;
    auto has = [&](const char* icon) {
      return std::find(icons.begin(), icons.end(), icon) != icons.end();
    };
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (has("biSystemMenu")) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (has("biMinimize")) flags |= Qt::WindowMinimizeButtonHint;
    if (has("biMaximize")) flags |= Qt::WindowMaximizeButtonHint;
    setWindowFlags(flags);
  } else if (name == "BorderStyle") {
    borderStyle_ = value.asIdentifier();
  } else if (name == "Position") {
    position_ = value.asIdentifier();
  } else if (name == "OldCreateOrder") {
    oldCreateOrder_ = value.asBoolean();
  } else if (name == "PixelsPerInch") {
    pixelsPerInch_ = static_cast<int>(value.asInteger());
  } else if (name == "TextHeight") {
    textHeight_ = static_cast<int>(value.asInteger());
  } else if (name == "OnCreate") {
    bindEvent(onCreate_, value, context);
  } else {
    return Control::applyProperty(name, value, context);
  }
  return true;
}

layout::Value TForm::propertyValue(const std::string& name) const {
  if (name == "Left") return x();
  if (name == "Top") return y();
  if (name == "ClientWidth") return width();
  if (name == "ClientHeight") return height();
  if (name == "Caption") return windowTitle().toStdString();
  if (name == "BorderIcons") return borderIcons_;
  if (name == "BorderStyle") return layout::Value::Identifier{borderStyle_};
  if (name == "Position") return layout::Value::Identifier{position_};
  if (name == "OldCreateOrder") return oldCreateOrder_;
  if (name == "PixelsPerInch") return pixelsPerInch_;
  if (name == "TextHeight") return textHeight_;
  if (name == "OnCreate") return eventValue(onCreate_.name);
  return Control::propertyValue(name);
}

}  // namespace vistrel::app
