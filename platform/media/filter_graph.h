// The filter graph manager and its media control, and the capture graph
// builder that assembles recording graphs (source → compressor or none →
// AVI sink).
//
// Ownership: the graph holds a reference on every filter added to it and
// breaks all connections when it goes away. Thread: one caller thread at a
// time per graph; samples may flow on other threads.
#pragma once

#include <string>
#include <vector>

#include "platform/media/filter.h"
#include "platform/media/guid.h"
#include "platform/media/status.h"
#include "platform/media/unknown.h"

namespace vistrel::media {

class FilterGraph : public virtual Unknown {
 public:
  // Adds `filter` under `name` (an empty name is made from the filter's
  // class). E_INVALIDARG when the filter is already in a graph.
  virtual Status addFilter(BaseFilter* filter, const std::string& name) = 0;
  // Disconnects the filter's pins and takes it out (VFW_E_NOT_IN_GRAPH).
  // VFW_E_NOT_STOPPED while the graph is not stopped.
  virtual Status removeFilter(BaseFilter* filter) = 0;
  // The filters in the order they were added.
  virtual std::vector<Ref<BaseFilter>> filters() const = 0;
  // Connects an output pin to an input pin, agreeing on a type. Both
  // filters must be in this graph and stopped.
  virtual Status connect(Pin* output, Pin* input) = 0;
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

// The filter graph manager: the object offers FilterGraph and MediaControl.
Ref<FilterGraph> createFilterGraph();

class CaptureGraphBuilder : public virtual Unknown {
 public:
  // E_UNEXPECTED when the builder has a graph already.
  virtual Status setFiltergraph(FilterGraph* graph) = 0;
  // With MEDIASUBTYPE_Avi: creates the file at `hostPath` and adds the AVI
  // sink ("AVI Mux") to the graph, handing it back in `sinkFilter`. The file's failure is the OS
  // error's status (E_ACCESSDENIED, STATUS_PATH_NOT_FOUND, ...); then nothing is added and nothing
  // stays open. MEDIASUBTYPE_Mp4 does the same with the MP4 sink. Other subtypes: E_INVALIDARG.
  virtual Status setOutputFileName(const Guid& type, const std::string& hostPath,
                                   Ref<BaseFilter>* sinkFilter) = 0;
  // Connects `source`'s first free output pin through `intermediate` (a
  // compressor, or null) into `sink`'s first free input pin. All filters
  // must be in the graph. A failure leaves no connection made by this call.
  virtual Status renderStream(BaseFilter* source, BaseFilter* intermediate, BaseFilter* sink) = 0;
};

Ref<CaptureGraphBuilder> createCaptureGraphBuilder();

}  // namespace vistrel::media
