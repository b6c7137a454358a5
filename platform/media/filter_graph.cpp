// The filter graph manager (a list of named filters and the state of the
// whole graph) and the capture graph builder that puts a recording's chain
// into it: source → compressor or none → AVI sink.

#include "platform/media/filter_graph.h"

#include <algorithm>
#include <cassert>
#include <mutex>

#include "platform/media/avi_mux.h"

namespace vistrel::media {

namespace {

void disconnectBoth(Pin* pin) {
  if (Ref<Pin> peer = pin->connectedTo()) peer->disconnect();
  pin->disconnect();
}

class FilterGraphManager final : public FilterGraph, public MediaControl {
 public:
  ~FilterGraphManager() override {
    stop();
    for (const Ref<BaseFilter>& filter : filters_) {
      for (const Ref<Pin>& pin : filter->pins()) pin->disconnect();
      filter->joinFilterGraph(nullptr, std::string());
    }
  }

  Status addFilter(BaseFilter* filter, const std::string& name) override {
    assert(filter);
    std::lock_guard lock(mutex_);
    if (filter->graph()) return E_INVALIDARG;
    filter->joinFilterGraph(this, name.empty() ? filter->classId().toString() : name);
    filters_.emplace_back(filter);
    return S_OK;
  }

  Status removeFilter(BaseFilter* filter) override {
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

  std::vector<Ref<BaseFilter>> filters() const override {
    std::lock_guard lock(mutex_);
    return filters_;
  }

  Status connect(Pin* output, Pin* input) override {
    assert(output && input);
    BaseFilter* source = output->filter();
    BaseFilter* target = input->filter();
    if (!source || !target || source->graph() != this || target->graph() != this)
      return VFW_E_NOT_IN_GRAPH;
    auto* from = dynamic_cast<OutputPinBase*>(output);
    if (!from || input->direction() != PinDirection::Input) return VFW_E_INVALID_DIRECTION;
    return from->connect(input);
  }

  // ---- MediaControl ----

  Status run() override {
    std::lock_guard lock(mutex_);
    if (state_ == FilterState::Running) return S_OK;
    std::vector<Ref<BaseFilter>> ordered = upstreamFirst();
    std::reverse(ordered.begin(), ordered.end());
    for (const Ref<BaseFilter>& filter : ordered) {
      const Status status = filter->run(0);
      if (failed(status)) {
        stop();
        return status;
      }
    }
    state_ = FilterState::Running;
    return S_OK;
  }

  Status stop() override {
    std::lock_guard lock(mutex_);
    Status result = S_OK;
    for (const Ref<BaseFilter>& filter : upstreamFirst()) {
      const Status status = filter->stop();
      if (failed(status) && succeeded(result)) result = status;
    }
    state_ = FilterState::Stopped;
    return result;
  }

  FilterState state() const override {
    std::lock_guard lock(mutex_);
    return state_;
  }

 private:
  // Filters upstream of `filter` along its inputs, at most `limit` deep.
  static std::size_t depth(BaseFilter* filter, std::size_t limit) {
    std::size_t deepest = 0;
    for (const Ref<Pin>& pin : filter->pins()) {
      const Ref<Pin> peer = pin->direction() == PinDirection::Input ? pin->connectedTo() : nullptr;
      if (peer && peer->filter() && limit > 0)
        deepest = std::max(deepest, depth(peer->filter(), limit - 1) + 1);
    }
    return deepest;
  }

  // Sources first: a filter comes after every filter feeding its inputs.
  std::vector<Ref<BaseFilter>> upstreamFirst() const {
    std::vector<std::pair<std::size_t, Ref<BaseFilter>>> ranked;
    ranked.reserve(filters_.size());
    for (const Ref<BaseFilter>& filter : filters_)
      ranked.emplace_back(depth(filter.get(), filters_.size()), filter);
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Ref<BaseFilter>> ordered;
    ordered.reserve(ranked.size());
    for (auto& [rank, filter] : ranked) ordered.push_back(std::move(filter));
    return ordered;
  }

  mutable std::recursive_mutex mutex_;
  std::vector<Ref<BaseFilter>> filters_;
  FilterState state_ = FilterState::Stopped;
};

// The filter's first pin of `direction` that is not connected.
Ref<Pin> freePin(BaseFilter* filter, PinDirection direction) {
  for (const Ref<Pin>& pin : filter->pins())
    if (pin->direction() == direction && !pin->connectedTo()) return pin;
  return nullptr;
}

class CaptureBuilder final : public CaptureGraphBuilder {
 public:
  Status setFiltergraph(FilterGraph* graph) override {
    assert(graph);
    if (graph_) return E_UNEXPECTED;
    graph_ = Ref<FilterGraph>(graph);
    return S_OK;
  }

  Status setOutputFileName(const Guid& type, const std::string& hostPath,
                           Ref<BaseFilter>* sinkFilter) override {
    if ((type != MEDIASUBTYPE_Avi && type != MEDIASUBTYPE_Mp4) || hostPath.empty())
      return E_INVALIDARG;
    Ref<BaseFilter> sink = type == MEDIASUBTYPE_Mp4 ? createMp4Mux() : createAviMux();
    Status status = queryInterface<FileSinkFilter>(sink)->setFileName(hostPath);
    if (failed(status)) return status;  // nothing was opened
    status = filterGraph()->addFilter(sink.get(), "AVI Mux");
    if (failed(status)) return status;
    if (sinkFilter) *sinkFilter = sink;
    return S_OK;
  }

  Status renderStream(BaseFilter* source, BaseFilter* intermediate, BaseFilter* sink) override {
    assert(source && sink);
    Ref<FilterGraph> graph = filterGraph();
    Ref<Pin> start = freePin(source, PinDirection::Output);
    if (!start) return VFW_E_NOT_FOUND;

    Ref<Pin> upstream = start;
    if (intermediate) {
      Ref<Pin> in = freePin(intermediate, PinDirection::Input);
      if (!in) return VFW_E_NOT_FOUND;
      const Status status = graph->connect(start.get(), in.get());
      if (failed(status)) return status;
      upstream = freePin(intermediate, PinDirection::Output);
      if (!upstream) {
        disconnectBoth(start.get());
        return VFW_E_NOT_FOUND;
      }
    }
    Ref<Pin> in = freePin(sink, PinDirection::Input);
    Status status = in ? graph->connect(upstream.get(), in.get()) : Status(VFW_E_NOT_FOUND);
    if (failed(status) && intermediate) disconnectBoth(start.get());
    return status;
  }

 private:
  // The graph given, or one the builder makes on first need.
  Ref<FilterGraph> filterGraph() {
    if (!graph_) graph_ = createFilterGraph();
    return graph_;
  }

  Ref<FilterGraph> graph_;
};

}  // namespace

Ref<FilterGraph> createFilterGraph() { return Ref<FilterGraph>(new FilterGraphManager); }

Ref<CaptureGraphBuilder> createCaptureGraphBuilder() {
  return Ref<CaptureGraphBuilder>(new CaptureBuilder);
}

}  // namespace vistrel::media
