#include "recording/graph.h"

#include <unistd.h>

#include <cstdio>

#include <QtGlobal>

#include "recording/errors.h"

namespace vistrel {

namespace {

// Replaces an event handler under the owner's write lock, so that a reader
// holding the read lock sees the old handler or the new one, whole.
template <typename Handler>
void StoreHandler(TOWObject& ownerLock, Handler& slot, Handler handler) {
  TOWWriteLockSection lock(ownerLock);
  slot = std::move(handler);
}

// The message with the status's detail on a line of its own, for the log.
void LogFailure(const std::string& text, const media::Status& status) {
  const std::string message = FormatGraphError(text, status);
  if (status.detail().empty()) {
    qWarning("Recording: %s", message.c_str());
  } else {
    qWarning("Recording: %s\n  %s", message.c_str(), status.detail().c_str());
  }
}

}  // namespace

std::string FormatGraphError(const std::string& text, media::StatusCode code) {
  const auto value = static_cast<std::uint32_t>(code);
  char numbers[40];
  std::snprintf(numbers, sizeof numbers, " - %u - %x", value, value);
  return text + numbers;
}

TDSGraph::TDSGraph(layout::Component& owner, TOWObject& ownerLock)
    : owner_(owner), ownerLock_(ownerLock), messageWindow_(std::make_unique<QObject>()) {}

TDSGraph::~TDSGraph() {
  if (active_) RevokeRunning();
}

void TDSGraph::SetRegister(bool value) {
  if (value == register_) return;
  register_ = value;
  if (!active_) return;
  if (value) {
    RegisterRunning();
  } else {
    RevokeRunning();
  }
}

void TDSGraph::SetOnError(TDSErrorEvent handler) {
  StoreHandler(ownerLock_, onError_, std::move(handler));
}
void TDSGraph::SetOnWarning(TDSWarningEvent handler) {
  StoreHandler(ownerLock_, onWarning_, std::move(handler));
}
void TDSGraph::SetOnGraphBuilt(TDSNotifyEvent handler) {
  StoreHandler(ownerLock_, onGraphBuilt_, std::move(handler));
}

bool TDSGraph::ReportError(const std::string& text, const media::Status& status) {
  if (!status.detail().empty()) LogFailure(text, status);
  bool handled = false;
  if (onError_) onError_(owner_, text, status, handled);
  if (!handled) throw EDSException(FormatGraphError(text, status));
  return false;
}

void TDSGraph::ReportWarning(const std::string& text, const media::Status& status) {
  TDSWarningEvent handler;
  {
    TOWReadLockSection lock(ownerLock_);
    handler = onWarning_;
  }
  if (!handler || !status.detail().empty()) LogFailure(text, status);
  if (handler) handler(owner_, text, status);
}

bool TDSGraph::CreateFilterGraph() {
  if (filterGraph_) return true;
  filterGraph_ = media::createFilterGraph();
  if (!filterGraph_) return ReportError("Can't build DirectShow graph.", media::E_FAIL);
  return true;
}

void TDSGraph::AddAdditionalFilters() {
  for (std::size_t i = 0; i < additionalFilters_.Count(); ++i) {
    const TDSFilterItem& item = additionalFilters_.Item(i);
    if (item.IsNone()) continue;
    media::Ref<media::BaseFilter> filter = item.CreateFilter();
    if (!filter) continue;
    // A filter that cannot be added is skipped like one that cannot be found.
    filterGraph_->addFilter(filter.get(),
                            item.FilterName() + "(Additional " + std::to_string(i + 1) + ")");
  }
}

void TDSGraph::GraphBuilt() {
  if (onGraphBuilt_) onGraphBuilt_(owner_);
}

std::string TDSGraph::RegistrationName() const {
  char item[64];
  std::snprintf(item, sizeof item, "FilterGraph %8p pid %8x",
                static_cast<const void*>(filterGraph_.get()), static_cast<unsigned>(getpid()));
  return std::string("!") + item;
}

void TDSGraph::Activate() {
  if (active_) return;
  if (register_) RegisterRunning();
  active_ = true;
}

void TDSGraph::Deactivate() {
  if (active_ && register_) RevokeRunning();
  active_ = false;
}

void TDSGraph::RegisterRunning() {
  if (!filterGraph_ || cookie_ != 0) return;
  cookie_ = media::registerRunning(RegistrationName(), filterGraph_);
}

void TDSGraph::RevokeRunning() {
  if (cookie_ == 0) return;
  media::revokeRunning(cookie_);
  cookie_ = 0;
}

}  // namespace vistrel
