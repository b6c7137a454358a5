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
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(graphic)) {
    try {
      return jpeg->bitmap();
    } catch (...) {
      if (!failure) failure = std::current_exception();
      return {};
    }
  }
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

bool TVLImageGen::readProperty(const std::string& name, const layout::Value& value,
                               layout::ReadContext& context) {
  if (name != "Picture.Data") return TVLCommonGen::readProperty(name, value, context);
  const auto* data = std::get_if<layout::Value::Binary>(&value.data);
  if (!data) throw Exception("Invalid value for property " + name);
  ReadPictureData(picture_, data->bytes);
  return true;
}

std::vector<layout::Property> TVLImageGen::storedProperties() const {
  std::vector<layout::Property> out = TVLCommonGen::storedProperties();
  std::vector<std::uint8_t> data = WritePictureData(picture_);
  if (!data.empty()) {
    out.push_back(layout::makeProperty("Picture.Data", layout::Value::Binary{std::move(data)}));
  }
  return out;
}

void RegisterImageGenClass() {
  layout::registerClass("TVLImageGen", [](layout::Component& owner) {
    return std::unique_ptr<layout::Component>(std::make_unique<TVLImageGen>(&owner));
  });
}

}  // namespace vistrel
