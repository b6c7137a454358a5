// Filters and pins: the contracts every filter of a graph keeps, whether it
// is one of the service's own (compressors, the AVI sink) or the caller's (a
// push source), and the base classes that keep them: the state machine,
// connection and checked delivery.
//
// Connection: each output pin delivers one type (a source's pictures, a
// compressor's frames for the pictures it takes); the input pin takes it or
// refuses it, there is nothing to negotiate. Filters start stopped; pins
// connect only while their filter is stopped.
//
// Locks: each filter has a state lock (state changes, connections) and a
// stream lock (receive() and the work done on stop); a stop waits for a
// receive in progress and no sample is taken once the filter is stopped.
// State changes come from the graph's caller; receive() comes from the
// thread that delivers.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/media/guid.h"
#include "platform/media/media_type.h"
#include "platform/media/sample.h"
#include "platform/media/status.h"
#include "platform/media/unknown.h"

namespace vistrel::media {

class BaseFilter;
class FilterGraph;
class InputPinBase;

enum class PinDirection { Input, Output };

enum class FilterState { Stopped, Running };

class Pin : public virtual Unknown {
 public:
  Pin(BaseFilter* filter, PinDirection direction, std::string name);

  // Breaks this side of the connection: S_FALSE when not connected,
  // VFW_E_NOT_STOPPED unless the filter is stopped.
  virtual Status disconnect();
  // The peer, or null when not connected.
  Ref<Pin> connectedTo() const;
  bool isConnected() const;
  // The connection's type; an empty one when not connected.
  MediaType connectionType() const;
  PinDirection direction() const { return direction_; }
  std::string name() const { return name_; }
  // The filter the pin belongs to (not a counted reference: pins live as
  // long as their filter).
  BaseFilter* filter() const { return owner_; }

  // Hooks of the filter's state changes (leaving stopped, stopping).
  virtual Status active() { return S_OK; }
  virtual Status inactive() { return S_OK; }
  // Called by the filter when it goes away: the pin no longer names it.
  void detach() { owner_ = nullptr; }

 protected:
  // Called after a connection was made; a failure undoes it.
  virtual Status completeConnect(Pin* peer) { return S_OK; }
  virtual void breakConnect() {}
  // Records the connection, then completeConnect(); undone when that fails.
  Status join(Pin* peer, const MediaType& type);
  void forget();

  BaseFilter* owner_;
  const PinDirection direction_;
  const std::string name_;
  mutable std::mutex pinMutex_;
  Ref<Pin> connected_;
  MediaType type_;
};

class OutputPinBase : public Pin {
 public:
  OutputPinBase(BaseFilter* filter, std::string name);

  // Connects to the input pin `receivePin` with this pin's one type:
  // VFW_E_ALREADY_CONNECTED, VFW_E_NOT_STOPPED, VFW_E_INVALID_DIRECTION, and
  // VFW_E_NO_ACCEPTABLE_TYPES when the pin has no type yet or the input
  // refuses it.
  Status connect(Pin* receivePin);
  Status disconnect() override;
  Status active() override;
  Status inactive() override;

  // A sample of bufferSize() bytes to fill and deliver: the pin's own, used
  // again once the last delivery let go of it. VFW_E_NOT_CONNECTED without a
  // connection, VFW_E_NOT_COMMITTED while the filter is stopped.
  Status getDeliveryBuffer(Ref<MediaSample>* sample);
  // Hands `sample` to the connected input pin; VFW_E_NOT_CONNECTED when none.
  Status deliver(MediaSample* sample);

 protected:
  // The one type the pin delivers; false while it has none (a compressor
  // whose input is not connected).
  virtual bool outputType(MediaType* type) const = 0;
  // Bytes of the largest sample this pin delivers; asked once it connected.
  virtual std::int32_t bufferSize() const = 0;

 private:
  Ref<InputPinBase> input_;
  std::mutex sampleMutex_;
  Ref<MediaSample> sample_;
  std::int32_t sampleBytes_ = 0;
  std::atomic<bool> active_{false};
};

class InputPinBase : public Pin {
 public:
  InputPinBase(BaseFilter* filter, std::string name);

  // Accepts a connection from `connector` with `type`
  // (VFW_E_TYPE_NOT_ACCEPTED when checkMediaType() refuses it).
  Status receiveConnection(Pin* connector, const MediaType& type);

  // One sample from the connected output pin: checks connection and state
  // under the filter's stream lock, then calls onReceive(). The pin copies
  // what it keeps. VFW_E_WRONG_STATE when the filter is stopped,
  // VFW_E_NOT_CONNECTED when the pin is not connected.
  Status receive(MediaSample* sample);

 protected:
  // S_OK when this pin can take `type`; any failure refuses it.
  virtual Status checkMediaType(const MediaType& type) const = 0;
  // One sample, under the stream lock, while the filter runs.
  virtual Status onReceive(MediaSample* sample) = 0;
};

class BaseFilter : public virtual Unknown {
 public:
  explicit BaseFilter(const Guid& classId) : classId_(classId) {}

  Guid classId() const { return classId_; }
  // Stopped ⇄ running; samples flow while running. stop() keeps the first
  // failure as its result.
  Status stop();
  Status run(ReferenceTime start);
  FilterState state() const { return state_.load(); }
  std::vector<Ref<Pin>> pins() const;
  std::string name() const;
  FilterGraph* graph() const;
  // Called by the graph when the filter is added (graph, name) or removed
  // (null, empty). The filter does not hold a reference to the graph.
  void joinFilterGraph(FilterGraph* graph, const std::string& name);

  std::recursive_mutex& stateLock() const { return stateLock_; }
  std::mutex& streamLock() const { return streamLock_; }

 protected:
  // The filter's pins in order; they live as long as the filter.
  virtual std::vector<Pin*> pinList() const = 0;
  // Leaving stopped (after the pins became active), under the state lock;
  // a failure leaves the filter stopped.
  virtual Status onRun(ReferenceTime start) { return S_OK; }
  // Stopping: under both locks, after the state became stopped and before
  // the pins become inactive (a filter flushes what it holds here).
  virtual Status onStop() { return S_OK; }
  // Call from the most derived destructor: breaks every connection while
  // the pins' filter still exists.
  void disconnectAll();

 private:
  const Guid classId_;
  mutable std::recursive_mutex stateLock_;
  mutable std::mutex streamLock_;
  std::atomic<FilterState> state_{FilterState::Stopped};
  std::string name_;
  FilterGraph* graph_ = nullptr;
};

// A filter that writes a file (the AVI sink of a recording).
class FileSinkFilter : public virtual Unknown {
 public:
  // Opens (creates or truncates) the file; its failure is the OS error's
  // status (E_ACCESSDENIED, STATUS_PATH_NOT_FOUND, ...) and nothing stays open.
  virtual Status setFileName(const std::string& hostPath) = 0;
};

}  // namespace vistrel::media
