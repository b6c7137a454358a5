#include "platform/media/filter.h"

#include <cassert>
#include <utility>

namespace vistrel::media {

// ---- Pin ----

Pin::Pin(BaseFilter* filter, PinDirection direction, std::string name)
    : owner_(filter), direction_(direction), name_(std::move(name)) {}

bool Pin::isConnected() const {
  std::lock_guard lock(pinMutex_);
  return static_cast<bool>(connected_);
}

Ref<Pin> Pin::connectedTo() const {
  std::lock_guard lock(pinMutex_);
  return connected_;
}

MediaType Pin::connectionType() const {
  std::lock_guard lock(pinMutex_);
  return type_;
}

Status Pin::join(Pin* peer, const MediaType& type) {
  {
    std::lock_guard lock(pinMutex_);
    connected_ = Ref<Pin>(peer);
    type_ = type;
  }
  const Status status = completeConnect(peer);
  if (failed(status)) forget();
  return status;
}

void Pin::forget() {
  std::lock_guard lock(pinMutex_);
  connected_.reset();
  type_ = MediaType();
}

Status Pin::disconnect() {
  if (owner_) {
    std::lock_guard lock(owner_->stateLock());
    if (owner_->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
  }
  if (!isConnected()) return S_FALSE;
  forget();
  breakConnect();
  return S_OK;
}

// ---- OutputPinBase ----

OutputPinBase::OutputPinBase(BaseFilter* filter, std::string name)
    : Pin(filter, PinDirection::Output, std::move(name)) {}

Status OutputPinBase::connect(Pin* receivePin) {
  assert(receivePin);
  if (!owner_) return E_UNEXPECTED;
  std::lock_guard lock(owner_->stateLock());
  if (isConnected()) return VFW_E_ALREADY_CONNECTED;
  if (owner_->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
  Ref<InputPinBase> input(dynamic_cast<InputPinBase*>(receivePin));
  if (!input) return VFW_E_INVALID_DIRECTION;

  MediaType type;
  if (!outputType(&type)) return VFW_E_NO_ACCEPTABLE_TYPES;
  Status status = input->receiveConnection(this, type);
  if (succeeded(status)) {
    status = join(input.get(), type);
    if (failed(status)) input->disconnect();
  }
  // A refused type, or an input that cannot work with it.
  if (status == E_FAIL || status == VFW_E_TYPE_NOT_ACCEPTED || status == E_INVALIDARG)
    return VFW_E_NO_ACCEPTABLE_TYPES;
  if (failed(status)) return status;
  input_ = input;
  const std::int32_t bytes = bufferSize();
  std::lock_guard samples(sampleMutex_);
  sampleBytes_ = bytes;
  return S_OK;
}

Status OutputPinBase::disconnect() {
  const Status status = Pin::disconnect();
  if (status == S_OK) input_.reset();
  return status;
}

Status OutputPinBase::active() {
  active_ = true;
  return S_OK;
}

Status OutputPinBase::inactive() {
  active_ = false;
  std::lock_guard lock(sampleMutex_);
  sample_.reset();  // a sample still out is freed when let go
  return S_OK;
}

Status OutputPinBase::getDeliveryBuffer(Ref<MediaSample>* sample) {
  if (!input_ || !isConnected()) return VFW_E_NOT_CONNECTED;
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
  Ref<InputPinBase> input = input_;
  if (!input || !isConnected()) return VFW_E_NOT_CONNECTED;
  return input->receive(sample);
}

// ---- InputPinBase ----

InputPinBase::InputPinBase(BaseFilter* filter, std::string name)
    : Pin(filter, PinDirection::Input, std::move(name)) {}

Status InputPinBase::receiveConnection(Pin* connector, const MediaType& type) {
  assert(connector);
  if (!owner_) return E_UNEXPECTED;
  std::lock_guard lock(owner_->stateLock());
  if (isConnected()) return VFW_E_ALREADY_CONNECTED;
  if (owner_->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
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

// ---- BaseFilter ----

void BaseFilter::disconnectAll() {
  std::lock_guard lock(stateLock_);
  state_ = FilterState::Stopped;
  for (Pin* pin : pinList()) {
    if (Ref<Pin> peer = pin->connectedTo()) peer->disconnect();
    pin->disconnect();
    pin->detach();
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
  for (Pin* pin : pinList()) {
    const Status status = pin->inactive();
    if (failed(status) && succeeded(result)) result = status;
  }
  return result;
}

Status BaseFilter::run(ReferenceTime start) {
  std::lock_guard lock(stateLock_);
  if (state_ == FilterState::Running) return S_OK;
  Status status = S_OK;
  for (Pin* pin : pinList())
    if (succeeded(status)) status = pin->active();
  if (succeeded(status)) status = onRun(start);
  if (failed(status)) {
    for (Pin* pin : pinList()) pin->inactive();
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

}  // namespace vistrel::media
