// TVLCommonGen: the generic part of a generator component: frame rate,
// enabling, pump negotiation, clocking, and the start and stop announcements
// on its output pin. A subclass fills the frames (ProduceData).
//
// Thread: the setters and GenerateFrame may be called from any thread; the
// generator's state is guarded by its lock group (the generator's lock
// object, the OutputPin and, through the function dependency, the ClockPin).
// With ClockSource csInternal the clock generator calls GenerateFrame on its
// own thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "pipeline/clock_gen.h"
#include "pipeline/component.h"
#include "pipeline/frame_size.h"
#include "pipeline/image_buffer.h"
#include "pipeline/sink_pin.h"
#include "pipeline/source_pin.h"
#include "pipeline/state_pin.h"
#include "platform/layout/stored_properties.h"

namespace vistrel {

enum class TSLClockSource { csInternal = 0, csExternal = 1 };

class TVLCommonGen : public TOWComponent {
 public:
  // FrameRate 60, Enabled true, PumpPriority 0, ClockSource csInternal.
  TVLCommonGen();
  ~TVLCommonGen() override;

  TVLOWImageSourcePin& OutputPin() { return *outputPin_; }
  TOWBoolStatePin& EnablePin() { return *enablePin_; }
  TOWClockSinkPin& ClockPin() { return *clockPin_; }

  // Frames per second. Stored as given; a value below 1 counts as 1 wherever
  // the rate divides (the viewer passes 0 while the user is still typing).
  int FrameRate() const { return frameRate_; }
  void SetFrameRate(int rate);
  bool Enabled() const { return enabled_; }
  // Enabling with a connected output starts a stream; disabling stops it.
  // Setting the current value does nothing at all.
  void SetEnabled(bool enabled);
  int PumpPriority() const { return pumpPriority_; }
  void SetPumpPriority(int priority);
  TSLClockSource ClockSource() const { return clockSource_; }
  void SetClockSource(TSLClockSource source);

  void Start() { SetEnabled(true); }
  void Stop() { SetEnabled(false); }

  // Produces one frame now and sends it (nothing while disabled). The sinks'
  // handlers run inside this call, on the calling thread.
  void GenerateFrame();

  // Inspection.
  bool IsMaster() const;
  bool HasClockSubscription() const;

  // Layout component.
  bool readProperty(const std::string& name, const layout::Value& value,
                    layout::ReadContext& context) override;
  std::vector<layout::Property> storedProperties() const override;
  void loaded() override;
  std::vector<TOWPublishedPin> PublishedPins() const override;

 protected:
  // The stored properties after the pins' (a function-local static).
  virtual const layout::PropertyTable& propertyTable() const;
  // The output pin's owner handler (operations coming upstream from sinks).
  virtual bool HandleOperation(TOWBasicPin& pin, const TOWStreamType& type, std::uint32_t flags,
                               const TOWOperationPtr& operation);
  virtual void RequestPump();
  virtual void StartStream();
  virtual void RateNotified(float rate) {}
  // Fills `frame`; may clear `send` (nothing is sent) or set `stop`.
  virtual void ProduceData(TVLImageBuffer& frame, bool& send, bool& stop) = 0;
  virtual void StopStream();
  virtual TVLSize& GetFrameSize() { return frameSize_; }
  virtual bool IsOutputConnected() const { return outputPin_->IsConnected(); }

  void Activate();
  void MasterPumpTick(const void* pump, std::uint32_t number);
  void ClockPinPulse();
  // Releases the clock, stops the stream and disconnects the output. The most
  // derived destructor calls it first; later calls do nothing.
  void BeforeDestruction();

  int EffectiveFrameRate() const { return frameRate_ < 1 ? 1 : frameRate_.load(); }
  TOWObject& LockObject() { return lock_; }

 private:
  void ReleaseClock();  // lock_ held

  TOWObject lock_;
  std::unique_ptr<TVLOWImageSourcePin> outputPin_;
  std::unique_ptr<TOWBoolStatePin> enablePin_;
  std::unique_ptr<TOWClockSinkPin> clockPin_;
  TVLSize frameSize_;

  std::atomic<int> frameRate_{60};
  std::atomic<bool> enabled_{true};
  std::atomic<int> pumpPriority_{0};
  std::atomic<TSLClockSource> clockSource_{TSLClockSource::csInternal};

  // Guarded by lock_.
  bool isMaster_ = false;
  const void* masterPump_ = nullptr;
  bool restartPending_ = false;
  std::uint32_t lastPumpTick_ = 0;
  TSLClockGenItem* clockSubscription_ = nullptr;

  bool loading_ = false;    // between the first stored property and loaded()
  bool destroyed_ = false;  // BeforeDestruction ran
};

}  // namespace vistrel
