// RAII owners for FFmpeg's handles and FFmpeg's codes as statuses with text.
// Only the service's own sources include this: no public header shows
// FFmpeg's types, and FFmpeg stays a private dependency of the library.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "platform/media/status.h"

namespace vistrel::media::ffmpeg {

template <class T, auto free>
struct Deleter {
  void operator()(T* handle) const { free(&handle); }
};

using CodecContextPtr =
    std::unique_ptr<AVCodecContext, Deleter<AVCodecContext, avcodec_free_context>>;
using FramePtr = std::unique_ptr<AVFrame, Deleter<AVFrame, av_frame_free>>;
using PacketPtr = std::unique_ptr<AVPacket, Deleter<AVPacket, av_packet_free>>;
using IOContextPtr = std::unique_ptr<AVIOContext, Deleter<AVIOContext, avio_closep>>;
struct SwsDeleter {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;
// An output format context without its I/O (the file writer owns that).
struct FormatContextDeleter {
  void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;

// The code's status with the detail "<what> '<path>': <FFmpeg's text>".
Status fail(int averror, const std::string& what, const std::string& path = std::string(),
            bool creating = false);

}  // namespace vistrel::media::ffmpeg
