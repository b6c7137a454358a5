// Base classes for filters and pins that keep the filter and pin contracts
// of filter.h: the state machine, connection with media-type negotiation
// and checked delivery. The service's own filters are
// built on them; a caller's filter may be too.
//
// Locks: each filter has a state lock (state changes, connections) and a
// stream lock (receive() and the work done on stop); a stop waits for a
// receive in progress and no sample is taken once the filter is stopped.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/media/filter.h"

namespace vistrel::media {

class FilterBase;
class InputPinBase;

class PinBase : public Pin {
 public:
  PinBase(FilterBase* filter, PinDirection direction, std::string name);

  Status disconnect() override;
  Ref<Pin> connectedTo() const override;
  MediaType connectionMediaType() const override;
  Status queryAccept(const MediaType& type) const override;
  std::vector<MediaType> mediaTypes() const override;
  PinDirection direction() const override { return direction_; }
  std::string name() const override { return name_; }
  std::string id() const override { return name_; }
  BaseFilter* filter() const override;

  bool isConnected() const;
  MediaType connectionType() const;
  // Hooks of the filter's state changes (leaving stopped, stopping).
  virtual Status active() { return S_OK; }
  virtual Status inactive() { return S_OK; }
  // Called by the filter when it goes away: the pin no longer names it.
  void detach();

 protected:
  // S_OK when this pin can take `type`; any failure refuses it.
  virtual Status checkMediaType(const MediaType& type) const = 0;
  // The pin's preferred types; none by default.
  virtual std::vector<MediaType> ownMediaTypes() const { return {}; }
  // Called after a connection was made; a failure undoes it.
  virtual Status completeConnect(Pin* peer) { return S_OK; }
  virtual void breakConnect() {}
  // PinBase::disconnect, refused with VFW_E_NOT_STOPPED unless the owning
  // filter is stopped.
  Status disconnectIfStopped();

  FilterBase* owner_;
  const PinDirection direction_;
  const std::string name_;
  mutable std::mutex pinMutex_;
  Ref<Pin> connected_;
  MediaType type_;
};

class OutputPinBase : public PinBase {
 public:
  OutputPinBase(FilterBase* filter, std::string name);

  Status connect(Pin* receivePin, const MediaType* type) override;
  Status receiveConnection(Pin* connector, const MediaType& type) override;
  Status disconnect() override;
  Status active() override;
  Status inactive() override;

  // A sample of bufferSize() bytes to fill and deliver: the pin's own, used
  // again once the last delivery let go of it. VFW_E_NOT_CONNECTED without a
  // connection, VFW_E_NOT_COMMITTED while the filter is stopped.
  Status getDeliveryBuffer(Ref<MediaSample>* sample);
  // Hands `sample` to the connected input pin; VFW_E_NOT_CONNECTED when none.
  Status deliver(MediaSample* sample);

 protected:
  // Bytes of the largest sample this pin delivers; asked once it connected.
  virtual std::int32_t bufferSize() const = 0;

 private:
  Status attempt(Pin* receivePin, const MediaType& type);

  Ref<InputPinBase> input_;
  std::mutex sampleMutex_;
  Ref<MediaSample> sample_;
  std::int32_t sampleBytes_ = 0;
  std::atomic<bool> active_{false};
};

class InputPinBase : public PinBase {
 public:
  InputPinBase(FilterBase* filter, std::string name);

  Status connect(Pin* receivePin, const MediaType* type) override;
  Status receiveConnection(Pin* connector, const MediaType& type) override;
  Status disconnect() override;

  // One sample from the connected output pin: checks connection and state
  // under the filter's stream lock, then calls onReceive(). The pin copies
  // what it keeps. VFW_E_WRONG_STATE when the filter is stopped,
  // VFW_E_NOT_CONNECTED when the pin is not connected.
  Status receive(MediaSample* sample);

 protected:
  // One sample, under the stream lock, while the filter is paused or running.
  virtual Status onReceive(MediaSample* sample) = 0;
};

class FilterBase : public BaseFilter {
 public:
  explicit FilterBase(const Guid& classId);
  ~FilterBase() override;

  Guid classId() const override { return classId_; }
  Status stop() override;
  Status pause() override;
  Status run(ReferenceTime start) override;
  FilterState state() const override { return state_.load(); }
  std::vector<Ref<Pin>> pins() const override;
  Status findPin(const std::string& id, Ref<Pin>* pin) const override;
  std::string name() const override;
  FilterGraph* graph() const override;
  Status joinFilterGraph(FilterGraph* graph, const std::string& name) override;

  std::recursive_mutex& stateLock() const { return stateLock_; }
  std::mutex& streamLock() const { return streamLock_; }

 protected:
  // The filter's pins in order; they live as long as the filter.
  virtual std::vector<PinBase*> pinList() const = 0;
  // Leaving stopped (after the pins became active), under the state lock.
  virtual Status onPause() { return S_OK; }
  virtual Status onRun(ReferenceTime start) { return S_OK; }
  // Stopping: under both locks, after the state became stopped and before
  // the pins become inactive (a filter flushes what it holds here).
  virtual Status onStop() { return S_OK; }
  // Call from the most derived destructor: breaks every connection while
  // the pins' filter still exists.
  void disconnectAll();

 private:
  const Guid classId_;
  mutable std::recursive_mutex stateLock_;
  mutable std::mutex streamLock_;
  std::atomic<FilterState> state_{FilterState::Stopped};
  std::string name_;
  FilterGraph* graph_ = nullptr;
};

}  // namespace vistrel::media
