#include "app/widgets/image.h"

#include <QPainter>

#include "app/widgets/accessibility.h"
#include "picture/errors.h"
#include "picture/picture_data.h"
#include "platform/file_system.h"

namespace vistrel::app {

TImage::TImage(QWidget* parent) : QWidget(parent), EventControl(this) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  picture_.setOnChange([this] { update(); });
  installAccessibleInterfaces();
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

const controls::PropertyTable& TImage::propertyTable() const {
  using P = controls::Stored<TImage>;
  static const controls::PropertyTable table(
      {&controlPropertyTable()},
      {
          P::property(
              "Picture.Data",
              [](const TImage& c) { return layout::Value::Binary{WritePictureData(c.picture_)}; },
              [](TImage& c, const layout::Value& data, layout::ReadContext&) {
                ReadPictureData(c.picture_, data.asBinary().bytes);
              }),
          P::field("Stretch", &TImage::stretch_),
      });
  return table;
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
