// Objects that a stored window layout creates and fills. A component has a
// class name (looked up in the registry when the layout is read), a name
// unique among its owner's components, published properties that the reader
// sets by name, and owned child components.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/layout/value.h"

namespace vistrel::layout {

class Component;

// Handed to readProperty so that a property can refer to other parts of the
// layout being read (the root component, fix-ups that must wait until every
// component exists).
class ReadContext {
 public:
  virtual ~ReadContext() = default;
  // The component at the root of the layout being read (the window).
  virtual Component& root() = 0;
  // Runs `fixup` after every component of the layout exists and has its
  // properties, before any component's loaded() is called.
  virtual void addFixup(std::function<void()> fixup) = 0;
};

class Component {
 public:
  virtual ~Component() = default;

  // The registered class name, e.g. "TListBox".
  virtual std::string className() const = 0;
  const std::string& componentName() const { return name_; }
  virtual void setComponentName(const std::string& name) { name_ = name; }

  // Sets one stored property. Returns false when `name` is not a published
  // property of this class (the reader then fails naming class and property);
  // throws vistrel::Exception when the value does not fit.
  virtual bool readProperty(const std::string& name, const Value& value, ReadContext& context) = 0;

  // The stored properties, in the order they are written.
  virtual std::vector<Property> storedProperties() const = 0;

  // Takes a child that the reader created with this component as its owner
  // and parent. The default keeps it in children(); widgets also reparent it.
  virtual void insertChild(std::unique_ptr<Component> child);

  // The owned children in stored order.
  virtual std::vector<Component*> childComponents() const;

  // Called once on every component, children first, after the whole layout
  // has been read and every fix-up has run. The window's create handler runs
  // from the root's loaded().
  virtual void loaded() {}

  // Finds a direct or nested child by name; nullptr when none.
  Component* findComponent(const std::string& name) const;

 protected:
  // Children that a subclass keeps itself (a QWidget parent owns them) can
  // be released from here by overriding insertChild/childComponents.
  std::vector<std::unique_ptr<Component>> ownedChildren_;

 private:
  std::string name_;
};

}  // namespace vistrel::layout
