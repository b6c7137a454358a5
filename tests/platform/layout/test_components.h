// A tiny family of components for the layout tests: each publishes a fixed
// set of property names, keeps what it read in order, and logs loaded() and
// fix-ups so that tests can check the order of the read.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/layout/class_registry.h"
#include "platform/layout/component.h"

namespace vistrel::testing {

class TestComponent : public layout::Component {
 public:
  TestComponent(std::string className, std::vector<std::string>* log)
      : className_(std::move(className)), log_(log) {}

  std::string className() const override { return className_; }

  bool readProperty(const std::string& name, const layout::Value& value,
                    layout::ReadContext& context) override {
    if (name.starts_with("Unknown")) return false;
    if (name == "Width" && value.asInteger() < 0) throw Exception("Width must not be negative");
    if (name == "Buddy") {
      // A reference to a component that may come later in the text.
      std::string buddy = value.asIdentifier();
      context.addFixup([this, buddy, &context] {
        buddy_ = context.root().findComponent(buddy);
        if (log_) log_->push_back("fixup " + componentName());
      });
    }
    stored_.push_back(layout::makeProperty(name, value));
    return true;
  }

  std::vector<layout::Property> storedProperties() const override { return stored_; }

  void loaded() override {
    if (log_) log_->push_back("loaded " + componentName());
  }

  const layout::Value* find(const std::string& name) const {
    for (const auto& property : stored_) {
      if (property.name == name) return &property.value();
    }
    return nullptr;
  }
  Component* buddy() const { return buddy_; }

 private:
  std::string className_;
  std::vector<std::string>* log_;
  std::vector<layout::Property> stored_;
  Component* buddy_ = nullptr;
};

// Registers TTestForm's children TTestPanel and TTestControl in `registry`,
// logging into `log`.
inline void registerTestClasses(layout::ClassRegistry& registry, std::vector<std::string>* log) {
  for (const char* name : {"TTestPanel", "TTestControl"}) {
    registry.registerClass(name, [name, log](layout::Component&) {
      return std::make_unique<TestComponent>(name, log);
    });
  }
}

}  // namespace vistrel::testing
