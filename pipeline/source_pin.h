// TOWSourcePin: the sending end of a connection. One source feeds any number
// of sinks; we deliver to them in dispatch order (a sink's dependency first).
//
// Locking: connecting, disconnecting and destroying take the global write
// lock. Delivery takes the global read lock and this pin's group lock, and
// each sink's group lock around its dispatcher call. Handlers therefore run
// on the sender's thread; a handler that needs the GUI thread must hand its
// work over itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "pipeline/basic_pin.h"

namespace vistrel {

class TOWSinkPin;

struct TOWSinkEntry {
  TOWBasicPin* sink = nullptr;        // a sink pin, state pin or placeholder
  TOWBasicPin* dependency = nullptr;  // served before `sink` when set
  TOWStreamType streamType;
  bool agreed = false;  // a stream type was agreed: the sink takes operations
  std::int32_t busyScore = 0;
};

class TOWSourcePin : public TOWStreamPin {
 public:
  using TOWStreamPin::TOWStreamPin;
  // Disconnects every sink (each gets a stop first).
  ~TOWSourcePin() override;

  // Accepts a TOWSinkPin, a TOWStatePin or a TOWUnloadedPin; anything else
  // returns false. A sink fed by another source is moved over. Connecting a
  // sink that is already connected here changes nothing.
  bool Connect(TOWBasicPin* sink, TOWBasicPin* dependency = nullptr);
  // Sends a TOWStopOperation to `sink` alone, then removes it.
  void Disconnect(TOWBasicPin* sink);
  void DisconnectAll();
  bool IsConnected() const;
  int SinkCount() const;
  TOWBasicPin* Sink(int index) const;
  std::vector<TOWSinkEntry> SinkEntries() const;

  // Delivers to every sink, or to `target` alone; exceptions of the sinks
  // pass to the caller. Raises EOWException when 201 deliveries are already
  // running on this pin.
  bool Notify(const TOWOperationPtr& operation, TOWBasicPin* target = nullptr);
  // Wraps `buffer` in a TOWSuppliedBufferOperation and delivers it; anything
  // raised while delivering is swallowed (a sink failure must not stop the
  // producer).
  void SendData(std::shared_ptr<TSLGenericBuffer> buffer);

  // Functional dependency: sink pins of the owner that belong to the same
  // function; adding joins the pin into this pin's lock group.
  void AddFunctionSinkPin(TOWSinkPin& pin);

  // Operations arriving from a connected sink (upstream). Returns false when
  // this pin has no upstream dispatcher.
  virtual bool ReceiveUpstream(TOWSinkPin& from, const TOWStreamType& type, std::uint32_t flags,
                               const TOWOperationPtr& operation) {
    return false;
  }

  // Swaps a placeholder for the real pin in every entry (sink or dependency).
  void ReplacePlaceholder(TOWBasicPin* placeholder, TOWBasicPin* real);

  // "Form" and "SinkPins" (one item per sink, in entry order).
  void appendStoredProperties(const std::string& prefix,
                              std::vector<layout::Property>& out) const override;
  bool readProperty(const std::string& name, const layout::Value& value,
                    layout::ReadContext& context) override;

 protected:
  // Called after a successful delivery (with `target` null for broadcasts).
  virtual void AfterDelivery(const TOWOperationPtr& operation, TOWBasicPin* target) {}
  // Called, with the locks held, after a sink was added.
  virtual void SinkConnected(TOWBasicPin* sink) {}

 private:
  // The entry for a new sink with the agreed stream type; moves a sink fed
  // by another source away from it. Locks held.
  TOWSinkEntry MakeEntry(TOWBasicPin* sink, TOWBasicPin* dependency);
  void Attached(const TOWSinkEntry& entry);    // locks held
  void Reorder();                              // pin lock held
  int IndexOf(const TOWBasicPin* sink) const;  // pin lock held

  std::vector<TOWSinkEntry> entries_;
  int nesting_ = 0;
  bool removing_ = false;
};

// Source pin of the generic operation streams: remembers the last start
// operation it sent and gives it to sinks that connect later; a stop forgets it.
class TSLOWSourcePin : public TOWSourcePin {
 public:
  explicit TSLOWSourcePin(TOWPinOwner* owner);
  TOWOperationPtr CurrentStart() const;

 protected:
  void AfterDelivery(const TOWOperationPtr& operation, TOWBasicPin* target) override;
  void SinkConnected(TOWBasicPin* sink) override;

 private:
  TOWOperationPtr currentStart_;
};

// Handler of operations that reach the owner through its pin.
using TOWPinHandler =
    std::function<std::uint8_t(TOWBasicPin& pin, const TOWStreamType& type, std::uint32_t flags,
                               const TOWOperationPtr& operation)>;

// The image output pin: declares the image type after the generic one (so
// image sinks agree on images) and passes what comes upstream to the owner.
class TVLOWImageSourcePin : public TSLOWSourcePin {
 public:
  TVLOWImageSourcePin(TOWPinOwner* owner, TOWPinHandler ownerHandler);
  bool ReceiveUpstream(TOWSinkPin& from, const TOWStreamType& type, std::uint32_t flags,
                       const TOWOperationPtr& operation) override;

 private:
  TOWPinHandler ownerHandler_;
};

}  // namespace vistrel
