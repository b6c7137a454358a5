// The video compressors on libavcodec (see devices.h): pictures in,
// compressed frames out, each with the times of the picture it came from.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

extern "C" {
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
}
#include <libyuv/convert.h>

#include "platform/media/devices.h"
#include "platform/media/ffmpeg_handles.h"

namespace vistrel::media {

namespace {

// The uncompressed pictures a compressor takes.
enum class Pictures { None, Rgb24, Yuy2, I420 };

Pictures picturesOf(const MediaType& type) {
  if (type.majorType != MEDIATYPE_Video || type.formatType != FORMAT_VideoInfo || !type.videoInfo)
    return Pictures::None;
  const BitmapInfoHeader& header = type.videoInfo->header;
  if (type.subType == MEDIASUBTYPE_RGB24 && header.bitCount == 24 && header.compression == BI_RGB)
    return Pictures::Rgb24;
  if (type.subType == MEDIASUBTYPE_YUY2 && header.bitCount == 16) return Pictures::Yuy2;
  if (type.subType == MEDIASUBTYPE_I420 && header.bitCount == 12) return Pictures::I420;
  return Pictures::None;
}

class Compressor final : public BaseFilter, public VideoCompression {
 public:
  Compressor(CompressorDescription description, std::string encoder)
      : BaseFilter(CLSID_AVICo),
        VideoCompression(description.friendlyName, description.code, description.fixedQuantiser,
                         description.maxSide),
        description_(std::move(description)),
        encoderName_(std::move(encoder)) {
    input_ = makeRef<Pin>(this, "Input");
    output_ = makeRef<Pin>(this, "Output");
  }
  ~Compressor() override { disconnectAll(); }

 protected:
  Status checkInput(const MediaType& type) const override {
    const Pictures pictures = picturesOf(type);
    if (pictures == Pictures::None) return VFW_E_TYPE_NOT_ACCEPTED;
    const BitmapInfoHeader& header = type.videoInfo->header;
    const bool fits = header.width > 0 && header.height != 0 &&
                      header.width <= description_.maxSide &&
                      std::abs(header.height) <= description_.maxSide &&
                      (pictures == Pictures::Rgb24 || header.height > 0) &&
                      (pictures != Pictures::Yuy2 || header.width % 2 == 0);
    return fits ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }

  bool outputType(MediaType* type) const override {
    if (!input_->isConnected()) return false;
    const VideoInfo in = *input_->connectionType().videoInfo;
    const std::uint32_t code = description_.fourCC;
    const BitmapInfoHeader header{in.header.width, std::abs(in.header.height), 24, code,
                                  maxFrameBytes()};
    VideoInfo info{in.avgTimePerFrame, header};
    {
      std::lock_guard stream(streamLock());
      info.codecHeader = codecHeader_;
    }
    *type = {MEDIATYPE_Video, Guid::fromFourCC(code), false, true, 0, FORMAT_VideoInfo, info};
    return true;
  }

  std::int32_t outputBufferSize() const override {
    return static_cast<std::int32_t>(maxFrameBytes());
  }

  // Whether an encoder opens for the connected input, so that a picture size
  // no encoder takes fails the connection (and the recorder can try another
  // compressor) instead of every frame later on.
  // With a global header, the encoder's header bytes come from this opening,
  // at the connection's frame rate, which the stream's own opening repeats.
  Status inputConnected() override {
    std::lock_guard stream(streamLock());
    const Status status = openEncoder(connectionPeriod());
    codecHeader_.clear();
    if (succeeded(status) && description_.globalHeader) codecHeader_ = encoderHeader();
    stream_.reset();
    return failed(status) ? VFW_E_TYPE_NOT_ACCEPTED : S_OK;
  }

  Status onReceive(MediaSample* sample) override {
    ReferenceTime start = 0, stop = 0;
    const bool timed = succeeded(sample->getTime(&start, &stop));
    if (!stream_) {
      const Status status = openEncoder(timed && stop > start ? stop - start : connectionPeriod());
      if (failed(status)) return status;
      // The file's header already holds the announced bytes: frames made
      // with other parameter sets would not decode.
      if (description_.globalHeader && encoderHeader() != codecHeader_) {
        stream_.reset();
        return fail(VFW_E_TYPE_NOT_ACCEPTED, "The parameters of " + encoderName_ +
                                                 " changed after the file's header was written");
      }
    }
    const Status status = convert(sample);
    if (failed(status)) return status;

    std::int64_t pts = stream_->nextPts;
    if (timed)
      pts = std::max(stream_->nextPts,
                     av_rescale_q_rnd(start, AVRational{1, int(kUnitsPerSecond)},
                                      stream_->encoder->time_base, AV_ROUND_NEAR_INF));
    stream_->nextPts = pts + 1;
    if (timed) stream_->times[pts] = {start, stop};
    AVFrame* frame = stream_->frame.get();
    frame->pts = pts;
    frame->quality = stream_->encoder->global_quality;
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    const int error = avcodec_send_frame(stream_->encoder.get(), frame);
    if (error < 0) return ffmpeg::fail(error, "Can't compress a frame with " + encoderName_);
    return drain();
  }

  Status onStop() override {
    Status result = S_OK;
    if (stream_) {
      const int error = avcodec_send_frame(stream_->encoder.get(), nullptr);
      if (error < 0 && error != AVERROR_EOF)
        result = ffmpeg::fail(error, "Can't flush " + encoderName_);
      else
        result = drain();
    }
    stream_.reset();  // a later run starts a new stream
    return result;
  }

 private:
  std::uint32_t maxFrameBytes() const {
    const BitmapInfoHeader header = input_->connectionType().videoInfo->header;
    return dibStride(header.width, 24) * static_cast<std::uint32_t>(std::abs(header.height)) +
           65536;
  }

  // The first encoder of the description that opens for this picture size
  // (libxvid refuses odd sizes, FFmpeg's own MPEG-4 encoder takes them); the
  // one that opened before goes first.
  Status openEncoder(ReferenceTime period) {
    Status result = openEncoder(encoderName_, period);
    for (auto it = description_.encoders.begin();
         failed(result) && it != description_.encoders.end(); ++it)
      if (*it != encoderName_ && succeeded(result = openEncoder(*it, period))) encoderName_ = *it;
    return result;
  }

  ReferenceTime connectionPeriod() const {
    const ReferenceTime period = input_->connectionType().videoInfo->avgTimePerFrame;
    return period > 0 ? period : kDefaultFramePeriod;
  }

  // The open encoder's extradata (the stream lock held).
  std::vector<std::uint8_t> encoderHeader() const {
    const AVCodecContext* encoder = stream_->encoder.get();
    if (encoder->extradata == nullptr || encoder->extradata_size <= 0) return {};
    return {encoder->extradata, encoder->extradata + encoder->extradata_size};
  }

  Status openEncoder(const std::string& name, ReferenceTime period) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    if (!codec) return fail(VFW_E_NOT_FOUND, "The encoder " + name + " is missing");
    ffmpeg::CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) return fail(E_OUTOFMEMORY, "Can't set up " + name);
    const MediaType in = input_->connectionType();
    const BitmapInfoHeader& header = in.videoInfo->header;
    context->width = header.width;
    context->height = std::abs(header.height);
    int num = 1, den = 25;
    // MPEG-4 part 2 limits the time base denominator to 16 bits.
    av_reduce(&num, &den, period, kUnitsPerSecond, 65535);
    context->time_base = AVRational{num, den};
    context->framerate = AVRational{den, num};
    context->pix_fmt = codec->pix_fmts ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
    // Full-range ("J") formats are deprecated in favour of a range flag.
    const bool fullRange = context->pix_fmt == AV_PIX_FMT_YUVJ420P;
    if (fullRange) {
      context->pix_fmt = AV_PIX_FMT_YUV420P;
      context->color_range = AVCOL_RANGE_JPEG;
    }
    context->codec_tag = description_.fourCC;
    context->max_b_frames = 0;
    const long keyFrames = keyFrameRate();
    context->gop_size = static_cast<int>(keyFrames > 0 ? keyFrames : kDefaultKeyFrameRate);
    if (description_.fixedQuantiser) {
      context->flags |= AV_CODEC_FLAG_QSCALE;
      context->global_quality = FF_QP2LAMBDA * quantiserForQuality(quality());
    }
    AVDictionary* options = nullptr;
    if (description_.constantRateFactor > 0)
      av_dict_set_int(&options, "crf", description_.constantRateFactor, 0);
    if (description_.globalHeader) context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (name == "libx264") boundX264Delay(*context, &options, den, num);
    int error = avcodec_open2(context.get(), codec, &options);
    av_dict_free(&options);
    if (error < 0) return ffmpeg::fail(error, "Can't open the encoder " + name);

    const Pictures pictures = picturesOf(in);
    const AVPixelFormat source = pictures == Pictures::Yuy2   ? AV_PIX_FMT_YUYV422
                                 : pictures == Pictures::I420 ? AV_PIX_FMT_YUV420P
                                                              : AV_PIX_FMT_BGR24;
    // libswscale has no SIMD path for 24-bit input; libyuv converts BGR rows
    // to limited-range 4:2:0 (what the MPEG-4 encoders take) in one pass.
    // Every other picture goes through libswscale, whose ranges are given
    // before the context is set up: set afterwards, a conversion between two
    // equal formats would stay a plain copy. I420 pictures come in the video
    // range and are widened for a full-range encoder.
    ffmpeg::SwsPtr scaler;
    if (source != AV_PIX_FMT_BGR24 || context->pix_fmt != AV_PIX_FMT_YUV420P || fullRange) {
      scaler.reset(sws_alloc_context());
      if (!scaler) return fail(E_OUTOFMEMORY, "Can't convert pictures for " + name);
      av_opt_set_int(scaler.get(), "srcw", context->width, 0);
      av_opt_set_int(scaler.get(), "srch", context->height, 0);
      av_opt_set_int(scaler.get(), "src_format", source, 0);
      av_opt_set_int(scaler.get(), "dstw", context->width, 0);
      av_opt_set_int(scaler.get(), "dsth", context->height, 0);
      av_opt_set_int(scaler.get(), "dst_format", context->pix_fmt, 0);
      av_opt_set_int(scaler.get(), "sws_flags", SWS_BICUBIC | SWS_ACCURATE_RND, 0);
      av_opt_set_int(scaler.get(), "src_range", fullRange && pictures != Pictures::I420, 0);
      av_opt_set_int(scaler.get(), "dst_range", fullRange, 0);
      if (sws_init_context(scaler.get(), nullptr, nullptr) < 0)
        return fail(E_FAIL, "Can't convert pictures for " + name);
    }
    ffmpeg::FramePtr frame(av_frame_alloc());
    ffmpeg::PacketPtr packet(av_packet_alloc());
    if (!frame || !packet) return fail(E_OUTOFMEMORY, "Can't set up " + name);
    frame->format = context->pix_fmt;
    frame->width = context->width;
    frame->height = context->height;
    frame->color_range = context->color_range;
    error = av_frame_get_buffer(frame.get(), 0);
    if (error < 0) return ffmpeg::fail(error, "Can't set up " + name);
    stream_ = Stream{std::move(context), std::move(scaler), std::move(frame), std::move(packet)};
    return S_OK;
  }

  // The sample's picture into the stream's frame, in the encoder's pixel format; I420
  // samples hold their planes packed one after the other.
  Status convert(MediaSample* sample) {
    const MediaType in = input_->connectionType();
    const BitmapInfoHeader& header = in.videoInfo->header;
    const int width = header.width, height = std::abs(header.height);
    const Pictures pictures = picturesOf(in);
    const int stride =
        pictures == Pictures::Yuy2 ? width * 2 : static_cast<int>(dibStride(width, 24));
    const std::uint32_t bytes = pictures == Pictures::I420
                                    ? i420ImageSize(width, height)
                                    : static_cast<std::uint32_t>(stride * height);
    if (static_cast<std::uint32_t>(sample->actualDataLength()) < bytes)
      return fail(E_INVALIDARG, "A picture sample is shorter than its picture");
    // The encoder may still hold the previous frame's buffer.
    AVFrame* frame = stream_->frame.get();
    const int error = av_frame_make_writable(frame);
    if (error < 0) return ffmpeg::fail(error, "Can't compress with " + encoderName_);
    const int chromaWidth = (width + 1) / 2;
    const std::uint8_t* planes[4] = {sample->pointer(), nullptr, nullptr, nullptr};
    int linesizes[4] = {stride, 0, 0, 0};
    if (pictures == Pictures::I420) {
      planes[1] = planes[0] + static_cast<std::ptrdiff_t>(width) * height;
      planes[2] = planes[1] + static_cast<std::ptrdiff_t>(chromaWidth) * ((height + 1) / 2);
      linesizes[0] = width;
      linesizes[1] = linesizes[2] = chromaWidth;
    }
    if (!stream_->scaler) {
      // Negative height: the picture is stored bottom-up.
      const int rows = header.height > 0 ? -height : height;
      if (libyuv::RGB24ToI420(planes[0], stride, frame->data[0], frame->linesize[0], frame->data[1],
                              frame->linesize[1], frame->data[2], frame->linesize[2], width,
                              rows) != 0)
        return fail(E_FAIL, "Can't convert a picture for " + encoderName_);
      return S_OK;
    }
    if (pictures == Pictures::Rgb24 && header.height > 0) {  // bottom-up: the last stored row
      planes[0] += static_cast<std::ptrdiff_t>(stride) * (height - 1);
      linesizes[0] = -stride;
    }
    sws_scale(stream_->scaler.get(), planes, linesizes, 0, height, frame->data, frame->linesize);
    return S_OK;
  }

  // Hands every packet the encoder has ready to the output pin.
  Status drain() {
    for (;;) {
      const int error = avcodec_receive_packet(stream_->encoder.get(), stream_->packet.get());
      if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) return S_OK;
      if (error < 0) return ffmpeg::fail(error, "Can't compress with " + encoderName_);
      const Status status = deliverPacket();
      av_packet_unref(stream_->packet.get());
      if (failed(status)) return status;
    }
  }

  Status deliverPacket() {
    const AVPacket* packet = stream_->packet.get();
    std::optional<std::pair<ReferenceTime, ReferenceTime>> times;
    if (auto it = stream_->times.find(packet->pts); it != stream_->times.end()) {
      times = it->second;
      stream_->times.erase(stream_->times.begin(), std::next(it));
    }
    if (!output_->isConnected()) return S_OK;  // compressing into nothing
    Ref<MediaSample> sample;
    Status status = output_->getDeliveryBuffer(&sample);
    if (failed(status)) return status;
    if (packet->size > sample->size())
      return fail(VFW_E_BUFFER_OVERFLOW, "A compressed frame does not fit its sample");
    std::memcpy(sample->pointer(), packet->data, static_cast<size_t>(packet->size));
    sample->setActualDataLength(packet->size);
    if (times) sample->setTime(times->first, times->second);
    sample->setSyncPoint((packet->flags & AV_PKT_FLAG_KEY) != 0);
    return output_->deliver(sample.get());
  }

  // x264 holds up to 40 frames for its rate look-ahead, and a frame per
  // frame thread: a killed export loses what it holds, many seconds at a low
  // rate. Half a second of look-ahead, and threads that share each frame
  // instead of holding several, keep that to half a second of video.
  static void boundX264Delay(AVCodecContext& context, AVDictionary** options, int rateNum,
                             int rateDen) {
    constexpr int kDefaultLookahead = 40;
    const int halfSecond = static_cast<int>(rateNum / (2L * std::max(rateDen, 1)));
    av_dict_set_int(options, "rc-lookahead", std::clamp(halfSecond, 0, kDefaultLookahead), 0);
    context.thread_type = FF_THREAD_SLICE;
  }

  const CompressorDescription description_;
  std::string encoderName_;  // the encoder in use, or the first to try
  // The header bytes announced with the output type (global header only).
  std::vector<std::uint8_t> codecHeader_;

  // While an encoder is open, under the stream lock.
  struct Stream {
    ffmpeg::CodecContextPtr encoder;
    ffmpeg::SwsPtr scaler;  // none when libyuv converts
    ffmpeg::FramePtr frame;
    ffmpeg::PacketPtr packet;
    std::map<std::int64_t, std::pair<ReferenceTime, ReferenceTime>> times{};  // of timed frames
    std::int64_t nextPts = 0;
  };
  std::optional<Stream> stream_;
};

}  // namespace

int quantiserForQuality(double quality) {
  if (quality <= 0.0) quality = kDefaultCompressorQuality;
  const int quantiser = static_cast<int>(std::lround(31.0 - 29.0 * std::min(quality, 1.0)));
  return std::clamp(quantiser, 2, 31);
}

std::string availableEncoder(const CompressorDescription& description) {
  for (const std::string& name : description.encoders)
    if (avcodec_find_encoder_by_name(name.c_str())) return name;
  return std::string();
}

Ref<BaseFilter> createCompressorFilter(const CompressorDescription& description) {
  std::string encoder = availableEncoder(description);
  if (encoder.empty()) return nullptr;
  return Ref<BaseFilter>(new Compressor(description, std::move(encoder)));
}

}  // namespace vistrel::media
