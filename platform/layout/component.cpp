#include "platform/layout/component.h"

namespace vistrel::layout {

Component::~Component() {
  // Last inserted first, so that a child may still refer to earlier siblings
  // while it is destroyed.
  while (!ownedChildren_.empty()) ownedChildren_.pop_back();
}

const Component& Component::rootComponent() const {
  const Component* component = this;
  while (component->owner_ != nullptr) component = component->owner_;
  return *component;
}

Component& Component::rootComponent() {
  return const_cast<Component&>(static_cast<const Component*>(this)->rootComponent());
}

std::string Component::componentPath() const {
  if (owner_ == nullptr) return name_;
  return owner_->componentPath() + "." + name_;
}

void Component::insertChild(std::unique_ptr<Component> child) {
  Component& added = *child;
  ownedChildren_.push_back(std::move(child));
  addUnownedChild(added);
}

void Component::addUnownedChild(Component& child) {
  child.owner_ = this;
  children_.push_back(&child);
}

Component* Component::findComponent(const std::string& name) const {
  for (Component* child : childComponents()) {
    if (child->componentName() == name) return child;
  }
  for (Component* child : childComponents()) {
    if (Component* found = child->findComponent(name)) return found;
  }
  return nullptr;
}

}  // namespace vistrel::layout
