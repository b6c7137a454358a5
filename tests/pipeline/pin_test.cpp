// Delivery over pin connections: order, flags, remembered starts, nesting,
// busy-score reordering, the upstream direction, and what connecting and
// disconnecting send.
#include <gtest/gtest.h>

#include <thread>

#include "pipeline/errors.h"
#include "pipeline/image_buffer.h"
#include "test_components.h"

namespace vistrel {
namespace {

using test::PlainSource;
using test::RecordingSink;

class PinTest : public ::testing::Test {
 protected:
  PlainSource source;
  RecordingSink sinkA{"SinkA"};
  RecordingSink sinkB{"SinkB"};
  TSLOWSourcePin& out() { return *source.outputPin; }
};

TEST_F(PinTest, SourceWithoutSinksAcceptsEverythingAndDeliversNothing) {
  EXPECT_FALSE(out().IsConnected());
  EXPECT_FALSE(out().Notify(std::make_shared<TOWStopOperation>()));
  out().SendData(std::make_shared<TVLImageBuffer>(4, 4));
  EXPECT_EQ(out().SinkCount(), 0);
  EXPECT_EQ(out().Sink(0), nullptr);
}

TEST_F(PinTest, OneSinkAlwaysGetsFlagsTwoAndTheLastOfSeveralGetsTwo) {
  ASSERT_TRUE(out().Connect(sinkA.inputPin.get()));
  for (int i = 0; i < 3; ++i) out().Notify(std::make_shared<TOWStartPumpOperation>());
  ASSERT_EQ(sinkA.received.size(), 3u);
  for (const auto& entry : sinkA.received) EXPECT_EQ(entry.flags, 2u);

  ASSERT_TRUE(out().Connect(sinkB.inputPin.get()));
  out().Notify(std::make_shared<TOWStartPumpOperation>());
  EXPECT_EQ(sinkA.received.back().flags, 0u);
  EXPECT_EQ(sinkB.received.back().flags, 2u);
  EXPECT_TRUE(out().IsConnected());
  EXPECT_EQ(out().SinkCount(), 2);
  EXPECT_EQ(out().Sink(1), sinkB.inputPin.get());
}

TEST_F(PinTest, ImageSinkAgreesOnTheImageStreamType) {
  out().Connect(sinkA.inputPin.get());
  out().Notify(std::make_shared<TOWStopOperation>());
  EXPECT_EQ(sinkA.agreedType, kGenericDataStreamType);  // a plain TSL source declares only that

  TVLOWImageSourcePin imagePin(nullptr, nullptr);
  imagePin.Connect(sinkB.inputPin.get());
  imagePin.Notify(std::make_shared<TOWStopOperation>());
  EXPECT_EQ(sinkB.agreedType, kImageStreamType);
  EXPECT_EQ(imagePin.Path(), "(No owner)");
}

TEST_F(PinTest, StartIsGivenToALateSinkUntilAStopForgetsIt) {
  out().Connect(sinkA.inputPin.get());
  auto start = std::make_shared<TOWStartFrameOperation>(640, 480, 2'000'000, 0);
  out().Notify(start);

  out().Connect(sinkB.inputPin.get());
  ASSERT_EQ(sinkB.received.size(), 1u);
  EXPECT_EQ(sinkB.received[0].operation, start);
  EXPECT_EQ(sinkA.received.size(), 1u);  // the sink already running gets no repeat

  out().Notify(std::make_shared<TOWStopOperation>());
  RecordingSink late{"Late"};
  out().Connect(late.inputPin.get());
  EXPECT_TRUE(late.received.empty());
  EXPECT_EQ(source.outputPin->CurrentStart(), nullptr);
}

TEST_F(PinTest, DisconnectSendsTheSinkAloneAStopBeforeRemovingIt) {
  out().Connect(sinkA.inputPin.get());
  out().Connect(sinkB.inputPin.get());
  sinkA.onReceive = [&](const TOWOperationPtr& operation) {
    // Still connected while the stop is delivered.
    EXPECT_EQ(sinkA.inputPin->Source(), source.outputPin.get());
  };
  auto start = std::make_shared<TOWStartOperation>();
  out().Notify(start);
  out().Disconnect(sinkA.inputPin.get());
  ASSERT_EQ(sinkA.received.size(), 2u);
  EXPECT_NE(OperationAs<TOWStopOperation>(sinkA.received[1].operation), nullptr);
  EXPECT_EQ(sinkB.received.size(), 1u);
  EXPECT_EQ(sinkA.inputPin->Source(), nullptr);
  EXPECT_EQ(out().SinkCount(), 1);
  // A stop sent to one sink does not end the stream for the others.
  EXPECT_EQ(source.outputPin->CurrentStart(), start);
}

TEST_F(PinTest, ConnectingASinkOfAnotherSourceMovesIt) {
  PlainSource other{"Source2"};
  other.outputPin->Connect(sinkA.inputPin.get());
  out().Connect(sinkA.inputPin.get());
  EXPECT_EQ(other.outputPin->SinkCount(), 0);
  EXPECT_EQ(sinkA.inputPin->Source(), source.outputPin.get());
  EXPECT_EQ(sinkA.Count<TOWStopOperation>(), 1);
  EXPECT_TRUE(out().Connect(sinkA.inputPin.get()));  // again: no second entry
  EXPECT_EQ(out().SinkCount(), 1);
}

TEST_F(PinTest, OnlySinkStateAndPlaceholderPinsCanBeConnected) {
  PlainSource other{"Source2"};
  EXPECT_FALSE(out().Connect(other.outputPin.get()));
  EXPECT_FALSE(out().Connect(nullptr));
  EXPECT_EQ(out().SinkCount(), 0);
}

// A sink that sends on the pin it is fed by, `levels` deliveries deep.
void nestDeliveries(PinTest* test, RecordingSink& sink, TSLOWSourcePin& pin, int levels) {
  int depth = 0;
  sink.onReceive = [&](const TOWOperationPtr&) {
    if (++depth < levels) pin.Notify(std::make_shared<TOWStartPumpOperation>());
  };
  pin.Notify(std::make_shared<TOWStartPumpOperation>());
}

TEST_F(PinTest, NestedDeliveriesSucceedTo201LevelsAndThe202ndRaises) {
  out().Connect(sinkA.inputPin.get());
  EXPECT_NO_THROW(nestDeliveries(this, sinkA, out(), 201));
  EXPECT_EQ(sinkA.received.size(), 201u);

  sinkA.received.clear();
  try {
    nestDeliveries(this, sinkA, out(), 202);
    FAIL() << "no exception";
  } catch (const EOWException& error) {
    EXPECT_STREQ(error.what(),
                 "The pin depends on itself. Please protect with functional dependency.");
  }
  EXPECT_EQ(sinkA.received.size(), 201u);  // the 202nd level reached no sink

  // The pin recovers its nesting count.
  sinkA.onReceive = nullptr;
  out().Notify(std::make_shared<TOWStopOperation>());
  EXPECT_EQ(sinkA.received.size(), 202u);
}

TEST_F(PinTest, BusySinksMoveBehindIdleOnesAndDependenciesGoFirst) {
  out().Connect(sinkA.inputPin.get());
  out().Connect(sinkB.inputPin.get());
  sinkA.answer = 1;  // busy
  out().Notify(std::make_shared<TOWStartPumpOperation>());
  EXPECT_EQ(out().Sink(0), sinkB.inputPin.get());
  EXPECT_EQ(out().Sink(1), sinkA.inputPin.get());
  out().Notify(std::make_shared<TOWStartPumpOperation>());
  EXPECT_EQ(sinkB.received.back().flags, 0u);
  EXPECT_EQ(sinkA.received.back().flags, 2u);

  PlainSource other{"Source2"};
  RecordingSink first{"First"};
  RecordingSink second{"Second"};
  other.outputPin->Connect(first.inputPin.get(), second.inputPin.get());
  other.outputPin->Connect(second.inputPin.get());
  other.outputPin->Notify(std::make_shared<TOWStartPumpOperation>());
  EXPECT_EQ(other.outputPin->Sink(0), second.inputPin.get());
  EXPECT_EQ(other.outputPin->Sink(1), first.inputPin.get());
}

TEST_F(PinTest, SinkNotifySendsUpstreamToTheSourceOwnerWithFlagsTwo) {
  std::vector<std::uint32_t> flagsSeen;
  TVLOWImageSourcePin imagePin(nullptr, [&](TOWBasicPin& pin, const TOWStreamType& type,
                                            std::uint32_t flags, const TOWOperationPtr& op) {
    flagsSeen.push_back(flags);
    EXPECT_EQ(&pin, &imagePin);
    EXPECT_EQ(type, kImageStreamType);
    return std::uint8_t{1};
  });
  EXPECT_FALSE(sinkA.inputPin->Notify(std::make_shared<TOWStopOperation>()));
  imagePin.Connect(sinkA.inputPin.get());
  EXPECT_TRUE(sinkA.inputPin->Notify(std::make_shared<TOWStopOperation>()));
  EXPECT_EQ(flagsSeen, std::vector<std::uint32_t>{2});
  // A plain TSL source has no upstream dispatcher.
  out().Connect(sinkB.inputPin.get());
  EXPECT_FALSE(sinkB.inputPin->Notify(std::make_shared<TOWStopOperation>()));
}

TEST_F(PinTest, SendDataSwallowsSinkFailuresButNotifyPassesThem) {
  out().Connect(sinkA.inputPin.get());
  sinkA.onReceive = [](const TOWOperationPtr&) { throw Exception("disk full"); };
  auto frame = std::make_shared<TVLImageBuffer>(2, 2);
  EXPECT_NO_THROW(out().SendData(frame));
  auto supplied = OperationAs<TOWSuppliedBufferOperation>(sinkA.received.at(0).operation);
  ASSERT_NE(supplied, nullptr);
  EXPECT_EQ(supplied->buffer, frame);
  EXPECT_THROW(out().Notify(std::make_shared<TOWStopOperation>()), Exception);
}

TEST_F(PinTest, DestroyingEitherEndLeavesNoDanglingConnection) {
  auto sink = std::make_unique<RecordingSink>("Temp");
  out().Connect(sink->inputPin.get());
  sink.reset();
  EXPECT_EQ(out().SinkCount(), 0);

  auto other = std::make_unique<PlainSource>("Source2");
  other->outputPin->Connect(sinkA.inputPin.get());
  other.reset();
  EXPECT_EQ(sinkA.inputPin->Source(), nullptr);
  EXPECT_EQ(sinkA.Count<TOWStopOperation>(), 1);
}

TEST(OperationTest, NumbersIncreaseAndStartFrameDerivesItsRates) {
  TOWStopOperation first;
  TOWStopOperation second;
  EXPECT_LT(first.Number(), second.Number());

  TOWStartFrameOperation frame(640, 480, 2'000'000, 0);
  EXPECT_EQ(frame.blockSize, 640 * 480 * 3);
  EXPECT_DOUBLE_EQ(frame.sampleRate, 5.0);
  EXPECT_FLOAT_EQ(frame.rate, 5.0f / (640 * 480 * 3));
  TOWStartFrameOperation zeroPeriod(1, 1, 0, 0);
  EXPECT_EQ(zeroPeriod.framePeriod100ns, 1);
  EXPECT_DOUBLE_EQ(zeroPeriod.sampleRate, 10'000'000.0);
}

}  // namespace
}  // namespace vistrel

namespace vistrel {
namespace {

TEST(PinContentionTest, SendersOnSeveralThreadsAreSerialisedAtTheSink) {
  test::PlainSource source;
  test::RecordingSink sink{"Sink1"};
  long handled = 0;  // guarded by the sink's lock group only
  sink.onReceive = [&](const TOWOperationPtr&) { ++handled; };
  source.outputPin->Connect(sink.inputPin.get());
  std::vector<std::thread> senders;
  for (int t = 0; t < 3; ++t) {
    senders.emplace_back([&] {
      for (int i = 0; i < 300; ++i)
        source.outputPin->SendData(std::make_shared<TVLImageBuffer>(8, 2));
    });
  }
  // Structural changes meanwhile, under the global write lock.
  test::RecordingSink visitor{"Visitor"};
  for (int i = 0; i < 50; ++i) {
    source.outputPin->Connect(visitor.inputPin.get());
    source.outputPin->Disconnect(visitor.inputPin.get());
  }
  for (auto& sender : senders) sender.join();
  EXPECT_EQ(handled, 900);
  EXPECT_EQ(visitor.Count<TOWStopOperation>(), 50);
}

}  // namespace
}  // namespace vistrel
