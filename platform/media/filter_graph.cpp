#include "platform/media/filter_graph.h"

#include <algorithm>
#include <cassert>
#include <map>

#include "platform/media/devices.h"

namespace vistrel::media {

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
  std::lock_guard state(owner_->stateLock());
  if (owner_->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
  std::lock_guard lock(mutex_);
  if (peer_) return VFW_E_ALREADY_CONNECTED;
  peer_ = Ref<Pin>(peer);
  type_ = type;
  return S_OK;
}

Status Pin::disconnect() {
  if (owner_) {
    std::lock_guard state(owner_->stateLock());
    if (owner_->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
  }
  std::lock_guard lock(mutex_);
  if (!peer_) return S_FALSE;
  peer_.reset();
  type_ = MediaType();
  return S_OK;
}

bool Pin::isInput() const { return owner_ && owner_->input_.get() == this; }

Status Pin::receiveConnection(Pin* connector, const MediaType& type) {
  if (!owner_) return E_UNEXPECTED;
  if (isConnected()) return VFW_E_ALREADY_CONNECTED;
  if (failed(owner_->checkInput(type))) return VFW_E_TYPE_NOT_ACCEPTED;
  Status status = join(connector, type);
  if (failed(status)) return status;
  status = owner_->inputConnected();
  if (failed(status)) disconnect();
  return status;
}

Status Pin::receive(MediaSample* sample) {
  assert(sample);
  if (!owner_) return E_UNEXPECTED;
  std::lock_guard lock(owner_->streamLock());
  if (!isConnected()) return VFW_E_NOT_CONNECTED;
  if (owner_->state() == FilterState::Stopped) return VFW_E_WRONG_STATE;
  return owner_->onReceive(sample);
}

Status Pin::connect(Pin* receivePin) {
  if (!owner_) return E_UNEXPECTED;
  MediaType type;
  {
    std::lock_guard lock(owner_->stateLock());
    if (isConnected()) return VFW_E_ALREADY_CONNECTED;
    if (owner_->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
    if (!receivePin->isInput()) return VFW_E_INVALID_DIRECTION;
    if (!owner_->outputType(&type)) return VFW_E_NO_ACCEPTABLE_TYPES;
  }
  // The input's side is settled under its filter's lock, released before
  // this side is recorded under this filter's.
  Ref<Pin> input(receivePin);
  Status status = input->receiveConnection(this, type);
  if (succeeded(status)) {
    status = join(input.get(), type);
    if (failed(status)) input->disconnect();
  }
  // A refused type, or an input that cannot work with it.
  if (status == E_FAIL || status == VFW_E_TYPE_NOT_ACCEPTED || status == E_INVALIDARG)
    return VFW_E_NO_ACCEPTABLE_TYPES;
  if (failed(status)) return status;
  const std::int32_t bytes = owner_->outputBufferSize();
  std::lock_guard samples(sampleMutex_);
  sampleBytes_ = bytes;
  return S_OK;
}

void Pin::setActive(bool active) {
  active_ = active;
  std::lock_guard lock(sampleMutex_);
  if (!active) sample_.reset();  // a sample still out is freed when let go
}

Status Pin::getDeliveryBuffer(Ref<MediaSample>* sample) {
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

Status Pin::deliver(MediaSample* sample) {
  const Ref<Pin> input = connectedTo();
  return input ? input->receive(sample) : Status(VFW_E_NOT_CONNECTED);
}

void BaseFilter::disconnectAll() {
  // No lock of this filter is held while the peer's is taken.
  state_ = FilterState::Stopped;
  for (const Ref<Pin>& pin : pins()) {
    if (Ref<Pin> peer = pin->connectedTo()) peer->disconnect();
    pin->disconnect();
    pin->owner_ = nullptr;
  }
}

Status BaseFilter::stop() {
  std::lock_guard lock(stateLock_);
  if (state_ == FilterState::Stopped) return S_OK;
  std::unique_lock stream(streamLock_);
  state_ = FilterState::Stopped;
  const Status result = onStop();
  stream.unlock();
  if (output_) output_->setActive(false);
  return result;
}

Status BaseFilter::run() {
  std::lock_guard lock(stateLock_);
  if (state_ == FilterState::Running) return S_OK;
  const Status status = onRun();
  if (failed(status)) return status;
  if (output_) output_->setActive(true);
  state_ = FilterState::Running;
  return S_OK;
}

std::vector<Ref<Pin>> BaseFilter::pins() const {
  std::vector<Ref<Pin>> result;
  if (input_) result.emplace_back(input_);
  if (output_) result.emplace_back(output_);
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

void FilterGraph::leave(BaseFilter* filter) {
  for (const Ref<Pin>& pin : filter->pins()) {
    if (Ref<Pin> peer = pin->connectedTo()) peer->disconnect();
    pin->disconnect();
  }
  std::lock_guard lock(filter->stateLock_);
  filter->graph_ = nullptr;
  filter->name_.clear();
}

FilterGraph::~FilterGraph() {
  stop();
  for (const Ref<BaseFilter>& filter : filters_) leave(filter.get());
}

Status FilterGraph::addFilter(BaseFilter* filter, const std::string& name) {
  assert(filter);
  std::lock_guard lock(mutex_);
  std::lock_guard state(filter->stateLock_);
  if (filter->graph_) return E_INVALIDARG;
  filter->graph_ = this;
  filter->name_ = name.empty() ? filter->classId().toString() : name;
  filters_.emplace_back(filter);
  return S_OK;
}

Status FilterGraph::removeFilter(BaseFilter* filter) {
  assert(filter);
  std::lock_guard lock(mutex_);
  auto it = std::find(filters_.begin(), filters_.end(), Ref<BaseFilter>(filter));
  if (it == filters_.end()) return VFW_E_NOT_IN_GRAPH;
  if (filter->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
  leave(filter);
  filters_.erase(it);  // may destroy the filter: last
  return S_OK;
}

std::vector<Ref<BaseFilter>> FilterGraph::filters() const {
  std::lock_guard lock(mutex_);
  return filters_;
}

std::vector<Ref<BaseFilter>> FilterGraph::upstreamFirst() const {
  // A filter's rank: the filters feeding it, up the chain of input pins.
  const auto rank = [this](BaseFilter* filter) {
    std::size_t count = 0;
    for (Ref<Pin> peer; filter->input_ && (peer = filter->input_->connectedTo()) &&
                        peer->filter() && count < filters_.size();
         filter = peer->filter())
      ++count;
    return count;
  };
  std::vector<Ref<BaseFilter>> ordered = filters_;
  std::stable_sort(ordered.begin(), ordered.end(),
                   [&](const auto& a, const auto& b) { return rank(a.get()) < rank(b.get()); });
  return ordered;
}

Status FilterGraph::run() {
  std::lock_guard lock(mutex_);
  if (state_ == FilterState::Running) return S_OK;
  const std::vector<Ref<BaseFilter>> ordered = upstreamFirst();
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

Status CaptureGraphBuilder::setFiltergraph(FilterGraph* graph) {
  assert(graph);
  if (graph_) return E_UNEXPECTED;
  graph_ = Ref<FilterGraph>(graph);
  return S_OK;
}

Status CaptureGraphBuilder::setOutputFileName(const Guid& type, const std::string& hostPath,
                                              Ref<BaseFilter>* sinkFilter) {
  if ((type != MEDIASUBTYPE_Avi && type != MEDIASUBTYPE_Mp4) || hostPath.empty())
    return E_INVALIDARG;
  if (!graph_) return E_UNEXPECTED;
  Ref<BaseFilter> sink;
  Status status = createFileSink(type == MEDIASUBTYPE_Mp4, hostPath, &sink);
  if (succeeded(status)) status = graph_->addFilter(sink.get(), "AVI Mux");
  if (succeeded(status) && sinkFilter) *sinkFilter = sink;
  return status;
}

Status CaptureGraphBuilder::renderStream(BaseFilter* source, BaseFilter* intermediate,
                                         BaseFilter* sink) {
  assert(source && sink);
  if (!graph_) return E_UNEXPECTED;
  for (BaseFilter* filter : {source, intermediate, sink})
    if (filter && filter->graph() != graph_.get()) return VFW_E_NOT_IN_GRAPH;
  const auto free = [](Pin* pin) { return pin && !pin->isConnected(); };
  Pin* out = source->output_.get();
  if (!free(out)) return VFW_E_NOT_FOUND;
  if (intermediate) {
    if (!free(intermediate->input_.get())) return VFW_E_NOT_FOUND;
    const Status status = out->connect(intermediate->input_.get());
    if (failed(status)) return status;
    out = intermediate->output_.get();
  }
  const Status status = free(out) && free(sink->input_.get()) ? out->connect(sink->input_.get())
                                                              : Status(VFW_E_NOT_FOUND);
  if (failed(status) && intermediate) {
    intermediate->input_->disconnect();
    source->output_->disconnect();
  }
  return status;
}

Ref<CaptureGraphBuilder> createCaptureGraphBuilder() { return makeRef<CaptureGraphBuilder>(); }

namespace {

struct RunningTable {
  std::mutex mutex;
  std::map<std::uint32_t, std::pair<std::string, Ref<Unknown>>> entries;
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
  t.entries.emplace(++t.lastCookie, std::pair(name, std::move(object)));
  return t.lastCookie;
}

bool revokeRunning(std::uint32_t cookie) {
  RunningTable& t = runningTable();
  decltype(t.entries)::node_type entry;  // its object is let go after the lock
  std::lock_guard lock(t.mutex);
  entry = t.entries.extract(cookie);
  return !entry.empty();
}

bool isRunning(const std::string& name) {
  RunningTable& t = runningTable();
  std::lock_guard lock(t.mutex);
  return std::any_of(t.entries.begin(), t.entries.end(),
                     [&](const auto& entry) { return entry.second.first == name; });
}

}  // namespace vistrel::media
