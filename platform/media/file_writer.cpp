#include "platform/media/file_writer.h"

#include <cassert>

#include "platform/media/ffmpeg_handles.h"

namespace vistrel::media {

namespace {

class FileWriter;

class FileWriterInputPin final : public InputPinBase, public ByteSink {
 public:
  FileWriterInputPin(FileWriter* writer);
  AVIOContext* byteStream() override;

 protected:
  Status checkMediaType(const MediaType& type) const override {
    return type.majorType == MEDIATYPE_Stream ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  Status onReceive(MediaSample* sample) override;

 private:
  FileWriter* writer_;
};

class FileWriter final : public FilterBase, public FileSinkFilter {
 public:
  FileWriter() : FilterBase(CLSID_FileWriter), input_(new FileWriterInputPin(this)) {}
  ~FileWriter() override { disconnectAll(); }

  Status setFileName(const std::string& hostPath, const MediaType* type) override {
    if (hostPath.empty()) return E_INVALIDARG;
    std::lock_guard lock(stateLock());
    if (state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
    io_.reset();
    path_ = hostPath;
    return open();
  }

  std::string curFile() const override {
    std::lock_guard lock(stateLock());
    return path_;
  }

  AVIOContext* byteStream() { return io_.get(); }

  Status write(const std::uint8_t* data, int size) {
    if (!io_) return fail(E_HANDLE, "No file is open");
    avio_write(io_.get(), data, size);
    if (io_->error < 0) return ffmpeg::fail(io_->error, "Can't write", path_);
    return S_OK;
  }

 protected:
  std::vector<PinBase*> pinList() const override { return {input_.get()}; }

  // A graph run again after a stop writes the file anew.
  Status onPause() override { return io_ || path_.empty() ? Status(S_OK) : open(); }

  Status onStop() override {
    if (!io_) return S_OK;
    AVIOContext* io = io_.release();
    avio_flush(io);
    const int error = io->error;
    const int closed = avio_closep(&io);
    if (error < 0) return ffmpeg::fail(error, "Can't write", path_);
    if (closed < 0) return ffmpeg::fail(closed, "Can't close", path_);
    return S_OK;
  }

 private:
  Status open() {
    AVIOContext* io = nullptr;
    // The "file:" prefix keeps a ':' in the name from selecting a protocol.
    const int error = avio_open(&io, ("file:" + path_).c_str(), AVIO_FLAG_WRITE);
    if (error < 0) return ffmpeg::fail(error, "Can't create file", path_, true);
    io_.reset(io);
    return S_OK;
  }

  Ref<FileWriterInputPin> input_;
  ffmpeg::IOContextPtr io_;
  std::string path_;
};

FileWriterInputPin::FileWriterInputPin(FileWriter* writer)
    : InputPinBase(writer, "in"), writer_(writer) {}

AVIOContext* FileWriterInputPin::byteStream() { return owner_ ? writer_->byteStream() : nullptr; }

Status FileWriterInputPin::onReceive(MediaSample* sample) {
  return writer_->write(sample->pointer(), sample->actualDataLength());
}

}  // namespace

Ref<BaseFilter> createFileWriter() { return Ref<BaseFilter>(new FileWriter); }

}  // namespace vistrel::media
