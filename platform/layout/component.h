// Objects that a stored window layout creates and fills. A component has a
// class name (looked up in the registry when the layout is read), a name
// unique within the layout, published properties that the reader sets by
// name, and child components in stored order.
//
// Ownership. A component owns the children inserted through the default
// insertChild() and destroys them, last inserted first, when it is destroyed.
// A component whose children are kept alive elsewhere (a QWidget parent
// deletes its child widgets itself) overrides insertChild(), hands the child
// to that owner (child.release() plus setParent) and records it with
// addUnownedChild(); the component then never deletes it. Mixing both kinds
// under one parent is fine. A widget that is also a component should list
// Component after QWidget among its bases, or release every child as above,
// so that no child is deleted twice.
//
// Threads: a component tree is built, read and written on one thread (the
// window's); nothing here locks.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/layout/value.h"

namespace vistrel::layout {

class Component;
struct ComponentAccess;  // the reader's way to set owner() (layout_reader.cpp)

// Handed to readProperty so that a property can refer to other parts of the
// layout being read (the root component, fix-ups that must wait until every
// component exists).
class ReadContext {
 public:
  virtual ~ReadContext() = default;
  // The component at the root of the layout being read (the window).
  virtual Component& root() = 0;
  // Runs `fixup` after every component of the layout exists and has its
  // properties, before any component's loaded() is called. Fix-ups run in the
  // order they were added; one that throws ends the read with its error.
  virtual void addFixup(std::function<void()> fixup) = 0;
};

// Anything whose stored properties a PropertyTable reads and writes: the
// components, and the items of a stored collection.
class StoredObject {
 public:
  virtual ~StoredObject() = default;
};

class Component : public StoredObject {
 public:
  Component() = default;
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;
  ~Component() override;

  // The registered class name, e.g. "TListBox".
  virtual std::string className() const = 0;
  const std::string& componentName() const { return name_; }
  virtual void setComponentName(const std::string& name) { name_ = name; }

  // The component that this one was created for and inserted into (set by the
  // reader before insertChild, whatever an override does); nullptr for a root.
  Component* owner() const { return owner_; }
  // The top owner (the window for every component of its layout).
  const Component& rootComponent() const;
  Component& rootComponent();
  // "Form1.VLImageGen1": the names from the root down to this component.
  std::string componentPath() const;

  // Sets one stored property; `name` may be dotted ("Font.Style",
  // "OutputPin.SinkPins"). Returns false when `name` is not a published
  // property of this class (the reader then fails naming component and
  // property); throws vistrel::Exception when the value does not fit.
  virtual bool readProperty(const std::string& name, const Value& value, ReadContext& context) = 0;

  // The stored properties, in the order they are written.
  virtual std::vector<Property> storedProperties() const = 0;

  // Takes ownership of a child that the reader created with this component as
  // its owner and parent, and appends it to childComponents(). Overrides that
  // hand the child to another owner call addUnownedChild() instead.
  virtual void insertChild(std::unique_ptr<Component> child);

  // The children in stored order (owned and unowned alike).
  virtual std::vector<Component*> childComponents() const { return children_; }

  // Called once on every component, children first, after the whole layout
  // has been read and every fix-up has run. The window's create handler runs
  // from the root's loaded().
  virtual void loaded() {}

  // Finds a direct or nested child by name; nullptr when none.
  Component* findComponent(const std::string& name) const;

 protected:
  // Appends `child` to childComponents() without owning it: whoever keeps it
  // alive (a QObject parent) must keep it alive as long as this component.
  void addUnownedChild(Component& child);

 private:
  friend struct ComponentAccess;

  std::string name_;
  Component* owner_ = nullptr;
  std::vector<Component*> children_;
  std::vector<std::unique_ptr<Component>> ownedChildren_;
};

}  // namespace vistrel::layout
