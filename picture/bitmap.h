// The non-JPEG graphics of the format registry. The viewer only ever loads
// "*.jpg" files; these exist so that every registered extension behaves
// sensibly: bitmaps and icons load through Qt's image readers, metafiles are
// refused with a clear error.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QImage>

#include "picture/graphic.h"

namespace vistrel {

// A raster graphic held as a QImage; loads the format named at construction
// ("BMP", "ICO").
class TRasterGraphic : public TGraphic {
 public:
  int width() const override { return image_.width(); }
  int height() const override { return image_.height(); }
  bool empty() const override { return image_.isNull(); }
  void loadFromBytes(std::vector<std::uint8_t> bytes) override;
  // The bytes loaded, or the image made in memory as a file of the format.
  std::vector<std::uint8_t> saveToBytes() const override;
  // Nearest-neighbour stretch. Never throws.
  void draw(QPainter& painter, const QRect& target) noexcept override;
  const QImage& image() const { return image_; }
  // Holds `image`, made in memory (a frame with a time stamp drawn on it),
  // and raises the change.
  void setImage(QImage image);

 protected:
  TRasterGraphic(const char* format, const char* invalidMessage)
      : format_(format), invalidMessage_(invalidMessage) {}

 private:
  const char* format_;
  const char* invalidMessage_;
  std::vector<std::uint8_t> bytes_;
  QImage image_;
};

class TBitmap : public TRasterGraphic {
 public:
  TBitmap() : TRasterGraphic("BMP", "Bitmap image is not valid") {}
  const char* className() const override { return "TBitmap"; }
  std::unique_ptr<TGraphic> clone() const override { return std::make_unique<TBitmap>(*this); }
};

class TIcon : public TRasterGraphic {
 public:
  TIcon() : TRasterGraphic("ICO", "Icon image is not valid") {}
  const char* className() const override { return "TIcon"; }
  std::unique_ptr<TGraphic> clone() const override { return std::make_unique<TIcon>(*this); }
};

// Windows metafiles have no reader on this platform: loading one fails with
// EInvalidGraphic "Metafiles are not supported"; an unloaded one is empty.
class TMetafile : public TGraphic {
 public:
  const char* className() const override { return "TMetafile"; }
  std::unique_ptr<TGraphic> clone() const override { return std::make_unique<TMetafile>(); }
  int width() const override { return 0; }
  int height() const override { return 0; }
  bool empty() const override { return true; }
  void loadFromBytes(std::vector<std::uint8_t> bytes) override;
  std::vector<std::uint8_t> saveToBytes() const override { return {}; }
  void draw(QPainter&, const QRect&) noexcept override {}
};

}  // namespace vistrel
