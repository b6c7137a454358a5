// RAII owners for the FFmpeg handles of the media-graph service, and the one
// place where FFmpeg's negative codes become statuses with text.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include "platform/media/status.h"

namespace vistrel::media::ffmpeg {

struct CodecContextDeleter {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct SwsDeleter {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};
// An output format context without its I/O (the file writer owns that).
struct FormatContextDeleter {
  void operator()(AVFormatContext* context) const { avformat_free_context(context); }
};
struct IOContextDeleter {
  void operator()(AVIOContext* context) const { avio_closep(&context); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using IOContextPtr = std::unique_ptr<AVIOContext, IOContextDeleter>;

// FFmpeg's text for a code (av_make_error_string).
std::string errorText(int averror);
// The code's status with the detail "<what> '<path>': <FFmpeg text>".
Status fail(int averror, const std::string& what, const std::string& path = std::string(),
            bool creating = false);

}  // namespace vistrel::media::ffmpeg
