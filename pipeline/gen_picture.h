// The picture an image generator holds, and the one conversion the generator
// needs from it: render it into a bitmap of its own size.
#pragma once

#include <functional>
#include <string>

#include <QImage>

namespace vistrel {

// A picture loaded from a file. Every change runs onChange.
class TVLGenPicture {
 public:
  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }
  bool Empty() const { return image_.isNull(); }
  // Throws vistrel::Exception when the file cannot be read as a picture; the
  // previous picture is kept then.
  void LoadFromFile(const std::string& path);
  void Assign(const QImage& image);
  void Assign(const TVLGenPicture& other) { Assign(other.image_); }
  const QImage& Image() const { return image_; }

  std::function<void()> onChange;

 private:
  QImage image_;
};

// The picture drawn at (0, 0) on a bitmap of the picture's size; a null image
// for an empty picture.
QImage RenderPicture(const TVLGenPicture& picture);

}  // namespace vistrel
