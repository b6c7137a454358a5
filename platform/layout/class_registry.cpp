#include "platform/layout/class_registry.h"

#include "platform/layout/errors.h"

namespace vistrel::layout {

ClassRegistry& ClassRegistry::global() {
  static ClassRegistry registry;
  return registry;
}

void ClassRegistry::registerClass(const std::string& className, ComponentFactory factory) {
  std::lock_guard lock(mutex_);
  factories_[className] = std::move(factory);
}

std::unique_ptr<Component> ClassRegistry::create(const std::string& className,
                                                 Component& owner) const {
  ComponentFactory factory;
  {
    std::lock_guard lock(mutex_);
    auto found = factories_.find(className);
    if (found == factories_.end()) throw EClassNotFound("Class " + className + " not found", 0);
    factory = found->second;
  }
  // Called unlocked: a constructor may register further classes.
  std::unique_ptr<Component> component = factory(owner);
  if (!component) throw EClassNotFound("Class " + className + " could not be created", 0);
  return component;
}

void registerClass(const std::string& className, ComponentFactory factory) {
  ClassRegistry::global().registerClass(className, std::move(factory));
}

}  // namespace vistrel::layout
