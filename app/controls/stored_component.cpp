#include "app/controls/stored_component.h"

#include <algorithm>

#include "app/controls/form.h"
#include "platform/exception.h"

namespace vistrel::app {
namespace {

TForm& formOf(layout::ReadContext& context) {
  auto* form = dynamic_cast<TForm*>(&context.root());
  if (form == nullptr) throw Exception("Event handlers need a window as the layout's root");
  return *form;
}

template <typename Slot>
void bind(Slot& slot, const layout::Value& value, layout::ReadContext& context) {
  slot.name = value.asIdentifier();
  slot.handler = formOf(context).template handler<decltype(slot.handler)>(slot.name);
}

}  // namespace

bool StoredComponent::readProperty(const std::string& name, const layout::Value& value,
                                   layout::ReadContext& context) {
  if (!applyProperty(name, value, context)) return false;
  if (std::find(storedOrder_.begin(), storedOrder_.end(), name) == storedOrder_.end()) {
    storedOrder_.push_back(name);
  }
  return true;
}

std::vector<layout::Property> StoredComponent::storedProperties() const {
  std::vector<layout::Property> properties;
  properties.reserve(storedOrder_.size());
  for (const std::string& name : storedOrder_) {
    properties.push_back(layout::makeProperty(name, propertyValue(name)));
  }
  return properties;
}

void StoredComponent::bindEvent(NotifyEvent& slot, const layout::Value& value,
                                layout::ReadContext& context) {
  bind(slot, value, context);
}

void StoredComponent::bindEvent(KeyEvent& slot, const layout::Value& value,
                                layout::ReadContext& context) {
  bind(slot, value, context);
}

void StoredComponent::bindEvent(MouseEvent& slot, const layout::Value& value,
                                layout::ReadContext& context) {
  bind(slot, value, context);
}

layout::Value StoredComponent::eventValue(const std::string& handlerName) {
  return layout::Value::Identifier{handlerName};
}

}  // namespace vistrel::app
