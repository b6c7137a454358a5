#include "picture/file_format_registry.h"

#include <algorithm>

#include "picture/bitmap.h"
#include "picture/jpeg_image.h"

namespace vistrel {

template <class Graphic>
static std::unique_ptr<TGraphic> Make() {
  return std::make_unique<Graphic>();
}

TFileFormatsList::TFileFormatsList() {
  add("wmf", "Metafiles", "TMetafile", &Make<TMetafile>);
  add("emf", "Enhanced Metafiles", "TMetafile", &Make<TMetafile>);
  add("ico", "Icons", "TIcon", &Make<TIcon>);
  add("bmp", "Bitmaps", "TBitmap", &Make<TBitmap>);
  // The JPEG support registers itself after the built-in formats.
  add("jpeg", "JPEG Image File", "TJPEGImage", &Make<TJPEGImage>);
  add("jpg", "JPEG Image File", "TJPEGImage", &Make<TJPEGImage>);
}

TFileFormatsList& TFileFormatsList::instance() {
  static TFileFormatsList list;
  return list;
}

void TFileFormatsList::add(std::string extension, std::string description, std::string className,
                           TGraphicFactory create) {
  const bool known = std::any_of(classes_.begin(), classes_.end(),
                                 [&](const RegisteredClass& c) { return c.name == className; });
  if (!known) classes_.push_back({className, create});
  entries_.push_back(
      {std::move(extension), std::move(description), std::move(className), std::move(create)});
}

static std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

const TFileFormat* TFileFormatsList::find(const std::string& extension) const {
  const std::string wanted = AsciiLower(extension);
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (it->extension == wanted) return &*it;
  }
  return nullptr;
}

const TGraphicFactory* TFileFormatsList::findClass(const std::string& className) const {
  for (auto it = classes_.rbegin(); it != classes_.rend(); ++it) {
    if (it->name == className) return &it->create;
  }
  return nullptr;
}

}  // namespace vistrel
