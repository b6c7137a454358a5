// The capture graph builder: puts the AVI sink into a graph and connects
// source → compressor or none → sink.

#include <cassert>

#include "platform/media/avi_mux.h"
#include "platform/media/filter_graph.h"

namespace vistrel::media {

namespace {

bool offersMajorType(Pin* pin, const Guid* majorType) {
  if (!majorType) return true;
  for (const MediaType& type : pin->mediaTypes())
    if (type.majorType == *majorType) return true;
  return false;
}

// The filter's first pin of `direction` that is not connected.
Ref<Pin> freePin(BaseFilter* filter, PinDirection direction, const Guid* majorType = nullptr) {
  for (const Ref<Pin>& pin : filter->pins()) {
    if (pin->direction() != direction || pin->connectedTo()) continue;
    if (direction == PinDirection::Output && !offersMajorType(pin.get(), majorType)) continue;
    return pin;
  }
  return nullptr;
}

void disconnectBoth(Pin* pin) {
  if (Ref<Pin> peer = pin->connectedTo()) peer->disconnect();
  pin->disconnect();
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
                           Ref<BaseFilter>* multiplexer, Ref<FileSinkFilter>* writer) override {
    if ((type != MEDIASUBTYPE_Avi && type != MEDIASUBTYPE_Mp4) || hostPath.empty())
      return E_INVALIDARG;
    Ref<FilterGraph> graph = filterGraph();

    Ref<BaseFilter> mux = type == MEDIASUBTYPE_Mp4 ? createMp4Mux() : createAviMux();
    Ref<FileSinkFilter> sink = queryInterface<FileSinkFilter>(mux);
    Status status = sink->setFileName(hostPath, nullptr);
    if (failed(status)) return status;  // nothing was opened
    status = graph->addFilter(mux.get(), "AVI Mux");
    if (failed(status)) return status;
    if (multiplexer) *multiplexer = mux;
    if (writer) *writer = sink;
    return S_OK;
  }

  Status renderStream(const Guid* category, const Guid* mediaType, Unknown* source,
                      BaseFilter* intermediate, BaseFilter* sink) override {
    assert(source && sink);
    Ref<FilterGraph> graph = filterGraph();

    Ref<Pin> start = queryInterface<Pin>(source);
    if (!start) {
      Ref<BaseFilter> filter = queryInterface<BaseFilter>(source);
      if (!filter) return E_NOINTERFACE;
      start = freePin(filter.get(), PinDirection::Output, mediaType);
      if (!start) return VFW_E_NOT_FOUND;
    } else if (start->direction() != PinDirection::Output) {
      return VFW_E_INVALID_DIRECTION;
    }

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

Ref<CaptureGraphBuilder> createCaptureGraphBuilder() {
  return Ref<CaptureGraphBuilder>(new CaptureBuilder);
}

}  // namespace vistrel::media
