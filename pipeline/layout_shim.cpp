// TEMPORARY: definitions of the layout component base until the layout
// reader is merged; removed then.
#include "platform/layout/component.h"

namespace vistrel::layout {

void Component::insertChild(std::unique_ptr<Component> child) {
  ownedChildren_.push_back(std::move(child));
}

std::vector<Component*> Component::childComponents() const {
  std::vector<Component*> out;
  for (const auto& child : ownedChildren_) out.push_back(child.get());
  return out;
}

Component* Component::findComponent(const std::string& name) const {
  for (Component* child : childComponents()) {
    if (child->componentName() == name) return child;
    if (Component* nested = child->findComponent(name)) return nested;
  }
  return nullptr;
}

}  // namespace vistrel::layout
