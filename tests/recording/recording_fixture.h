// A generator feeding a video logger on a temporary C: drive, set up the way
// the main window's layout sets them up (stored compressor item included).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QImage>

#include <gtest/gtest.h>

#include "pipeline/component.h"
#include "pipeline/image_gen.h"
#include "pipeline/source_pin.h"
#include "platform/file_system.h"
#include "platform/layout/value.h"
#include "recording/video_logger.h"
#include "temp_folder.h"

namespace vistrel::test {

inline const char kXvidDisplayName[] = "@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\\xvid";

// The compressor's saved settings as the layout stores them: the count 32,
// a version of twelve UTF-16 characters, the number 8 and "xvid".
std::vector<std::uint8_t> StoredXvidParams();
// The stored compressor item of the main window's layout, with `displayName`.
layout::Value::Collection StoredCompressions(const std::string& displayName = kXvidDisplayName,
                                             const std::string& friendlyName = "XviD MPEG-4 Codec");

// Reads properties outside a layout: the logger is its own root.
class StandaloneContext : public layout::ReadContext {
 public:
  explicit StandaloneContext(layout::Component& root) : root_(root) {}
  layout::Component& root() override { return root_; }
  void addFixup(std::function<void()> fixup) override { fixup(); }

 private:
  layout::Component& root_;
};

// Loads `image` into `picture` as a bitmap graphic (lossless).
void loadPicture(TPicture& picture, const QImage& image);

// A picture with gradients, a red block at the top left and light grain.
QImage TestPicture(int width, int height, int seed);

// A source component that sends whatever a test hands it.
class TestOperationSource : public TOWComponent {
 public:
  TestOperationSource() {
    setComponentName("Source1");
    outputPin = std::make_unique<TSLOWSourcePin>(this);
  }
  ~TestOperationSource() override { outputPin.reset(); }
  std::string className() const override { return "TTestOperationSource"; }
  bool readProperty(const std::string&, const layout::Value&, layout::ReadContext&) override {
    return false;
  }
  std::vector<layout::Property> storedProperties() const override { return {}; }
  std::vector<TOWPublishedPin> PublishedPins() const override {
    return {{"OutputPin", outputPin.get(), -1, {}}};
  }
  std::unique_ptr<TSLOWSourcePin> outputPin;
};

class RecordingFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Gives the logger the stored compression settings with this item.
  void StoreCompression(const layout::Value::Collection& compressions, bool enabled = true);
  // The viewer's order: the first picture into the generator, file name,
  // logger on, generator on.
  void StartExport(const std::string& fileName, const QImage& firstPicture);
  // The viewer's order: generator off (the stop completes the file), logger off.
  void StopExport();
  // One slide: the picture into the generator, one frame, one message turn.
  void ShowFrame(const QImage& picture, bool turn = true);
  std::string HostPath(const std::string& name) const { return (dir.path() / name).string(); }

  TempFolder dir;
  std::unique_ptr<TVLImageGen> gen;
  std::unique_ptr<TVLDSVideoLogger> logger;
};

}  // namespace vistrel::test
