// Lookup tables for stepping through Huffman-coded JPEG scan data without
// storing what it codes (see eighth_luma.h): per Huffman table, the DC
// differences and the runs of AC codes that fit in a window of bits; per
// pair of DC and AC table, the start of a block.
//
// Thread: the tables are built and kept per thread; a pointer returned
// stays valid on that thread while the snapshot numbered `file` is decoded.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace vistrel::activity {

constexpr int kCodeBits = 9;    // codes up to this long are found in one lookup
constexpr int kDcBits = 9;      // DC code and its extra bits up to this long: one lookup
constexpr int kAcBits = 13;     // the window a run of AC codes is skipped through
constexpr int kStartBits = 11;  // the window of a block's DC code and first AC codes

// What the next kAcBits bits of a block's AC codes hold: the whole codes
// (with their extra bits) that fit in the window, up to and including an
// end of block, as bits used (low 4 bits), coefficients covered (next 6)
// and whether the last code ends the block. When not even one code fits:
// 0 bits covering all 63 coefficients, and the code is decoded the long
// way. Two bytes, so that the luma and the chroma table stay in the
// first-level cache together; 13 bits were a few per cent faster than 12
// or 14 on 640 × 480 snapshots of quality 75.
using AcStep = std::uint16_t;
constexpr int kStepBits = 0xF;
constexpr int kStepAdvanceShift = 4;
constexpr int kStepAdvance = 0x3F;
constexpr int kStepEndsBlock = 0x400;

struct HuffTable {
  std::uint64_t serial = 0;  // new for every table a thread builds
  bool dc = false;
  std::array<std::uint8_t, 17> counts{};  // codes of each length 1..16, as in the DHT
  std::array<std::uint8_t, 256> values{};
  int symbols = 0;
  // The canonical decoding, as libjpeg derives it.
  std::array<std::int32_t, 18> maxCode{};
  std::array<std::int32_t, 18> valueOffset{};
  std::array<std::uint16_t, 1 << kCodeBits> codes{};  // (length << 8) | symbol; 0: longer
  // DC: (difference << 8) | bits of code and extra bits together; 0: longer.
  std::array<std::int32_t, 1 << kDcBits> dcSteps{};
  std::array<AcStep, 1 << kAcBits> acSteps{};

  bool sameAs(bool isDc, const JHUFF_TBL& table) const {
    return dc == isDc && std::memcmp(counts.data(), table.bits, counts.size()) == 0 &&
           std::memcmp(values.data(), table.huffval, std::size_t(symbols)) == 0;
  }

  // The symbol whose code starts `window` (16 bits, first bit highest), and
  // its code length; length 0 for a pattern no code matches.
  int symbolOf(std::uint32_t window, int* length) const {
    const std::uint16_t quick = codes[window >> (16 - kCodeBits)];
    if (quick != 0) {
      *length = quick >> 8;
      return quick & 0xFF;
    }
    for (int l = kCodeBits + 1; l <= 16; ++l) {
      const std::int32_t code = std::int32_t(window >> (16 - l));
      if (code <= maxCode[l]) {
        *length = l;
        return values[std::size_t(code + valueOffset[l]) & 0xFF];
      }
    }
    *length = 0;
    return 0;
  }
};

// The signed value that `size` (1 to 15) extra bits code.
inline int extendSign(std::uint32_t bits, int size) {
  return bits < (1u << (size - 1)) ? int(bits) - (1 << size) + 1 : int(bits);
}

// The start of a block coded with `dc` and `ac`: a DC code with its extra
// bits and the AC codes after it that fit in kStartBits bits. Each entry:
// bits used (low 4 bits), AC coefficients covered (next 6, at most 62 so
// that the block's AC walk goes on from there), kStepEndsBlock, and the DC
// difference in the high 16 bits. 0: the DC code does not fit.
struct BlockStarts {
  std::uint64_t dcSerial = 0;
  std::uint64_t acSerial = 0;
  std::array<std::uint32_t, 1 << kStartBits> entries{};
};

// The tables for `source`, built or kept from an earlier snapshot; null
// where libjpeg refuses the table. `file` is a number new for each
// snapshot: tables it holds are not given up for others.
const HuffTable* huffTableFor(bool isDc, const JHUFF_TBL& source, std::uint64_t file);

// The block starts of a pair of tables, likewise.
const BlockStarts* blockStartsFor(const HuffTable& dc, const HuffTable& ac, std::uint64_t file);

}  // namespace vistrel::activity
