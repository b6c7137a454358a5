#include "recording/video_source_filter.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" {
#include <libswscale/swscale.h>
}
#include <libyuv/convert.h>

namespace vistrel {

using namespace media;

namespace {

// libswscale's vector loads read up to a few bytes past the last pixel of
// its source; rows handed to it carry this much slack at their end.
constexpr std::size_t kScalerSlack = 64;

}  // namespace

const Guid CLSID_DSVideoSourceFilter =
    Guid{0xE436EBB3, 0x524F, 0x4EDE, {0xAF, 0xCD, 0x83, 0x02, 0xE1, 0xBE, 0xAC, 0x35}};

TDSVideoSourceStreamPin::TDSVideoSourceStreamPin(TDSVideoSourceFilter* filter, const Guid& subType)
    : Pin(filter, "VideoOutput"), subType_(subType) {}

void TDSVideoSourceStreamPin::SetFrameSize(std::int32_t width, std::int32_t height) {
  std::lock_guard lock(owner_->stateLock());
  width_ = width;
  height_ = height;
}

void TDSVideoSourceStreamPin::SetFramePeriod(std::int64_t framePeriod100ns) {
  std::lock_guard lock(owner_->stateLock());
  framePeriod100ns_ = framePeriod100ns;
}

std::uint32_t TDSVideoSourceStreamPin::ImageSize() const {
  if (subType_ == MEDIASUBTYPE_YUY2)
    return static_cast<std::uint32_t>(width_ / 2) * static_cast<std::uint32_t>(height_) * 4;
  if (subType_ == MEDIASUBTYPE_I420) return i420ImageSize(width_, height_);
  return dibStride(width_, 24) * static_cast<std::uint32_t>(std::abs(height_));
}

bool TDSVideoSourceStreamPin::outputType(MediaType* type) const {
  assert(type);
  std::lock_guard lock(owner_->stateLock());
  // Empty rectangles and no rates: the file's rate follows from the sample
  // times. The average time per frame lets a compressor whose header is
  // written before the first sample open at the stream's rate. RGB pictures
  // are bottom-up (positive height).
  *type = makeVideoType(subType_, width_, height_);
  type->videoInfo->avgTimePerFrame = framePeriod100ns_;
  return true;
}

TDSVideoSourceFilter::TDSVideoSourceFilter(const Guid& subType)
    : BaseFilter(CLSID_DSVideoSourceFilter), pin_(new TDSVideoSourceStreamPin(this, subType)) {
  output_ = pin_;
}

TDSVideoSourceFilter::~TDSVideoSourceFilter() { disconnectAll(); }

void TDSVideoSourceFilter::SwsFree::operator()(SwsContext* context) const {
  sws_freeContext(context);
}

void TDSVideoSourceFilter::SetFrameSize(std::int32_t width, std::int32_t height) {
  pin_->SetFrameSize(width, height);
}

Status TDSVideoSourceFilter::GetSample(Ref<MediaSample>* sample) {
  return pin_->getDeliveryBuffer(sample);
}

Status TDSVideoSourceFilter::Send(MediaSample* sample, std::int64_t start, std::int64_t end) {
  if (start != 0 || end != 0) {
    sample->setTime(start, end);
    sample->setSyncPoint(true);
  }
  try {
    return pin_->deliver(sample);
  } catch (...) {
    // What the receiver raises is its own affair; the frame was handed over.
    return S_OK;
  }
}

Status TDSVideoSourceFilter::DeliverRGBFrame(const std::uint8_t* pixels, std::int32_t frameWidth,
                                             std::int32_t frameHeight, std::int32_t pitch,
                                             std::int64_t start, std::int64_t end) {
  if (!pixels) return DeliverRGBFrame(RowWriter(), frameWidth, frameHeight, start, end);
  const std::size_t rowBytes = static_cast<std::size_t>(std::max(frameWidth, 0)) * 3;
  const auto copyRows = [&](std::uint8_t* firstRow, std::ptrdiff_t step) {
    for (std::int32_t y = 0; y < frameHeight; ++y)
      std::memcpy(firstRow + y * step, pixels + static_cast<std::ptrdiff_t>(y) * pitch, rowBytes);
  };
  return DeliverRGBFrame(copyRows, frameWidth, frameHeight, start, end);
}

Status TDSVideoSourceFilter::DeliverRGBFrame(const RowWriter& write, std::int32_t frameWidth,
                                             std::int32_t frameHeight, std::int64_t start,
                                             std::int64_t end) {
  Ref<MediaSample> sample;
  Status status = GetSample(&sample);
  if (failed(status)) return status;
  const std::int32_t width = pin_->Width();
  const std::int32_t height = std::abs(pin_->Height());
  if (pin_->SubType() == MEDIASUBTYPE_I420) {
    const std::uint32_t size = pin_->ImageSize();
    if (static_cast<std::uint32_t>(sample->size()) < size) return VFW_E_BUFFER_OVERFLOW;
    status = ConvertInto(sample->pointer(), write, frameWidth, frameHeight);
    if (failed(status)) return status;
    sample->setActualDataLength(static_cast<std::int32_t>(size));
    return Send(sample.get(), start, end);
  }
  const std::uint32_t stride = dibStride(width, 24);
  if (static_cast<std::uint32_t>(sample->size()) < stride * static_cast<std::uint32_t>(height))
    return VFW_E_BUFFER_OVERFLOW;
  std::uint8_t* out = sample->pointer();
  if (!write || frameWidth <= 0 || frameHeight <= 0) {
    std::memset(out, 0, static_cast<std::size_t>(stride) * height);
  } else if (frameWidth == width && frameHeight == height) {
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    if (stride > rowBytes) {
      for (std::int32_t y = 0; y < height; ++y)
        std::memset(out + static_cast<std::size_t>(y) * stride + rowBytes, 0, stride - rowBytes);
    }
    // The frame's first row becomes the sample's last.
    if (height > 0)
      write(out + static_cast<std::size_t>(height - 1) * stride, -std::ptrdiff_t{stride});
  } else {
    const std::int32_t pitch = frameWidth * 3;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(pitch) * frameHeight + kScalerSlack);
    write(rows.data(), pitch);
    status = ScaleInto(out, stride, rows.data(), frameWidth, frameHeight, pitch);
    if (failed(status)) return status;
  }
  sample->setActualDataLength(static_cast<std::int32_t>(stride * height));
  return Send(sample.get(), start, end);
}

Status TDSVideoSourceFilter::ScaleInto(std::uint8_t* out, std::uint32_t stride,
                                       const std::uint8_t* pixels, std::int32_t frameWidth,
                                       std::int32_t frameHeight, std::int32_t pitch) {
  const std::int32_t width = pin_->Width();
  const std::int32_t height = std::abs(pin_->Height());
  // The padding bytes at the end of each row stay black.
  std::memset(out, 0, static_cast<std::size_t>(stride) * height);
  SwsContext* context =
      sws_getCachedContext(scaler_.release(), frameWidth, frameHeight, AV_PIX_FMT_BGR24, width,
                           height, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr);
  scaler_.reset(context);
  if (!context) return fail(E_OUTOFMEMORY, "Can't scale a video frame");
  const std::uint8_t* source[4] = {pixels, nullptr, nullptr, nullptr};
  const int sourcePitch[4] = {pitch, 0, 0, 0};
  // Written upwards from the sample's last row: the picture is stored bottom-up.
  std::uint8_t* target[4] = {out + static_cast<std::size_t>(height - 1) * stride, nullptr, nullptr,
                             nullptr};
  const int targetPitch[4] = {-static_cast<int>(stride), 0, 0, 0};
  sws_scale(context, source, sourcePitch, 0, frameHeight, target, targetPitch);
  return S_OK;
}

namespace {

// The planes of an I420 picture packed at `out`.
struct PackedI420 {
  std::uint8_t* planes[4];
  int strides[4];
  PackedI420(std::uint8_t* out, std::int32_t width, std::int32_t height) {
    const int chromaWidth = (width + 1) / 2;
    planes[0] = out;
    planes[1] = out + static_cast<std::ptrdiff_t>(width) * height;
    planes[2] = planes[1] + static_cast<std::ptrdiff_t>(chromaWidth) * ((height + 1) / 2);
    planes[3] = nullptr;
    strides[0] = width;
    strides[1] = strides[2] = chromaWidth;
    strides[3] = 0;
  }
};

}  // namespace

Status TDSVideoSourceFilter::ConvertInto(std::uint8_t* out, const RowWriter& write,
                                         std::int32_t frameWidth, std::int32_t frameHeight) {
  const std::int32_t width = pin_->Width();
  const std::int32_t height = std::abs(pin_->Height());
  PackedI420 target(out, width, height);
  if (!write || frameWidth <= 0 || frameHeight <= 0) {  // black
    const std::size_t luma = static_cast<std::size_t>(width) * height;
    std::memset(out, 16, luma);
    std::memset(out + luma, 128, pin_->ImageSize() - luma);
    return S_OK;
  }
  const std::int32_t pitch = frameWidth * 3;
  rows_.resize(static_cast<std::size_t>(pitch) * frameHeight + kScalerSlack);
  write(rows_.data(), pitch);
  if (frameWidth == width && frameHeight == height) {
    // libswscale's accurate conversion measured no better here (colour that
    // clipped on the way into RGB is lost either way) and costs the
    // recorder's thread more: libyuv's one pass, as the compressor did.
    libyuv::RGB24ToI420(rows_.data(), pitch, target.planes[0], target.strides[0], target.planes[1],
                        target.strides[1], target.planes[2], target.strides[2], width, height);
    return S_OK;
  }
  // Accurate rounding and every pixel's own colour before the colour is
  // halved: the fast path's pair averaging and coarse factors cost the
  // picture several dB of colour against its snapshot.
  SwsContext* context = sws_getCachedContext(converter_.release(), frameWidth, frameHeight,
                                             AV_PIX_FMT_BGR24, width, height, AV_PIX_FMT_YUV420P,
                                             SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP,
                                             nullptr, nullptr, nullptr);
  converter_.reset(context);
  if (!context) return fail(E_OUTOFMEMORY, "Can't convert a video frame");
  const std::uint8_t* source[4] = {rows_.data(), nullptr, nullptr, nullptr};
  const int sourcePitch[4] = {pitch, 0, 0, 0};
  sws_scale(context, source, sourcePitch, 0, frameHeight, target.planes, target.strides);
  return S_OK;
}

Status TDSVideoSourceFilter::DeliverPlanarFrame(const VideoPlanes& planes, std::int64_t start,
                                                std::int64_t end) {
  if (pin_->SubType() != MEDIASUBTYPE_I420)
    return fail(E_UNEXPECTED, "The video source does not take planes");
  Ref<MediaSample> sample;
  Status status = GetSample(&sample);
  if (failed(status)) return status;
  const std::int32_t width = pin_->Width();
  const std::int32_t height = std::abs(pin_->Height());
  const std::uint32_t size = pin_->ImageSize();
  if (static_cast<std::uint32_t>(sample->size()) < size) return VFW_E_BUFFER_OVERFLOW;
  if (planes.Width() == width && planes.Height() == height) {
    planes.CopyPackedTo(sample->pointer());
  } else {
    SwsContext* context = sws_getCachedContext(
        converter_.release(), planes.Width(), planes.Height(), AV_PIX_FMT_YUV420P, width, height,
        AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    converter_.reset(context);
    if (!context) return fail(E_OUTOFMEMORY, "Can't scale a video frame");
    const std::uint8_t* source[4] = {planes.Plane(0), planes.Plane(1), planes.Plane(2), nullptr};
    const int sourceStrides[4] = {planes.Stride(0), planes.Stride(1), planes.Stride(2), 0};
    PackedI420 target(sample->pointer(), width, height);
    sws_scale(context, source, sourceStrides, 0, planes.Height(), target.planes, target.strides);
  }
  sample->setActualDataLength(static_cast<std::int32_t>(size));
  return Send(sample.get(), start, end);
}

Status TDSVideoSourceFilter::DeliverRawFrame(const std::uint8_t* data, std::uint32_t byteCount,
                                             std::int64_t start, std::int64_t end) {
  Ref<MediaSample> sample;
  Status status = GetSample(&sample);
  if (failed(status)) return status;
  const std::uint32_t count = std::min(byteCount, static_cast<std::uint32_t>(sample->size()));
  if (data && count) std::memcpy(sample->pointer(), data, count);
  sample->setActualDataLength(static_cast<std::int32_t>(count));
  return Send(sample.get(), start, end);
}

}  // namespace vistrel
