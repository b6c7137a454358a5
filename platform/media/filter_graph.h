// Filters, pins and the graph that runs them: the contracts every filter
// keeps, whether it is one of the service's own (compressors, the file
// sinks) or the caller's (a push source), the graph manager with its media
// control, the capture graph builder that puts a recording's chain together
// (source → compressor or none → file sink), and the running objects.
//
// Connection: each output pin delivers one type (a source's pictures, a
// compressor's frames for the pictures it takes); the input pin takes it or
// refuses it, there is nothing to negotiate. Filters start stopped; pins
// connect only while their filter is stopped.
//
// Locks: each filter has a state lock (state changes, connections) and a
// stream lock (receive() and the work done on stop); a stop waits for a
// receive in progress and no sample is taken once the filter is stopped.
// No code holds the state locks of two filters at once: a connection is
// checked and recorded on each side under that side's lock only. The graph's
// own lock is taken before any filter's. State changes come from the graph's
// caller; receive() comes from the thread that delivers.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/media/media_types.h"

namespace vistrel::media {

class BaseFilter;
class InputPinBase;

enum class PinDirection { Input, Output };
enum class FilterState { Stopped, Running };

class Pin : public virtual Unknown {
 public:
  Pin(BaseFilter* filter, PinDirection direction, std::string name)
      : owner_(filter), direction_(direction), name_(std::move(name)) {}

  // Breaks this side of the connection: S_FALSE when not connected,
  // VFW_E_NOT_STOPPED unless the filter is stopped.
  Status disconnect();
  // The peer, or null when not connected.
  Ref<Pin> connectedTo() const;
  bool isConnected() const { return static_cast<bool>(connectedTo()); }
  // The connection's type; an empty one when not connected.
  MediaType connectionType() const;
  PinDirection direction() const { return direction_; }
  const std::string& name() const { return name_; }
  // The filter the pin belongs to (not a counted reference: pins live as
  // long as their filter, which detaches them when it goes).
  BaseFilter* filter() const { return owner_; }

 protected:
  // Called once an input pin recorded its connection; a failure undoes it.
  virtual Status completeConnect() { return S_OK; }

  BaseFilter* owner_;

 private:
  friend class BaseFilter;
  friend class OutputPinBase;
  friend class InputPinBase;

  // Records the connection under the filter's state lock.
  Status join(Pin* peer, const MediaType& type);
  void forget();

  const PinDirection direction_;
  const std::string name_;
  mutable std::mutex mutex_;
  Ref<Pin> peer_;
  MediaType type_;
};

class OutputPinBase : public Pin {
 public:
  OutputPinBase(BaseFilter* filter, std::string name)
      : Pin(filter, PinDirection::Output, std::move(name)) {}

  // Connects to the input pin `receivePin` with this pin's one type:
  // VFW_E_ALREADY_CONNECTED, VFW_E_NOT_STOPPED, VFW_E_INVALID_DIRECTION, and
  // VFW_E_NO_ACCEPTABLE_TYPES when the pin has no type yet or the input
  // refuses it.
  Status connect(Pin* receivePin);
  // A sample of bufferSize() bytes to fill and deliver: the pin's own, used
  // again once the last delivery let go of it. VFW_E_NOT_CONNECTED without a
  // connection, VFW_E_NOT_COMMITTED while the filter is stopped.
  Status getDeliveryBuffer(Ref<MediaSample>* sample);
  // Hands `sample` to the connected input pin; VFW_E_NOT_CONNECTED when none.
  Status deliver(MediaSample* sample);

 protected:
  // The one type the pin delivers; false while it has none (a compressor
  // whose input is not connected). Called under the filter's state lock.
  virtual bool outputType(MediaType* type) const = 0;
  // Bytes of the largest sample this pin delivers; asked once it connected.
  virtual std::int32_t bufferSize() const = 0;

 private:
  friend class BaseFilter;
  void setActive(bool active);

  std::mutex sampleMutex_;
  Ref<MediaSample> sample_;
  std::int32_t sampleBytes_ = 0;
  std::atomic<bool> active_{false};
};

class InputPinBase : public Pin {
 public:
  InputPinBase(BaseFilter* filter, std::string name)
      : Pin(filter, PinDirection::Input, std::move(name)) {}

  // Accepts a connection from `connector` with `type`
  // (VFW_E_TYPE_NOT_ACCEPTED when checkMediaType() refuses it).
  Status receiveConnection(Pin* connector, const MediaType& type);
  // One sample from the connected output pin: checks connection and state
  // under the filter's stream lock, then calls onReceive(). VFW_E_WRONG_STATE
  // when the filter is stopped, VFW_E_NOT_CONNECTED when the pin is not.
  Status receive(MediaSample* sample);

 protected:
  // S_OK when this pin can take `type`; any failure refuses it.
  virtual Status checkMediaType(const MediaType& type) const = 0;
  // One sample, under the stream lock, while the filter runs.
  virtual Status onReceive(MediaSample* sample) = 0;
};

class FilterGraph;

class BaseFilter : public virtual Unknown {
 public:
  explicit BaseFilter(const Guid& classId) : classId_(classId) {}

  Guid classId() const { return classId_; }
  // Stopped ⇄ running; samples flow while running. stop() keeps the first
  // failure as its result.
  Status stop();
  Status run();
  FilterState state() const { return state_.load(); }
  std::vector<Ref<Pin>> pins() const;
  std::string name() const;
  FilterGraph* graph() const;
  std::recursive_mutex& stateLock() const { return stateLock_; }
  std::mutex& streamLock() const { return streamLock_; }

 protected:
  // The filter's pins in order; they live as long as the filter.
  virtual std::vector<Pin*> pinList() const = 0;
  // Leaving stopped, under the state lock; a failure leaves it stopped.
  virtual Status onRun() { return S_OK; }
  // Stopping: under both locks, after the state became stopped and before
  // the output pins stop lending samples (a filter flushes what it holds).
  virtual Status onStop() { return S_OK; }
  // Call from the most derived destructor: breaks every connection while
  // the pins' filter still exists.
  void disconnectAll();

 private:
  friend class FilterGraph;
  // Called by the graph when the filter is added (graph, name) or removed
  // (null, empty). The filter does not hold a reference to the graph.
  void joinFilterGraph(FilterGraph* graph, const std::string& name);

  const Guid classId_;
  mutable std::recursive_mutex stateLock_;
  mutable std::mutex streamLock_;
  std::atomic<FilterState> state_{FilterState::Stopped};
  std::string name_;
  FilterGraph* graph_ = nullptr;
};

// Run/Stop of the whole graph. Running goes from the sinks upstream, so no
// filter delivers into one still stopped; stopping goes from the sources
// downstream, so a compressor flushes into a sink that is still running,
// and the file is complete once stop() returns.
class MediaControl : public virtual Unknown {
 public:
  // A failure stops every filter again.
  virtual Status run() = 0;
  // Keeps stopping every filter after a failure; returns the first one.
  virtual Status stop() = 0;
  virtual FilterState state() const = 0;
};

// The filter graph manager: holds a reference on every filter added and
// breaks their connections when it goes. One caller thread at a time;
// samples may flow on other threads. Offers MediaControl.
class FilterGraph final : public MediaControl {
 public:
  ~FilterGraph() override;
  // Adds `filter` under `name` (an empty name is made from the filter's
  // class). E_INVALIDARG when the filter is already in a graph.
  Status addFilter(BaseFilter* filter, const std::string& name);
  // Disconnects the filter's pins and takes it out (VFW_E_NOT_IN_GRAPH).
  // VFW_E_NOT_STOPPED while the filter is not stopped.
  Status removeFilter(BaseFilter* filter);
  // The filters in the order they were added.
  std::vector<Ref<BaseFilter>> filters() const;
  // Connects an output pin to an input pin; both filters must be in this
  // graph (VFW_E_NOT_IN_GRAPH) and stopped.
  Status connect(Pin* output, Pin* input);

  Status run() override;
  Status stop() override;
  FilterState state() const override;

 private:
  // Sources first: a filter comes after every filter feeding it.
  std::vector<Ref<BaseFilter>> upstreamFirst() const;

  mutable std::recursive_mutex mutex_;
  std::vector<Ref<BaseFilter>> filters_;
  FilterState state_ = FilterState::Stopped;
};

Ref<FilterGraph> createFilterGraph();

// Puts a recording's chain into a graph.
class CaptureGraphBuilder final : public Unknown {
 public:
  // E_UNEXPECTED when the builder has a graph already.
  Status setFiltergraph(FilterGraph* graph);
  // With MEDIASUBTYPE_Avi: creates the file at `hostPath` and adds the AVI
  // sink ("AVI Mux") to the graph, handing it back in `sinkFilter`; with
  // MEDIASUBTYPE_Mp4 the same with the MP4 sink; other subtypes E_INVALIDARG.
  // The file's failure is the OS error's status (E_ACCESSDENIED,
  // STATUS_PATH_NOT_FOUND, ...); then nothing is added and nothing stays open.
  Status setOutputFileName(const Guid& type, const std::string& hostPath,
                           Ref<BaseFilter>* sinkFilter);
  // Connects `source`'s first free output pin through `intermediate` (a
  // compressor, or null) into `sink`'s first free input pin. All filters
  // must be in the graph. A failure leaves no connection made by this call.
  Status renderStream(BaseFilter* source, BaseFilter* intermediate, BaseFilter* sink);

 private:
  // The graph given, or one the builder makes on first need.
  FilterGraph& graph();

  Ref<FilterGraph> graph_;
};

Ref<CaptureGraphBuilder> createCaptureGraphBuilder();

// The running objects: a process-wide list of named objects that tools may
// look up (a running recording graph is entered here when asked). An entry
// holds a reference on its object until it is revoked; a name may be
// entered twice. Returns the entry's cookie, never 0.
std::uint32_t registerRunning(const std::string& name, Ref<Unknown> object);
// False for a cookie that is not entered.
bool revokeRunning(std::uint32_t cookie);
bool isRunning(const std::string& name);

}  // namespace vistrel::media
