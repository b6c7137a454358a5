#include "picture/bitmap.h"

#include <QBuffer>
#include <QByteArray>
#include <QPainter>

#include "picture/errors.h"

namespace vistrel {

void TRasterGraphic::loadFromBytes(std::vector<std::uint8_t> bytes) {
  QImage image;
  if (!image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), format_)) {
    throw EInvalidGraphic(invalidMessage_);
  }
  image_ = std::move(image);
  bytes_ = std::move(bytes);
  changed();
}

std::vector<std::uint8_t> TRasterGraphic::saveToBytes() const {
  if (!bytes_.empty() || image_.isNull()) return bytes_;
  QByteArray encoded;
  QBuffer buffer(&encoded);
  buffer.open(QIODevice::WriteOnly);
  image_.save(&buffer, format_);
  return std::vector<std::uint8_t>(encoded.begin(), encoded.end());
}

void TRasterGraphic::setImage(QImage image) {
  image_ = std::move(image);
  bytes_.clear();
  changed();
}

void TRasterGraphic::draw(QPainter& painter, const QRect& target) noexcept {
  if (image_.isNull()) return;
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(target, image_);
  painter.restore();
}

void TMetafile::loadFromBytes(std::vector<std::uint8_t>) {
  throw EInvalidGraphic("Metafiles are not supported");
}

}  // namespace vistrel
