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
//      Entry := Entry.Link[low K bits].
//   3. DumpBits(Entry.Bits); Op and Base give the symbol or the extra bit
//      count and base value.
// (Implode indexes with the complemented bit buffer, deflate with it as is.)
#pragma once

#include <cstdint>

namespace unzip {

// One table entry.
//   Op 16: literal, the symbol in Base (below 256).
//   Op 15: end of block (a simple symbol of 256 or more).
//   Op 99: invalid code (free code space, or a symbol whose extra bit count
//          is given as 99).
//   Op 17..32: link to a sub-table indexed by the next Op - 16 bits.
//   Op 0..14: extra bits after a length or distance code; Base is its base.
// Bits: input bits this entry consumes, beyond those of the levels above.
struct HuffEntry {
  uint8_t Op;
  uint8_t Bits;
  uint16_t Base;
  HuffEntry* Link;
};

inline constexpr uint8_t kOpLiteral = 16;
inline constexpr uint8_t kOpEndOfBlock = 15;
inline constexpr uint8_t kOpInvalid = 99;

// Results of BuildHuffmanTables.
inline constexpr int kHuffComplete = 0;    // complete code (or no code at all)
inline constexpr int kHuffIncomplete = 1;  // usable tables; the caller frees them
inline constexpr int kHuffInvalid = 2;     // bad lengths; nothing allocated

// Most symbols a code may have.
inline constexpr unsigned kMaxHuffSymbols = 288;
// Longest code length.
inline constexpr unsigned kMaxHuffLength = 16;

// Builds the tables of the canonical code whose symbol i (0 <= i < N) has
// code length Lengths[i] (0: symbol absent). Symbols below S are simple:
// Op 16 with Base = symbol for symbols below 256, Op 15 (end of block) from
// 256 on. A symbol V >= S takes Op = low 8 bits of Extras[V - S] and
// Base = Bases[V - S].
//
// Bits: in, the wanted first-level index width; out, the width used: raised
// to the shortest code length, lowered to the longest. Table receives the
// first-level table, whose entries are indexed by the low Bits input bits;
// the tables of one code form a chain that FreeHuffmanTables releases.
//
// Returns kHuffComplete (also for all lengths 0: Table null, Bits 0),
// kHuffIncomplete (tables built; code space left free decodes as Op 99; a
// single code of length 1 counts as complete), or kHuffInvalid (a length
// above 16, an over-subscribed code, more than 288 symbols, or a symbol at or
// above S without Bases or Extras: Table null, Bits 0).
//
// Memory comes from the general allocator; running out of it is not a
// result but ends the program (the tables are small and bounded).
int BuildHuffmanTables(const uint16_t* Lengths, uint16_t N, uint16_t S, const uint16_t* Bases,
                       const uint16_t* Extras, HuffEntry*& Table, int32_t& Bits);

// Frees every table of the chain that starts at Table (null is allowed).
void FreeHuffmanTables(HuffEntry* Table);

}  // namespace unzip
