// decodeEighthLumaDc(): libjpeg reads the headers (so every marker means
// what it means to libjpeg, and the colour space is its guess), then the
// scan is walked here. Whatever libjpeg would have warned about or
// stopped at makes us decline instead, and the caller asks libjpeg:
// decodeEighthLumaLibjpeg(), which sets libjpeg up the same way.

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "activity/eighth_luma.h"
#include "activity/huffman_steps.h"
#include "picture/jpeg_codec.h"

namespace vistrel::activity {
namespace {

// ---------------------------------------------------------------------------
// The entropy-coded data

// Reads the scan's bits. The scan is first copied without its stuffing
// (0xFF 0x00 is a data byte 0xFF) and cut at its markers into segments,
// each followed by zero bytes, so that the bit buffer is topped up on
// every step without a branch. Reading past a segment's end gives zero
// bits, and overrun() then tells that libjpeg would have warned.
//
// The copy is bounded by what the scan can need, so that junk after a valid
// header costs no more than the file itself: a scan of more segments than
// it has restart intervals, or more bytes than its blocks can take, is
// declined (libjpeg then decides what it gives).
class BitReader {
 public:
  // The most a block's codes take: a 16-bit DC code with 11 extra bits and
  // 63 AC codes of 16 bits with 10 extra bits each, 1665 bits.
  static constexpr std::size_t kMaxBlockBytes = 209;

  // False when the data ends before a marker other than a restart marker
  // (libjpeg then warns that the file is cut), or the scan holds more than
  // `maxSegments` segments or `maxBytes` bytes of data.
  bool open(const std::uint8_t* at, const std::uint8_t* end, std::size_t maxSegments,
            std::size_t maxBytes) {
    std::vector<std::uint8_t>& bytes = unstuffed();
    std::vector<Segment>& segments = segmentList();
    bytes.clear();
    segments.clear();
    std::size_t dataBytes = 0;
    while (true) {
      if (segments.size() == maxSegments) return false;
      Segment segment{bytes.size(), 0, 0};
      int marker = 0;
      while (marker == 0) {
        const auto* ff = static_cast<const std::uint8_t*>(std::memchr(at, 0xFF, end - at));
        if (ff == nullptr) return false;
        dataBytes += std::size_t(ff - at) + 1;
        if (dataBytes > maxBytes) return false;
        bytes.insert(bytes.end(), at, ff);
        // A marker may be preceded by any number of fill bytes 0xFF.
        at = ff + 1;
        while (at < end && *at == 0xFF) ++at;
        if (at == end) return false;
        marker = *at++;
        if (marker == 0) bytes.push_back(0xFF);
      }
      segment.end = bytes.size();
      segment.marker = marker;
      segments.push_back(segment);
      bytes.insert(bytes.end(), kPadding, 0);
      if (marker < JPEG_RST0 || marker > JPEG_RST0 + 7) break;
    }
    // The last place a word is read from lies a word past the end of the
    // last segment: a reader held there has certainly overrun.
    bytes.insert(bytes.end(), kPadding, 0);
    data_ = bytes.data();
    last_ = bytes.data() + bytes.size() - kPadding;
    segments_ = segments.data();
    segmentCount_ = segments.size();
    start(0);
    return true;
  }

  // At least 56 bits are held after this.
  void ensure() {
    std::uint64_t word;
    std::memcpy(&word, at_, sizeof word);
    // The bits below the whole bytes taken are those of the next byte,
    // which the next top-up ORs in again at the same place.
    bits_ |= __builtin_bswap64(word) >> held_;
    at_ += (63 - held_) >> 3;
    held_ |= 56;
    // A scan walked on past its end stays in the buffer (and overrun()).
    at_ = std::min(at_, last_);
  }
  std::uint32_t peek(int count) const { return std::uint32_t(bits_ >> (64 - count)); }
  void drop(int count) {
    bits_ <<= count;
    held_ -= count;
  }
  std::uint32_t take(int count) {
    const std::uint32_t value = peek(count);
    drop(count);
    return value;
  }
  // True when bits past the end of the segment were used.
  bool overrun() const {
    const Segment& segment = segments_[current_];
    return std::int64_t(at_ - data_ - std::ptrdiff_t(segment.begin)) * 8 - held_ >
           std::int64_t(segment.end - segment.begin) * 8;
  }

  // Gives back the copy's memory after an unusually large scan; the
  // thread's next snapshot would otherwise keep it.
  static void trim() {
    constexpr std::size_t kKeptBytes = std::size_t{8} << 20;
    if (unstuffed().capacity() > kKeptBytes) std::vector<std::uint8_t>().swap(unstuffed());
    if (segmentList().capacity() * sizeof(Segment) > kKeptBytes)
      std::vector<Segment>().swap(segmentList());
  }

  // Drops the bits held and gives the marker that ends the segment (what
  // lies between the last code used and the marker libjpeg skips too);
  // reading goes on after it.
  int nextMarker() {
    const int marker = segments_[current_].marker;
    if (current_ + 1 < segmentCount_) start(current_ + 1);
    return marker;
  }

 private:
  struct Segment {
    std::size_t begin;  // in the unstuffed bytes
    std::size_t end;
    int marker;  // that ends it
  };
  static constexpr std::size_t kPadding = 8;

  // Reused by the thread's next scan.
  static std::vector<std::uint8_t>& unstuffed() {
    thread_local std::vector<std::uint8_t> bytes;
    return bytes;
  }
  static std::vector<Segment>& segmentList() {
    thread_local std::vector<Segment> segments;
    return segments;
  }

  void start(std::size_t segment) {
    current_ = segment;
    at_ = data_ + segments_[segment].begin;
    bits_ = 0;
    held_ = 0;
  }

  const std::uint8_t* data_ = nullptr;
  const std::uint8_t* last_ = nullptr;  // the last place a whole word can be read
  const Segment* segments_ = nullptr;
  std::size_t segmentCount_ = 0;
  std::size_t current_ = 0;
  const std::uint8_t* at_ = nullptr;
  std::uint64_t bits_ = 0;
  int held_ = 0;
};

[[gnu::always_inline]] inline bool readDc(BitReader& in, const HuffTable& table, int* difference) {
  in.ensure();
  const std::int32_t step = table.dcSteps[in.peek(kDcBits)];
  if (step != 0) {
    in.drop(step & 0xFF);
    *difference = step >> 8;
    return true;
  }
  int length = 0;
  const int size = table.symbolOf(in.peek(16), &length);
  if (length == 0) return false;
  in.drop(length);
  *difference = size == 0 ? 0 : extendSign(in.take(size), size);
  return true;
}

// Steps over a block's AC codes from the `left` last coefficients on;
// false for a pattern that is no code.
[[gnu::always_inline]] inline bool skipAc(BitReader& in, const HuffTable& table, int left) {
  while (true) {
    in.ensure();
    const AcStep step = table.acSteps[in.peek(kAcBits)];
    const int advance = (step >> kStepAdvanceShift) & kStepAdvance;
    // All the window's codes, when the block cannot end inside them.
    if (advance < left) {
      in.drop(step & kStepBits);
      if (step & kStepEndsBlock) return true;
      left -= advance;
      continue;
    }
    int length = 0;
    const int symbol = table.symbolOf(in.peek(16), &length);
    if (length == 0) return false;
    const int run = symbol >> 4;
    const int extra = symbol & 15;
    in.drop(length);
    if (extra == 0 && run != 15) return true;
    in.drop(extra);
    left -= extra != 0 ? run + 1 : 16;
    if (left <= 0) return true;
  }
}

// libjpeg's 1 × 1 inverse DCT: the dequantised DC descaled by 3, through
// its range-limit table (which folds values far outside 0..255 back in,
// as its index is masked to 10 bits).
const std::array<std::uint8_t, 1024>& rangeLimit() {
  static const std::array<std::uint8_t, 1024> table = [] {
    std::array<std::uint8_t, 1024> t{};
    for (int i = 0; i < 1024; ++i) {
      if (i < 128)
        t[std::size_t(i)] = std::uint8_t(i + 128);
      else if (i < 512)
        t[std::size_t(i)] = 255;
      else if (i < 896)
        t[std::size_t(i)] = 0;
      else
        t[std::size_t(i)] = std::uint8_t(i - 896);
    }
    return t;
  }();
  return table;
}

struct ScanComponent {
  int across = 1;  // blocks of the MCU, across and down
  int down = 1;
  bool luma = false;
  const HuffTable* dc = nullptr;
  const HuffTable* ac = nullptr;
  const BlockStarts* starts = nullptr;
};

struct Scan {
  int width = 0;  // of the picture
  int height = 0;
  int mcusAcross = 0;
  int mcusDown = 0;
  int restartInterval = 0;
  int lumaQuant = 0;
  std::array<ScanComponent, MAX_COMPS_IN_SCAN> components{};
  int componentCount = 0;
};

// One block of the MCU, in coding order.
struct McuBlock {
  const HuffTable* dc;
  const HuffTable* ac;
  const BlockStarts* starts;
  int component;  // index into the scan's DC predictions
  int offset;     // of its pixel from the MCU's first in the padded plane; -1: not luma
};

bool decodeScan(const Scan& scan, const std::uint8_t* at, const std::uint8_t* end,
                EighthLuma* out) {
  // The pixels first land in the plane of whole MCUs, then are cut to size.
  int lumaAcross = 1;
  int lumaDown = 1;
  for (int c = 0; c < scan.componentCount; ++c)
    if (scan.components[std::size_t(c)].luma) {
      lumaAcross = scan.components[std::size_t(c)].across;
      lumaDown = scan.components[std::size_t(c)].down;
    }
  const int planeWidth = scan.mcusAcross * lumaAcross;
  const int planeHeight = scan.mcusDown * lumaDown;
  std::array<McuBlock, D_MAX_BLOCKS_IN_MCU> blocks{};
  int blockCount = 0;
  for (int c = 0; c < scan.componentCount; ++c) {
    const ScanComponent& component = scan.components[std::size_t(c)];
    for (int y = 0; y < component.down; ++y)
      for (int x = 0; x < component.across; ++x)
        blocks[std::size_t(blockCount++)] = {component.dc, component.ac, component.starts, c,
                                             component.luma ? y * planeWidth + x : -1};
  }
  out->pixels.resize(std::size_t(planeWidth) * std::size_t(planeHeight));
  std::uint8_t* plane = out->pixels.data();
  const auto& limit = rangeLimit();
  const std::size_t mcus = std::size_t(scan.mcusAcross) * std::size_t(scan.mcusDown);
  const std::size_t intervals =
      scan.restartInterval == 0
          ? 1
          : (mcus + std::size_t(scan.restartInterval) - 1) / std::size_t(scan.restartInterval);
  struct Trimmer {
    ~Trimmer() { BitReader::trim(); }
  } trimmer;
  BitReader in;
  // Each MCU's data, and a byte for each marker and for the odd fill byte.
  if (!in.open(at, end, std::max<std::size_t>(intervals, 1),
               mcus * std::size_t(blockCount) * BitReader::kMaxBlockBytes + intervals + 1024))
    return false;
  std::array<int, MAX_COMPS_IN_SCAN> predictions{};
  int restartsToGo = scan.restartInterval;
  int nextRestart = 0;
  for (int mcuRow = 0; mcuRow < scan.mcusDown; ++mcuRow) {
    for (int mcuColumn = 0; mcuColumn < scan.mcusAcross; ++mcuColumn) {
      if (scan.restartInterval != 0) {
        if (restartsToGo == 0) {
          if (in.overrun() || in.nextMarker() != JPEG_RST0 + nextRestart) return false;
          nextRestart = (nextRestart + 1) & 7;
          restartsToGo = scan.restartInterval;
          predictions.fill(0);
        }
        --restartsToGo;
      }
      std::uint8_t* mcuPixels = plane + std::size_t(mcuRow * lumaDown) * std::size_t(planeWidth) +
                                std::size_t(mcuColumn * lumaAcross);
      for (int b = 0; b < blockCount; ++b) {
        const McuBlock& block = blocks[std::size_t(b)];
        int difference = 0;
        in.ensure();
        const std::uint32_t start = block.starts->entries[in.peek(kStartBits)];
        if (start != 0) {
          in.drop(int(start & kStepBits));
          difference = std::int32_t(start) >> 16;
          if (!(start & kStepEndsBlock) &&
              !skipAc(in, *block.ac, 63 - int((start >> kStepAdvanceShift) & kStepAdvance)))
            return false;
        } else if (!readDc(in, *block.dc, &difference) || !skipAc(in, *block.ac, 63)) {
          return false;
        }
        if (block.offset < 0) continue;
        int& dc = predictions[std::size_t(block.component)];
        dc += difference;
        // libjpeg keeps coefficients in 16 bits; a sum beyond that is no
        // real picture and its wrapping is not worth copying.
        if (dc < -32767 || dc > 32767) return false;
        mcuPixels[block.offset] = limit[std::size_t(((dc * scan.lumaQuant + 4) >> 3) & 1023)];
      }
    }
    // A cut scan is given up at once, not walked to the end on zero bits.
    if (in.overrun()) return false;
  }
  if (in.overrun() || in.nextMarker() != JPEG_EOI) return false;
  out->width = (scan.width + 7) / 8;
  out->height = (scan.height + 7) / 8;
  if (out->width != planeWidth)
    for (int row = 1; row < out->height; ++row)
      std::memmove(plane + std::size_t(row) * std::size_t(out->width),
                   plane + std::size_t(row) * std::size_t(planeWidth), std::size_t(out->width));
  out->pixels.resize(std::size_t(out->width) * std::size_t(out->height));
  return true;
}

// ---------------------------------------------------------------------------
// libjpeg: the headers for the walk, and the whole decode for the rest

// The same error handling as the picture loader's (picture/jpeg_codec.cpp):
// a fatal error longjmp()s back into the boundary function that called
// setjmp(), which holds no object with a destructor. Warnings are counted,
// and the first that the scan data is cut short or corrupt is kept as text.
struct QuietErrors {
  jpeg_error_mgr base;  // first, so libjpeg's pointer is also ours
  std::jmp_buf resume;
  int warnings;
  char damage[JMSG_LENGTH_MAX];
};

void jumpBack(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<QuietErrors*>(cinfo->err)->resume, 1);
}

bool isDamageWarning(int code) {
  return code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE ||
         code == JWRN_MUST_RESYNC;
}

void noteWarning(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  auto* errors = reinterpret_cast<QuietErrors*>(cinfo->err);
  ++errors->warnings;
  if (errors->damage[0] == '\0' && isDamageWarning(errors->base.msg_code))
    errors->base.format_message(cinfo, errors->damage);
}

void printNothing(j_common_ptr) {}

// Plain data, zero-initialised, so destroying it is safe whatever step
// failed. A new one for each file: one that is reused keeps the tables of
// the file before, which a file without its own would then decode with.
struct Decompressor {
  QuietErrors errors;
  jpeg_decompress_struct cinfo;
};

struct DecompressorHolder {
  Decompressor d{};
  ~DecompressorHolder() { jpeg_destroy_decompress(&d.cinfo); }
};

// Gives `d` the quiet errors; the caller's setjmp() follows.
void quietErrors(Decompressor* d) {
  jpeg_std_error(&d->errors.base);
  d->errors.base.error_exit = jumpBack;
  d->errors.base.emit_message = noteWarning;
  d->errors.base.output_message = printNothing;
  d->errors.warnings = 0;
  d->errors.damage[0] = '\0';
  d->cinfo.err = &d->errors.base;
}

// Reads the headers up to the scan and describes the scan when we handle
// it. Plain data only between setjmp() and a longjmp(). Returns the first
// byte of the entropy-coded data, or null to decline.
const std::uint8_t* readHeaders(Decompressor* r, const std::uint8_t* data, std::size_t size,
                                Scan* scan) {
  thread_local std::uint64_t files = 0;
  const std::uint64_t file = ++files;
  quietErrors(r);
  if (setjmp(r->errors.resume)) return nullptr;
  j_decompress_ptr c = &r->cinfo;
  jpeg_create_decompress(c);
  jpeg_mem_src(c, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(c, TRUE) != JPEG_HEADER_OK || r->errors.warnings != 0) return nullptr;
  if (c->progressive_mode || c->arith_code || c->data_precision != 8) return nullptr;
  if (c->comps_in_scan != c->num_components || c->Ss != 0 || c->Se != DCTSIZE2 - 1 || c->Ah != 0 ||
      c->Al != 0)
    return nullptr;
  const bool gray = c->num_components == 1 && c->jpeg_color_space == JCS_GRAYSCALE;
  const bool yCbCr = c->num_components == 3 && c->jpeg_color_space == JCS_YCbCr;
  if (!gray && !yCbCr) return nullptr;
  if (std::int64_t{c->image_width} * c->image_height > jpeg::kMaxPicturePixels) return nullptr;

  const jpeg_component_info& luma = c->comp_info[0];
  int maxAcross = 1;
  int maxDown = 1;
  for (int i = 0; i < c->num_components; ++i) {
    maxAcross = std::max(maxAcross, c->comp_info[i].h_samp_factor);
    maxDown = std::max(maxDown, c->comp_info[i].v_samp_factor);
  }
  // A luma plane sampled below the others is scaled by libjpeg with a
  // larger inverse DCT, which needs the AC terms.
  if (luma.h_samp_factor != maxAcross || luma.v_samp_factor != maxDown) return nullptr;
  // Table numbers are only checked by libjpeg when it starts decoding,
  // for every component in the scan.
  for (int i = 0; i < c->num_components; ++i) {
    const int table = c->comp_info[i].quant_tbl_no;
    if (table < 0 || table >= NUM_QUANT_TBLS || c->quant_tbl_ptrs[table] == nullptr) return nullptr;
  }
  const JQUANT_TBL* quant = c->quant_tbl_ptrs[luma.quant_tbl_no];
  if (quant->quantval[0] > 32767) return nullptr;

  scan->width = int(c->image_width);
  scan->height = int(c->image_height);
  scan->restartInterval = int(c->restart_interval);
  scan->lumaQuant = quant->quantval[0];
  scan->componentCount = c->comps_in_scan;
  int blocks = 0;
  for (int i = 0; i < c->comps_in_scan; ++i) {
    const jpeg_component_info* info = c->cur_comp_info[i];
    ScanComponent& component = scan->components[std::size_t(i)];
    // One component alone is coded block by block whatever its factors.
    component.across = c->comps_in_scan == 1 ? 1 : info->h_samp_factor;
    component.down = c->comps_in_scan == 1 ? 1 : info->v_samp_factor;
    component.luma = info == &luma;
    blocks += component.across * component.down;
    if (info->dc_tbl_no < 0 || info->dc_tbl_no >= NUM_HUFF_TBLS || info->ac_tbl_no < 0 ||
        info->ac_tbl_no >= NUM_HUFF_TBLS)
      return nullptr;
    const JHUFF_TBL* dcTable = c->dc_huff_tbl_ptrs[info->dc_tbl_no];
    const JHUFF_TBL* acTable = c->ac_huff_tbl_ptrs[info->ac_tbl_no];
    if (dcTable == nullptr || acTable == nullptr) return nullptr;
    component.dc = huffTableFor(true, *dcTable, file);
    component.ac = huffTableFor(false, *acTable, file);
    if (component.dc == nullptr || component.ac == nullptr) return nullptr;
    component.starts = blockStartsFor(*component.dc, *component.ac, file);
  }
  if (blocks > D_MAX_BLOCKS_IN_MCU) return nullptr;
  const int mcuWidth = 8 * (c->comps_in_scan == 1 ? 1 : maxAcross);
  const int mcuHeight = 8 * (c->comps_in_scan == 1 ? 1 : maxDown);
  scan->mcusAcross = (scan->width + mcuWidth - 1) / mcuWidth;
  scan->mcusDown = (scan->height + mcuHeight - 1) / mcuHeight;
  return c->src->next_input_byte;
}

// See decodeEighthLumaLibjpeg().
int decodeEighth(Decompressor* d, const std::uint8_t* data, std::size_t size, EighthLuma* out) {
  quietErrors(d);
  if (setjmp(d->errors.resume)) return d->errors.base.msg_code;
  j_decompress_ptr c = &d->cinfo;
  jpeg_create_decompress(c);
  jpeg_mem_src(c, data, static_cast<unsigned long>(size));
  jpeg_read_header(c, TRUE);
  if (std::int64_t{c->image_width} * c->image_height > jpeg::kMaxPicturePixels) return -1;
  c->scale_num = 1;
  c->scale_denom = 8;
  c->out_color_space = JCS_GRAYSCALE;
  c->dct_method = JDCT_IFAST;
  c->do_fancy_upsampling = FALSE;
  c->do_block_smoothing = FALSE;
  jpeg_start_decompress(c);
  out->width = static_cast<int>(c->output_width);
  out->height = static_cast<int>(c->output_height);
  out->pixels.resize(std::size_t(c->output_width) * c->output_height);
  while (c->output_scanline < c->output_height) {
    JSAMPROW row = out->pixels.data() + std::size_t(c->output_width) * c->output_scanline;
    jpeg_read_scanlines(c, &row, 1);
  }
  jpeg_finish_decompress(c);
  return 0;
}

}  // namespace

bool decodeEighthLumaDc(const std::uint8_t* data, std::size_t size, EighthLuma* out) {
  Scan scan;
  const std::uint8_t* start = nullptr;
  {
    auto holder = std::make_unique<DecompressorHolder>();
    start = readHeaders(&holder->d, data, size, &scan);
  }
  return start != nullptr && decodeScan(scan, start, data + size, out);
}

int decodeEighthLumaLibjpeg(const std::uint8_t* data, std::size_t size, EighthLuma* out,
                            std::string* damage) {
  auto holder = std::make_unique<DecompressorHolder>();
  const int code = decodeEighth(&holder->d, data, size, out);
  *damage = holder->d.errors.damage;
  return code;
}

}  // namespace vistrel::activity
