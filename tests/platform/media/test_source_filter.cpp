#include "test_source_filter.h"

#include <algorithm>
#include <cstring>

namespace vistrel::media::test {

Picture makePicture(int width, int height, int frameIndex) {
  Picture picture{width, height, std::vector<std::uint8_t>(Picture::rowBytes(width) * height)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = picture.pixel(x, y);
      p[0] = static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1));   // blue
      p[1] = static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1));  // green
      p[2] = static_cast<std::uint8_t>((x + y + frameIndex * 20) * 255 / (width + height + 200));
      // Grain, as camera pictures have: fine detail that a poor encoder blurs.
      const unsigned hash = (unsigned(x) * 73856093u) ^ (unsigned(y) * 19349663u) ^
                            (unsigned(frameIndex) * 83492791u);
      const int grain = int(hash >> 7 & 31) - 16;
      for (int c = 0; c < 3; ++c)
        p[c] = static_cast<std::uint8_t>(std::clamp(p[c] + grain, 0, 255));
    }
  }
  // A white block whose place moves with the frame: the top-left quarter
  // of the picture, shifted right per frame.
  const int blockX = (frameIndex * 16) % std::max(1, width / 2);
  for (int y = 0; y < height / 4; ++y)
    for (int x = blockX; x < blockX + width / 4 && x < width; ++x)
      std::memset(picture.pixel(x, y), 250, 3);
  return picture;
}

TestSource::TestSource(int width, int height, const Guid& subType)
    : BaseFilter(
          Guid{0xE436EBB3, 0x524F, 0x4EDE, {0xAF, 0xCD, 0x83, 0x02, 0xE1, 0xBE, 0xAC, 0x35}}),
      type_(makeVideoType(subType == MEDIASUBTYPE_YUY2 ? subType : MEDIASUBTYPE_RGB24, width,
                          height)) {
  output_ = makeRef<Pin>(this, "VideoOutput");
}

TestSource::~TestSource() { disconnectAll(); }

Status TestSource::deliver(const Picture& picture, ReferenceTime start, ReferenceTime stop) {
  if (!output_->isConnected()) return VFW_E_NOT_CONNECTED;
  Ref<MediaSample> sample;
  Status status = output_->getDeliveryBuffer(&sample);
  if (failed(status)) return status;
  const int width = picture.width;
  const int sampleRow = static_cast<int>(dibStride(width, 24));
  std::uint8_t* data = sample->pointer();
  std::memset(data, 0, static_cast<size_t>(sample->size()));
  for (int y = 0; y < picture.height; ++y)
    std::memcpy(data + (picture.height - 1 - y) * sampleRow, picture.pixel(0, y), width * 3);
  sample->setActualDataLength(sampleRow * picture.height);
  if (start != 0 || stop != 0) {
    sample->setTime(start, stop);
    sample->setSyncPoint(true);
  }
  return output_->deliver(sample.get());
}

Status TestSource::deliverRaw(const std::vector<std::uint8_t>& bytes, ReferenceTime start,
                              ReferenceTime stop) {
  if (!output_->isConnected()) return VFW_E_NOT_CONNECTED;
  Ref<MediaSample> sample;
  Status status = output_->getDeliveryBuffer(&sample);
  if (failed(status)) return status;
  if (static_cast<int>(bytes.size()) > sample->size()) return E_INVALIDARG;
  std::memcpy(sample->pointer(), bytes.data(), bytes.size());
  sample->setActualDataLength(static_cast<std::int32_t>(bytes.size()));
  sample->setTime(start, stop);
  sample->setSyncPoint(true);
  return output_->deliver(sample.get());
}

}  // namespace vistrel::media::test
