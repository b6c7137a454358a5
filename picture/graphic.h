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

#include <sys/stat.h>

#include <cstddef>
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
  // How far a file of this format is worth reading, judged from its head
  // (see ReadPictureFile() below).
  virtual std::size_t FileBytesNeeded(const std::uint8_t* /*head*/, std::size_t /*size*/) const;

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

// Bounded reading of picture files. A file named like a snapshot may be
// anything (gigabytes of junk, a FIFO), so it is never read whole before
// anything looks at it: first its head, then only as far as its format,
// judging from the head, says a picture can reach.

// The head: far more than any picture's headers take.
inline constexpr std::size_t kPictureHeadBytes = std::size_t{16} << 20;
// The most any picture file is read to (a format that knows better says
// less): 4 bytes for each of the largest picture's pixels, after its head.
extern const std::size_t kMaxPictureFileBytes;

// How far a file is worth reading, given its head (data, size).
using PictureBytesNeeded = std::function<std::size_t(const std::uint8_t*, std::size_t)>;

// Opens a regular file for reading without waiting on it (a FIFO or device
// in its place would block or never end) and fills `info`. Returns the
// descriptor, or -1 (errno set; ENODEV for what is no regular file).
int OpenPictureFile(const std::string& hostPath, struct stat* info);

// Reads the file open at `fd`, of `info`, from its start into `bytes`
// (replacing what it held): the head, then up to needed(head) bytes in
// all; an empty `needed` stands for kMaxPictureFileBytes. Returns 0, or
// the errno of a failed read.
int ReadPictureBytes(int fd, const struct stat& info, std::vector<std::uint8_t>& bytes,
                     const PictureBytesNeeded& needed);

// Opens and reads a picture file as above. Throws EFOpenError "Cannot open
// file %s" with `shownPath` when it cannot be opened or read, or is no
// regular file.
std::vector<std::uint8_t> ReadPictureFile(const std::string& hostPath, const std::string& shownPath,
                                          const PictureBytesNeeded& needed);

}  // namespace vistrel
