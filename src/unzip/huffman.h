// Multi-level lookup tables for canonical prefix codes (deflate and
// implode). A code is described by one length per symbol; the builder checks
// the lengths (no length above 16, no over-subscribed code), reports
// incomplete codes, and builds tables through which a decoder resolves a code
// with one lookup of `Bits` input bits, plus one lookup per sub-table level
// for the rare longer codes.
//
// Decoding contract (bits are read least significant first):
//   1. NeedBits(Bits); Entry := Table[low Bits bits].
//   2. While Entry.Op > 16: Op 99 means an invalid code (malformed data);
//      otherwise DumpBits(Entry.Bits), K := Op - 16, NeedBits(K),
//      Table := Table + Entry.Base, Entry := Table[low K bits].
//   3. DumpBits(Entry.Bits); Op and Base give the symbol or the extra bit
//      count and base value.
// (Implode indexes with the complemented bit buffer, deflate with it as is.)
#pragma once

#include <cstddef>
#include <cstdint>

#include "unzip/deflate_format.h"

namespace unzip {

// One table entry.
//   Op 16: literal, the symbol in Base (below 256).
//   Op 15: end of block (a simple symbol of 256 or more).
//   Op 99: invalid code (free code space, or a symbol whose extra bit count
//          is given as 99).
//   Op 17..32: link to a sub-table indexed by the next Op - 16 bits, which
//              starts Base entries after the table that holds the link.
//   Op 0..14: extra bits after a length or distance code; Base is its base.
// Bits: input bits this entry consumes, beyond those of the levels above.
// Four bytes, so that a decoder reads an entry as one word and the tables
// take little cache.
struct HuffEntry {
  uint8_t Op;
  uint8_t Bits;
  uint16_t Base;
};
static_assert(sizeof(HuffEntry) == 4);

inline constexpr uint8_t kOpLiteral = 16;
inline constexpr uint8_t kOpEndOfBlock = 15;
inline constexpr uint8_t kOpInvalid = 99;

// Results of BuildHuffmanTables.
inline constexpr int kHuffComplete = 0;    // complete code (or no code at all)
inline constexpr int kHuffIncomplete = 1;  // usable tables
inline constexpr int kHuffInvalid = 2;     // bad lengths; no tables

// Most symbols a code may have: deflate's literal/length alphabet.
inline constexpr unsigned kMaxHuffSymbols = deflate::kLiteralLengthSymbols;
// Longest code length.
inline constexpr unsigned kMaxHuffLength = 16;
// A first-level table is widened to the shortest code length, but not past
// this width unless the caller asked for more.
inline constexpr unsigned kMaxRaisedBits = 10;

// Entries the tables of one code can take at most, given the wanted
// first-level width, the symbol count and the longest code length allowed.
// The first level has 2^r entries (r: the width used, within the wanted
// width and its raise). Every sub-table is opened for a symbol that needs
// it, and the tables opened for one symbol nest, their widths adding up to
// at most maxLength - r: at most 2^(maxLength - r) entries per symbol. Free
// code space opens no tables (it stays invalid in the tables already open).
constexpr size_t HuffTableBound(unsigned wantedBits, unsigned symbols,
                                unsigned maxLength = kMaxHuffLength) {
  const unsigned top = wantedBits > kMaxRaisedBits ? wantedBits : kMaxRaisedBits;
  size_t worst = 0;
  for (unsigned r = wantedBits; r <= top; ++r) {
    const unsigned root = r < maxLength ? r : maxLength;
    const size_t n = (size_t{1} << root) + size_t{symbols} * (size_t{1} << (maxLength - root));
    if (n > worst) worst = n;
  }
  return worst;
}

// Storage the builder takes table entries from: a block of fixed size that
// the caller owns, sized with HuffTableBound for the codes built into it.
// Tables stay valid until the arena is reset for the next codes.
class HuffArena {
 public:
  HuffArena(HuffEntry* entries, size_t capacity) : entries_(entries), capacity_(capacity) {}
  HuffArena(const HuffArena&) = delete;
  HuffArena& operator=(const HuffArena&) = delete;

  // Forgets every table: the next build starts at the beginning.
  void Reset() {
    used_ = 0;
    tables_ = 0;
  }
  size_t Used() const { return used_; }
  size_t Tables() const { return tables_; }
  // `count` entries for one table, unwritten or (`invalid`) every one an
  // invalid code; null when the arena cannot hold them.
  HuffEntry* Take(size_t count, bool invalid);

 private:
  HuffEntry* entries_;
  size_t capacity_;
  size_t used_ = 0;
  size_t tables_ = 0;
};

// Builds the tables of the canonical code whose symbol i (0 <= i < N) has
// code length Lengths[i] (0: symbol absent), in `Arena` after the tables
// already there. Symbols below S are simple: Op 16 with Base = symbol for
// symbols below 256, Op 15 (end of block) from 256 on. A symbol V >= S takes
// Op = low 8 bits of Extras[V - S] and Base = Bases[V - S].
//
// Bits: in, the wanted first-level index width; out, the width used: raised
// to the shortest code length (up to kMaxRaisedBits), lowered to the
// longest. Table receives the first-level table, whose entries are indexed
// by the low Bits input bits.
//
// Returns kHuffComplete (also for all lengths 0: Table null, Bits 0),
// kHuffIncomplete (tables built; code space left free decodes as Op 99; a
// single code of length 1 counts as complete), or kHuffInvalid (a length
// above 16, an over-subscribed code, more than 288 symbols, a symbol at or
// above S without Bases or Extras, an arena smaller than HuffTableBound
// asks for, or a sub-table more than 65,535 entries after its parent, which
// no code of the decoders' widths comes near: Table null, Bits 0).
int BuildHuffmanTables(const uint16_t* Lengths, uint16_t N, uint16_t S, const uint16_t* Bases,
                       const uint16_t* Extras, HuffArena& Arena, HuffEntry*& Table, int32_t& Bits);

}  // namespace unzip
