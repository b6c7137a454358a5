// The pin base classes: ownership by a component, the global list of pins,
// pin paths, stream-type declaration.
//
// A pin is named by a dotted path: root form, owner component and the owner's
// published property that holds the pin ("Form1.VLImageGen1.OutputPin"). A
// pin inside a pin list has a name form (list property then the pin's name)
// and an index form (list property then "._Pin" and its index).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pipeline/lock_group.h"
#include "pipeline/operations.h"
#include "pipeline/stream_type.h"

namespace vistrel {

namespace layout {
struct Property;
struct Value;
class ReadContext;
}  // namespace layout

class TOWBasicPin;

// One published property of a component that holds a pin.
struct TOWPublishedPin {
  std::string property;  // "OutputPin", or the list property of a pin list
  const TOWBasicPin* pin = nullptr;
  int listIndex = -1;      // index in the pin list; -1 for a plain property
  std::string nameInList;  // the pin's name in the list
};

// What a pin needs from the component that owns it.
class TOWPinOwner {
 public:
  virtual ~TOWPinOwner() = default;
  virtual std::string PinOwnerName() const = 0;
  // Current name of the root form that (directly or not) owns the component;
  // empty when the component has no form.
  virtual std::string PinRootName() const = 0;
  // True when the owner is itself the root form.
  virtual bool PinOwnerIsRoot() const { return false; }
  // Identifies the root form object (two forms may carry the same name);
  // null when unknown.
  virtual const void* PinRootIdentity() const { return nullptr; }
  virtual std::vector<TOWPublishedPin> PublishedPins() const = 0;
};

class TOWPinObject : public TOWObject {};

class TOWBasicPin : public TOWPinObject {
 public:
  // Registers the pin in the global pin list; `owner` may be null.
  explicit TOWBasicPin(TOWPinOwner* owner);
  ~TOWBasicPin() override;

  TOWPinOwner* Owner() const { return owner_; }

  // Name-form path, "(No owner)" without an owner.
  std::string Path() const;
  // Index-form path (equal to Path() for a pin held directly in a property).
  std::string IndexPath() const;
  // Name of the root form, as stored in the "Form" property.
  std::string RootFormName() const;
  const void* RootIdentity() const { return owner_ ? owner_->PinRootIdentity() : nullptr; }

  // Stored connection properties (the "Form", "SinkPins", "SourcePin", ...
  // names below the pin's property), `prefix` being e.g. "OutputPin".
  virtual void appendStoredProperties(const std::string& prefix,
                                      std::vector<layout::Property>& out) const;
  // Reads one of those properties; returns false for an unknown name.
  virtual bool readProperty(const std::string& name, const layout::Value& value,
                            layout::ReadContext& context);

  // Every pin alive now (real pins and placeholders). Holds the pin-list lock.
  static std::vector<TOWBasicPin*> AllPins();
  // The process-wide critical section around the pin list and path lookups.
  static std::recursive_mutex& PinListMutex();

  // Rewrites a stored path whose form prefix is the stored form name to the
  // current root form name.
  std::string RewriteStoredPath(const std::string& path) const;

 private:
  std::string storedFormName_;  // the "Form" read
  TOWPinOwner* owner_;
};

// Accepted stream types.
class TOWPin : public TOWBasicPin {
 public:
  using TOWBasicPin::TOWBasicPin;
  bool Accepts(const TOWStreamType& type) const;

 protected:
  std::vector<TOWStreamType> acceptedTypes_;
};

// Declares the stream types it accepts; a source offers them to its sinks.
class TOWStreamPin : public TOWPin {
 public:
  using TOWPin::TOWPin;
  // In declaration order; a source prefers the later ones.
  const std::vector<TOWStreamType>& DeclaredTypes() const { return acceptedTypes_; }

 protected:
  void DeclareStreamType(const TOWStreamType& type) { acceptedTypes_.push_back(type); }
};

// Implemented by sink pins that take operations (the generic receiver). The
// result's bit 0 feeds the sink's busy score.
class TOWOperationReceiver {
 public:
  virtual ~TOWOperationReceiver() = default;
  virtual std::uint8_t ReceiveOperation(const TOWStreamType& type, const TOWOperationPtr& operation,
                                        std::uint32_t flags) = 0;
};

}  // namespace vistrel
