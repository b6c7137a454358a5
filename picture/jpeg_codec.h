// The one boundary between our code and libjpeg's classic API.
//
// libjpeg reports fatal errors by calling error_exit(), which by default ends
// the process. Here error_exit() longjmp()s back into a small C-style function
// that owns exactly one libjpeg call sequence and holds no object with a
// destructor; that function returns libjpeg's message code and the C++ caller
// turns it into an exception. No exception ever crosses libjpeg's C frames.
// Trace messages and most warnings are dropped; the first warning that says
// the scan data is cut short or corrupt is kept as text (DecodeResult::damage).
//
// Thread: every function is reentrant; each call uses its own libjpeg state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QImage>

#include "picture/video_planes.h"

namespace vistrel::jpeg {

// The largest picture we decode: 64 megapixels (8192 x 8192, or 10328 x 6496
// in 3:2). Cameras, surveillance ones included, stay well below it (8K
// video is 33 megapixels); a header that claims more is damaged or hostile,
// and decoding it would mean a bitmap of hundreds of megabytes.
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 26;

// How far a JPEG file is worth reading, judged from its first `size`
// bytes (at least kPictureHeadBytes of it, see graphic.h): past its headers,
// as many bytes as the scans of a picture of the header's size can fill,
// kScanBytesPerPixel for each pixel (more than twice its uncompressed
// RGB, which no real scan reaches; a shorter bound would cut a valid file,
// which then reads as damaged). When the header cannot be read or claims
// more than kMaxPicturePixels, the head alone: the loader stops there.
inline constexpr std::size_t kScanBytesPerPixel = 8;
std::size_t FileBytesNeeded(const std::uint8_t* head, std::size_t size) noexcept;

struct HeaderInfo {
  int width = 0;
  int height = 0;
  bool grayscale = false;
  bool progressive = false;  // more than one scan
};

// Reads the header. Returns 0, or libjpeg's message code of the fatal error.
int ReadHeader(const std::uint8_t* data, std::size_t size, HeaderInfo* header) noexcept;

struct DecodeOptions {
  bool grayscale = false;  // ask libjpeg for gray output
  bool eightBit = false;   // quantize to 236 colours into an 8-bit bitmap
  bool fastest = false;    // integer IDCT, one-pass quantizing, ordered dither
  // 1, 2, 4 or 8: libjpeg scales the picture down by this while decoding,
  // with a smaller inverse DCT per block (1/8 takes the DC value alone), so
  // a thumbnail costs a fraction of a full decode. The output size is the
  // picture's divided by it, rounded up.
  int scaleDenom = 1;
};

struct DecodeResult {
  // Format_RGB888, or Format_Indexed8 with libjpeg's colour map when the
  // options ask for 8 bits or the output is gray. After a fatal error it
  // holds the rows decoded before it; it is null when the error came before
  // the output size was known.
  QImage bitmap;
  int errorCode = 0;  // 0, or libjpeg's message code
  // libjpeg's own text of the first warning that the scan data is cut short
  // or corrupt ("Premature end of JPEG file"); empty when it was whole.
  // libjpeg decodes on regardless, padding what is missing (flat grey), so
  // such a picture is no error: each caller decides what damage means to it.
  std::string damage;
};

DecodeResult Decode(const std::uint8_t* data, std::size_t size, const DecodeOptions& options);

struct PlanesResult {
  // The picture in the video's planes and range. Null when the file's
  // colours are neither Y/Cb/Cr nor gray (CMYK, RGB: `unsupported`), or
  // when a fatal error came before the output size was known. After a
  // fatal error later on it holds the rows decoded before it, the rest black.
  std::shared_ptr<VideoPlanes> planes;
  bool unsupported = false;  // decode a bitmap instead
  int errorCode = 0;         // 0, or libjpeg's message code
  std::string damage;        // as DecodeResult::damage
};

// Decodes the file's own Y/Cb/Cr (or gray) samples, without going through
// RGB: only the range changes (full to video range, rounded as libswscale
// rounds it) and, when the file's colour is not at half resolution both ways
// (4:2:2, 4:4:4, gray), the colour planes are resampled to it.
PlanesResult DecodeVideoPlanes(const std::uint8_t* data, std::size_t size);

struct EncodeOptions {
  int quality = 90;
  bool progressive = false;
  bool grayscale = false;
  int densityDpi = 72;
  // Luma samples per colour sample across and down (1 or 2).
  int colourStepX = 2;
  int colourStepY = 2;
};

// Encodes a JFIF file (YCbCr, by default with the colour at half resolution
// both ways, or gray). Returns an empty vector when libjpeg fails (it cannot on valid
// input).
std::vector<std::uint8_t> Encode(const QImage& image, const EncodeOptions& options);

// libjpeg's message code for "Insufficient memory", which callers look for.
int OutOfMemoryCode();

}  // namespace vistrel::jpeg
