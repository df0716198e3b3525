// Method 6 (imploded): flagged literals and (distance, length) matches over
// a 4K or 8K sliding dictionary, with the lengths, the distances' upper six
// bits and optionally the literals coded by prefix trees stored in front of
// the data. Flag bit 2 of the entry selects the literal tree, flag bit 1 the
// 8K dictionary. Every code is stored with its bits inverted.
#include <array>
#include <cstdlib>

#include "unzip/decoders.h"
#include "unzip/huffman.h"
#include "unzip/lz_window.h"

namespace unzip {
namespace {

constexpr uint16_t kFlag8K = 0x0002;
constexpr uint16_t kFlagLiteralTree = 0x0004;
// Larger entries get a wider first-level distance table.
constexpr uint32_t kLargeEntry = 200000;
constexpr uint16_t kTreeSymbols = 64;
constexpr uint16_t kLiterals = 256;

// Indexed by a length or distance code (0 to 63).
constexpr std::array<uint16_t, kTreeSymbols> Sequence(uint16_t first, uint16_t step) {
  std::array<uint16_t, kTreeSymbols> a{};
  for (uint16_t i = 0; i < kTreeSymbols; ++i) a[i] = static_cast<uint16_t>(first + step * i);
  return a;
}
constexpr auto kLengthsFrom2 = Sequence(2, 1);  // without a literal tree
constexpr auto kLengthsFrom3 = Sequence(3, 1);  // with one
constexpr auto kDistances4K = Sequence(1, 64);  // upper bits of distance - 1, plus 1
constexpr auto kDistances8K = Sequence(1, 128);
// Code 63 takes 8 more bits of length; no distance code has extra bits.
constexpr std::array<uint16_t, kTreeSymbols> kExtraBits = [] {
  std::array<uint16_t, kTreeSymbols> a{};
  a[kTreeSymbols - 1] = 8;
  return a;
}();

// First-level widths of the trees' tables.
constexpr int32_t kLiteralBits = 9;
constexpr int32_t kLengthBits = 7;
constexpr int32_t kSmallDistanceBits = 7;
constexpr int32_t kLargeDistanceBits = 8;
// Room for the tables of all three trees at once.
constexpr size_t kTableEntries = HuffTableBound(kLiteralBits, kLiterals) +
                                 HuffTableBound(kLengthBits, kTreeSymbols) +
                                 HuffTableBound(kSmallDistanceBits, kTreeSymbols);
static_assert(HuffTableBound(kLargeDistanceBits, kTreeSymbols) <=
              HuffTableBound(kSmallDistanceBits, kTreeSymbols));

// One tree's decoding tables, kept in the entry's arena.
class Tree {
 public:
  Tree() = default;
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;

  // Reads the tree's run-length coded lengths from the byte stream and
  // builds its tables. False when the description is malformed or the
  // lengths do not form a complete code.
  bool Read(Engine& e, HuffArena& arena, uint16_t n, const uint16_t* bases, const uint16_t* extras,
            int32_t bits);

  // Resolves one inverted code.
  const HuffEntry* Decode(Engine& e) const {
    e.NeedBits(static_cast<uint32_t>(bits_));
    const HuffEntry* table = table_;
    const HuffEntry* t = table + (~static_cast<uint32_t>(e.BitBuffer) & kMask[bits_]);
    while (t->Op > kOpLiteral) {
      if (t->Op == kOpInvalid) return nullptr;
      e.DumpBits(t->Bits);
      const uint32_t k = t->Op - kOpLiteral;
      e.NeedBits(k);
      table += t->Base;
      t = table + (~static_cast<uint32_t>(e.BitBuffer) & kMask[k]);
    }
    e.DumpBits(t->Bits);
    return t;
  }

 private:
  HuffEntry* table_ = nullptr;
  int32_t bits_ = 0;
};

// A group byte gives a length (low 4 bits, plus 1) and how many symbols in a
// row have it (high 4 bits, plus 1). Every length is 1 to 16.
bool ReadExplodeLengths(Engine& e, uint16_t* lengths, uint16_t n) {
  const uint32_t groups = e.ReadInputByte() + 1u;
  uint32_t k = 0;
  for (uint32_t g = 0; g < groups; ++g) {
    const uint8_t b = e.ReadInputByte();
    const uint32_t repeat = (b >> 4) + 1u;
    if (k + repeat > n) return false;
    for (uint32_t i = 0; i < repeat; ++i) lengths[k++] = static_cast<uint16_t>((b & 15) + 1);
  }
  return k == n;
}

bool Tree::Read(Engine& e, HuffArena& arena, uint16_t n, const uint16_t* bases,
                const uint16_t* extras, int32_t bits) {
  uint16_t lengths[kLiterals];
  if (!ReadExplodeLengths(e, lengths, n)) return false;
  // The trees use every symbol, so a usable code is complete; an incomplete
  // one is built but refused.
  const uint16_t simple = bases == nullptr ? n : 0;
  bits_ = bits;
  return BuildHuffmanTables(lengths, n, simple, bases, extras, arena, table_, bits_) ==
             kHuffComplete &&
         table_ != nullptr;
}

// The decoding loop. lowBits: distance bits sent plainly (6 for the 4K
// dictionary, 7 for 8K). Without a literal tree a literal is 8 plain bits.
TUnzipResult ExplodeLoop(Engine& e, const Tree* literals, const Tree& lengths,
                         const Tree& distances, uint32_t lowBits) {
  e.BitBuffer = 0;
  e.BitCount = 0;
  LzWindow<kWindowSize> window(e);
  // 64 bits wide: a match overshooting an entry of nearly 4 GiB must still
  // end the loop.
  int64_t remaining = e.UncompressedSize;
  while (remaining > 0 && !e.AbortRequested && !e.InputExhausted) {
    e.NeedBits(1);
    const bool literal = (e.BitBuffer & 1) != 0;
    e.DumpBits(1);
    if (literal) {
      uint8_t b;
      if (literals != nullptr) {
        const HuffEntry* t = literals->Decode(e);
        if (t == nullptr) return urArchiveError;
        b = static_cast<uint8_t>(t->Base);
      } else {
        b = static_cast<uint8_t>(e.GetBits(8));
      }
      if (!window.Put(b)) return urWriteError;
      --remaining;
      continue;
    }
    const uint32_t low = e.GetBits(lowBits);
    const HuffEntry* d = distances.Decode(e);
    if (d == nullptr) return urArchiveError;
    const HuffEntry* l = lengths.Decode(e);
    if (l == nullptr) return urArchiveError;
    const uint32_t length = l->Base + (l->Op != 0 ? e.GetBits(l->Op) : 0u);
    remaining -= length;  // a match longer than the rest is copied whole
    if (!window.Copy(low + d->Base, length)) return urWriteError;
  }
  if (e.AbortRequested) return urUserAbort;  // the partial window is dropped
  if (!window.Finish()) return urWriteError;
  return e.InputExhausted ? urReadError : urOk;
}

}  // namespace

TUnzipResult ExplodeEntry(Engine& e) {
  e.InputPos = 0;
  e.InputLast = -1;
  const bool big = (e.GeneralFlags & kFlag8K) != 0;
  const bool literalTree = (e.GeneralFlags & kFlagLiteralTree) != 0;
  const int32_t distanceBits =
      e.CompressedSize > kLargeEntry ? kLargeDistanceBits : kSmallDistanceBits;
  const uint16_t* distanceBases = big ? kDistances8K.data() : kDistances4K.data();

  // The trees come in the order literal, length, distance.
  struct Storage {
    HuffEntry* entries = static_cast<HuffEntry*>(std::malloc(kTableEntries * sizeof(HuffEntry)));
    ~Storage() { std::free(entries); }
  } storage;
  if (storage.entries == nullptr) return urWriteError;  // as the driver without a window
  HuffArena arena(storage.entries, kTableEntries);
  Tree lit, len, dist;
  if (literalTree && !lit.Read(e, arena, kLiterals, nullptr, nullptr, kLiteralBits)) {
    return urArchiveError;
  }
  const uint16_t* lengthBases = literalTree ? kLengthsFrom3.data() : kLengthsFrom2.data();
  if (!len.Read(e, arena, kTreeSymbols, lengthBases, kExtraBits.data(), kLengthBits)) {
    return urArchiveError;
  }
  if (!dist.Read(e, arena, kTreeSymbols, distanceBases, kExtraBits.data(), distanceBits)) {
    return urArchiveError;
  }
  return ExplodeLoop(e, literalTree ? &lit : nullptr, len, dist, big ? 7 : 6);
}

}  // namespace unzip
