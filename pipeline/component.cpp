#include "pipeline/component.h"

namespace vistrel {

std::string TOWComponent::PinRootName() const {
  if (owner()) return rootComponent().componentName();
  return root_ ? root_->componentName() : std::string();
}

const void* TOWComponent::PinRootIdentity() const {
  if (owner()) return &rootComponent();
  return root_;
}

bool TOWComponent::readPinProperty(const std::string& name, const layout::Value& value,
                                   layout::ReadContext& context) {
  if (!root_) root_ = &context.root();
  const auto dot = name.find('.');
  if (dot == std::string::npos) return false;
  const std::string property = name.substr(0, dot);
  for (const TOWPublishedPin& published : PublishedPins()) {
    if (published.property == property && published.listIndex < 0) {
      return const_cast<TOWBasicPin*>(published.pin)
          ->readProperty(name.substr(dot + 1), value, context);
    }
  }
  return false;
}

void TOWComponent::appendPinProperties(std::vector<layout::Property>& out) const {
  for (const TOWPublishedPin& published : PublishedPins()) {
    if (published.listIndex >= 0) continue;
    published.pin->appendStoredProperties(published.property, out);
  }
}

}  // namespace vistrel
