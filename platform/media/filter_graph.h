// Filters, pins and the graph that runs them. A recording's graph is one
// chain: a push source → a compressor or none → a file sink, each filter
// with at most one input and one output pin. The filter does the work (the
// hooks below), its pins hold the connections. An output pin delivers one
// type, which the input's filter takes or refuses: nothing is negotiated.
// Filters start stopped; pins connect only while their filter is stopped.
//
// Locks: each filter has a state lock (state changes, connections) and a
// stream lock (receiving, and the work done on stop): a stop waits for a
// sample being received, and none is taken once stopped. No code holds two
// filters' state locks at once: each side of a connection is settled under
// its own filter's lock. The graph's lock comes before any filter's.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/media/media_types.h"

namespace vistrel::media {

class BaseFilter;
class FilterGraph;
enum class FilterState { Stopped, Running };

// A filter's input or output pin: which it is, is where its filter holds it.
class Pin : public virtual Unknown {
 public:
  Pin(BaseFilter* filter, std::string name) : owner_(filter), name_(std::move(name)) {}

  // Breaks this side of the connection: S_FALSE when not connected,
  // VFW_E_NOT_STOPPED unless the filter is stopped.
  Status disconnect();
  Ref<Pin> connectedTo() const;  // null when not connected
  bool isConnected() const { return static_cast<bool>(connectedTo()); }
  MediaType connectionType() const;  // empty when not connected
  const std::string& name() const { return name_; }
  // Not a counted reference: a filter detaches its pins when it goes.
  BaseFilter* filter() const { return owner_; }
  bool isInput() const;

  // Input pins. Accepts a connection from `connector` with `type`
  // (VFW_E_TYPE_NOT_ACCEPTED when the filter refuses it).
  Status receiveConnection(Pin* connector, const MediaType& type);
  // One sample, under the filter's stream lock: VFW_E_WRONG_STATE when the
  // filter is stopped, VFW_E_NOT_CONNECTED.
  Status receive(MediaSample* sample);

  // Output pins. Connects to the input pin `receivePin` with the filter's
  // one type: VFW_E_ALREADY_CONNECTED, VFW_E_NOT_STOPPED,
  // VFW_E_INVALID_DIRECTION, and VFW_E_NO_ACCEPTABLE_TYPES when there is no
  // type yet or it is refused.
  Status connect(Pin* receivePin);
  // A sample of the filter's outputBufferSize() to fill and deliver: the
  // pin's own, used again once the last delivery let go of it.
  // VFW_E_NOT_CONNECTED, VFW_E_NOT_COMMITTED while the filter is stopped.
  Status getDeliveryBuffer(Ref<MediaSample>* sample);
  // Hands `sample` to the connected input pin; VFW_E_NOT_CONNECTED when none.
  Status deliver(MediaSample* sample);

 protected:
  BaseFilter* owner_;

 private:
  friend class BaseFilter;
  Status join(Pin* peer, const MediaType& type);
  void setActive(bool active);

  const std::string name_;
  mutable std::mutex mutex_;
  Ref<Pin> peer_;
  MediaType type_;
  // An output pin's one sample.
  std::mutex sampleMutex_;
  Ref<MediaSample> sample_;
  std::int32_t sampleBytes_ = 0;
  std::atomic<bool> active_{false};
};

class BaseFilter : public virtual Unknown {
 public:
  explicit BaseFilter(const Guid& classId) : classId_(classId) {}

  Guid classId() const { return classId_; }
  // stop() returns the failure of onStop().
  Status stop();
  Status run();
  FilterState state() const { return state_.load(); }
  std::vector<Ref<Pin>> pins() const;  // the input's first
  std::string name() const;
  FilterGraph* graph() const;
  std::recursive_mutex& stateLock() const { return stateLock_; }
  std::mutex& streamLock() const { return streamLock_; }

 protected:
  friend class Pin;
  friend class FilterGraph;
  friend class CaptureGraphBuilder;

  // The input side: S_OK for a type the filter takes; a connection made
  // (a failure undoes it); one sample, under the stream lock, while running.
  virtual Status checkInput(const MediaType&) const { return VFW_E_TYPE_NOT_ACCEPTED; }
  virtual Status inputConnected() { return S_OK; }
  virtual Status onReceive(MediaSample*) { return E_UNEXPECTED; }
  // The output side: the one type delivered, false while there is none (a
  // compressor whose input is not connected), asked under the state lock;
  // bytes of the largest sample, asked once connected.
  virtual bool outputType(MediaType*) const { return false; }
  virtual std::int32_t outputBufferSize() const { return 0; }
  // Leaving stopped, under the state lock; a failure leaves it stopped.
  virtual Status onRun() { return S_OK; }
  // Stopping: under both locks, after the state became stopped and before
  // the output pin stops lending samples (a filter flushes what it holds).
  virtual Status onStop() { return S_OK; }
  // Call from the most derived destructor, while the hooks still exist.
  void disconnectAll();

  Ref<Pin> input_;
  Ref<Pin> output_;

 private:
  const Guid classId_;
  mutable std::recursive_mutex stateLock_;
  mutable std::mutex streamLock_;
  std::atomic<FilterState> state_{FilterState::Stopped};
  std::string name_;
  FilterGraph* graph_ = nullptr;  // set and cleared by the graph
};

// The filter graph manager: holds a reference on every filter added and
// breaks their connections when it goes. One caller thread at a time.
class FilterGraph final : public Unknown {
 public:
  ~FilterGraph() override;
  // Adds `filter` under `name` (an empty name is made from the filter's
  // class). E_INVALIDARG when the filter is already in a graph.
  Status addFilter(BaseFilter* filter, const std::string& name);
  // Disconnects the filter and takes it out: VFW_E_NOT_IN_GRAPH,
  // VFW_E_NOT_STOPPED while it runs.
  Status removeFilter(BaseFilter* filter);
  std::vector<Ref<BaseFilter>> filters() const;  // in the order added

  // The media control. Running goes from the sinks upstream, so no filter
  // delivers into one still stopped; a failure stops every filter again.
  // Stopping goes downstream, so a compressor flushes into a running sink
  // and the file is complete on return; it returns the first failure.
  Status run();
  Status stop();
  FilterState state() const;

 private:
  // Sources first: a filter comes after every filter feeding it.
  std::vector<Ref<BaseFilter>> upstreamFirst() const;
  static void leave(BaseFilter* filter);

  mutable std::recursive_mutex mutex_;
  std::vector<Ref<BaseFilter>> filters_;
  FilterState state_ = FilterState::Stopped;
};

// The graph offers the media control itself.
using MediaControl = FilterGraph;

Ref<FilterGraph> createFilterGraph();

// Puts a recording's chain into a graph.
class CaptureGraphBuilder final : public Unknown {
 public:
  // E_UNEXPECTED when the builder has a graph already.
  Status setFiltergraph(FilterGraph* graph);
  // Both calls below need the graph (E_UNEXPECTED without).
  // With MEDIASUBTYPE_Avi: creates the file at `hostPath` and adds the AVI
  // sink ("AVI Mux") to the graph, handing it back in `sinkFilter`; with
  // MEDIASUBTYPE_Mp4 the same with the MP4 sink; other subtypes E_INVALIDARG.
  // The file's failure is the OS error's status (E_ACCESSDENIED,
  // STATUS_PATH_NOT_FOUND, ...); then nothing is added and nothing stays open.
  Status setOutputFileName(const Guid& type, const std::string& hostPath,
                           Ref<BaseFilter>* sinkFilter);
  // Connects `source` through `intermediate` (a compressor, or null) into
  // `sink`, all in the graph (VFW_E_NOT_IN_GRAPH); VFW_E_NOT_FOUND when a
  // pin is missing or taken. A failure leaves no connection made by this call.
  Status renderStream(BaseFilter* source, BaseFilter* intermediate, BaseFilter* sink);

 private:
  Ref<FilterGraph> graph_;
};

Ref<CaptureGraphBuilder> createCaptureGraphBuilder();

// The running objects: a process-wide list of named objects (a running
// recording graph, when asked) that holds a reference on each until it is
// revoked. registerRunning returns the entry's cookie, never 0.
std::uint32_t registerRunning(const std::string& name, Ref<Unknown> object);
bool revokeRunning(std::uint32_t cookie);
bool isRunning(const std::string& name);

}  // namespace vistrel::media
