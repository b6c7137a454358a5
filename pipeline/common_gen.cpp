#include "pipeline/common_gen.h"

#include <variant>

#include "platform/exception.h"
#include "platform/layout/value.h"

namespace vistrel {

using layout::Value;

TVLCommonGen::TVLCommonGen() {
  outputPin_ = std::make_unique<TVLOWImageSourcePin>(
      this,
      [this](TOWBasicPin& pin, const TOWStreamType& type, std::uint32_t flags,
             const TOWOperationPtr& operation) -> std::uint8_t {
        return HandleOperation(pin, type, flags, operation) ? 1 : 0;
      });
  enablePin_ = std::make_unique<TOWBoolStatePin>(this, [this](bool state) { SetEnabled(state); });
  clockPin_ = std::make_unique<TOWClockSinkPin>(this, [this] { ClockPinPulse(); });
  outputPin_->AddFunctionSinkPin(*clockPin_);
  lock_.Join(*outputPin_);
}

TVLCommonGen::~TVLCommonGen() {
  BeforeDestruction();
  clockPin_.reset();
  enablePin_.reset();
  outputPin_.reset();
}

void TVLCommonGen::BeforeDestruction() {
  if (destroyed_) return;
  destroyed_ = true;
  TOWGlobalWriteLockSection global;
  TOWWriteLockSection lock(lock_);
  ReleaseClock();
  try {
    StopStream();
    outputPin_->DisconnectAll();
  } catch (...) {
    // A sink failing on the last stop must not abort the destruction.
  }
}

void TVLCommonGen::SetFrameRate(int rate) {
  if (rate == frameRate_) return;
  TOWWriteLockSection lock(lock_);
  frameRate_ = rate;
}

void TVLCommonGen::SetPumpPriority(int priority) {
  TOWWriteLockSection lock(lock_);
  pumpPriority_ = priority;
}

void TVLCommonGen::SetClockSource(TSLClockSource source) {
  TOWWriteLockSection lock(lock_);
  clockSource_ = source;
}

void TVLCommonGen::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  {
    TOWGlobalWriteLockSection global;
    TOWWriteLockSection lock(lock_);
    enabled_ = enabled;
    if (enabled && !loading_) Activate();
    if (!enabled_) StopStream();
  }
  enablePin_->SetState(enabled);
}

void TVLCommonGen::Activate() {
  TOWWriteLockSection lock(lock_);
  if (!IsOutputConnected()) return;
  restartPending_ = true;
  auto request = std::make_shared<TOWPumpRequestOperation>(this, 1.0f, pumpPriority_, 2);
  outputPin_->Notify(request);
  isMaster_ = request->pump == this;
  if (!isMaster_) masterPump_ = request->pump;
  StartStream();
}

void TVLCommonGen::StartStream() {
  TOWWriteLockSection lock(lock_);
  RequestPump();
  TVLSize& size = GetFrameSize();
  const std::int64_t period = 10'000'000u / static_cast<unsigned>(EffectiveFrameRate());
  outputPin_->Notify(
      std::make_shared<TOWStartFrameOperation>(size.Width(), size.Height(), period, 0));
  outputPin_->Notify(std::make_shared<TOWStartPumpOperation>());
  if (clockSource_ == TSLClockSource::csInternal) {
    outputPin_->Notify(std::make_shared<TOWStartPumpOperation>());
  }
}

void TVLCommonGen::RequestPump() {
  TOWWriteLockSection lock(lock_);
  auto request = std::make_shared<TOWPumpRequestOperation>(
      this, static_cast<float>(frameRate_.load()), pumpPriority_, 2);
  outputPin_->Notify(request);
  isMaster_ = request->pump == this;
  if (isMaster_ && clockSource_ == TSLClockSource::csInternal && !clockSubscription_) {
    clockSubscription_ = TSLClockGenList::Instance().Subscribe(1000 / EffectiveFrameRate(), lock_,
                                                               [this] { GenerateFrame(); });
  }
}

void TVLCommonGen::GenerateFrame() {
  TOWWriteLockSection lock(lock_);
  if (!enabled_) return;
  TVLSize& size = GetFrameSize();
  auto frame = std::make_shared<TVLImageBuffer>(size.Width(), size.Height(), 0);
  bool send = true;
  bool stop = false;
  ProduceData(*frame, send, stop);
  if (send) outputPin_->SendData(frame);
  if (stop) StopStream();
}

void TVLCommonGen::StopStream() {
  TOWWriteLockSection lock(lock_);
  outputPin_->Notify(std::make_shared<TOWStopOperation>());
  restartPending_ = true;
  ReleaseClock();
}

void TVLCommonGen::ReleaseClock() {
  if (!clockSubscription_) return;
  TSLClockGenItem* subscription = clockSubscription_;
  clockSubscription_ = nullptr;
  TSLClockGenList::Instance().Unsubscribe(subscription, lock_);
}

bool TVLCommonGen::HandleOperation(TOWBasicPin& pin, const TOWStreamType& type, std::uint32_t flags,
                                   const TOWOperationPtr& operation) {
  if (auto start = OperationAs<TOWStartSampleRateOperation>(operation)) {
    RequestPump();
    RateNotified(start->rate);
  } else if (OperationAs<TOWStopOperation>(operation)) {
    StopStream();
  } else if (auto tick = OperationAs<TOWMasterPumpOperation>(operation)) {
    MasterPumpTick(tick->pump, tick->Number());
  } else if (OperationAs<TOWQueryStreamOperation>(operation) && !enabled_) {
    outputPin_->Notify(std::make_shared<TOWIgnoreStreamOperation>());
  }
  return false;
}

void TVLCommonGen::MasterPumpTick(const void* pump, std::uint32_t number) {
  TOWWriteLockSection lock(lock_);
  if (!isMaster_ && pump == masterPump_ && (number != lastPumpTick_ || restartPending_)) {
    GenerateFrame();
  }
  restartPending_ = false;
  lastPumpTick_ = number;
}

void TVLCommonGen::ClockPinPulse() {
  TOWWriteLockSection lock(lock_);
  if (isMaster_ && clockSource_ == TSLClockSource::csExternal) GenerateFrame();
}

bool TVLCommonGen::IsMaster() const {
  TOWReadLockSection lock(lock_);
  return isMaster_;
}

bool TVLCommonGen::HasClockSubscription() const {
  TOWReadLockSection lock(lock_);
  return clockSubscription_ != nullptr;
}

std::vector<TOWPublishedPin> TVLCommonGen::PublishedPins() const {
  return {{"OutputPin", outputPin_.get(), -1, {}},
          {"EnablePin", enablePin_.get(), -1, {}},
          {"ClockPin", clockPin_.get(), -1, {}}};
}

// --- stored layout ---

const layout::PropertyTable& TVLCommonGen::propertyTable() const {
  using P = layout::Stored<TVLCommonGen>;
  static const layout::PropertyTable table(
      {},
      {P::property("FrameRate", &TVLCommonGen::FrameRate, &TVLCommonGen::SetFrameRate)
           .orDefault(60),
       P::property("Enabled", &TVLCommonGen::Enabled, &TVLCommonGen::SetEnabled).orDefault(true),
       P::property("PumpPriority", &TVLCommonGen::PumpPriority, &TVLCommonGen::SetPumpPriority),
       P::property(
           "ClockSource",
           [](const TVLCommonGen& gen) {
             return Value::Identifier{
                 gen.ClockSource() == TSLClockSource::csInternal ? "csInternal" : "csExternal"};
           },
           [](TVLCommonGen& gen, const Value::Identifier& source) {
             if (source.name == "csInternal") {
               gen.SetClockSource(TSLClockSource::csInternal);
             } else if (source.name == "csExternal") {
               gen.SetClockSource(TSLClockSource::csExternal);
             } else {
               throw Exception("Invalid property value: ClockSource " + source.name);
             }
           })});
  return table;
}

bool TVLCommonGen::readProperty(const std::string& name, const Value& value,
                                layout::ReadContext& context) {
  loading_ = true;
  return readPinProperty(name, value, context) || propertyTable().read(*this, name, value, context);
}

std::vector<layout::Property> TVLCommonGen::storedProperties() const {
  std::vector<layout::Property> out;
  appendPinProperties(out);
  std::vector<layout::Property> own = propertyTable().write(*this);
  out.insert(out.end(), own.begin(), own.end());
  return out;
}

void TVLCommonGen::loaded() {
  loading_ = false;
  if (enabled_) Activate();
}

}  // namespace vistrel
