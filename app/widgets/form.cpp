#include "app/widgets/form.h"

#include <algorithm>

#include <QScreen>

namespace vistrel::app {
namespace {

// The stored TabOrder of a child control, -1 for none (or not a widget).
int storedTabOrder(const layout::Component& child) {
  if (dynamic_cast<const QWidget*>(&child) == nullptr) return -1;
  const auto* control = dynamic_cast<const controls::Control*>(&child);
  return control == nullptr ? -1 : control->tabOrder();
}

}  // namespace

TForm::TForm(QWidget* parent) : QWidget(parent), EventControl(this) {
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
    // Qt's parent chain owns it from here, set just below.
    static_cast<void>(child.release());
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

const controls::PropertyTable& TForm::propertyTable() const {
  using P = controls::Stored<TForm>;
  static const controls::PropertyTable table(
      {&controlPropertyTable()},
      {
          P::property("Left", &TForm::x, [](TForm& c, int left) { c.move(left, c.y()); }),
          P::property("Top", &TForm::y, [](TForm& c, int top) { c.move(c.x(), top); }),
          P::property("ClientWidth", &TForm::width, &TForm::setFixedWidth),
          P::property("ClientHeight", &TForm::height, &TForm::setFixedHeight),
          P::property(
              "Caption", [](const TForm& c) { return c.windowTitle().toStdString(); },
              [](TForm& c, const std::string& caption) {
                c.setWindowTitle(QString::fromStdString(caption));
              }),
          P::property(
              "BorderIcons", [](const TForm& c) { return c.borderIcons_; },
              [](TForm& c, const layout::Value::Set& icons) { c.setBorderIcons(icons); }),
          P::identifier("BorderStyle", &TForm::borderStyle_),
          P::identifier("Position", &TForm::position_),
          P::field("OldCreateOrder", &TForm::oldCreateOrder_),
          P::field("PixelsPerInch", &TForm::pixelsPerInch_),
          P::field("TextHeight", &TForm::textHeight_),
          eventProperty<TForm>("OnCreate", &TForm::onCreate_),
      });
  return table;
}

void TForm::setBorderIcons(const layout::Value::Set& icons) {
  borderIcons_ = icons;
  auto has = [&](const char* icon) {
    return std::find(icons.members.begin(), icons.members.end(), icon) != icons.members.end();
  };
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (has("biSystemMenu")) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (has("biMinimize")) flags |= Qt::WindowMinimizeButtonHint;
  if (has("biMaximize")) flags |= Qt::WindowMaximizeButtonHint;
  setWindowFlags(flags);
}

template <typename Handler>
void bindEvent(EventSlot<Handler>& slot, const layout::Value& value, layout::ReadContext& context) {
  auto* form = dynamic_cast<TForm*>(&context.root());
  if (form == nullptr) throw Exception("Event handlers need a window as the layout's root");
  slot.name = value.asIdentifier();
  slot.handler = form->handler<Handler>(slot.name);
}

template void bindEvent(NotifyEvent&, const layout::Value&, layout::ReadContext&);
template void bindEvent(KeyEvent&, const layout::Value&, layout::ReadContext&);
template void bindEvent(MouseEvent&, const layout::Value&, layout::ReadContext&);

}  // namespace vistrel::app
