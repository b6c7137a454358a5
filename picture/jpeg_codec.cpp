#include "picture/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace vistrel::jpeg {
namespace {

// libjpeg allocates its whole-image buffers (multi-scan files, two-pass
// quantizing) up to this much; a hostile header cannot make it ask for more.
constexpr long kMaxLibjpegMemory = 1024L * 1024 * 1024;

constexpr int kQuantizedColours = 236;

// The error manager comes first so that libjpeg's jpeg_error_mgr* is also an
// ErrorManager*.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf resume;
  char damage[JMSG_LENGTH_MAX];  // the first damage warning's text; "" when none
};

// Called by libjpeg on a fatal error: back into the boundary function that
// armed `resume`. Only libjpeg's C frames lie in between.
void JumpBack(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->resume, 1);
}

// The warnings after which some of the picture's pixels are not the file's:
// its scan data ends early or cannot be read, and libjpeg fills in the rest.
// Others (an unknown JFIF revision, stray bytes before a marker, an odd
// Adobe transform) leave every pixel as the camera stored it.
bool IsDamageWarning(int code) {
  switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
      return true;
    default:
      return false;
  }
}

// Level -1 is a warning, 0 and above trace output.
void KeepDamage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  ++cinfo->err->num_warnings;
  auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (errors->damage[0] == '\0' && IsDamageWarning(errors->base.msg_code))
    errors->base.format_message(cinfo, errors->damage);
}
void PrintNothing(j_common_ptr) {}

void Install(ErrorManager* errors) {
  jpeg_std_error(&errors->base);
  errors->base.error_exit = JumpBack;
  errors->base.emit_message = KeepDamage;
  errors->damage[0] = '\0';
  errors->base.output_message = PrintNothing;
}

// Plain data, zero-initialised by its owner, so that destroying it is safe
// whatever step failed.
struct Decompressor {
  ErrorManager errors;
  jpeg_decompress_struct cinfo;
  JSAMPROW cmykRow;  // libjpeg-pool row for CMYK output, converted by us
};

class DecompressorHolder {
 public:
  DecompressorHolder() : d_{} {}
  ~DecompressorHolder() { jpeg_destroy_decompress(&d_.cinfo); }
  DecompressorHolder(const DecompressorHolder&) = delete;
  DecompressorHolder& operator=(const DecompressorHolder&) = delete;
  Decompressor* get() { return &d_; }

 private:
  Decompressor d_;
};

// ---- Boundary functions. Each arms setjmp once, holds no object with a
// destructor, and returns 0 or libjpeg's message code. ----

int BeginDecompress(Decompressor* d, const std::uint8_t* data, std::size_t size) {
  Install(&d->errors);
  d->cinfo.err = &d->errors.base;
  if (setjmp(d->errors.resume)) return d->errors.base.msg_code;
  jpeg_create_decompress(&d->cinfo);
  d->cinfo.mem->max_memory_to_use = kMaxLibjpegMemory;
  jpeg_mem_src(&d->cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&d->cinfo, TRUE);
  return 0;
}

int HeaderFields(Decompressor* d, HeaderInfo* header) {
  if (setjmp(d->errors.resume)) return d->errors.base.msg_code;
  header->width = static_cast<int>(d->cinfo.image_width);
  header->height = static_cast<int>(d->cinfo.image_height);
  header->grayscale = d->cinfo.jpeg_color_space == JCS_GRAYSCALE;
  header->progressive = jpeg_has_multiple_scans(&d->cinfo);
  return 0;
}

int StartDecompress(Decompressor* d, const DecodeOptions* options) {
  if (setjmp(d->errors.resume)) return d->errors.base.msg_code;
  j_decompress_ptr c = &d->cinfo;
  c->scale_num = 1;
  c->scale_denom = 1;
  c->do_block_smoothing = TRUE;
  if (options->grayscale) c->out_color_space = JCS_GRAYSCALE;
  if (options->fastest) {
    c->dct_method = JDCT_IFAST;
    c->two_pass_quantize = FALSE;
    c->dither_mode = JDITHER_ORDERED;
  } else {
    c->dct_method = JDCT_FLOAT;
  }
  const bool cmyk = c->out_color_space == JCS_CMYK;
  // libjpeg's quantizers work on gray or three-component output only; CMYK
  // files always come out as 24 bits.
  if (!cmyk && (options->eightBit || c->out_color_space == JCS_GRAYSCALE)) {
    c->quantize_colors = TRUE;
    c->desired_number_of_colors = kQuantizedColours;
  }
  jpeg_start_decompress(c);
  if (cmyk) {
    d->cmykRow = (*c->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(c), JPOOL_IMAGE,
                                         c->output_width * 4, 1)[0];
  }
  return 0;
}

// Adobe writes CMYK inverted; plain CMYK is rare enough to read the same way.
void CmykToRgb(const JSAMPLE* cmyk, std::uint8_t* rgb, JDIMENSION width) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
    const unsigned k = cmyk[3];
    rgb[0] = static_cast<std::uint8_t>(cmyk[0] * k / 255);
    rgb[1] = static_cast<std::uint8_t>(cmyk[1] * k / 255);
    rgb[2] = static_cast<std::uint8_t>(cmyk[2] * k / 255);
  }
}

int ReadRows(Decompressor* d, std::uint8_t* bits, std::size_t bytesPerLine) {
  if (setjmp(d->errors.resume)) return d->errors.base.msg_code;
  j_decompress_ptr c = &d->cinfo;
  while (c->output_scanline < c->output_height) {
    std::uint8_t* target = bits + bytesPerLine * c->output_scanline;
    JSAMPROW row = d->cmykRow != nullptr ? d->cmykRow : target;
    jpeg_read_scanlines(c, &row, 1);
    if (d->cmykRow != nullptr) CmykToRgb(d->cmykRow, target, c->output_width);
  }
  jpeg_finish_decompress(c);
  return 0;
}

struct Compressor {
  ErrorManager errors;
  jpeg_compress_struct cinfo;
  unsigned char* output;  // malloc()ed by libjpeg's memory destination
  unsigned long outputSize;
};

int Compress(Compressor* k, const std::uint8_t* bits, std::size_t bytesPerLine, int width,
             int height, const EncodeOptions* options) {
  Install(&k->errors);
  k->cinfo.err = &k->errors.base;
  if (setjmp(k->errors.resume)) return k->errors.base.msg_code;
  j_compress_ptr c = &k->cinfo;
  jpeg_create_compress(c);
  jpeg_mem_dest(c, &k->output, &k->outputSize);
  c->image_width = static_cast<JDIMENSION>(width);
  c->image_height = static_cast<JDIMENSION>(height);
  c->input_components = options->grayscale ? 1 : 3;
  c->in_color_space = options->grayscale ? JCS_GRAYSCALE : JCS_RGB;
  // Defaults: JFIF 1.01, YCbCr with the luminance sampled 2 × 2.
  jpeg_set_defaults(c);
  jpeg_set_quality(c, options->quality, TRUE);
  c->density_unit = 1;  // dots per inch
  c->X_density = static_cast<UINT16>(options->densityDpi);
  c->Y_density = static_cast<UINT16>(options->densityDpi);
  if (options->progressive) jpeg_simple_progression(c);
  jpeg_start_compress(c, TRUE);
  while (c->next_scanline < c->image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(bits + bytesPerLine * c->next_scanline);
    jpeg_write_scanlines(c, &row, 1);
  }
  jpeg_finish_compress(c);
  return 0;
}

QImage MakeBitmap(j_decompress_ptr c) {
  const int width = static_cast<int>(c->output_width);
  const int height = static_cast<int>(c->output_height);
  if (std::int64_t{width} * height > kMaxPicturePixels) return QImage();
  if (!c->quantize_colors) {
    // Rows that a fatal error leaves undecoded show black.
    QImage bitmap(width, height, QImage::Format_RGB888);
    if (!bitmap.isNull()) bitmap.fill(Qt::black);
    return bitmap;
  }
  QImage bitmap(width, height, QImage::Format_Indexed8);
  if (bitmap.isNull()) return bitmap;
  QList<QRgb> palette;
  int darkest = 0;
  for (int i = 0; i < c->actual_number_of_colors; ++i) {
    if (c->out_color_components == 1) {
      const int v = c->colormap[0][i];
      palette.append(qRgb(v, v, v));
    } else {
      palette.append(qRgb(c->colormap[0][i], c->colormap[1][i], c->colormap[2][i]));
    }
    if (qGray(palette[i]) < qGray(palette[darkest])) darkest = i;
  }
  bitmap.setColorTable(palette);
  // Rows that a fatal error leaves undecoded show the darkest colour.
  bitmap.fill(static_cast<uint>(darkest));
  return bitmap;
}

}  // namespace

int ReadHeader(const std::uint8_t* data, std::size_t size, HeaderInfo* header) noexcept {
  DecompressorHolder holder;
  if (const int code = BeginDecompress(holder.get(), data, size)) return code;
  return HeaderFields(holder.get(), header);
}

DecodeResult Decode(const std::uint8_t* data, std::size_t size, const DecodeOptions& options) {
  DecodeResult result;
  DecompressorHolder holder;
  Decompressor* d = holder.get();
  result.errorCode = BeginDecompress(d, data, size);
  if (result.errorCode == 0) result.errorCode = StartDecompress(d, &options);
  if (result.errorCode != 0) return result;
  result.bitmap = MakeBitmap(&d->cinfo);
  if (result.bitmap.isNull()) {
    result.errorCode = JERR_OUT_OF_MEMORY;
    return result;
  }
  result.errorCode =
      ReadRows(d, result.bitmap.bits(), static_cast<std::size_t>(result.bitmap.bytesPerLine()));
  result.damage = d->errors.damage;
  return result;
}

std::vector<std::uint8_t> Encode(const QImage& image, const EncodeOptions& options) {
  const QImage input =
      image.convertToFormat(options.grayscale ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
  Compressor k{};
  const int code = Compress(&k, input.constBits(), static_cast<std::size_t>(input.bytesPerLine()),
                            input.width(), input.height(), &options);
  std::vector<std::uint8_t> bytes;
  if (code == 0) bytes.assign(k.output, k.output + k.outputSize);
  jpeg_destroy_compress(&k.cinfo);
  std::free(k.output);
  return bytes;
}

int OutOfMemoryCode() { return JERR_OUT_OF_MEMORY; }

}  // namespace vistrel::jpeg
