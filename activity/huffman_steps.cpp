#include "activity/huffman_steps.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace vistrel::activity {
namespace {

// The whole AC codes (with their extra bits) in the `windowBits` low bits
// of `window` from bit `used` on, up to and including an end of block, as
// long as they cover at most `maxCovered` coefficients.
struct AcRun {
  int used;
  int covered;
  bool ends;
};

AcRun walkAcCodes(const HuffTable& table, std::uint32_t window, int windowBits, int used,
                  int maxCovered) {
  AcRun run{used, 0, false};
  while (!run.ends) {
    int length = 0;
    const std::uint32_t rest = (window << run.used) & ((1u << windowBits) - 1);
    const int symbol = table.symbolOf(rest << (16 - windowBits), &length);
    const int zeros = symbol >> 4;
    const int extra = symbol & 15;
    if (length == 0 || length + extra > windowBits - run.used) break;
    const bool endOfBlock = extra == 0 && zeros != 15;
    const int advance = endOfBlock ? 0 : extra != 0 ? zeros + 1 : 16;
    if (run.covered + advance > maxCovered) break;
    run.used += length + extra;
    run.covered += advance;
    run.ends = endOfBlock;
  }
  return run;
}

// Builds the decoding of `source`; false where libjpeg refuses the table.
bool buildTable(bool isDc, const JHUFF_TBL& source, HuffTable* table) {
  table->dc = isDc;
  std::memcpy(table->counts.data(), source.bits, table->counts.size());
  std::array<std::uint8_t, 257> lengths{};
  int count = 0;
  for (int l = 1; l <= 16; ++l) {
    if (count + source.bits[l] > 256) return false;
    for (int i = 0; i < source.bits[l]; ++i) lengths[std::size_t(count++)] = std::uint8_t(l);
  }
  table->symbols = count;
  std::memcpy(table->values.data(), source.huffval, table->values.size());
  std::array<std::uint32_t, 256> codes{};
  std::uint32_t code = 0;
  int size = lengths[0];
  for (int p = 0; lengths[std::size_t(p)] != 0;) {
    while (lengths[std::size_t(p)] == size) codes[std::size_t(p++)] = code++;
    if (code >= (1u << size)) return false;
    code <<= 1;
    ++size;
  }
  for (int l = 1, p = 0; l <= 16; ++l) {
    if (source.bits[l] != 0) {
      table->valueOffset[l] = p - std::int32_t(codes[std::size_t(p)]);
      p += source.bits[l];
      table->maxCode[l] = std::int32_t(codes[std::size_t(p - 1)]);
    } else {
      table->maxCode[l] = -1;
    }
  }
  table->maxCode[17] = 0xFFFFF;
  if (isDc)
    for (int i = 0; i < count; ++i)
      if (table->values[std::size_t(i)] > 15) return false;

  table->codes.fill(0);
  for (int p = 0; p < count && lengths[std::size_t(p)] <= kCodeBits; ++p) {
    const int shift = kCodeBits - lengths[std::size_t(p)];
    const std::uint32_t first = codes[std::size_t(p)] << shift;
    for (std::uint32_t i = 0; i < (1u << shift); ++i)
      table->codes[first + i] = std::uint16_t((lengths[std::size_t(p)] << 8) | table->values[p]);
  }

  if (isDc) {
    for (std::uint32_t i = 0; i < table->dcSteps.size(); ++i) {
      int length = 0;
      const int symbol = table->symbolOf(i << (16 - kDcBits), &length);
      const int total = length + symbol;
      std::int32_t step = 0;
      if (length != 0 && total <= kDcBits) {
        int difference = 0;
        if (symbol != 0)
          difference = extendSign((i >> (kDcBits - total)) & ((1u << symbol) - 1), symbol);
        step = std::int32_t(std::uint32_t(difference) << 8) | total;
      }
      table->dcSteps[i] = step;
    }
    return true;
  }
  for (std::uint32_t i = 0; i < table->acSteps.size(); ++i) {
    AcRun run = walkAcCodes(*table, i, kAcBits, 0, kStepAdvance);
    // An entry without a whole code claims to cover every coefficient, so
    // that one comparison sends it the long way.
    if (run.used == 0) run.covered = kStepAdvance;
    table->acSteps[i] =
        AcStep(run.used | run.covered << kStepAdvanceShift | (run.ends ? kStepEndsBlock : 0));
  }
  return true;
}

void buildBlockStarts(const HuffTable& dc, const HuffTable& ac, BlockStarts* starts) {
  starts->dcSerial = dc.serial;
  starts->acSerial = ac.serial;
  for (std::uint32_t i = 0; i < starts->entries.size(); ++i) {
    int length = 0;
    const int size = dc.symbolOf(i << (16 - kStartBits), &length);
    std::uint32_t entry = 0;
    if (length != 0 && length + size <= kStartBits) {
      const int used = length + size;
      int difference = 0;
      if (size != 0) difference = extendSign((i >> (kStartBits - used)) & ((1u << size) - 1), size);
      const AcRun run = walkAcCodes(ac, i, kStartBits, used, 62);
      entry = std::uint32_t(run.used) | std::uint32_t(run.covered) << kStepAdvanceShift |
              (run.ends ? kStepEndsBlock : 0) | std::uint32_t(difference) << 16;
    }
    starts->entries[i] = entry;
  }
}

// Snapshots of one camera share their tables: a thread keeps the ones it
// built, since building one costs about as much as decoding a snapshot.
// The least recently used goes, never one that the snapshot `file` (a
// number new for each snapshot) already holds: a snapshot uses at most
// 2 × 4 tables and 4 pairs of block starts, fewer than are kept.
template <typename T, std::size_t kKept>
class KeptTables {
 public:
  // The kept entry that `matches`, else a new one that `build` fills (null
  // when it fails).
  template <typename Matches, typename Build>
  const T* find(std::uint64_t file, Matches matches, Build build) {
    for (auto& [item, lastFile] : kept_)
      if (matches(*item)) {
        lastFile = file;
        return item.get();
      }
    auto built = std::make_unique<T>();
    if (!build(built.get())) return nullptr;
    if (kept_.size() < kKept) return kept_.emplace_back(std::move(built), file).first.get();
    auto& oldest = *std::min_element(kept_.begin(), kept_.end(), [](const auto& a, const auto& b) {
      return a.second < b.second;
    });
    oldest = {std::move(built), file};
    return oldest.first.get();
  }

 private:
  std::vector<std::pair<std::unique_ptr<T>, std::uint64_t>> kept_;  // entry, last file to use it
};

}  // namespace

const HuffTable* huffTableFor(bool isDc, const JHUFF_TBL& source, std::uint64_t file) {
  thread_local KeptTables<HuffTable, 12> kept;
  thread_local std::uint64_t serials = 0;
  return kept.find(
      file, [&](const HuffTable& table) { return table.sameAs(isDc, source); },
      [&](HuffTable* built) {
        built->serial = ++serials;
        return buildTable(isDc, source, built);
      });
}

const BlockStarts* blockStartsFor(const HuffTable& dc, const HuffTable& ac, std::uint64_t file) {
  thread_local KeptTables<BlockStarts, 8> kept;
  return kept.find(
      file,
      [&](const BlockStarts& starts) {
        return starts.dcSerial == dc.serial && starts.acSerial == ac.serial;
      },
      [&](BlockStarts* built) {
        buildBlockStarts(dc, ac, built);
        return true;
      });
}

}  // namespace vistrel::activity
