#include "pipeline/gen_picture.h"

#include <QImageReader>
#include <QString>

#include "platform/exception.h"

namespace vistrel {

void TVLGenPicture::LoadFromFile(const std::string& path) {
  QImageReader reader(QString::fromStdString(path));
  QImage image = reader.read();
  if (image.isNull()) throw Exception("Cannot open file " + path);
  Assign(image);
}

void TVLGenPicture::Assign(const QImage& image) {
  image_ = image;
  if (onChange) onChange();
}

QImage RenderPicture(const TVLGenPicture& picture) {
  if (picture.Empty()) return QImage();
  return picture.Image();
}

}  // namespace vistrel
