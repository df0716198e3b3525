#include "unzip/huffman.h"

#include <cstdlib>

namespace unzip {
namespace {

// The tables are a few kilobytes at most and their size does not depend on
// the input beyond a fixed bound, so running out of memory here is not a
// property of the archive: there is nothing sensible to report it as.
[[noreturn]] void OutOfMemory() { std::abort(); }

// One table of 2^bits entries behind its header; returns the first real
// entry. The header's Base holds the entry count (the low 16 bits of it),
// its Link the next table of the chain. The entries are left unwritten: the
// code space is complete (free codes become invalid entries), so the walk
// writes every field of every entry, as if the table had been zero-filled.
HuffEntry* NewTable(unsigned bits) {
  const size_t entries = size_t{1} << bits;
  auto* block = static_cast<HuffEntry*>(std::malloc((entries + 1) * sizeof(HuffEntry)));
  if (block == nullptr) OutOfMemory();
  block[0] = HuffEntry{0, 0, static_cast<uint16_t>(entries), nullptr};
  return block + 1;
}

// One open table while the codes are walked.
struct Level {
  HuffEntry* table;
  unsigned above;   // input bits consumed by the levels above this table
  unsigned width;   // index bits of this table
  unsigned prefix;  // the low `above` bits of every code this table holds
};

unsigned LowMask(unsigned bits) { return (1u << bits) - 1; }

}  // namespace

// Long on purpose: the steps (counts, Kraft check, canonical order, one walk
// opening and filling the tables level by level) share their state.
int BuildHuffmanTables(const uint16_t* Lengths, uint16_t N, uint16_t S, const uint16_t* Bases,
                       const uint16_t* Extras, HuffEntry*& Table, int32_t& Bits) {
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
  if (Bits < static_cast<int32_t>(minLength)) Bits = static_cast<int32_t>(minLength);
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

  // What stays free becomes codes of the longest length without a symbol,
  // which decode as invalid (Op 99): the tables then cover every input
  // pattern.
  count[maxLength] += static_cast<unsigned>(slack);

  // The end-of-block symbol's length (inflate's literal/length code): no
  // sub-table is made wider than that length reaches, so the end-of-block
  // code always ends exactly at a table boundary.
  const unsigned eobLength = N > 256 ? Lengths[256] : kMaxHuffLength;

  Level level[kMaxHuffLength + 1];
  int h = -1;                       // current level; -1 before the first table
  HuffEntry* lastHeader = nullptr;  // header of the table allocated last
  unsigned code = 0;                // current code, first input bit in bit 0
  unsigned next = 0;                // next symbol in `values`

  for (unsigned k = minLength; k <= maxLength; ++k) {
    for (unsigned left = count[k]; left > 0; --left) {
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
          const unsigned limit =
              maxLength - above < rootBits ? maxLength - above : rootBits;
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
        HuffEntry* table = NewTable(j);
        if (lastHeader == nullptr) {
          Table = table;
        } else {
          lastHeader->Link = table;
        }
        lastHeader = table - 1;
        if (h >= 0) {
          HuffEntry& link = level[h].table[(code >> level[h].above) & LowMask(level[h].width)];
          link.Op = static_cast<uint8_t>(16 + j);
          link.Bits = static_cast<uint8_t>(level[h].width);
          link.Base = 0;
          link.Link = table;
        }
        ++h;
        level[h] = Level{table, above, j, code & LowMask(above)};
      }

      // The code's entry, at every index whose low bits are the code's.
      const Level& current = level[h];
      HuffEntry entry{};
      entry.Bits = static_cast<uint8_t>(k - current.above);
      if (next >= symbolCount) {
        entry.Op = kOpInvalid;
      } else {
        const unsigned symbol = values[next++];
        if (symbol < S) {
          entry.Op = symbol < 256 ? kOpLiteral : kOpEndOfBlock;
          entry.Base = static_cast<uint16_t>(symbol);
        } else {
          entry.Op = static_cast<uint8_t>(Extras[symbol - S] & 0xFF);
          entry.Base = Bases[symbol - S];
        }
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

void FreeHuffmanTables(HuffEntry* Table) {
  while (Table != nullptr) {
    HuffEntry* header = Table - 1;
    Table = header->Link;
    std::free(header);
  }
}

}  // namespace unzip
