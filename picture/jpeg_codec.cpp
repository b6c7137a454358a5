#include "picture/jpeg_codec.h"

#include <algorithm>
#include <cassert>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>
#include <libyuv/scale.h>

#include "picture/video_range.h"

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

// Zero-initialised by its owner (`Decompressor d{};`), so that destroying it
// is safe whatever step failed.
struct Decompressor {
  ErrorManager errors;
  jpeg_decompress_struct cinfo;
  JSAMPROW cmykRow;  // libjpeg-pool row for CMYK output, converted by us
  // Raw (planar) output: where each component's rows go, and the row
  // pointers of one row of MCUs (at most 4 x 8 rows per component). When
  // `map` is set, the first `mapRows` rows are brought into the video range
  // (`mapWidth` samples each) as soon as their row of MCUs is decoded,
  // while they are still in the cache.
  struct RawPlane {
    std::uint8_t* first;
    std::size_t stride;
    void (*map)(std::uint8_t* first, std::size_t stride, int width, int height);
    int mapWidth;
    int mapRows;
  } raw[3];
  JSAMPROW rawRows[3][4 * DCTSIZE];

  ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
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
  c->scale_denom = static_cast<unsigned>(options->scaleDenom);
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

// Sets up raw output: the components' own samples, not upsampled, not
// converted. The caller has checked the layout (RawLayoutOk).
int StartRawDecompress(Decompressor* d) {
  if (setjmp(d->errors.resume)) return d->errors.base.msg_code;
  j_decompress_ptr c = &d->cinfo;
  c->scale_num = 1;
  c->scale_denom = 1;
  c->do_block_smoothing = TRUE;
  c->raw_data_out = TRUE;
  c->do_fancy_upsampling = FALSE;
  c->out_color_space = c->jpeg_color_space;
  // The accurate integer IDCT: as exact as the float one, and libjpeg-turbo
  // has SIMD code for it.
  c->dct_method = JDCT_ISLOW;
  jpeg_start_decompress(c);
  return 0;
}

// Reads one row of MCUs after the other into d->raw.
int ReadRawRows(Decompressor* d) {
  if (setjmp(d->errors.resume)) return d->errors.base.msg_code;
  j_decompress_ptr c = &d->cinfo;
  const JDIMENSION linesPerRow = static_cast<JDIMENSION>(c->max_v_samp_factor * DCTSIZE);
  JSAMPARRAY planes[3];
  while (c->output_scanline < c->output_height) {
    const JDIMENSION before = c->output_scanline;
    const JDIMENSION mcuRow = before / linesPerRow;
    for (int ci = 0; ci < c->num_components; ++ci) {
      const int rows = c->comp_info[ci].v_samp_factor * DCTSIZE;
      std::uint8_t* first = d->raw[ci].first + d->raw[ci].stride * mcuRow * rows;
      for (int y = 0; y < rows; ++y) d->rawRows[ci][y] = first + d->raw[ci].stride * y;
      planes[ci] = d->rawRows[ci];
    }
    jpeg_read_raw_data(c, planes, linesPerRow);
    if (c->output_scanline == before) continue;  // nothing decoded
    for (int ci = 0; ci < c->num_components; ++ci) {
      const Decompressor::RawPlane& raw = d->raw[ci];
      const int rows = c->comp_info[ci].v_samp_factor * DCTSIZE;
      const int from = static_cast<int>(mcuRow) * rows;
      if (raw.map && from < raw.mapRows)
        raw.map(raw.first + raw.stride * from, raw.stride, raw.mapWidth,
                std::min(rows, raw.mapRows - from));
    }
  }
  jpeg_finish_decompress(c);
  return 0;
}

// Zero-initialised by its owner, as Decompressor.
struct Compressor {
  ErrorManager errors;
  jpeg_compress_struct cinfo;
  unsigned char* output;  // malloc()ed by libjpeg's memory destination
  unsigned long outputSize;

  ~Compressor() {
    jpeg_destroy_compress(&cinfo);
    std::free(output);
  }
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
  // Defaults: JFIF 1.01, YCbCr.
  jpeg_set_defaults(c);
  jpeg_set_quality(c, options->quality, TRUE);
  if (!options->grayscale) {
    c->comp_info[0].h_samp_factor = options->colourStepX;
    c->comp_info[0].v_samp_factor = options->colourStepY;
  }
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
  // The limit is the picture's, also when it is decoded scaled down.
  if (std::int64_t{c->image_width} * c->image_height > kMaxPicturePixels) return QImage();
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

// Gray, or Y/Cb/Cr with both colour components sampled alike and no finer
// than luma: the layouts cameras write (4:2:0, 4:2:2, 4:4:4, 4:4:0, 4:1:1).
bool RawLayoutOk(const jpeg_decompress_struct& c) {
  if (c.num_components == 1) return c.jpeg_color_space == JCS_GRAYSCALE;
  if (c.num_components != 3 || c.jpeg_color_space != JCS_YCbCr) return false;
  const jpeg_component_info* comp = c.comp_info;
  return comp[1].h_samp_factor == 1 && comp[1].v_samp_factor == 1 && comp[2].h_samp_factor == 1 &&
         comp[2].v_samp_factor == 1 && comp[0].h_samp_factor <= 4 && comp[0].v_samp_factor <= 4;
}

}  // namespace

PlanesResult DecodeVideoPlanes(const std::uint8_t* data, std::size_t size) {
  PlanesResult result;
  Decompressor decompressor{};
  Decompressor* d = &decompressor;
  result.errorCode = BeginDecompress(d, data, size);
  if (result.errorCode != 0) return result;
  j_decompress_ptr c = &d->cinfo;
  if (!RawLayoutOk(*c)) {
    result.unsupported = true;
    return result;
  }
  const int width = static_cast<int>(c->image_width);
  const int height = static_cast<int>(c->image_height);
  if (width <= 0 || height <= 0 || std::int64_t{width} * height > kMaxPicturePixels) {
    result.errorCode = width <= 0 || height <= 0 ? JERR_EMPTY_IMAGE : JERR_OUT_OF_MEMORY;
    return result;
  }
  result.errorCode = StartRawDecompress(d);
  if (result.errorCode != 0) return result;

  // Each component's plane as libjpeg writes it: whole MCUs, so rows and
  // columns run past the picture to the MCU grid.
  const int maxH = c->max_h_samp_factor;
  const int maxV = c->max_v_samp_factor;
  const int mcuColumns = (width + maxH * DCTSIZE - 1) / (maxH * DCTSIZE);
  const int mcuRows = (height + maxV * DCTSIZE - 1) / (maxV * DCTSIZE);
  // The sampling factors, kept: finishing the decompression frees the
  // component table before the planes are completed.
  const int components = c->num_components;
  int hSamp[3] = {1, 1, 1};
  int vSamp[3] = {1, 1, 1};
  for (int ci = 0; ci < components && ci < 3; ++ci) {
    hSamp[ci] = c->comp_info[ci].h_samp_factor;
    vSamp[ci] = c->comp_info[ci].v_samp_factor;
  }
  const auto paddedWidth = [&](int ci) { return mcuColumns * hSamp[ci] * DCTSIZE; };
  const auto paddedRows = [&](int ci) { return mcuRows * vSamp[ci] * DCTSIZE; };
  const bool gray = components == 1;
  // 4:2:0 decodes straight into the video planes; other layouts decode their
  // colour apart and resample it.
  const bool direct = !gray && maxH == 2 && maxV == 2;
  std::shared_ptr<VideoPlanes> planes;
  std::unique_ptr<std::uint8_t[]> ownChroma;
  try {
    planes =
        direct ? std::make_shared<VideoPlanes>(width, height, paddedWidth(0), paddedWidth(1),
                                               paddedRows(0), paddedRows(1))
               : std::make_shared<VideoPlanes>(width, height, paddedWidth(0), 0, paddedRows(0), 0);
    d->raw[0] = {planes->Plane(0), static_cast<std::size_t>(planes->Stride(0)), LumaToVideoRange,
                 width, height};
    if (direct) {
      for (int ci = 1; ci < 3; ++ci)
        d->raw[ci] = {planes->Plane(ci), static_cast<std::size_t>(planes->Stride(ci)),
                      ChromaToVideoRange, planes->ChromaWidth(), planes->ChromaHeight()};
    } else if (!gray) {
      // Mapped once resampled.
      const std::size_t bytes = static_cast<std::size_t>(paddedWidth(1)) * paddedRows(1);
      ownChroma.reset(new std::uint8_t[2 * bytes]);
      d->raw[1] = {ownChroma.get(), static_cast<std::size_t>(paddedWidth(1)), nullptr, 0, 0};
      d->raw[2] = {ownChroma.get() + bytes, static_cast<std::size_t>(paddedWidth(2)), nullptr, 0,
                   0};
    }
  } catch (const std::bad_alloc&) {
    result.errorCode = JERR_OUT_OF_MEMORY;
    return result;
  }
  result.errorCode = ReadRawRows(d);
  result.damage = d->errors.damage;
  // Rows a fatal error left undecoded show black, in the video range (the
  // decoded ones were mapped as they came).
  const int decodedRows = result.errorCode == 0 ? height : static_cast<int>(c->output_scanline);
  if (decodedRows < height) {
    for (int ci = 0; ci < components; ++ci) {
      const int from = decodedRows * vSamp[ci] / maxV;
      const int to = paddedRows(ci);
      for (int y = from; y < to; ++y)
        std::memset(d->raw[ci].first + d->raw[ci].stride * y, ci == 0 ? 16 : 128,
                    d->raw[ci].stride);
    }
  }
  if (gray) {
    for (int ci = 1; ci < 3; ++ci)
      std::memset(planes->Plane(ci), 128,
                  static_cast<std::size_t>(planes->Stride(ci)) * planes->ChromaHeight());
  } else if (!direct) {
    for (int ci = 1; ci < 3; ++ci) {
      // The component's own samples: width x height in its resolution.
      const int sourceWidth = (width * hSamp[ci] + maxH - 1) / maxH;
      const int sourceHeight = (height * vSamp[ci] + maxV - 1) / maxV;
      libyuv::ScalePlane(d->raw[ci].first, static_cast<int>(d->raw[ci].stride), sourceWidth,
                         sourceHeight, planes->Plane(ci), planes->Stride(ci), planes->ChromaWidth(),
                         planes->ChromaHeight(), libyuv::kFilterBox);
      ChromaToVideoRange(planes->Plane(ci), planes->Stride(ci), planes->ChromaWidth(),
                         planes->ChromaHeight());
    }
  }
  result.planes = std::move(planes);
  return result;
}

std::size_t FileBytesNeeded(const std::uint8_t* head, std::size_t size) noexcept {
  Decompressor d{};
  if (BeginDecompress(&d, head, size) != 0) return size;
  const std::int64_t pixels = std::int64_t{d.cinfo.image_width} * d.cinfo.image_height;
  if (pixels > kMaxPicturePixels) return size;
  // Where the first scan's data starts; what follows is the scans, with
  // the tables between them in a multi-scan file (hence some slack).
  const std::size_t headers = std::size_t(d.cinfo.src->next_input_byte - head);
  constexpr std::size_t kSlack = std::size_t{1} << 20;
  return headers + kSlack + std::size_t(pixels) * kScanBytesPerPixel;
}

int ReadHeader(const std::uint8_t* data, std::size_t size, HeaderInfo* header) noexcept {
  Decompressor d{};
  if (const int code = BeginDecompress(&d, data, size)) return code;
  return HeaderFields(&d, header);
}

DecodeResult Decode(const std::uint8_t* data, std::size_t size, const DecodeOptions& options) {
  assert(options.scaleDenom == 1 || options.scaleDenom == 2 || options.scaleDenom == 4 ||
         options.scaleDenom == 8);
  DecodeResult result;
  Decompressor decompressor{};
  Decompressor* d = &decompressor;
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
  if (code != 0) return {};
  return std::vector<std::uint8_t>(k.output, k.output + k.outputSize);
}

int OutOfMemoryCode() { return JERR_OUT_OF_MEMORY; }

}  // namespace vistrel::jpeg
