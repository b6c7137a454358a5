// Frame production and picture conversion speed of the frame pipeline.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>

#include "picture/bitmap.h"

#include "pipeline/image_gen.h"
#include "pipeline/sink_pin.h"

namespace vistrel {
namespace {

// A sink that keeps the last frame, as a recorder queueing frames would.
class KeepingSink : public TOWComponent {
 public:
  KeepingSink() {
    setComponentName("Sink1");
    inputPin = std::make_unique<TVLOWImageSinkPin>(
        this,
        [this](TOWBasicPin&, const TOWStreamType&, std::uint32_t,
               const TOWOperationPtr& operation) -> std::uint8_t {
          if (auto supplied = OperationAs<TOWSuppliedBufferOperation>(operation)) {
            last = supplied->buffer;
          }
          return 0;
        });
  }
  ~KeepingSink() override { inputPin.reset(); }
  std::string className() const override { return "TKeepingSink"; }
  bool readProperty(const std::string&, const layout::Value&, layout::ReadContext&) override {
    return false;
  }
  std::vector<layout::Property> storedProperties() const override { return {}; }
  std::vector<TOWPublishedPin> PublishedPins() const override {
    return {{"InputPin", inputPin.get(), -1, {}}};
  }
  std::unique_ptr<TVLOWImageSinkPin> inputPin;
  std::shared_ptr<TSLGenericBuffer> last;
};

QImage Pattern(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) line[x] = qRgb(x & 255, y & 255, (x ^ y) & 255);
  }
  return image;
}

void BM_GenerateFrame(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  KeepingSink sink;
  TVLImageGen gen;
  gen.SetClockSource(TSLClockSource::csExternal);
  gen.SetEnabled(false);
  gen.OutputPin().Connect(sink.inputPin.get());
  QByteArray bytes;
  QBuffer device(&bytes);
  device.open(QIODevice::WriteOnly);
  Pattern(width, height).save(&device, "BMP");
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->loadFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  gen.Picture().SetGraphic(std::move(bitmap));
  gen.SetEnabled(true);
  for (auto _ : state) {
    gen.GenerateFrame();
    benchmark::DoNotOptimize(sink.last.get());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GenerateFrame)->Args({640, 480})->Args({1920, 1080});

void BM_LoadFromBitmap(benchmark::State& state) {
  const QImage bitmap = Pattern(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  TVLImageBuffer buffer;
  for (auto _ : state) {
    buffer.LoadFromBitmap(bitmap);
    benchmark::DoNotOptimize(buffer.GetRead());
  }
  state.SetBytesProcessed(state.iterations() * bitmap.sizeInBytes());
}
BENCHMARK(BM_LoadFromBitmap)->Args({640, 480})->Args({1920, 1080});

}  // namespace
}  // namespace vistrel

BENCHMARK_MAIN();
