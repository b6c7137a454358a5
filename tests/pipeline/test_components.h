// Components for the pipeline tests: a sink that records what reaches its
// input pin, and a plain source.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QBuffer>
#include <QImage>

#include "picture/bitmap.h"
#include "picture/picture.h"
#include "pipeline/component.h"
#include "pipeline/sink_pin.h"
#include "pipeline/source_pin.h"

namespace vistrel::test {

// Puts `image` into `picture` as a bitmap graphic (exact pixels).
inline void setPictureImage(TPicture& picture, const QImage& image) {
  QByteArray bytes;
  QBuffer device(&bytes);
  device.open(QIODevice::WriteOnly);
  image.save(&device, "BMP");
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->loadFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  picture.SetGraphic(std::move(bitmap));
}

struct Received {
  TOWOperationPtr operation;
  std::uint32_t flags;
};

// A component whose only stored properties are its pins' links.
class PinsOnlyComponent : public TOWComponent {
 public:
  bool readProperty(const std::string& name, const layout::Value& value,
                    layout::ReadContext& context) override {
    return readPinProperty(name, value, context);
  }
  std::vector<layout::Property> storedProperties() const override {
    std::vector<layout::Property> out;
    appendPinProperties(out);
    return out;
  }
};

class RecordingSink : public PinsOnlyComponent {
 public:
  explicit RecordingSink(std::string name = "Sink1") {
    setComponentName(name);
    inputPin = std::make_unique<TVLOWImageSinkPin>(
        this,
        [this](TOWBasicPin&, const TOWStreamType& type, std::uint32_t flags,
               const TOWOperationPtr& operation) -> std::uint8_t {
          received.push_back({operation, flags});
          agreedType = type;
          if (onReceive) onReceive(operation);
          return answer;
        });
  }
  ~RecordingSink() override { inputPin.reset(); }
  std::string className() const override { return "TRecordingSink"; }
  std::vector<TOWPublishedPin> PublishedPins() const override {
    return {{"InputPin", inputPin.get(), -1, {}}};
  }

  template <typename T>
  int Count() const {
    int count = 0;
    for (const auto& entry : received) count += OperationAs<T>(entry.operation) != nullptr;
    return count;
  }

  std::unique_ptr<TVLOWImageSinkPin> inputPin;
  std::vector<Received> received;
  TOWStreamType agreedType;
  std::function<void(const TOWOperationPtr&)> onReceive;
  std::uint8_t answer = 0;
};

class PlainSource : public PinsOnlyComponent {
 public:
  explicit PlainSource(std::string name = "Source1") {
    setComponentName(name);
    outputPin = std::make_unique<TSLOWSourcePin>(this);
  }
  ~PlainSource() override { outputPin.reset(); }
  std::string className() const override { return "TPlainSource"; }
  std::vector<TOWPublishedPin> PublishedPins() const override {
    return {{"OutputPin", outputPin.get(), -1, {}}};
  }
  std::unique_ptr<TSLOWSourcePin> outputPin;
};

}  // namespace vistrel::test
