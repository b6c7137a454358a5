// Reading and writing a window layout the size of the viewer's: a score of
// controls and a start picture of about 83 KB carried as hex.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/layout/layout_reader.h"
#include "platform/layout/layout_writer.h"

namespace {

using namespace vistrel::layout;

class BagComponent : public Component {
 public:
  explicit BagComponent(std::string className) : className_(std::move(className)) {}
  std::string className() const override { return className_; }
  bool readProperty(const std::string& name, const Value& value, ReadContext&) override {
    stored_.push_back(makeProperty(name, value));
    return true;
  }
  std::vector<Property> storedProperties() const override { return stored_; }

 private:
  std::string className_;
  std::vector<Property> stored_;
};

std::string windowSizedLayout() {
  std::string text = "object Form1: TForm1\n  Caption = 'Vistrel Records Preview'\n";
  for (int i = 0; i < 20; ++i) {
    text += "  object Control" + std::to_string(i) + ": TBag\n    Left = " + std::to_string(i * 8) +
            "\n    Caption = 'Control caption'\n    Font.Style = [fsBold]\n    Color = clNavy\n";
    if (i == 0) {
      text += "    Picture.Data = {";
      char hex[3];
      for (int at = 0; at < 83299 + 15; ++at) {
        if (at % 32 == 0) text += "\n      ";
        std::snprintf(hex, sizeof hex, "%02X", (at * 37) & 255);
        text += hex;
      }
      text += "}\n";
    }
    text += "  end\n";
  }
  return text + "end\n";
}

void BM_ReadLayout(benchmark::State& state) {
  ClassRegistry registry;
  registry.registerClass("TBag", [](Component&) { return std::make_unique<BagComponent>("TBag"); });
  const std::string text = windowSizedLayout();
  for (auto _ : state) {
    BagComponent form("TForm1");
    readLayout(form, text, registry);
    benchmark::DoNotOptimize(form.childComponents().size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReadLayout)->Unit(benchmark::kMillisecond);

void BM_WriteLayout(benchmark::State& state) {
  ClassRegistry registry;
  registry.registerClass("TBag", [](Component&) { return std::make_unique<BagComponent>("TBag"); });
  const std::string text = windowSizedLayout();
  BagComponent form("TForm1");
  readLayout(form, text, registry);
  for (auto _ : state) benchmark::DoNotOptimize(writeLayout(form));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_WriteLayout)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
