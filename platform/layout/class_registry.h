// The classes a stored layout may name. A layout names each component's
// class ("TListBox"); the reader creates it through the factory registered
// under that name. Registering a name again replaces the earlier factory.
//
// Threads: registration and lookup may happen from any thread (a mutex guards
// the table), typically at start-up before the first layout is read.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/layout/component.h"

namespace vistrel::layout {

// Creates a component of one class. `owner` is the component it will be
// inserted into (the window or an enclosing component); a widget uses it as
// its parent. The factory returns ownership; the reader hands the component
// to owner.insertChild() right away.
using ComponentFactory = std::function<std::unique_ptr<Component>(Component& owner)>;

class ClassRegistry {
 public:
  // The process-wide registry that readLayout uses unless told otherwise.
  static ClassRegistry& global();

  void registerClass(const std::string& className, ComponentFactory factory);
  // Creates an instance; throws EClassNotFound ("Class TFoo not found") when
  // the class is not registered.
  std::unique_ptr<Component> create(const std::string& className, Component& owner) const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, ComponentFactory> factories_;
};

// Shorthand for ClassRegistry::global().registerClass(...).
void registerClass(const std::string& className, ComponentFactory factory);

// Registers `T` under `className` with a factory calling T(owner).
template <typename T>
void registerClass(const std::string& className) {
  registerClass(className, [](Component& owner) -> std::unique_ptr<Component> {
    return std::make_unique<T>(owner);
  });
}

}  // namespace vistrel::layout
