// The table builder: its results on good and bad length sets, and the tables
// themselves, checked by decoding every input pattern against the canonical
// codes computed independently here.
#include "unzip/huffman.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

using unzip::BuildHuffmanTables;
using unzip::HuffEntry;

// A built code in an arena of exactly the bound's size for it, left
// unwritten: the builder writes what it takes.
struct Built {
  int result = -1;
  HuffEntry* table = nullptr;
  int32_t bits = 0;
  std::unique_ptr<HuffEntry[]> storage;

  Built(const std::vector<uint8_t>& lengths, int32_t width, uint16_t s) : bits(width) {
    const std::vector<uint16_t> l(lengths.begin(), lengths.end());
    const unsigned longest = l.empty() ? 0 : *std::max_element(l.begin(), l.end());
    const size_t bound =
        unzip::HuffTableBound(static_cast<unsigned>(bits), static_cast<unsigned>(l.size()),
                              std::min(longest, unzip::kMaxHuffLength));
    storage.reset(new HuffEntry[bound]);
    unzip::HuffArena arena(storage.get(), bound);
    result = BuildHuffmanTables(l.data(), static_cast<uint16_t>(l.size()), s, nullptr, nullptr,
                                arena, table, bits);
  }
};

// What the decoding contract yields for `input` (first bit in bit 0).
struct Walked {
  unsigned op, base, consumed;
};

Walked Walk(const HuffEntry* table, int32_t bits, uint32_t input) {
  unsigned consumed = 0;
  const HuffEntry* e = &table[input & ((1u << bits) - 1)];
  while (e->Op > 16) {
    if (e->Op == unzip::kOpInvalid) return {e->Op, 0, consumed};
    EXPECT_LE(e->Op, 32);
    consumed += e->Bits;
    input >>= e->Bits;
    table += e->Base;
    e = &table[input & ((1u << (e->Op - 16u)) - 1)];
  }
  return {e->Op, e->Base, consumed + e->Bits};
}

uint32_t Reverse(uint32_t code, unsigned length) {
  uint32_t r = 0;
  for (unsigned i = 0; i < length; ++i) r |= ((code >> i) & 1u) << (length - 1 - i);
  return r;
}

// The canonical code of each symbol (by length, then symbol value; 0: no
// code), bit-reversed into the order the decoder reads it.
std::vector<uint32_t> ReversedCodes(const std::vector<uint8_t>& lengths) {
  std::vector<uint32_t> codes(lengths.size(), 0);
  uint32_t code = 0;
  for (unsigned length = 1; length <= 16; ++length, code <<= 1) {
    for (size_t i = 0; i < lengths.size(); ++i) {
      if (lengths[i] == length) codes[i] = Reverse(code++, length);
    }
  }
  return codes;
}

// Decodes every pattern of maxLength bits and checks that each lands on the
// symbol whose code is its prefix, or on an invalid entry when no code is.
// Returns the number of patterns that decode as invalid.
unsigned CheckAllPatterns(const Built& b, const std::vector<uint8_t>& lengths) {
  const std::vector<uint32_t> codes = ReversedCodes(lengths);
  const unsigned maxLength = *std::max_element(lengths.begin(), lengths.end());
  // The symbol each pattern starts with, -1 where no code is a prefix.
  std::vector<int> owner(size_t{1} << maxLength, -1);
  for (size_t i = 0; i < lengths.size(); ++i) {
    if (lengths[i] == 0) continue;
    for (uint32_t x = codes[i]; x < owner.size(); x += 1u << lengths[i]) {
      owner[x] = static_cast<int>(i);
    }
  }
  unsigned invalid = 0;
  for (uint32_t x = 0; x < owner.size(); ++x) {
    const Walked w = Walk(b.table, b.bits, x);
    const int expected = owner[x];
    if (expected < 0) {
      EXPECT_EQ(w.op, unzip::kOpInvalid) << "pattern " << x;
      ++invalid;
      continue;
    }
    const auto sym = static_cast<unsigned>(expected);
    // An invalid entry stops the walk before its own bits are counted.
    if (w.op != unzip::kOpInvalid) {
      EXPECT_EQ(w.consumed, lengths[sym]) << "pattern " << x << " symbol " << sym;
    }
    // Without bases every symbol is below s: a literal, or from 256 on the end of block.
    EXPECT_EQ(w.op, sym < 256 ? unzip::kOpLiteral : unzip::kOpEndOfBlock) << "symbol " << sym;
    EXPECT_EQ(w.base, sym);
  }
  return invalid;
}

TEST(HuffmanBuild, ResultTableWidthAndEveryPatternOfSmallCodes) {
  std::vector<uint8_t> descending;  // 1, 2, ..., 15, 16, 16: complete
  for (uint8_t l = 1; l <= 16; ++l) descending.push_back(l);
  descending.push_back(16);
  constexpr int kNoTable = -1, kAny = -1;
  const struct {
    const char* name;
    std::vector<uint8_t> lengths;
    int32_t bits;
    uint16_t s;
    int result;
    int32_t tableBits;  // first-level width afterwards
    int invalid;        // patterns that decode as invalid
  } cases[] = {
      {"all lengths zero", std::vector<uint8_t>(19, 0), 7, 19, unzip::kHuffComplete, 0, kNoTable},
      // The other half of the code space decodes as invalid.
      {"one code of length 1 counts as complete", {0, 0, 1, 0}, 7, 4, unzip::kHuffComplete, 1, 1},
      {"incomplete code is usable", {2, 2, 2}, 7, 3, unzip::kHuffIncomplete, 2, 1},
      {"over-subscribed 1,1,1", {1, 1, 1}, 7, 19, unzip::kHuffInvalid, kAny, kNoTable},
      {"over-subscribed 2,2,2,2,3", {2, 2, 2, 2, 3}, 7, 19, unzip::kHuffInvalid, kAny, kNoTable},
      {"over-subscribed 1..15,15,15",
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 15, 15},
       7,
       19,
       unzip::kHuffInvalid,
       kAny,
       kNoTable},
      {"length above 16", {1, 17, 1}, 7, 3, unzip::kHuffInvalid, 0, kNoTable},
      // Symbol 2 needs a base and an extra bit count; absent, it needs none.
      {"symbol above s without bases", {1, 2, 2}, 7, 2, unzip::kHuffInvalid, kAny, kNoTable},
      {"absent symbol above s", {1, 1, 0}, 7, 2, unzip::kHuffComplete, 1, 0},
      {"289 symbols", std::vector<uint8_t>(289, 9), 9, 257, unzip::kHuffInvalid, kAny, kNoTable},
      {"width lowered to the longest code", {2, 2, 3, 3, 3, 3}, 9, 6, unzip::kHuffComplete, 3, 0},
      {"width raised to the shortest code", std::vector<uint8_t>(256, 8), 5, 256,
       unzip::kHuffComplete, 8, 0},
      {"16-bit codes", descending, 7, static_cast<uint16_t>(descending.size()),
       unzip::kHuffComplete, 7, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Built b(c.lengths, c.bits, c.s);
    EXPECT_EQ(b.result, c.result);
    if (c.tableBits != kAny) {
      EXPECT_EQ(b.bits, c.tableBits);
    }
    if (c.invalid == kNoTable) {
      EXPECT_EQ(b.table, nullptr);
    } else {
      ASSERT_NE(b.table, nullptr);
      EXPECT_EQ(CheckAllPatterns(b, c.lengths), static_cast<unsigned>(c.invalid));
    }
  }
}

}  // namespace
