// The filter graph manager: a list of named filters, connections between
// their pins, and the state of the whole graph.

#include "platform/media/filter_graph.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <mutex>
#include <set>

namespace vistrel::media {

namespace {

class FilterGraphManager final : public FilterGraph, public MediaControl {
 public:
  ~FilterGraphManager() override {
    stop();
    for (const Entry& entry : entries_) {
      for (const Ref<Pin>& pin : entry.filter->pins()) pin->disconnect();
      entry.filter->joinFilterGraph(nullptr, std::string());
    }
  }

  Status addFilter(BaseFilter* filter, const std::string& requested) override {
    assert(filter);
    std::lock_guard lock(mutex_);
    if (filter->graph()) return E_INVALIDARG;
    std::string name = requested.empty() ? filter->classId().toString() : requested;
    Status result = S_OK;
    if (find(name) != entries_.end()) {
      result = VFW_S_DUPLICATE_NAME;
      for (int suffix = 1;; ++suffix) {
        char tail[16];
        std::snprintf(tail, sizeof tail, " %04d", suffix);
        if (find(name + tail) == entries_.end()) {
          name += tail;
          break;
        }
      }
    }
    const Status status = filter->joinFilterGraph(this, name);
    if (failed(status)) return status;
    entries_.push_back({Ref<BaseFilter>(filter), name});
    return result;
  }

  Status removeFilter(BaseFilter* filter) override {
    assert(filter);
    std::lock_guard lock(mutex_);
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const Entry& entry) { return entry.filter.get() == filter; });
    if (it == entries_.end()) return VFW_E_NOT_IN_GRAPH;
    if (filter->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
    for (const Ref<Pin>& pin : filter->pins()) {
      if (Ref<Pin> peer = pin->connectedTo()) peer->disconnect();
      pin->disconnect();
    }
    Ref<BaseFilter> keep = it->filter;  // joinFilterGraph runs while it still lives
    entries_.erase(it);
    keep->joinFilterGraph(nullptr, std::string());
    return S_OK;
  }

  std::vector<Ref<BaseFilter>> filters() const override {
    std::lock_guard lock(mutex_);
    std::vector<Ref<BaseFilter>> result;
    for (const Entry& entry : entries_) result.push_back(entry.filter);
    return result;
  }

  Status connect(Pin* output, Pin* input) override { return connectDirect(output, input, nullptr); }

  Status connectDirect(Pin* output, Pin* input, const MediaType* type) override {
    assert(output && input);
    if (!contains(output->filter()) || !contains(input->filter())) return VFW_E_NOT_IN_GRAPH;
    if (output->direction() != PinDirection::Output || input->direction() != PinDirection::Input)
      return VFW_E_INVALID_DIRECTION;
    return output->connect(input, type);
  }

  Status disconnect(Pin* pin) override {
    assert(pin);
    return pin->disconnect();
  }

  // ---- MediaControl ----

  Status run() override {
    std::lock_guard lock(mutex_);
    if (state_ == FilterState::Running) return S_OK;
    if (state_ == FilterState::Stopped) {
      const Status status = pauseAll();
      if (failed(status)) return status;
    }
    for (const Ref<BaseFilter>& filter : downstreamFirst()) {
      const Status status = filter->run(0);
      if (failed(status)) {
        stopAll();
        return status;
      }
    }
    state_ = FilterState::Running;
    return S_OK;
  }

  Status pause() override {
    std::lock_guard lock(mutex_);
    return pauseAll();
  }

  Status stop() override {
    std::lock_guard lock(mutex_);
    return stopAll();
  }

  FilterState state() const override {
    std::lock_guard lock(mutex_);
    return state_;
  }

 private:
  struct Entry {
    Ref<BaseFilter> filter;
    std::string name;
  };

  std::vector<Entry>::iterator find(const std::string& name) {
    return std::find_if(entries_.begin(), entries_.end(),
                        [&](const Entry& entry) { return entry.name == name; });
  }

  bool contains(BaseFilter* filter) const {
    std::lock_guard lock(mutex_);
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const Entry& entry) { return entry.filter.get() == filter; });
  }

  // Sources first: a filter comes after every filter feeding its inputs.
  std::vector<Ref<BaseFilter>> upstreamFirst() const {
    std::vector<Ref<BaseFilter>> ordered;
    std::set<BaseFilter*> placed;
    while (ordered.size() < entries_.size()) {
      bool progress = false;
      for (const Entry& entry : entries_) {
        if (placed.count(entry.filter.get())) continue;
        bool ready = true;
        for (const Ref<Pin>& pin : entry.filter->pins()) {
          const Ref<Pin> peer =
              pin->direction() == PinDirection::Input ? pin->connectedTo() : nullptr;
          if (!peer) continue;
          BaseFilter* upstream = peer->filter();
          if (upstream && upstream != entry.filter.get() && !placed.count(upstream) &&
              contains(upstream))
            ready = false;
        }
        if (ready) {
          ordered.push_back(entry.filter);
          placed.insert(entry.filter.get());
          progress = true;
        }
      }
      if (!progress) {  // a cycle: take the rest as they come
        for (const Entry& entry : entries_)
          if (!placed.count(entry.filter.get())) ordered.push_back(entry.filter);
        break;
      }
    }
    return ordered;
  }

  std::vector<Ref<BaseFilter>> downstreamFirst() const {
    std::vector<Ref<BaseFilter>> ordered = upstreamFirst();
    std::reverse(ordered.begin(), ordered.end());
    return ordered;
  }

  Status pauseAll() {
    for (const Ref<BaseFilter>& filter : downstreamFirst()) {
      const Status status = filter->pause();
      if (failed(status)) {
        stopAll();
        return status;
      }
    }
    state_ = FilterState::Paused;
    return S_OK;
  }

  Status stopAll() {
    Status result = S_OK;
    for (const Ref<BaseFilter>& filter : upstreamFirst()) {
      const Status status = filter->stop();
      if (failed(status) && succeeded(result)) result = status;
    }
    state_ = FilterState::Stopped;
    return result;
  }

  mutable std::recursive_mutex mutex_;
  std::vector<Entry> entries_;
  FilterState state_ = FilterState::Stopped;
};

}  // namespace

Ref<FilterGraph> createFilterGraph() { return Ref<FilterGraph>(new FilterGraphManager); }

}  // namespace vistrel::media
