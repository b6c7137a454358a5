#include "app/controls/image.h"

#include <QPainter>

#include "picture/picture_data.h"
#include "picture/picture_errors.h"
#include "platform/file_system.h"

namespace vistrel::app {

TImage::TImage(QWidget* parent) : QWidget(parent), Control(this) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  picture_.setOnChange([this] { update(); });
}

void TImage::loadFromFile(const std::string& path, bool keepPreviousOnDamage) {
  std::optional<std::filesystem::path> host = platform::FileSystem::instance().toHost(path);
  if (!host) throw EFOpenError("Cannot open file " + path);
  if (!keepPreviousOnDamage) {
    picture_.LoadFromFile(host->string(), path);
    picture_.prepare();
    return;
  }
  // Decoded aside first; the copy shares the bytes and the decoded bitmap.
  TPicture loaded;
  loaded.LoadFromFile(host->string(), path);
  loaded.prepare();
  picture_.Assign(loaded);
}

bool TImage::applyProperty(const std::string& name, const layout::Value& value,
                           layout::ReadContext& context) {
  if (name == "Picture.Data") {
    const auto& bytes = value.asBinary().bytes;
    ReadPictureData(picture_, bytes);
  } else if (name == "Stretch") {
    stretch_ = value.asBoolean();
  } else {
    return Control::applyProperty(name, value, context);
  }
  return true;
}

layout::Value TImage::propertyValue(const std::string& name) const {
  if (name == "Picture.Data") return layout::Value::Binary{WritePictureData(picture_)};
  if (name == "Stretch") return stretch_;
  return Control::propertyValue(name);
}

void TImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  if (stretch_) {
    picture_.draw(painter, rect());
  } else {
    picture_.draw(painter, QRect(0, 0, picture_.width(), picture_.height()));
  }
}

}  // namespace vistrel::app
