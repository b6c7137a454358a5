// The base of every displayable graphic a picture container can hold.
//
// Thread: a graphic belongs to the thread that created it (the GUI thread for
// the window's pictures); nothing here locks.
//
// Drawing contract: painting happens inside Qt's paint events, where no
// exception may escape. So the work that can fail (decoding a JPEG) is done
// by prepare(), which the widget layer calls outside the paint event, in a
// handler that reports errors; prepare() raises a graphic's error at most
// once. draw() never throws: it paints whatever the graphic has (preparing
// silently if nobody did, keeping the error for the next prepare()).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QRect>

class QPainter;

namespace vistrel {

class TGraphic {
 public:
  TGraphic() = default;
  virtual ~TGraphic() = default;
  TGraphic& operator=(const TGraphic&) = delete;

  // The registered class name ("TJPEGImage", "TBitmap", ...), used to store
  // and restore a picture by class.
  virtual const char* className() const = 0;
  // A graphic of the same class sharing or copying this one's content; the
  // copy has no change handler (see the copy constructor).
  virtual std::unique_ptr<TGraphic> clone() const = 0;

  // Size in pixels (0 × 0 when empty).
  virtual int width() const = 0;
  virtual int height() const = 0;
  virtual bool empty() const = 0;

  // Replaces the content with the file's bytes. Throws the graphic's load
  // error (EJPEG, EInvalidGraphic) and then keeps no partial content worth
  // showing; the container discards a graphic whose load failed.
  virtual void loadFromBytes(std::vector<std::uint8_t> bytes) = 0;
  // The bytes that loadFromBytes() would read back into an equal graphic.
  virtual std::vector<std::uint8_t> saveToBytes() const = 0;

  // Does any work drawing needs that can fail; throws such an error once.
  virtual void prepare() {}
  // Paints the graphic stretched over `target`. Never throws.
  virtual void draw(QPainter& painter, const QRect& target) noexcept = 0;

  // The single change handler (the owning container). Called after the
  // content changed, on the graphic's thread.
  void setOnChange(std::function<void()> handler) { onChange_ = std::move(handler); }

 protected:
  // Copies the content only: the handler belongs to the original's owner.
  TGraphic(const TGraphic&) {}
  void changed() const;

 private:
  std::function<void()> onChange_;
};

// Reads a whole file into memory. Throws EFOpenError "Cannot open file %s"
// with `shownPath` when it cannot be opened or read to its end.
std::vector<std::uint8_t> ReadWholeFile(const std::string& hostPath, const std::string& shownPath);

}  // namespace vistrel
