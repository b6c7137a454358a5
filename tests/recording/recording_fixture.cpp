#include "recording_fixture.h"

#include <algorithm>

#include <QBuffer>

#include "picture/bitmap.h"

namespace vistrel::test {

std::vector<std::uint8_t> StoredXvidParams() {
  std::vector<std::uint8_t> bytes;
  for (char c : std::string("00000000000 ")) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(0);
  }
  for (std::uint8_t b : {8, 0, 0, 0}) bytes.push_back(b);
  for (char c : std::string("xvid")) bytes.push_back(static_cast<std::uint8_t>(c));
  return bytes;
}

layout::Value::Collection StoredCompressions(const std::string& displayName,
                                             const std::string& friendlyName) {
  layout::Value::Binary params{{32, 0, 0, 0}};
  for (std::uint8_t b : StoredXvidParams()) params.bytes.push_back(b);
  layout::CollectionItem item{
      layout::makeProperty("Data", layout::Value::List{{displayName, friendlyName}}),
      layout::makeProperty("Params.Data", params),
      layout::makeProperty("Quality", 0),
      layout::makeProperty("KeyFrameRate", 0),
      layout::makeProperty("WindowSize", 1),
      layout::makeProperty("PFramesPerKeyFrame", 0),
  };
  return layout::Value::Collection{{item}};
}

QImage TestPicture(int width, int height, int seed) {
  QImage image(width, height, QImage::Format_RGB888);
  std::uint32_t noise = 12345u + static_cast<std::uint32_t>(seed) * 7919u;
  for (int y = 0; y < height; ++y) {
    uchar* row = image.scanLine(y);
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int grain = static_cast<int>(noise >> 29) - 4;
      int r = x * 255 / width, g = y * 255 / height, b = (x / 2 + y / 3 + seed * 40) % 256;
      if (x < width / 5 && y < height / 6) r = 230, g = 20, b = 20;
      row[3 * x] = static_cast<uchar>(std::clamp(r + grain, 0, 255));
      row[3 * x + 1] = static_cast<uchar>(std::clamp(g + grain, 0, 255));
      row[3 * x + 2] = static_cast<uchar>(std::clamp(b + grain, 0, 255));
    }
  }
  return image;
}

void loadPicture(TPicture& picture, const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(image.save(&buffer, "BMP"));
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->loadFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  picture.SetGraphic(std::move(bitmap));
}

void RecordingFixture::SetUp() {
  platform::Drive drive;
  drive.letter = 'C';
  drive.hostRoot = dir.path().string();
  platform::FileSystem::install(
      std::make_unique<platform::FileSystem>(std::vector<platform::Drive>{drive}, "C:\\"));
  gen = std::make_unique<TVLImageGen>();
  gen->setComponentName("VLImageGen1");
  gen->SetClockSource(TSLClockSource::csExternal);
  gen->SetEnabled(false);
  gen->SetFrameRate(5);
  logger = std::make_unique<TVLDSVideoLogger>();
  logger->setComponentName("VLDSVideoLogger1");
  logger->SetEnabled(false);
  StoreCompression(StoredCompressions());
  gen->OutputPin().Connect(&logger->InputPin());
}

void RecordingFixture::TearDown() {
  logger.reset();
  gen.reset();
  QCoreApplication::processEvents();
}

void RecordingFixture::StoreCompression(const layout::Value::Collection& compressions,
                                        bool enabled) {
  StandaloneContext context(*logger);
  logger->readProperty("VideoCompression.Enabled", enabled, context);
  logger->readProperty("VideoCompression.Compressions", compressions, context);
}

void RecordingFixture::StartExport(const std::string& fileName, const QImage& firstPicture) {
  loadPicture(gen->Picture(), firstPicture);
  logger->SetFileName(fileName);
  logger->SetEnabled(true);
  gen->SetEnabled(true);
}

void RecordingFixture::StopExport() {
  gen->SetEnabled(false);
  logger->SetEnabled(false);
  QCoreApplication::processEvents();
}

void RecordingFixture::ShowFrame(const QImage& picture, bool turn) {
  loadPicture(gen->Picture(), picture);
  gen->GenerateFrame();
  if (turn) QCoreApplication::processEvents();
}

}  // namespace vistrel::test
