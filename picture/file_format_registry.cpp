#include "picture/file_format_registry.h"

#include "picture/bitmap.h"
#include "picture/jpeg_image.h"

namespace vistrel {

template <class Graphic>
static std::unique_ptr<TGraphic> Make() {
  return std::make_unique<Graphic>();
}

TFileFormatsList::TFileFormatsList()
    : entries_{{"wmf", "Metafiles", "TMetafile", &Make<TMetafile>},
               {"emf", "Enhanced Metafiles", "TMetafile", &Make<TMetafile>},
               {"ico", "Icons", "TIcon", &Make<TIcon>},
               {"bmp", "Bitmaps", "TBitmap", &Make<TBitmap>},
               // The JPEG support registers itself after the built-in formats.
               {"jpeg", "JPEG Image File", "TJPEGImage", &Make<TJPEGImage>},
               {"jpg", "JPEG Image File", "TJPEGImage", &Make<TJPEGImage>}} {}

TFileFormatsList& TFileFormatsList::instance() {
  static TFileFormatsList list;
  return list;
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
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (it->className == className) return &it->create;
  }
  return nullptr;
}

}  // namespace vistrel
