#include "picture/jpeg_image.h"

#include <atomic>
#include <new>

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "picture/errors.h"
#include "picture/jpeg_codec.h"

namespace vistrel {
namespace {

std::atomic<int> gScreenBitsPerPixel{0};  // 0: not read yet

const std::shared_ptr<const std::vector<std::uint8_t>>& NoBytes() {
  static const auto none = std::make_shared<const std::vector<std::uint8_t>>();
  return none;
}

EJPEG JpegError(int code) { return EJPEG("JPEG error #" + std::to_string(code)); }

}  // namespace

int TJPEGImage::screenBitsPerPixel() {
  int bits = gScreenBitsPerPixel.load();
  if (bits == 0) {
    // A program without a window (the batch exporter) runs a plain
    // QCoreApplication: it has no screen, and qGuiApp would be a bad cast.
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    QScreen* screen = gui ? QGuiApplication::primaryScreen() : nullptr;
    bits = screen != nullptr && screen->depth() > 0 ? screen->depth() : 24;
    gScreenBitsPerPixel.store(bits);
  }
  return bits;
}

void TJPEGImage::setScreenBitsPerPixel(int bitsPerPixel) {
  gScreenBitsPerPixel.store(bitsPerPixel);
}

TJPEGImage::TJPEGImage()
    : data_(NoBytes()),
      pixelFormat_(screenBitsPerPixel() <= 8 ? TJPEGPixelFormat::jf8Bit
                                             : TJPEGPixelFormat::jf24Bit) {}

int TJPEGImage::width() const { return bitmap_.isNull() ? header_.width : bitmap_.width(); }
int TJPEGImage::height() const { return bitmap_.isNull() ? header_.height : bitmap_.height(); }

void TJPEGImage::loadFromBytes(std::vector<std::uint8_t> bytes) {
  data_ = NoBytes();
  header_ = {};
  dropBitmap();
  auto shared = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
  if (!shared->empty()) {
    jpeg::HeaderInfo info;
    if (const int code = jpeg::ReadHeader(shared->data(), shared->size(), &info)) {
      throw JpegError(code);
    }
    if (std::int64_t{info.width} * info.height > jpeg::kMaxPicturePixels) {
      throw EJPEG("Picture too large: " + std::to_string(info.width) + " x " +
                  std::to_string(info.height) + " pixels (at most " +
                  std::to_string(jpeg::kMaxPicturePixels) + " pixels)");
    }
    header_ = {info.width, info.height, info.grayscale, info.progressive};
  }
  data_ = std::move(shared);
  changed();
}

std::size_t TJPEGImage::FileBytesNeeded(const std::uint8_t* head, std::size_t size) const {
  return jpeg::FileBytesNeeded(head, size);
}

void TJPEGImage::loadFromMemory(const std::uint8_t* data, std::size_t size) {
  loadFromBytes(std::vector<std::uint8_t>(data, data + size));
}

void TJPEGImage::dropBitmap() {
  bitmap_ = QImage();
  planes_.reset();
  decoded_ = false;
  pendingError_ = 0;
  damage_.clear();
}

void TJPEGImage::decodeIfNeeded() noexcept {
  if (decoded_) return;
  decoded_ = true;
  jpeg::DecodeOptions options;
  options.grayscale = grayscaleOutput_;
  options.eightBit = pixelFormat_ == TJPEGPixelFormat::jf8Bit;
  options.fastest = performance_ == TJPEGPerformance::jpBestSpeed;
  // An empty image still goes through libjpeg, which names the fault.
  try {
    jpeg::DecodeResult result = jpeg::Decode(data_->data(), data_->size(), options);
    bitmap_ = std::move(result.bitmap);
    pendingError_ = result.errorCode;
    damage_ = std::move(result.damage);
  } catch (const std::bad_alloc&) {
    bitmap_ = QImage();
    pendingError_ = jpeg::OutOfMemoryCode();
  }
}

void TJPEGImage::decode() {
  decodeIfNeeded();
  if (pendingError_ != 0) {
    const int code = pendingError_;
    pendingError_ = 0;
    throw JpegError(code);
  }
}

void TJPEGImage::decodeVideoPlanes() {
  if (planes_) return;
  if (decoded_) {
    decode();  // reports an error not reported yet
    return;
  }
  jpeg::PlanesResult result;
  try {
    result = jpeg::DecodeVideoPlanes(data_->data(), data_->size());
  } catch (const std::bad_alloc&) {
    result.errorCode = jpeg::OutOfMemoryCode();
  }
  if (result.unsupported) {
    decode();
    return;
  }
  planes_ = std::move(result.planes);
  damage_ = std::move(result.damage);
  if (result.errorCode != 0) throw JpegError(result.errorCode);
}

void TJPEGImage::decodeWithVideoPlanes() {
  decode();
  // Planes beside a bitmap that lacks rows, or shows gray or a reduced
  // palette, would make a video that differs from what is shown.
  if (planes_ || bitmap_.isNull() || !damage_.empty() || grayscaleOutput_ ||
      pixelFormat_ != TJPEGPixelFormat::jf24Bit)
    return;
  jpeg::PlanesResult result;
  try {
    result = jpeg::DecodeVideoPlanes(data_->data(), data_->size());
  } catch (const std::bad_alloc&) {
    return;
  }
  if (result.errorCode == 0 && result.damage.empty()) planes_ = std::move(result.planes);
}

const QImage& TJPEGImage::bitmap() {
  decode();
  return bitmap_;
}

void TJPEGImage::draw(QPainter& painter, const QRect& target) noexcept {
  decodeIfNeeded();
  if (bitmap_.isNull()) return;
  const int screenBits = screenBitsPerPixel();
  const bool halftone = screenBits <= 8 && screenBits < bitmap_.depth();
  painter.save();
  // Colour-on-colour stretching drops or repeats rows and columns; halftone
  // averages them.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, halftone);
  painter.drawImage(target, bitmap_);
  painter.restore();
}

void RequireWholeScan(const TGraphic* graphic) {
  const auto* jpeg = dynamic_cast<const TJPEGImage*>(graphic);
  if (jpeg != nullptr && !jpeg->damage().empty()) throw EJPEG(jpeg->damage());
}

}  // namespace vistrel
