#include "platform/layout/layout_reader.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/layout/layout_parser.h"

namespace vistrel::layout {

struct ComponentAccess {
  static void setOwner(Component& child, Component& owner) { child.owner_ = &owner; }
};

namespace {

class LayoutReader : public ReadContext {
 public:
  LayoutReader(Component& root, const ClassRegistry& registry) : root_(root), registry_(registry) {}

  Component& root() override { return root_; }
  void addFixup(std::function<void()> fixup) override { fixups_.push_back(std::move(fixup)); }

  void read(const ObjectNode& rootNode) {
    if (rootNode.className != root_.className()) {
      throw EReadError(
          "Layout of class " + rootNode.className + " cannot be read into " + root_.className(),
          rootNode.line);
    }
    root_.setComponentName(rootNode.name);
    names_.insert(rootNode.name);
    fill(root_, rootNode);
    for (auto& fixup : fixups_) fixup();
    notifyLoaded(root_);
  }

 private:
  void fill(Component& component, const ObjectNode& node) {
    for (const PropertyNode& property : node.properties) readOne(component, property);
    for (const ObjectNode& childNode : node.children) {
      if (!names_.insert(childNode.name).second) {
        throw EReadError("A component named " + childNode.name + " already exists", childNode.line);
      }
      std::unique_ptr<Component> child;
      try {
        child = registry_.create(childNode.className, component);
      } catch (const EClassNotFound& error) {
        throw EClassNotFound(std::string(error.what()), childNode.line);
      } catch (const std::exception& error) {
        throw EReadError("Error creating " + component.componentPath() + "." + childNode.name +
                             ": " + error.what(),
                         childNode.line);
      }
      child->setComponentName(childNode.name);
      ComponentAccess::setOwner(*child, component);
      Component& inserted = *child;
      component.insertChild(std::move(child));
      fill(inserted, childNode);
    }
  }

  void readOne(Component& component, const PropertyNode& property) {
    const std::string where =
        "Error reading " + component.componentPath() + "." + property.name + ": ";
    bool known = false;
    try {
      known = component.readProperty(property.name, property.value, *this);
    } catch (const EClassNotFound&) {
      throw;
    } catch (const EReadError& error) {
      if (error.line() > 0) throw;  // a nested read already named its place
      throw EReadError(where + error.what(), property.line);
    } catch (const std::exception& error) {
      throw EReadError(where + error.what(), property.line);
    }
    if (!known) {
      throw EReadError(where + "Property " + property.name + " does not exist", property.line);
    }
  }

  void notifyLoaded(Component& component) {
    for (Component* child : component.childComponents()) notifyLoaded(*child);
    component.loaded();
  }

  Component& root_;
  const ClassRegistry& registry_;
  std::vector<std::function<void()>> fixups_;
  std::set<std::string> names_;
};

}  // namespace

void readLayout(Component& root, std::string_view text) {
  readLayout(root, text, ClassRegistry::global());
}

void readLayout(Component& root, std::string_view text, const ClassRegistry& registry) {
  ObjectNode rootNode = parseLayoutText(text);
  LayoutReader(root, registry).read(rootNode);
}

}  // namespace vistrel::layout
