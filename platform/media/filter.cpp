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

MediaType Pin::connectionType() const {
  std::lock_guard lock(pinMutex_);
  return type_;
}

Status Pin::disconnect() {
  std::lock_guard lock(pinMutex_);
  if (!connected_) return S_FALSE;
  connected_.reset();
  type_ = MediaType();
  return S_OK;
}

Status Pin::disconnectIfStopped() {
  if (owner_) {
    std::lock_guard lock(owner_->stateLock());
    if (owner_->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
  }
  return Pin::disconnect();
}

Ref<Pin> Pin::connectedTo() const {
  std::lock_guard lock(pinMutex_);
  return connected_;
}

MediaType Pin::connectionMediaType() const {
  std::lock_guard lock(pinMutex_);
  return connected_ ? type_ : MediaType();
}

Status Pin::queryAccept(const MediaType& type) const {
  return succeeded(checkMediaType(type)) ? S_OK : S_FALSE;
}

// ---- OutputPinBase ----

OutputPinBase::OutputPinBase(BaseFilter* filter, std::string name)
    : Pin(filter, PinDirection::Output, std::move(name)) {}

Status OutputPinBase::connect(Pin* receivePin, const MediaType* type) {
  assert(receivePin);
  if (!owner_) return E_UNEXPECTED;
  std::lock_guard lock(owner_->stateLock());
  if (isConnected()) return VFW_E_ALREADY_CONNECTED;
  if (owner_->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
  if (receivePin->direction() != PinDirection::Input) return VFW_E_INVALID_DIRECTION;

  if (type && type->isComplete()) return attempt(receivePin, *type);

  // The receiver's preferences first, then ours.
  std::vector<MediaType> candidates = receivePin->mediaTypes();
  for (MediaType& own : ownMediaTypes()) candidates.push_back(std::move(own));
  for (const MediaType& candidate : candidates) {
    if (type && !type->matchesPartial(candidate)) continue;
    const Status status = attempt(receivePin, candidate);
    if (succeeded(status)) return status;
    if (status != E_FAIL && status != VFW_E_TYPE_NOT_ACCEPTED && status != E_INVALIDARG)
      return status;
  }
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

Status OutputPinBase::attempt(Pin* receivePin, const MediaType& type) {
  if (failed(checkMediaType(type))) return E_INVALIDARG;
  Ref<InputPinBase> input(dynamic_cast<InputPinBase*>(receivePin));
  if (!input) return E_NOINTERFACE;
  Status status = receivePin->receiveConnection(this, type);
  if (failed(status)) return status;
  {
    std::lock_guard lock(pinMutex_);
    connected_ = Ref<Pin>(receivePin);
    type_ = type;
  }
  status = completeConnect(receivePin);
  if (failed(status)) {
    receivePin->disconnect();
    Pin::disconnect();
    return status;
  }
  input_ = input;
  const std::int32_t bytes = bufferSize();
  std::lock_guard lock(sampleMutex_);
  sampleBytes_ = bytes;
  return S_OK;
}

Status OutputPinBase::receiveConnection(Pin*, const MediaType&) { return E_UNEXPECTED; }

Status OutputPinBase::disconnect() {
  const Status status = disconnectIfStopped();
  if (status == S_OK) {
    breakConnect();
    input_.reset();
  }
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

Status InputPinBase::connect(Pin*, const MediaType*) { return VFW_E_INVALID_DIRECTION; }

Status InputPinBase::receiveConnection(Pin* connector, const MediaType& type) {
  assert(connector);
  if (!owner_) return E_UNEXPECTED;
  std::lock_guard lock(owner_->stateLock());
  if (isConnected()) return VFW_E_ALREADY_CONNECTED;
  if (owner_->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
  if (connector->direction() != PinDirection::Output) return VFW_E_INVALID_DIRECTION;
  if (failed(checkMediaType(type))) return VFW_E_TYPE_NOT_ACCEPTED;
  {
    std::lock_guard pinLock(pinMutex_);
    connected_ = Ref<Pin>(connector);
    type_ = type;
  }
  const Status status = completeConnect(connector);
  if (failed(status)) {
    Pin::disconnect();
    return status;
  }
  return S_OK;
}

Status InputPinBase::disconnect() {
  const Status status = disconnectIfStopped();
  if (status == S_OK) breakConnect();
  return status;
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

Status BaseFilter::findPin(const std::string& id, Ref<Pin>* pin) const {
  assert(pin);
  for (Pin* candidate : pinList()) {
    if (candidate->id() == id) {
      *pin = Ref<Pin>(candidate);
      return S_OK;
    }
  }
  *pin = nullptr;
  return VFW_E_NOT_FOUND;
}

std::string BaseFilter::name() const {
  std::lock_guard lock(stateLock_);
  return name_;
}

FilterGraph* BaseFilter::graph() const {
  std::lock_guard lock(stateLock_);
  return graph_;
}

Status BaseFilter::joinFilterGraph(FilterGraph* graph, const std::string& name) {
  std::lock_guard lock(stateLock_);
  graph_ = graph;
  name_ = graph ? name : std::string();
  return S_OK;
}

}  // namespace vistrel::media
