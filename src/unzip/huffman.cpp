#include "unzip/huffman.h"

namespace unzip {
namespace {

// One open table while the codes are walked.
struct Level {
  HuffEntry* table;
  unsigned above;   // input bits consumed by the levels above this table
  unsigned width;   // index bits of this table
  unsigned prefix;  // the low `above` bits of every code this table holds
};

unsigned LowMask(unsigned bits) { return (1u << bits) - 1; }

}  // namespace

HuffEntry* HuffArena::Take(size_t count, bool invalid) {
  if (count > capacity_ - used_) return nullptr;
  HuffEntry* table = entries_ + used_;
  if (invalid) {
    for (size_t i = 0; i < count; ++i) table[i] = HuffEntry{kOpInvalid, 0, 0};
  }
  used_ += count;
  ++tables_;
  return table;
}

// Long on purpose: the steps (counts, Kraft check, canonical order, one walk
// opening and filling the tables level by level) share their state.
int BuildHuffmanTables(const uint16_t* Lengths, uint16_t N, uint16_t S, const uint16_t* Bases,
                       const uint16_t* Extras, HuffArena& Arena, HuffEntry*& Table, int32_t& Bits) {
  Table = nullptr;
  auto invalid = [&Table, &Bits] {
    Table = nullptr;
    Bits = 0;
    return kHuffInvalid;
  };
  if (N > kMaxHuffSymbols) return invalid();

  // Count the codes of each length; check that every symbol at or above S
  // has a base and an extra bit count to take.
  unsigned count[kMaxHuffLength + 1] = {};
  for (unsigned i = 0; i < N; ++i) {
    const unsigned length = Lengths[i];
    if (length > kMaxHuffLength) return invalid();
    ++count[length];
    if (length != 0 && i >= S && (Bases == nullptr || Extras == nullptr)) return invalid();
  }
  if (count[0] == N) {
    Bits = 0;
    return kHuffComplete;
  }

  // Code lengths in use, and the first-level width within them.
  unsigned minLength = 1;
  while (count[minLength] == 0) ++minLength;
  unsigned maxLength = kMaxHuffLength;
  while (count[maxLength] == 0) --maxLength;
  if (Bits < static_cast<int32_t>(minLength)) {
    Bits = static_cast<int32_t>(minLength);
    if (Bits > static_cast<int32_t>(kMaxRaisedBits)) Bits = static_cast<int32_t>(kMaxRaisedBits);
  }
  if (Bits > static_cast<int32_t>(maxLength)) Bits = static_cast<int32_t>(maxLength);
  const unsigned rootBits = static_cast<unsigned>(Bits);

  // Kraft sum: the code space left after each length. Negative means more
  // codes than patterns.
  int32_t slack = 1 << minLength;
  for (unsigned k = minLength; k < maxLength; ++k) {
    slack -= static_cast<int32_t>(count[k]);
    if (slack < 0) return invalid();
    slack *= 2;
  }
  slack -= static_cast<int32_t>(count[maxLength]);
  if (slack < 0) return invalid();

  // Symbols in canonical order: by length, then by value.
  uint16_t values[kMaxHuffSymbols];
  unsigned start[kMaxHuffLength + 2];
  start[1] = 0;
  for (unsigned k = 1; k <= kMaxHuffLength; ++k) start[k + 1] = start[k] + count[k];
  const unsigned symbolCount = start[kMaxHuffLength + 1];
  for (unsigned i = 0; i < N; ++i) {
    if (Lengths[i] != 0) values[start[Lengths[i]]++] = static_cast<uint16_t>(i);
  }

  // What stays free counts as codes of the longest length without a symbol
  // when table widths are chosen. They come last in canonical order and
  // decode as invalid (Op 99): with free space, every table starts out
  // invalid and the walk stops at the last symbol, opening no table for
  // them; without, the walk writes every entry.
  count[maxLength] += static_cast<unsigned>(slack);

  // The end-of-block symbol's length (inflate's literal/length code): no
  // sub-table is made wider than that length reaches, so the end-of-block
  // code always ends exactly at a table boundary.
  const unsigned eobLength = N > 256 ? Lengths[256] : kMaxHuffLength;

  Level level[kMaxHuffLength + 1];
  int h = -1;         // current level; -1 before the first table
  unsigned code = 0;  // current code, first input bit in bit 0
  unsigned next = 0;  // next symbol in `values`

  for (unsigned k = minLength; k <= maxLength && next < symbolCount; ++k) {
    for (unsigned left = count[k]; left > 0 && next < symbolCount; --left) {
      // Leave the sub-tables whose prefix the code has moved past.
      while (h > 0 && (code & LowMask(level[h].above)) != level[h].prefix) --h;

      // Open tables one level down until the code fits.
      while (h < 0 || k > level[h].above + level[h].width) {
        const unsigned above = h < 0 ? 0 : level[h].above + level[h].width;
        unsigned j = k - above;
        if (h < 0) {
          j = rootBits;
        } else {
          // Widen the table while the codes of the next lengths would fill
          // the patterns that the codes of length k leave free: one wider
          // table is faster than a further level.
          const unsigned limit = maxLength - above < rootBits ? maxLength - above : rootBits;
          if ((1u << j) > left) {
            unsigned free = (1u << j) - left;
            unsigned length = k;
            while (++j < limit) {
              free *= 2;
              if (free <= count[++length]) break;
              free -= count[length];
            }
          }
          if (above + j > eobLength && above < eobLength) j = eobLength - above;
        }
        HuffEntry* table = Arena.Take(size_t{1} << j, slack != 0);
        if (table == nullptr) return invalid();  // an arena below the bound
        if (h < 0) Table = table;
        if (h >= 0) {
          HuffEntry& link = level[h].table[(code >> level[h].above) & LowMask(level[h].width)];
          const auto offset = static_cast<size_t>(table - level[h].table);
          if (offset > 0xFFFF) return invalid();
          link.Op = static_cast<uint8_t>(16 + j);
          link.Bits = static_cast<uint8_t>(level[h].width);
          link.Base = static_cast<uint16_t>(offset);
        }
        ++h;
        level[h] = Level{table, above, j, code & LowMask(above)};
      }

      // The code's entry, at every index whose low bits are the code's.
      const Level& current = level[h];
      HuffEntry entry{};
      entry.Bits = static_cast<uint8_t>(k - current.above);
      const unsigned symbol = values[next++];
      if (symbol < S) {
        entry.Op = symbol < 256 ? kOpLiteral : kOpEndOfBlock;
        entry.Base = static_cast<uint16_t>(symbol);
      } else {
        entry.Op = static_cast<uint8_t>(Extras[symbol - S] & 0xFF);
        entry.Base = Bases[symbol - S];
      }
      const unsigned step = 1u << entry.Bits;
      const unsigned size = 1u << current.width;
      for (unsigned i = code >> current.above; i < size; i += step) current.table[i] = entry;

      // Next code of length k, bit-reversed: add one at the top bit and
      // carry toward bit 0. The same value serves as the next code of
      // length k + 1 (a zero appended at the end is bit k, not set).
      unsigned bit = 1u << (k - 1);
      while (code & bit) {
        code ^= bit;
        bit >>= 1;
      }
      code ^= bit;
    }
  }
  return (slack != 0 && maxLength != 1) ? kHuffIncomplete : kHuffComplete;
}

}  // namespace unzip
