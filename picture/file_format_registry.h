// The format registry (file extension → graphic class) and the registered
// graphic classes (class name → graphic), both created on first use with
// the built-in formats: "wmf", "emf", "ico", "bmp", then the JPEG entries
// "jpeg" and "jpg".
//
// Thread: GUI thread only; the registries live to the end of the program.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "picture/graphic.h"

namespace vistrel {

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TFileFormat {
  std::string extension;  // lower case, no dot
  std::string description;
  std::string className;
  TGraphicFactory create;
};

class TFileFormatsList {
 public:
  static TFileFormatsList& instance();

  // The entry for `extension` (any case, no dot): compared in lower case,
  // exactly, from the last entry back. Null when none matches.
  const TFileFormat* find(const std::string& extension) const;
  // The registered class of that exact name (a class registers with its
  // entries), from the last registered back. Null when none matches.
  const TGraphicFactory* findClass(const std::string& className) const;

  const std::vector<TFileFormat>& entries() const { return entries_; }

 private:
  TFileFormatsList();

  std::vector<TFileFormat> entries_;
};

}  // namespace vistrel
