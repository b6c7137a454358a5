// TDSVideoSourceFilter: the push source of a recording graph. The logger
// hands it one frame at a time; its one output pin, "VideoOutput", offers a
// single uncompressed type (RGB24 bottom-up, YUY2 or I420, of the set frame
// size), lends samples of one picture and copies each frame into one,
// converting it to the pin's type where they differ.
//
// Thread: frames are delivered on the logger's thread; the graph's caller
// changes states. The filter's state lock guards the pin's type and sizing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "picture/video_planes.h"
#include "platform/media/filter_graph.h"

struct SwsContext;

namespace vistrel {

// {E436EBB3-524F-4EDE-AFCD-8302E1BEAC35}
extern const media::Guid CLSID_DSVideoSourceFilter;

class TDSVideoSourceFilter;

class TDSVideoSourceStreamPin : public media::Pin {
 public:
  TDSVideoSourceStreamPin(TDSVideoSourceFilter* filter, const media::Guid& subType);

  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  void SetFrameSize(std::int32_t width, std::int32_t height);
  // The stream's frame period (100 ns), announced with the type; 0: unknown.
  void SetFramePeriod(std::int64_t framePeriod100ns);

  const media::Guid& SubType() const { return subType_; }
  // Bytes of one picture: RGB24 rows padded to 4 bytes, YUY2 or I420.
  std::uint32_t ImageSize() const;
  // The pin's one type: video of its subtype and size, fixed-size samples.
  bool outputType(media::MediaType* type) const;

 private:
  media::Guid subType_;
  std::int32_t width_ = 320;
  std::int32_t height_ = 240;
  std::int64_t framePeriod100ns_ = 0;
};

class TDSVideoSourceFilter : public media::BaseFilter {
 public:
  // `subType` is MEDIASUBTYPE_RGB24, MEDIASUBTYPE_YUY2 or MEDIASUBTYPE_I420.
  explicit TDSVideoSourceFilter(const media::Guid& subType);
  ~TDSVideoSourceFilter() override;

  TDSVideoSourceStreamPin& Pin() { return *pin_; }
  void SetFrameSize(std::int32_t width, std::int32_t height);
  void SetFramePeriod(std::int64_t framePeriod100ns) { pin_->SetFramePeriod(framePeriod100ns); }

  // One RGB frame, rows top first, `pitch` bytes apart, blue-green-red
  // pixels. It is stored bottom-up with rows padded to 4 bytes (on an I420
  // pin: converted to video-range 4:2:0); a frame of another size than the
  // pin's is scaled to the pin's size, so the video shows the whole picture
  // as the viewer showed it. Times in 100 ns; both 0 means untimed.
  // VFW_E_NOT_CONNECTED when the pin is not connected, VFW_E_NOT_COMMITTED
  // when the filter is stopped; a receiver that throws counts as success.
  media::Status DeliverRGBFrame(const std::uint8_t* pixels, std::int32_t frameWidth,
                                std::int32_t frameHeight, std::int32_t pitch, std::int64_t start,
                                std::int64_t end);
  // The same for a frame that writes its own rows: `write(firstRow, step)`
  // puts the frameWidth x frameHeight pixels at `firstRow`, row after row
  // `step` bytes apart (negative: upwards). A frame of the pin's size writes
  // straight into the sample, with no copy in between. An empty `write`
  // gives a black frame.
  using RowWriter = std::function<void(std::uint8_t* firstRow, std::ptrdiff_t step)>;
  media::Status DeliverRGBFrame(const RowWriter& write, std::int32_t frameWidth,
                                std::int32_t frameHeight, std::int64_t start, std::int64_t end);
  // A picture held as video planes, on an I420 pin: copied as it is, or
  // scaled in Y/Cb/Cr when its size is not the pin's. E_UNEXPECTED on a pin
  // of another type (hand such a pin RGB rows instead).
  media::Status DeliverPlanarFrame(const VideoPlanes& planes, std::int64_t start, std::int64_t end);
  // `byteCount` bytes as they are (YUY2), cut to the sample's size.
  media::Status DeliverRawFrame(const std::uint8_t* data, std::uint32_t byteCount,
                                std::int64_t start, std::int64_t end);

 protected:
  bool outputType(media::MediaType* type) const override { return pin_->outputType(type); }
  std::int32_t outputBufferSize() const override {
    return static_cast<std::int32_t>(pin_->ImageSize());
  }

 private:
  media::Status GetSample(media::Ref<media::MediaSample>* sample);
  media::Status Send(media::MediaSample* sample, std::int64_t start, std::int64_t end);
  // The frame scaled into the sample `out` (bottom-up, rows `stride` apart).
  media::Status ScaleInto(std::uint8_t* out, std::uint32_t stride, const std::uint8_t* pixels,
                          std::int32_t frameWidth, std::int32_t frameHeight, std::int32_t pitch);

  // RGB rows into the I420 sample `out`.
  media::Status ConvertInto(std::uint8_t* out, const RowWriter& write, std::int32_t frameWidth,
                            std::int32_t frameHeight);

  struct SwsFree {
    void operator()(SwsContext* context) const;
  };
  media::Ref<TDSVideoSourceStreamPin> pin_;
  std::unique_ptr<SwsContext, SwsFree> scaler_;     // kept between frames of one size
  std::unique_ptr<SwsContext, SwsFree> converter_;  // RGB or planes into I420, likewise
  std::vector<std::uint8_t> rows_;                  // RGB rows on their way into an I420 sample
};

}  // namespace vistrel
