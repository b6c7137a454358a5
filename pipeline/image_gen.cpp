#include "pipeline/image_gen.h"

#include <exception>

#include <QPainter>

#include "picture/bitmap.h"
#include "picture/jpeg_image.h"
#include "picture/picture_data.h"
#include "platform/exception.h"
#include "platform/layout/class_registry.h"
#include "platform/layout/value.h"

namespace vistrel {

namespace {

// The picture drawn at (0, 0) on a bitmap of its own size (null when the
// picture is empty). Raster graphics hand over their image as it is, so no
// pixel is copied here. A decoding error lands in `failure`; the bitmap then
// holds what could be decoded.
QImage RenderPicture(TPicture& picture, std::exception_ptr& failure) {
  if (picture.empty()) return {};
  try {
    picture.prepare();
  } catch (...) {
    failure = std::current_exception();
  }
  TGraphic* graphic = picture.Graphic();
  // Prepared: a JPEG has no decoding error left to throw here.
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(graphic)) return jpeg->bitmap();
  if (auto* raster = dynamic_cast<TRasterGraphic*>(graphic)) return raster->image();
  QImage bitmap(picture.width(), picture.height(), QImage::Format_RGB32);
  bitmap.fill(Qt::black);
  QPainter painter(&bitmap);
  picture.draw(painter, bitmap.rect());
  return bitmap;
}

}  // namespace

TVLImageGen::TVLImageGen(layout::Component*) {
  picture_.setOnChange([this] { PictureChanged(); });
}

TVLImageGen::~TVLImageGen() {
  BeforeDestruction();
  picture_.setOnChange(nullptr);
}

void TVLImageGen::SetPicture(const TPicture& picture) {
  TOWWriteLockSection lock(LockObject());
  picture_.Assign(picture);
}

void TVLImageGen::PictureChanged() {
  // A snapshot decoded into video planes goes on as it is: its decoding
  // error, if any, was reported when it was decoded.
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(picture_.Graphic()); jpeg && jpeg->videoPlanes()) {
    workBitmap_ = QImage();
    internalBuffer_.SetSize(picture_.width(), picture_.height());
    internalBuffer_.LoadFromPlanesLater(jpeg->videoPlanes());
    return;
  }
  std::exception_ptr failure;
  workBitmap_ = RenderPicture(picture_, failure);
  internalBuffer_.SetSize(picture_.width(), picture_.height());
  if (!workBitmap_.isNull()) {
    internalBuffer_.LoadFromBitmapLater(workBitmap_);  // converted where the frame is used
  } else {
    internalBuffer_.Clear();  // nothing decodable: black, never stale memory
  }
  if (failure) std::rethrow_exception(failure);
}

TVLSize& TVLImageGen::GetFrameSize() {
  TVLSize& size = TVLCommonGen::GetFrameSize();
  size.SetWidth(picture_.width());
  size.SetHeight(picture_.height());
  return size;
}

void TVLImageGen::ProduceData(TVLImageBuffer& frame, bool& send, bool& stop) {
  frame.Assign(internalBuffer_);
}

const layout::PropertyTable& TVLImageGen::propertyTable() const {
  static const layout::PropertyTable table(
      {&TVLCommonGen::propertyTable()},
      {layout::Stored<TVLImageGen>::property(
           "Picture.Data",
           [](const TVLImageGen& gen) {
             return layout::Value::Binary{WritePictureData(gen.picture_)};
           },
           [](TVLImageGen& gen, const layout::Value::Binary& data) {
             ReadPictureData(gen.picture_, data.bytes);
           })
           .orDefault(layout::Value::Binary{})});
  return table;
}

void RegisterImageGenClass() {
  layout::registerClass("TVLImageGen", [](layout::Component& owner) {
    return std::unique_ptr<layout::Component>(std::make_unique<TVLImageGen>(&owner));
  });
}

}  // namespace vistrel
