// Filters and pins: the contracts every filter of a graph keeps, whether it
// is one of the service's own (compressors, the AVI sink) or the caller's (a
// push source).
//
// Connection: the graph asks the output pin to connect(); the output pin
// proposes media types to the input pin's receiveConnection(). Filters start
// stopped; pins connect only while their filter is stopped.
//
// Thread: state changes come from the graph's caller; receive() comes from
// the thread that delivers (with synchronous delivery, the same thread).
#pragma once

#include <cstdint>
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

enum class PinDirection { Input, Output };

enum class FilterState { Stopped = 0, Paused = 1, Running = 2 };

class Pin : public virtual Unknown {
 public:
  // Output pins: connect to `receivePin`, with `type` if it is complete,
  // else with the first type (receiver's first, then own) both agree on.
  // VFW_E_ALREADY_CONNECTED, VFW_E_NOT_STOPPED, VFW_E_NO_ACCEPTABLE_TYPES.
  virtual Status connect(Pin* receivePin, const MediaType* type) = 0;
  // Input pins: accept a connection from `connector` with `type`
  // (VFW_E_TYPE_NOT_ACCEPTED when the type does not suit).
  virtual Status receiveConnection(Pin* connector, const MediaType& type) = 0;
  // Breaks this side of the connection (S_FALSE when not connected).
  virtual Status disconnect() = 0;
  // The peer, or null when not connected.
  virtual Ref<Pin> connectedTo() const = 0;
  // The agreed type; an empty one when not connected.
  virtual MediaType connectionMediaType() const = 0;
  // S_OK when the pin could accept `type`, S_FALSE otherwise.
  virtual Status queryAccept(const MediaType& type) const = 0;
  // The types the pin prefers, best first.
  virtual std::vector<MediaType> mediaTypes() const = 0;
  virtual PinDirection direction() const = 0;
  virtual std::string name() const = 0;
  virtual std::string id() const = 0;
  // The filter the pin belongs to (not a counted reference: pins live as
  // long as their filter).
  virtual BaseFilter* filter() const = 0;
};

class BaseFilter : public virtual Unknown {
 public:
  virtual Guid classId() const = 0;
  // Stopped → paused → running. run() from stopped pauses first; samples
  // flow while not stopped; stop() keeps the first failure as its result.
  virtual Status stop() = 0;
  virtual Status pause() = 0;
  virtual Status run(ReferenceTime start) = 0;
  virtual FilterState state() const = 0;
  virtual std::vector<Ref<Pin>> pins() const = 0;
  // VFW_E_NOT_FOUND for an unknown id.
  virtual Status findPin(const std::string& id, Ref<Pin>* pin) const = 0;
  virtual std::string name() const = 0;
  virtual FilterGraph* graph() const = 0;
  // Called by the graph when the filter is added (graph, name) or removed
  // (null, empty). The filter does not hold a reference to the graph.
  virtual Status joinFilterGraph(FilterGraph* graph, const std::string& name) = 0;
};

// A filter that writes a file (the AVI sink of a recording).
class FileSinkFilter : public virtual Unknown {
 public:
  // Opens (creates or truncates) the file; its failure is the OS error's
  // status (E_ACCESSDENIED, STATUS_PATH_NOT_FOUND, ...) and nothing stays open.
  virtual Status setFileName(const std::string& hostPath, const MediaType* type) = 0;
  // The file's path (empty before setFileName).
  virtual std::string curFile() const = 0;
};

}  // namespace vistrel::media
