// A JPEG graphic: keeps the compressed bytes, reads the header on load and
// decodes once, at the first need, into a bitmap kept for every later draw.
//
// Thread: one thread at a time per object (the GUI thread for the window's
// pictures). Copies share the compressed bytes, which are immutable.
//
// Errors: loading throws EJPEG "JPEG error #%d" when the header is unreadable,
// and "Picture too large: ..." when it claims more than kMaxPicturePixels.
// Damage after a good header is found by decode() (or prepare()), which
// throws it exactly once; the rows decoded before the damage stay in the
// bitmap and draw() keeps painting them without a new report. An empty file
// loads without error, reports libjpeg's empty-input code at the first
// decode() and then draws nothing. Scan data cut short or corrupt is no
// error: libjpeg pads it, the picture draws, and damage() names it for a
// caller to whom a padded picture is not the snapshot (the batch exporter).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QImage>

#include "picture/graphic.h"
#include "picture/video_planes.h"

namespace vistrel {

enum class TJPEGPixelFormat { jf24Bit, jf8Bit };
enum class TJPEGPerformance { jpBestQuality, jpBestSpeed };

class TJPEGImage : public TGraphic {
 public:
  // The decoding settings start from the defaults: best quality, smoothing
  // on, colour, and 8 bits per pixel when the screen has at most 8.
  TJPEGImage();

  const char* className() const override { return "TJPEGImage"; }
  // Shares the bytes, and the bitmap until one side writes to it.
  std::unique_ptr<TGraphic> clone() const override { return std::make_unique<TJPEGImage>(*this); }

  int width() const override;
  int height() const override;
  bool empty() const override { return data_->empty(); }

  // Takes the file's bytes; reads the header when there is at least one
  // byte. Throws EJPEG on an unreadable header, leaving this image empty.
  void loadFromBytes(std::vector<std::uint8_t> bytes) override;
  void loadFromMemory(const std::uint8_t* data, std::size_t size);
  std::vector<std::uint8_t> saveToBytes() const override { return *data_; }
  std::size_t FileBytesNeeded(const std::uint8_t* head, std::size_t size) const override;

  // Decodes if not done yet; throws a decoding error once (EJPEG).
  void decode();
  void prepare() override { decode(); }
  void draw(QPainter& painter, const QRect& target) noexcept override;

  // The decoded bitmap (decoding first, which may throw once). Null when
  // decoding failed before the output size was known.
  const QImage& bitmap();

  // Decodes the file into the planes a video encoder takes (the file's own
  // Y/Cb/Cr samples in the video's range; see jpeg::DecodeVideoPlanes)
  // instead of a bitmap, when its colours allow; otherwise decodes the bitmap
  // (decode()). Throws a decoding error, the planes then holding the rows
  // decoded before it; a later call does not throw it again. The bitmap is
  // still made at its first need (and reports the error on its own). Thread: the picture's one
  // thread (the decode-ahead worker).
  void decodeVideoPlanes();
  // Decodes the bitmap (decode(), throwing what it throws) and, when it
  // decoded whole with the default colour settings, the planes as well: the
  // screen shows the bitmap while a recording takes the planes, so the video
  // is not made from the bitmap's RGB a second time. Planes that cannot be
  // made (unsupported colours, damage) are left out without an error; a
  // recording then takes the bitmap. Thread: the picture's one thread.
  void decodeWithVideoPlanes();
  // The planes made by decodeVideoPlanes() or decodeWithVideoPlanes(); null
  // when they made none.
  const std::shared_ptr<const VideoPlanes>& videoPlanes() const { return planes_; }
  // Gives a recording `planes` in place of the decoded ones: the same picture
  // with something drawn over it (a time stamp). The bitmap stays as decoded.
  void setVideoPlanes(std::shared_ptr<const VideoPlanes> planes) { planes_ = std::move(planes); }

  // After decoding: libjpeg's warning when the scan data was cut short or
  // corrupt ("Premature end of JPEG file"), the bitmap then holding libjpeg's
  // padding where pixels are missing. Empty when whole or not yet decoded.
  const std::string& damage() const { return damage_; }

  // From the header.
  bool grayscale() const { return header_.grayscale; }
  bool progressive() const { return header_.progressive; }
  std::shared_ptr<const std::vector<std::uint8_t>> data() const { return data_; }

  // Decoding settings; changing one drops the decoded bitmap.
  TJPEGPixelFormat pixelFormat() const { return pixelFormat_; }
  void setPixelFormat(TJPEGPixelFormat format) { changeSetting(pixelFormat_, format); }
  void setGrayscaleOutput(bool gray) { changeSetting(grayscaleOutput_, gray); }
  void setPerformance(TJPEGPerformance performance) { changeSetting(performance_, performance); }

  // The screen's bits per pixel, read once from the primary screen at first
  // use (24 when there is none). Tests set it before creating images.
  static int screenBitsPerPixel();
  static void setScreenBitsPerPixel(int bitsPerPixel);

 private:
  void dropBitmap();
  void decodeIfNeeded() noexcept;
  template <typename T>
  void changeSetting(T& setting, T value) {
    if (value == setting) return;
    setting = value;
    dropBitmap();
    changed();
  }

  struct Header {
    int width = 0;
    int height = 0;
    bool grayscale = false;
    bool progressive = false;
  };

  std::shared_ptr<const std::vector<std::uint8_t>> data_;
  Header header_;
  QImage bitmap_;
  std::shared_ptr<const VideoPlanes> planes_;
  bool decoded_ = false;
  int pendingError_ = 0;  // libjpeg code not yet reported by decode()
  std::string damage_;

  TJPEGPixelFormat pixelFormat_;
  TJPEGPerformance performance_ = TJPEGPerformance::jpBestQuality;
  bool grayscaleOutput_ = false;
};

// For a recording: throws EJPEG with the JPEG's damage() when `graphic` (may
// be null) decoded from scan data cut short or corrupt. Such a picture draws
// with libjpeg's padding where pixels are missing; on screen that is the
// snapshot as far as it goes, in a video it would pass for what the camera
// saw. Whole pictures, other graphics and null pass.
void RequireWholeScan(const TGraphic* graphic);

}  // namespace vistrel
