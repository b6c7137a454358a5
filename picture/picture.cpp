#include "picture/picture.h"

#include "picture/errors.h"
#include "picture/file_format_registry.h"

namespace vistrel {

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  if (graphic_) graphic_->setOnChange([this] { changed(); });
  changed();
}

void TPicture::Assign(const TPicture& source) {
  if (&source == this) return;
  SetGraphic(source.graphic_ ? source.graphic_->clone() : nullptr);
}

void TPicture::prepare() {
  if (graphic_) graphic_->prepare();
}

void TPicture::draw(QPainter& painter, const QRect& target) noexcept {
  if (graphic_) graphic_->draw(painter, target);
}

void TPicture::LoadFromFile(const std::string& hostPath, const std::string& shownPath) {
  LoadPictureFile(*this, hostPath, shownPath);
}

void TPicture::changed() const {
  if (onChange_) onChange_();
}

std::string PictureFileExtension(const std::string& path) {
  const std::size_t nameStart = path.find_last_of("/\\");
  const std::string name = nameStart == std::string::npos ? path : path.substr(nameStart + 1);
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

void LoadPictureFile(TPicture& picture, const std::string& hostPath, const std::string& shownPath) {
  // The new graphic is built completely before it replaces the old one, so
  // a failure leaves the picture as it was.
  picture.SetGraphic(LoadGraphicFile(hostPath, shownPath));
}

std::unique_ptr<TGraphic> LoadGraphicFile(const std::string& hostPath,
                                          const std::string& shownPath) {
  const std::string& shown = shownPath.empty() ? hostPath : shownPath;
  const std::string extension = PictureFileExtension(shown);
  const TFileFormat* format = TFileFormatsList::instance().find(extension);
  if (format == nullptr) {
    throw EInvalidGraphic("Unknown picture file extension (." + extension + ")");
  }
  std::unique_ptr<TGraphic> graphic = format->create();
  const TGraphic& reader = *graphic;
  graphic->loadFromBytes(
      ReadPictureFile(hostPath, shown, [&reader](const std::uint8_t* head, std::size_t size) {
        return reader.FileBytesNeeded(head, size);
      }));
  return graphic;
}

}  // namespace vistrel
