#include "platform/media/filter_graph.h"

#include <algorithm>
#include <cassert>

#include "platform/media/devices.h"

namespace vistrel::media {

// ---- Pins ----

Ref<Pin> Pin::connectedTo() const {
  std::lock_guard lock(mutex_);
  return peer_;
}

MediaType Pin::connectionType() const {
  std::lock_guard lock(mutex_);
  return type_;
}

Status Pin::join(Pin* peer, const MediaType& type) {
  if (!owner_) return E_UNEXPECTED;
  {
    std::lock_guard state(owner_->stateLock());
    if (owner_->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
    std::lock_guard lock(mutex_);
    if (peer_) return VFW_E_ALREADY_CONNECTED;
    peer_ = Ref<Pin>(peer);
    type_ = type;
  }
  const Status status = completeConnect();
  if (failed(status)) forget();
  return status;
}

void Pin::forget() {
  std::lock_guard lock(mutex_);
  peer_.reset();
  type_ = MediaType();
}

Status Pin::disconnect() {
  if (owner_) {
    std::lock_guard state(owner_->stateLock());
    if (owner_->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
  }
  if (!isConnected()) return S_FALSE;
  forget();
  return S_OK;
}

Status OutputPinBase::connect(Pin* receivePin) {
  assert(receivePin);
  if (!owner_) return E_UNEXPECTED;
  MediaType type;
  {
    std::lock_guard lock(owner_->stateLock());
    if (isConnected()) return VFW_E_ALREADY_CONNECTED;
    if (owner_->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
    if (!dynamic_cast<InputPinBase*>(receivePin)) return VFW_E_INVALID_DIRECTION;
    if (!outputType(&type)) return VFW_E_NO_ACCEPTABLE_TYPES;
  }
  // The input side is settled under its own filter's lock, released before
  // this side is recorded under this one's.
  Ref<InputPinBase> input(static_cast<InputPinBase*>(receivePin));
  Status status = input->receiveConnection(this, type);
  if (succeeded(status)) {
    status = join(input.get(), type);
    if (failed(status)) input->disconnect();
  }
  // A refused type, or an input that cannot work with it.
  if (status == E_FAIL || status == VFW_E_TYPE_NOT_ACCEPTED || status == E_INVALIDARG)
    return VFW_E_NO_ACCEPTABLE_TYPES;
  if (failed(status)) return status;
  const std::int32_t bytes = bufferSize();
  std::lock_guard samples(sampleMutex_);
  sampleBytes_ = bytes;
  return S_OK;
}

void OutputPinBase::setActive(bool active) {
  active_ = active;
  if (active) return;
  std::lock_guard lock(sampleMutex_);
  sample_.reset();  // a sample still out is freed when let go
}

Status OutputPinBase::getDeliveryBuffer(Ref<MediaSample>* sample) {
  if (!isConnected()) return VFW_E_NOT_CONNECTED;
  if (!active_) return VFW_E_NOT_COMMITTED;
  std::lock_guard lock(sampleMutex_);
  try {
    // The one sample is held by the pin alone once its delivery returned.
    if (!sample_ || sample_->refCount() > 1 || sample_->size() != sampleBytes_)
      sample_ = makeRef<MediaSample>(sampleBytes_);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  sample_->reset();
  *sample = sample_;
  return S_OK;
}

Status OutputPinBase::deliver(MediaSample* sample) {
  // An output pin only ever connects to an input pin.
  const Ref<Pin> input = connectedTo();
  if (!input) return VFW_E_NOT_CONNECTED;
  return static_cast<InputPinBase*>(input.get())->receive(sample);
}

Status InputPinBase::receiveConnection(Pin* connector, const MediaType& type) {
  assert(connector);
  if (isConnected()) return VFW_E_ALREADY_CONNECTED;
  if (failed(checkMediaType(type))) return VFW_E_TYPE_NOT_ACCEPTED;
  return join(connector, type);
}

Status InputPinBase::receive(MediaSample* sample) {
  assert(sample);
  if (!owner_) return E_UNEXPECTED;
  std::lock_guard lock(owner_->streamLock());
  if (!isConnected()) return VFW_E_NOT_CONNECTED;
  if (owner_->state() == FilterState::Stopped) return VFW_E_WRONG_STATE;
  return onReceive(sample);
}

// ---- Filters ----

void BaseFilter::disconnectAll() {
  // No lock of this filter is held while the peer's is taken.
  state_ = FilterState::Stopped;
  for (Pin* pin : pinList()) {
    if (Ref<Pin> peer = pin->connectedTo()) peer->disconnect();
    pin->forget();
    pin->owner_ = nullptr;
  }
}

Status BaseFilter::stop() {
  std::lock_guard lock(stateLock_);
  if (state_ == FilterState::Stopped) return S_OK;
  Status result = S_OK;
  {
    std::lock_guard stream(streamLock_);
    state_ = FilterState::Stopped;
    result = onStop();
  }
  for (Pin* pin : pinList())
    if (pin->direction() == PinDirection::Output)
      static_cast<OutputPinBase*>(pin)->setActive(false);
  return result;
}

Status BaseFilter::run() {
  std::lock_guard lock(stateLock_);
  if (state_ == FilterState::Running) return S_OK;
  const auto activate = [this](bool active) {
    for (Pin* pin : pinList())
      if (pin->direction() == PinDirection::Output)
        static_cast<OutputPinBase*>(pin)->setActive(active);
  };
  activate(true);
  const Status status = onRun();
  if (failed(status)) {
    activate(false);
    return status;
  }
  state_ = FilterState::Running;
  return S_OK;
}

std::vector<Ref<Pin>> BaseFilter::pins() const {
  std::vector<Ref<Pin>> result;
  for (Pin* pin : pinList()) result.emplace_back(pin);
  return result;
}

std::string BaseFilter::name() const {
  std::lock_guard lock(stateLock_);
  return name_;
}

FilterGraph* BaseFilter::graph() const {
  std::lock_guard lock(stateLock_);
  return graph_;
}

void BaseFilter::joinFilterGraph(FilterGraph* graph, const std::string& name) {
  std::lock_guard lock(stateLock_);
  graph_ = graph;
  name_ = graph ? name : std::string();
}

// ---- The graph ----

namespace {

void disconnectBoth(Pin* pin) {
  if (Ref<Pin> peer = pin->connectedTo()) peer->disconnect();
  pin->disconnect();
}

// The filter's first pin of `direction` that is not connected.
Ref<Pin> freePin(BaseFilter* filter, PinDirection direction) {
  for (const Ref<Pin>& pin : filter->pins())
    if (pin->direction() == direction && !pin->isConnected()) return pin;
  return nullptr;
}

}  // namespace

FilterGraph::~FilterGraph() {
  stop();
  for (const Ref<BaseFilter>& filter : filters_) {
    for (const Ref<Pin>& pin : filter->pins()) pin->disconnect();
    filter->joinFilterGraph(nullptr, std::string());
  }
}

Status FilterGraph::addFilter(BaseFilter* filter, const std::string& name) {
  assert(filter);
  std::lock_guard lock(mutex_);
  if (filter->graph()) return E_INVALIDARG;
  filter->joinFilterGraph(this, name.empty() ? filter->classId().toString() : name);
  filters_.emplace_back(filter);
  return S_OK;
}

Status FilterGraph::removeFilter(BaseFilter* filter) {
  assert(filter);
  std::lock_guard lock(mutex_);
  auto it = std::find(filters_.begin(), filters_.end(), Ref<BaseFilter>(filter));
  if (it == filters_.end()) return VFW_E_NOT_IN_GRAPH;
  if (filter->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
  for (const Ref<Pin>& pin : filter->pins()) disconnectBoth(pin.get());
  Ref<BaseFilter> keep = *it;  // joinFilterGraph runs while it still lives
  filters_.erase(it);
  keep->joinFilterGraph(nullptr, std::string());
  return S_OK;
}

std::vector<Ref<BaseFilter>> FilterGraph::filters() const {
  std::lock_guard lock(mutex_);
  return filters_;
}

Status FilterGraph::connect(Pin* output, Pin* input) {
  assert(output && input);
  BaseFilter* source = output->filter();
  BaseFilter* target = input->filter();
  if (!source || !target || source->graph() != this || target->graph() != this)
    return VFW_E_NOT_IN_GRAPH;
  auto* from = dynamic_cast<OutputPinBase*>(output);
  if (!from || input->direction() != PinDirection::Input) return VFW_E_INVALID_DIRECTION;
  return from->connect(input);
}

std::vector<Ref<BaseFilter>> FilterGraph::upstreamFirst() const {
  // A filter's rank is the length of the chain feeding its input pins.
  std::vector<std::pair<std::size_t, Ref<BaseFilter>>> ranked;
  for (const Ref<BaseFilter>& filter : filters_) {
    std::size_t rank = 0;
    std::vector<BaseFilter*> level{filter.get()};
    while (!level.empty() && rank <= filters_.size()) {
      std::vector<BaseFilter*> feeding;
      for (BaseFilter* at : level)
        for (const Ref<Pin>& pin : at->pins())
          if (Ref<Pin> peer =
                  pin->direction() == PinDirection::Input ? pin->connectedTo() : nullptr)
            if (peer->filter()) feeding.push_back(peer->filter());
      if (!feeding.empty()) ++rank;
      level = std::move(feeding);
    }
    ranked.emplace_back(rank, filter);
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Ref<BaseFilter>> ordered;
  for (auto& [rank, filter] : ranked) ordered.push_back(std::move(filter));
  return ordered;
}

Status FilterGraph::run() {
  std::lock_guard lock(mutex_);
  if (state_ == FilterState::Running) return S_OK;
  std::vector<Ref<BaseFilter>> ordered = upstreamFirst();
  for (auto it = ordered.rbegin(); it != ordered.rend(); ++it) {
    const Status status = (*it)->run();
    if (failed(status)) {
      stop();
      return status;
    }
  }
  state_ = FilterState::Running;
  return S_OK;
}

Status FilterGraph::stop() {
  std::lock_guard lock(mutex_);
  Status result = S_OK;
  for (const Ref<BaseFilter>& filter : upstreamFirst()) {
    const Status status = filter->stop();
    if (failed(status) && succeeded(result)) result = status;
  }
  state_ = FilterState::Stopped;
  return result;
}

FilterState FilterGraph::state() const {
  std::lock_guard lock(mutex_);
  return state_;
}

Ref<FilterGraph> createFilterGraph() { return makeRef<FilterGraph>(); }

// ---- The capture graph builder ----

Status CaptureGraphBuilder::setFiltergraph(FilterGraph* graph) {
  assert(graph);
  if (graph_) return E_UNEXPECTED;
  graph_ = Ref<FilterGraph>(graph);
  return S_OK;
}

FilterGraph& CaptureGraphBuilder::graph() {
  if (!graph_) graph_ = createFilterGraph();
  return *graph_;
}

Status CaptureGraphBuilder::setOutputFileName(const Guid& type, const std::string& hostPath,
                                              Ref<BaseFilter>* sinkFilter) {
  if ((type != MEDIASUBTYPE_Avi && type != MEDIASUBTYPE_Mp4) || hostPath.empty())
    return E_INVALIDARG;
  Ref<BaseFilter> sink;
  Status status = createFileSink(type == MEDIASUBTYPE_Mp4, hostPath, &sink);
  if (failed(status)) return status;  // nothing was opened
  status = graph().addFilter(sink.get(), "AVI Mux");
  if (failed(status)) return status;
  if (sinkFilter) *sinkFilter = sink;
  return S_OK;
}

Status CaptureGraphBuilder::renderStream(BaseFilter* source, BaseFilter* intermediate,
                                         BaseFilter* sink) {
  assert(source && sink);
  Ref<Pin> start = freePin(source, PinDirection::Output);
  if (!start) return VFW_E_NOT_FOUND;
  Ref<Pin> upstream = start;
  if (intermediate) {
    Ref<Pin> in = freePin(intermediate, PinDirection::Input);
    if (!in) return VFW_E_NOT_FOUND;
    const Status status = graph().connect(start.get(), in.get());
    if (failed(status)) return status;
    upstream = freePin(intermediate, PinDirection::Output);
    if (!upstream) {
      disconnectBoth(start.get());
      return VFW_E_NOT_FOUND;
    }
  }
  Ref<Pin> in = freePin(sink, PinDirection::Input);
  const Status status = in ? graph().connect(upstream.get(), in.get()) : Status(VFW_E_NOT_FOUND);
  if (failed(status) && intermediate) disconnectBoth(start.get());
  return status;
}

Ref<CaptureGraphBuilder> createCaptureGraphBuilder() { return makeRef<CaptureGraphBuilder>(); }

// ---- Running objects ----

namespace {

struct RunningEntry {
  std::uint32_t cookie;
  std::string name;
  Ref<Unknown> object;
};

struct RunningTable {
  std::mutex mutex;
  std::vector<RunningEntry> entries;
  std::uint32_t lastCookie = 0;
};

// Never destroyed: entries left at exit must not outlive what they hold.
RunningTable& runningTable() {
  static RunningTable* const instance = new RunningTable;
  return *instance;
}

}  // namespace

std::uint32_t registerRunning(const std::string& name, Ref<Unknown> object) {
  RunningTable& t = runningTable();
  std::lock_guard lock(t.mutex);
  t.entries.push_back({++t.lastCookie, name, std::move(object)});
  return t.lastCookie;
}

bool revokeRunning(std::uint32_t cookie) {
  RunningTable& t = runningTable();
  Ref<Unknown> released;  // let go after the lock
  std::lock_guard lock(t.mutex);
  auto it = std::find_if(t.entries.begin(), t.entries.end(),
                         [&](const RunningEntry& entry) { return entry.cookie == cookie; });
  if (it == t.entries.end()) return false;
  released = std::move(it->object);
  t.entries.erase(it);
  return true;
}

bool isRunning(const std::string& name) {
  RunningTable& t = runningTable();
  std::lock_guard lock(t.mutex);
  return std::any_of(t.entries.begin(), t.entries.end(),
                     [&](const RunningEntry& entry) { return entry.name == name; });
}

}  // namespace vistrel::media
