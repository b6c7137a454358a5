// The AVI sink: the end of a recording graph, one video input pin. It
// multiplexes and writes the file itself: the file is created when the sink
// is made and completed and closed when the graph stops; a graph run again
// writes it anew. It takes uncompressed 24-bit bottom-up RGB (stored as a
// BI_RGB DIB stream, codec tag 0), uncompressed YUY2, or any compressed
// video whose four-character code is an AVI video tag (XVID, MJPG, cvid, ...).
// The MP4 sink is the same writing MP4 (codec tags chosen by the container),
// for H.264.
//
// Timing: the stream's rate is the first sample's duration (stop − start),
// else 25 per second; each sample is placed at start / period. The header is
// written with the first sample and the index and trailer at stop.

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

extern "C" {
#include <libavutil/intreadwrite.h>
#include <libavutil/mathematics.h>
}

#include "platform/media/devices.h"
#include "platform/media/ffmpeg_handles.h"

namespace vistrel::media {

namespace {

// The codec of an AVI video type, or AV_CODEC_ID_NONE.
AVCodecID codecOf(const MediaType& type) {
  if (type.majorType != MEDIATYPE_Video || type.formatType != FORMAT_VideoInfo || !type.videoInfo)
    return AV_CODEC_ID_NONE;
  const BitmapInfoHeader& header = type.videoInfo->header;
  if (header.width <= 0 || header.height == 0) return AV_CODEC_ID_NONE;
  if (header.compression == BI_RGB)
    return header.bitCount == 24 && type.subType == MEDIASUBTYPE_RGB24 ? AV_CODEC_ID_RAWVIDEO
                                                                       : AV_CODEC_ID_NONE;
  const AVCodecTag* const tables[] = {avformat_get_riff_video_tags(), nullptr};
  return av_codec_get_id(tables, header.compression);
}

// Where the header of FFmpeg's AVI muxer keeps the sizes and counts that it
// fills in only when the file is completed: the RIFF size at 4, the movi
// list's size, the main header's total frames and the stream's length; and,
// for a file that grows beyond its first RIFF, the OpenDML header (a "JUNK"
// chunk holding "odml" "dmlh" until completion) and the stream's super
// index (a "JUNK" chunk until the first extension RIFF is started).
struct OpenHeaderFields {
  std::int64_t moviList = -1;     // offset of the movi list's "LIST"
  std::int64_t totalFrames = -1;  // offset of avih's dwTotalFrames
  std::int64_t length = -1;       // offset of the first strh's dwLength
  std::int64_t odmlList = -1;     // offset of the OpenDML header's chunk
  std::int64_t superIndex = -1;   // offset of the first stream's super index chunk
  bool found() const { return moviList > 0 && totalFrames > 0 && length > 0; }
  bool extensionsFound() const { return found() && odmlList > 0 && superIndex > 0; }
};

OpenHeaderFields findOpenHeaderFields(const std::vector<std::uint8_t>& bytes) {
  auto tagAt = [&](std::size_t at, const char* tag) {
    return at + 4 <= bytes.size() && std::memcmp(&bytes[at], tag, 4) == 0;
  };
  auto sizeAt = [&](std::size_t at) { return std::size_t{AV_RL32(&bytes[at + 4])}; };
  // A super index: four longs an entry, of type "index of indexes".
  auto superIndexAt = [&](std::size_t at) {
    return (tagAt(at, "JUNK") || tagAt(at, "indx")) && at + 8 + 24 <= bytes.size() &&
           sizeAt(at) >= 24 && bytes[at + 8] == 4 && bytes[at + 9] == 0 && bytes[at + 11] == 0;
  };
  OpenHeaderFields fields;
  if (!tagAt(0, "RIFF") || !tagAt(8, "AVI ")) return fields;
  for (std::size_t at = 12; at + 12 <= bytes.size();) {
    if (tagAt(at, "LIST") && tagAt(at + 8, "movi")) {
      fields.moviList = static_cast<std::int64_t>(at);
      break;
    }
    const std::size_t size = sizeAt(at);
    const std::size_t end = std::min(bytes.size(), at + 8 + size);
    if (tagAt(at, "LIST") && tagAt(at + 8, "hdrl")) {
      for (std::size_t child = at + 12; child + 8 <= end;) {
        const std::size_t childSize = sizeAt(child);
        const std::size_t childEnd = std::min(end, child + 8 + childSize);
        if (tagAt(child, "avih")) fields.totalFrames = static_cast<std::int64_t>(child + 8 + 16);
        if (tagAt(child, "JUNK") && tagAt(child + 8, "odml") && tagAt(child + 12, "dmlh"))
          fields.odmlList = static_cast<std::int64_t>(child);
        if (tagAt(child, "LIST") && tagAt(child + 8, "strl") && tagAt(child + 12, "strh") &&
            fields.length < 0) {
          fields.length = static_cast<std::int64_t>(child + 12 + 8 + 32);
          for (std::size_t part = child + 12; part + 8 <= childEnd;) {
            if (superIndexAt(part) && fields.superIndex < 0)
              fields.superIndex = static_cast<std::int64_t>(part);
            part += 8 + sizeAt(part) + (sizeAt(part) & 1);
          }
        }
        child += 8 + childSize + (childSize & 1);
      }
    }
    at += 8 + size + (size & 1);
  }
  return fields;
}

class AviMux final : public BaseFilter {
 public:
  explicit AviMux(bool mp4) : BaseFilter(CLSID_AviDest), mp4_(mp4) {
    input_ = makeRef<Pin>(this, "Input 01");
  }
  ~AviMux() override { disconnectAll(); }

  // Creates (or truncates) the file; nothing stays open on failure.
  Status openFile(const std::string& hostPath) {
    path_ = hostPath;
    AVIOContext* io = nullptr;
    // The "file:" prefix keeps a ':' in the name from selecting a protocol.
    const int error = avio_open(&io, ("file:" + path_).c_str(), AVIO_FLAG_WRITE);
    if (error < 0) return ffmpeg::fail(error, "Can't create file", path_, true);
    io_.reset(io);
    return S_OK;
  }

 protected:
  Status checkInput(const MediaType& type) const override {
    return codecOf(type) != AV_CODEC_ID_NONE ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }

  Status onReceive(MediaSample* sample) override {
    ReferenceTime start = 0, stop = 0;
    const bool timed = succeeded(sample->getTime(&start, &stop));
    if (!format_) {
      const Status status = begin(timed && stop > start ? stop - start : 0);
      if (failed(status)) return status;
    }
    AVStream* stream = format_->streams[0];
    const std::int64_t before = avio_tell(format_->pb);
    const auto inStream = [stream](ReferenceTime time) {
      return av_rescale_q_rnd(time, AVRational{1, int(kUnitsPerSecond)}, stream->time_base,
                              AV_ROUND_NEAR_INF);
    };
    const std::int64_t pts = std::max(file_.nextPts, timed ? inStream(start) : file_.nextPts);
    const std::int64_t duration =
        timed && stop > start ? std::max<std::int64_t>(1, inStream(stop - start)) : 1;

    ffmpeg::PacketPtr packet(av_packet_alloc());
    if (!packet || av_new_packet(packet.get(), sample->actualDataLength()) < 0)
      return fail(E_OUTOFMEMORY, "Can't allocate a packet for " + path());
    std::memcpy(packet->data, sample->pointer(), static_cast<size_t>(sample->actualDataLength()));
    packet->stream_index = 0;
    packet->pts = packet->dts = pts;
    packet->duration = duration;
    if (sample->isSyncPoint() || stream->codecpar->codec_id == AV_CODEC_ID_RAWVIDEO)
      packet->flags |= AV_PKT_FLAG_KEY;
    file_.nextPts = pts + duration;
    const int error = av_write_frame(format_.get(), packet.get());
    if (error < 0) return ffmpeg::fail(error, "Can't write a frame to", path());
    ++file_.frames;
    // Each frame goes to the system at once, and the header's sizes and
    // counts are brought up to date after it: a file whose process is
    // killed is a valid AVI without index holding every frame written.
    avio_flush(format_->pb);
    patchOpenHeader(before);
    if (format_->pb->error < 0) return ffmpeg::fail(format_->pb->error, "Can't write", path());
    return S_OK;
  }

  Status onRun() override {
    if (!io_ && !path_.empty()) {
      const Status status = openFile(path_);
      if (failed(status)) return status;
    }
    format_.reset();
    // With the parameter sets known, an MP4 header is written at once: a
    // process killed before the first fragment still leaves a file that
    // says what it is.
    if (mp4_ && io_ && input_->isConnected() &&
        !input_->connectionType().videoInfo->codecHeader.empty())
      return begin(input_->connectionType().videoInfo->avgTimePerFrame);
    return S_OK;
  }

  Status onStop() override {
    Status result = S_OK;
    // A file without frames is still an AVI.
    if (!format_ && input_->isConnected()) result = begin(0);
    if (format_) {
      restoreIndexes();
      const int error = av_write_trailer(format_.get());
      if (error < 0 && succeeded(result)) result = ffmpeg::fail(error, "Can't complete", path());
      format_->pb = nullptr;  // io_ is ours, flushed and closed below
      format_.reset();
    }
    if (AVIOContext* io = io_.release()) {
      avio_flush(io);
      const int error = io->error;
      const int closed = avio_closep(&io);
      if (error < 0 && succeeded(result)) result = ffmpeg::fail(error, "Can't write", path_);
      if (closed < 0 && succeeded(result)) result = ffmpeg::fail(closed, "Can't close", path_);
    }
    return result;
  }

 private:
  std::string path() const { return path_.empty() ? "the AVI file" : path_; }

  Status begin(ReferenceTime period) {
    if (period <= 0) period = kDefaultFramePeriod;
    AVIOContext* io = io_.get();
    if (!io) return fail(E_HANDLE, "No file is open for " + path());

    AVFormatContext* raw = nullptr;
    int error = avformat_alloc_output_context2(&raw, nullptr, mp4_ ? "mp4" : "avi", nullptr);
    if (error < 0) return ffmpeg::fail(error, "Can't set up the AVI multiplexer for", path());
    ffmpeg::FormatContextPtr format(raw);
    AVStream* stream = avformat_new_stream(format.get(), nullptr);
    if (!stream) return fail(E_OUTOFMEMORY, "Can't add a video stream to " + path());

    const MediaType type = input_->connectionType();
    const BitmapInfoHeader& header = type.videoInfo->header;
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = codecOf(type);
    // MP4 has its own sample entries ("avc1"); an AVI four-character code there is refused.
    par->codec_tag = mp4_ ? 0 : header.compression;
    par->width = header.width;
    par->height = std::abs(header.height);
    par->bits_per_coded_sample = header.bitCount;
    if (par->codec_id == AV_CODEC_ID_RAWVIDEO && header.compression == BI_RGB)
      par->format = AV_PIX_FMT_BGR24;
    const std::vector<std::uint8_t>& codecHeader = type.videoInfo->codecHeader;
    if (!codecHeader.empty()) {
      par->extradata =
          static_cast<std::uint8_t*>(av_mallocz(codecHeader.size() + AV_INPUT_BUFFER_PADDING_SIZE));
      if (!par->extradata) return fail(E_OUTOFMEMORY, "Can't set up the header of " + path());
      std::memcpy(par->extradata, codecHeader.data(), codecHeader.size());
      par->extradata_size = static_cast<int>(codecHeader.size());
    }
    int num = 0, den = 0;
    av_reduce(&num, &den, period, kUnitsPerSecond, 1 << 30);
    stream->time_base = AVRational{num, den};
    stream->avg_frame_rate = AVRational{den, num};

    format->pb = io;
    AVDictionary* options = nullptr;
    if (mp4_) {
      // Fragments of at most half a second, each with its own index and
      // handed to the system when cut: a file whose process is killed plays
      // up to its last fragment, where one index at the end would leave
      // nothing. Without the parameter sets in the header, the first index
      // waits for the first frame, which brings them.
      const bool headerKnown = par->extradata_size > 0;
      av_dict_set(&options, "movflags",
                  headerKnown ? "+frag_keyframe+empty_moov+default_base_moof"
                              : "+frag_keyframe+empty_moov+delay_moov+default_base_moof",
                  0);
      av_dict_set_int(&options, "frag_duration", AV_TIME_BASE / 2, 0);
    } else {
      // Our RGB frames are bottom-up DIBs: say so in the header (positive
      // height) instead of letting the muxer declare them top-down.
      av_dict_set(&options, "flipped_raw_rgb", "1", 0);
    }
    error = avformat_write_header(format.get(), &options);
    av_dict_free(&options);
    if (error >= 0) avio_flush(io);
    if (error >= 0 && io->error < 0) error = io->error;
    if (error < 0) {
      format->pb = nullptr;
      return ffmpeg::fail(error, "Can't write the AVI header to", path());
    }
    format_ = std::move(format);
    file_ = FileState();
    if (mp4_) return S_OK;  // each MP4 fragment is complete as written
    // The header's layout is FFmpeg's: read it back to find the fields to
    // keep up to date. Without them the file stays readable, only less so.
    std::vector<std::uint8_t> written(
        static_cast<std::size_t>(std::max<std::int64_t>(0, avio_tell(io))));
    file_.readBack.open(path(), std::ios::binary);
    if (readBack(0, written.data(), written.size())) file_.fields = findOpenHeaderFields(written);
    return S_OK;
  }

  bool readBack(std::int64_t at, std::uint8_t* bytes, std::size_t count) {
    file_.readBack.clear();
    return file_.readBack.seekg(at) &&
           file_.readBack.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(count));
  }

  // Walks the chunks written for the last frame, from `before` to the end:
  // the frame's own, preceded, when the muxer found the RIFF full, by that
  // RIFF's indexes and the header of an extension RIFF ("RIFF" "AVIX"
  // "LIST" "movi"), which then becomes the one kept up to date. False when
  // the chunks don't add up to the end: the layout is then unknown.
  bool followRiffs(std::int64_t before, std::int64_t end) {
    std::int64_t at = before;
    while (at + 8 <= end) {
      std::uint8_t chunk[24];
      if (!readBack(at, chunk, 8)) return false;
      if (std::memcmp(chunk, "RIFF", 4) == 0) {
        if (!file_.fields.extensionsFound() || at + 24 > end || !readBack(at, chunk, 24) ||
            std::memcmp(chunk + 8, "AVIX", 4) != 0 || std::memcmp(chunk + 12, "LIST", 4) != 0 ||
            std::memcmp(chunk + 20, "movi", 4) != 0)
          return false;
        startedRiff(at);
        at += 24;  // into its movi list, whose sizes are still placeholders
        continue;
      }
      if (std::memcmp(chunk, "idx1", 4) == 0 && file_.riffStart == 0) file_.hiddenLegacyIndex = at;
      const std::int64_t size = AV_RL32(chunk + 4);
      at += 8 + size + (size & 1);
    }
    return at == end;
  }

  // The muxer completed the RIFF before `riff`, wrote its indexes and put
  // the super index in the header, with entries for the completed RIFFs
  // only. Readers that find an index trust it and stop where it stops, so
  // while recording both the legacy index of the first RIFF and the super
  // index are hidden as JUNK: a reader then walks the chunks, which the
  // sizes kept up to date lead it through. The completion shows them again.
  void startedRiff(std::int64_t riff) {
    if (file_.riffStart == 0) {
      if (file_.hiddenLegacyIndex > 0) putTag(file_.hiddenLegacyIndex, "JUNK");
      putTag(file_.fields.odmlList, "LIST");  // the OpenDML total is read from now on
    }
    putTag(file_.fields.superIndex, "JUNK");
    file_.superIndexHidden = true;
    file_.riffStart = riff;
  }

  void restoreIndexes() {
    AVIOContext* io = format_->pb;
    if (!io || (file_.hiddenLegacyIndex < 0 && !file_.superIndexHidden)) return;
    const std::int64_t end = avio_tell(io);
    if (file_.hiddenLegacyIndex > 0) putTag(file_.hiddenLegacyIndex, "idx1");
    if (file_.superIndexHidden) putTag(file_.fields.superIndex, "indx");
    avio_seek(io, end, SEEK_SET);
  }

  void putTag(std::int64_t at, const char* tag) {
    avio_seek(format_->pb, at, SEEK_SET);
    avio_write(format_->pb, reinterpret_cast<const unsigned char*>(tag), 4);
  }

  // After a frame that the muxer began writing at `before`.
  void patchOpenHeader(std::int64_t before) {
    AVIOContext* io = format_->pb;
    const std::int64_t end = avio_tell(io);
    if (!file_.fields.found() || !file_.layoutKnown || io->error < 0) return;
    if (!followRiffs(before, end)) {
      // The muxer's sizes are left alone from then on.
      file_.layoutKnown = false;
      avio_seek(io, end, SEEK_SET);
      return;
    }
    const auto put = [io](std::int64_t at, std::int64_t value) {
      avio_seek(io, at, SEEK_SET);
      avio_wl32(io, static_cast<unsigned>(value));
    };
    if (file_.riffStart == 0) {
      put(4, end - 8);
      put(file_.fields.moviList + 4, end - file_.fields.moviList - 8);
      put(file_.fields.totalFrames, file_.frames);
    } else {
      // The main header's total stays the first RIFF's, as the muxer has it.
      put(file_.riffStart + 4, end - file_.riffStart - 8);
      put(file_.riffStart + 16, end - file_.riffStart - 20);
      put(file_.fields.odmlList + 20, file_.frames);
    }
    put(file_.fields.length, file_.frames);
    avio_seek(io, end, SEEK_SET);
    avio_flush(io);
  }

  const bool mp4_;
  std::string path_;
  ffmpeg::IOContextPtr io_;          // the open file
  ffmpeg::FormatContextPtr format_;  // writes through io_, which it does not own
  // What is known of the file written since the header.
  struct FileState {
    OpenHeaderFields fields;
    std::int64_t frames = 0;
    std::int64_t nextPts = 0;
    std::ifstream readBack;               // the file, to follow what the muxer wrote
    std::int64_t riffStart = 0;           // the RIFF being written
    std::int64_t hiddenLegacyIndex = -1;  // the first RIFF's idx1, while hidden
    bool superIndexHidden = false;
    bool layoutKnown = true;  // false once a frame's chunks could not be followed
  } file_;
};

}  // namespace

Status createFileSink(bool mp4, const std::string& hostPath, Ref<BaseFilter>* sink) {
  Ref<AviMux> mux = makeRef<AviMux>(mp4);
  const Status status = hostPath.empty() ? Status(S_OK) : mux->openFile(hostPath);
  if (succeeded(status)) *sink = mux;
  return status;
}

}  // namespace vistrel::media
