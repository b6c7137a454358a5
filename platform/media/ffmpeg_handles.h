// RAII owners for FFmpeg's handles and FFmpeg's codes as statuses with text.
// Only the service's own sources include this: no public header shows
// FFmpeg's types, and FFmpeg stays a private dependency of the library.
#pragma once

#include <memory>
#include <string>
#include <type_traits>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "platform/media/status.h"

namespace vistrel::media::ffmpeg {

// The newer frees take the handle's address (and clear it), the older the handle.
template <class T, auto free>
struct Deleter {
  void operator()(T* handle) const {
    if constexpr (std::is_invocable_v<decltype(free), T**>)
      free(&handle);
    else
      free(handle);
  }
};

using CodecContextPtr =
    std::unique_ptr<AVCodecContext, Deleter<AVCodecContext, avcodec_free_context>>;
using FramePtr = std::unique_ptr<AVFrame, Deleter<AVFrame, av_frame_free>>;
using PacketPtr = std::unique_ptr<AVPacket, Deleter<AVPacket, av_packet_free>>;
using IOContextPtr = std::unique_ptr<AVIOContext, Deleter<AVIOContext, avio_closep>>;
using SwsPtr = std::unique_ptr<SwsContext, Deleter<SwsContext, sws_freeContext>>;
// An output format context without its I/O (the file writer owns that).
using FormatContextPtr =
    std::unique_ptr<AVFormatContext, Deleter<AVFormatContext, avformat_free_context>>;

// The code's status with the detail "<what> '<path>': <FFmpeg's text>".
Status fail(int averror, const std::string& what, const std::string& path = std::string(),
            bool creating = false);

}  // namespace vistrel::media::ffmpeg
