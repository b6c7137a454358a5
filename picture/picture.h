// The picture container: owns at most one graphic and passes its changes on
// to its owner (the picture control repaints, the generator re-reads it).
//
// Thread: the thread that owns the container (the GUI thread).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "picture/graphic.h"

namespace vistrel {

class TPicture {
 public:
  TPicture() = default;
  ~TPicture() = default;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  // The graphic, or null when the picture is empty. Owned by the picture.
  TGraphic* Graphic() const { return graphic_.get(); }
  // Takes ownership of `graphic` (may be null), frees the previous one and
  // raises the change.
  void SetGraphic(std::unique_ptr<TGraphic> graphic);
  // Holds a copy of `source`'s graphic (a JPEG copy shares the bytes).
  void Assign(const TPicture& source);

  int width() const { return graphic_ ? graphic_->width() : 0; }
  int height() const { return graphic_ ? graphic_->height() : 0; }
  bool empty() const { return !graphic_ || graphic_->empty(); }

  // Forwards to the graphic; see TGraphic for the prepare/draw contract.
  // Call prepare() before painting even when empty(): an empty JPEG file
  // reports its error there.
  void prepare();
  void draw(QPainter& painter, const QRect& target) noexcept;

  // The owner's change handler, called after the graphic was replaced or
  // changed itself.
  void setOnChange(std::function<void()> handler) { onChange_ = std::move(handler); }

  // Loads a file into the picture; see LoadPictureFile.
  void LoadFromFile(const std::string& hostPath, const std::string& shownPath = {});

 private:
  void changed() const;

  std::unique_ptr<TGraphic> graphic_;
  std::function<void()> onChange_;
};

// Loads the file at `hostPath` into `picture`, choosing the graphic class by
// the file's extension. On failure throws, and the picture keeps its
// previous graphic:
//   EInvalidGraphic "Unknown picture file extension (.%s)",
//   EFOpenError "Cannot open file %s",
//   EJPEG "JPEG error #%d" (header unreadable), or the graphic's own error.
// Messages name `shownPath` (the path as the user knows it, e.g. the Windows
// form) or `hostPath` when it is empty.
void LoadPictureFile(TPicture& picture, const std::string& hostPath,
                     const std::string& shownPath = {});

// The graphic that LoadPictureFile would put into a picture, with the same
// errors. Reentrant: any thread may load a file this way.
std::unique_ptr<TGraphic> LoadGraphicFile(const std::string& hostPath,
                                          const std::string& shownPath = {});

// The extension of a path's file name as written, without the dot; empty
// when the file name has no dot. Accepts "/" and "\" separators.
std::string PictureFileExtension(const std::string& path);

}  // namespace vistrel
