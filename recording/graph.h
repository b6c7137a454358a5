// TDSGraph: the graph settings a logger publishes as its Graph property, and
// the filter graph manager of the recording in progress. It creates the
// graph, adds the extra filters, reports build failures (through OnError,
// else as EDSException "<text> - <code> - <hex code>") and enters a running
// graph in the running object table when Register is set.
//
// Its message window is a QObject living on the thread that created the
// logger (the main thread); progress messages are posted to it.
//
// Thread: the main thread; event setters take the owner's lock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QObject>

#include "pipeline/lock_group.h"
#include "platform/layout/component.h"
#include "platform/media/filter_graph.h"
#include "platform/media/status.h"
#include "recording/filter_items.h"

namespace vistrel {

using TDSErrorEvent = std::function<void(layout::Component& sender, const std::string& errorText,
                                         std::int32_t errorCode, bool& handled)>;
using TDSWarningEvent =
    std::function<void(layout::Component& sender, const std::string& errorText, std::int32_t)>;
using TDSNotifyEvent = std::function<void(layout::Component& sender)>;

class TDSGraph {
 public:
  // `owner` is the Sender of every event; `ownerLock` guards the events.
  TDSGraph(layout::Component& owner, TOWObject& ownerLock);
  ~TDSGraph();
  TDSGraph(const TDSGraph&) = delete;
  TDSGraph& operator=(const TDSGraph&) = delete;

  TDSFilterItems& AdditionalFilters() { return additionalFilters_; }
  const TDSFilterItems& AdditionalFilters() const { return additionalFilters_; }

  bool Register() const { return register_; }
  // While the graph is active, registers or revokes it at once.
  void SetRegister(bool value);

  void SetOnError(TDSErrorEvent handler);
  // Raised when a frame could not be written into the running graph.
  void SetOnWarning(TDSWarningEvent handler);
  void SetOnGraphBuilt(TDSNotifyEvent handler);

  // ---- used by the logger's build ----
  // The filter graph manager, or null while no graph is built.
  media::FilterGraph* FilterGraph() const { return filterGraph_.get(); }
  bool Built() const { return static_cast<bool>(filterGraph_); }
  // Creates the manager if there is none; false when that failed and the
  // report was handled ("Can't build DirectShow graph.").
  bool CreateFilterGraph();
  // Adds the extra filters in order; those that cannot be made are skipped.
  void AddAdditionalFilters();
  // Calls OnError; unless it sets Handled, throws EDSException. Returns false.
  // The events and the exception carry the fixed text and the code; the
  // status's detail (file, system's or FFmpeg's reason) goes to the log.
  bool ReportError(const std::string& text, const media::Status& status);
  // Calls OnWarning, or logs the warning when no handler is set; the detail
  // is logged either way.
  void ReportWarning(const std::string& text, const media::Status& status);
  void GraphBuilt();
  // The graph runs: enters it in the running object table if Register is set.
  void Activate();
  // The graph stopped: revokes its entry.
  void Deactivate();
  // The running-object-table item name of the current graph.
  std::string RegistrationName() const;
  void ReleaseFilterGraph() { filterGraph_.reset(); }

  QObject* MessageWindow() const { return messageWindow_.get(); }

 private:
  void RegisterRunning();
  void RevokeRunning();

  layout::Component& owner_;
  TOWObject& ownerLock_;
  TDSFilterItems additionalFilters_;
  bool register_ = false;
  TDSErrorEvent onError_;
  TDSWarningEvent onWarning_;
  TDSNotifyEvent onGraphBuilt_;
  media::Ref<media::FilterGraph> filterGraph_;
  bool active_ = false;
  std::uint32_t cookie_ = 0;
  std::unique_ptr<QObject> messageWindow_;
};

// "%s - %u - %x" applied to the text and the code.
std::string FormatGraphError(const std::string& text, media::StatusCode code);

}  // namespace vistrel
