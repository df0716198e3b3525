// Method 8: deflate (RFC 1951) into the engine's 32 KB circular window.
//
// Two paths decode the same symbols. The careful path follows the engine's
// reading rules to the letter: it asks NeedBits for each field, so the input
// buffer is refilled (with its message pump and progress update) exactly when
// the next byte is needed, and it flushes the window when it fills. The fast
// path runs while the input buffer holds at least 8 more bytes and the window
// has room for a longest match plus a word of overrun: it keeps the bit
// reader in registers, refills it a word at a time once per symbol, and
// copies matches a word at a time. It never refills the input buffer nor
// flushes the window, so it changes nothing that anyone else can observe.
#include <cstddef>
#include <cstring>

#include "unzip/decoders.h"
#include "unzip/huffman.h"

namespace unzip {
namespace {

// Base lengths and extra bits of length symbols 257 to 285; symbols 286 and
// 287 carry 99 extra bits, which makes them invalid codes.
constexpr uint16_t kLengthBases[31] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,
                                       17, 19, 23, 27, 31, 35, 43, 51, 59,  67,  83,
                                       99, 115, 131, 163, 195, 227, 258, 0, 0};
constexpr uint16_t kLengthExtras[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,  2,
                                        3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 99, 99};
// Base distances and extra bits of distance symbols 0 to 29. A dynamic block
// may declare 31 or 32 distance codes; symbols 30 and 31 then get entries
// with 99 extra bits, so they decode as invalid codes and the tables are
// never read past their end.
constexpr uint16_t kDistanceBases[32] = {1,    2,    3,    4,     5,     7,     9,    13,
                                         17,   25,   33,   49,    65,    97,    129,  193,
                                         257,  385,  513,  769,   1025,  1537,  2049, 3073,
                                         4097, 6145, 8193, 12289, 16385, 24577, 0,    0};
constexpr uint16_t kDistanceExtras[32] = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                          7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 99, 99};
// The order in which a dynamic block sends the code-length code's lengths.
constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5,
                                          11, 4, 12, 3, 13, 2, 14, 1, 15};

// First-level table widths.
constexpr int32_t kFixedLiteralBits = 7;
constexpr int32_t kFixedDistanceBits = 5;
constexpr int32_t kDynamicLiteralBits = 9;
constexpr int32_t kDynamicDistanceBits = 6;
constexpr int32_t kCodeLengthBits = 7;

constexpr unsigned kMaxMatch = 258;

// The table chain of one code, freed when the block is done, on every path.
struct Tables {
  HuffEntry* table = nullptr;
  int32_t bits = 0;
  Tables() = default;
  Tables(const Tables&) = delete;
  Tables& operator=(const Tables&) = delete;
  ~Tables() { FreeHuffmanTables(table); }
  int Build(const uint16_t* lengths, unsigned n, unsigned s, const uint16_t* bases,
            const uint16_t* extras, int32_t wantedBits) {
    bits = wantedBits;
    return BuildHuffmanTables(lengths, static_cast<uint16_t>(n), static_cast<uint16_t>(s), bases,
                              extras, table, bits);
  }
};

inline uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

inline void Store64(uint8_t* p, uint64_t v) { std::memcpy(p, &v, sizeof(v)); }

inline uint32_t LowBits(uint64_t value, unsigned n) {
  return static_cast<uint32_t>(value) & ((1u << n) - 1);
}

// Hands a full window to the output; WindowPos starts over.
bool WindowFull(Engine& e) {
  e.WindowPos = 0;
  return e.FlushWindow(kWindowSize);
}

// --- careful path ---------------------------------------------------------

// Decodes one code through a table chain as the engine's reading rules
// describe it. Null on an invalid code.
const HuffEntry* DecodeCareful(Engine& e, const HuffEntry* table, int32_t bits) {
  e.NeedBits(static_cast<uint32_t>(bits));
  const HuffEntry* entry = &table[e.PeekBits(static_cast<uint32_t>(bits))];
  while (entry->Op > kOpLiteral) {
    if (entry->Op == kOpInvalid) return nullptr;
    e.DumpBits(entry->Bits);
    const uint32_t k = entry->Op - 16u;
    e.NeedBits(k);
    entry = &entry->Link[e.PeekBits(k)];
  }
  e.DumpBits(entry->Bits);
  return entry;
}

// Copies a match of `length` bytes from `distance` back, in pieces that end
// at the window's end (where the window is flushed and writing goes on at
// 0). A piece whose source lies at least its length behind the destination
// moves as a block; otherwise byte by byte in increasing order, so that an
// overlapping source repeats the bytes just written.
bool CopyMatch(Engine& e, uint32_t length, uint32_t distance) {
  uint8_t* const window = e.OutputWindow;
  uint32_t source = (e.WindowPos - distance) & 0xFFFF;
  while (length > 0) {
    source &= kWindowSize - 1;
    uint32_t piece = kWindowSize - (source > e.WindowPos ? source : e.WindowPos);
    if (piece > length) piece = length;
    const int32_t gap = static_cast<int32_t>(e.WindowPos) - static_cast<int32_t>(source);
    if (gap >= static_cast<int32_t>(piece)) {
      std::memcpy(window + e.WindowPos, window + source, piece);
    } else {
      for (uint32_t i = 0; i < piece; ++i) window[e.WindowPos + i] = window[source + i];
    }
    e.WindowPos += piece;
    source += piece;
    length -= piece;
    if (e.WindowPos == kWindowSize && !WindowFull(e)) return false;
  }
  return true;
}

enum class Step { kMore, kEndOfBlock };

// One literal/length symbol and, for a length, its distance: urOk with
// `step` telling whether the block goes on.
TUnzipResult CarefulStep(Engine& e, const HuffEntry* literals, int32_t literalBits,
                         const HuffEntry* distances, int32_t distanceBits, Step& step) {
  step = Step::kMore;
  const HuffEntry* entry = DecodeCareful(e, literals, literalBits);
  if (entry == nullptr) return urArchiveError;
  if (entry->Op == kOpLiteral) {
    e.OutputWindow[e.WindowPos++] = static_cast<uint8_t>(entry->Base);
    if (e.WindowPos == kWindowSize && !WindowFull(e)) return urWriteError;
    return urOk;
  }
  if (entry->Op == kOpEndOfBlock) {
    step = Step::kEndOfBlock;
    return urOk;
  }
  const uint32_t lengthExtra = entry->Op;
  e.NeedBits(lengthExtra);
  const uint32_t length = entry->Base + e.PeekBits(lengthExtra);
  e.DumpBits(lengthExtra);
  if (distances == nullptr) return urArchiveError;  // a length in a literals-only block
  entry = DecodeCareful(e, distances, distanceBits);
  if (entry == nullptr) return urArchiveError;
  const uint32_t distanceExtra = entry->Op;
  e.NeedBits(distanceExtra);
  const uint32_t distance = entry->Base + e.PeekBits(distanceExtra);
  e.DumpBits(distanceExtra);
  return CopyMatch(e, length, distance) ? urOk : urWriteError;
}

// --- fast path --------------------------------------------------------------

enum class FastExit { kLeave, kEndOfBlock, kInvalid };

// The first four bytes of an entry as one word: Op in bits 0-7, Bits in
// 8-15, Base in 16-31. One load instead of three.
inline uint32_t Word(const HuffEntry& entry) {
  static_assert(offsetof(HuffEntry, Op) == 0 && offsetof(HuffEntry, Bits) == 1 &&
                offsetof(HuffEntry, Base) == 2);
  uint32_t w;
  std::memcpy(&w, &entry, sizeof(w));
  return w;
}
inline uint32_t WordOp(uint32_t w) { return w & 0xFF; }
inline uint32_t WordBits(uint32_t w) { return (w >> 8) & 0xFF; }
inline uint32_t WordBase(uint32_t w) { return w >> 16; }

// Each pass of the fast loop refills the bit buffer at most twice (7 bytes
// each, reading a word) and writes at most two literals and a match plus 15
// bytes of overrun, or three literals.
constexpr int32_t kFastInputMargin = 16;
constexpr uint32_t kFastWindowLimit = kWindowSize - kMaxMatch - 32;

// Decodes symbols while the input buffer holds enough bytes and the window
// has room; returns kLeave when either runs short. Every code is at most 15
// bits, extra bits at most 5 (length) and 13 (distance): a refill to 56 bits
// or more serves a whole length/distance pair, or three literals.
[[gnu::noinline]] FastExit DecodeFast(Engine& e, const HuffEntry* literals, int32_t literalBits,
                    const HuffEntry* distances, int32_t distanceBits) {
  uint64_t bitBuffer = e.BitBuffer;
  uint32_t bitCount = e.BitCount;
  const uint8_t* const input = e.InputBuffer;
  int32_t inputPos = e.InputPos;
  const int32_t inputEnd = e.InputLast + 1 - kFastInputMargin;
  uint8_t* const window = e.OutputWindow;
  uint32_t windowPos = e.WindowPos;
  const uint64_t literalMask = (uint64_t{1} << literalBits) - 1;
  const uint64_t distanceMask = (uint64_t{1} << distanceBits) - 1;
  FastExit exit = FastExit::kLeave;

  // Tops the bit buffer up to 56-63 bits. The word read may carry bits of
  // the next, not yet counted byte above the count: they are the same bits
  // that byte puts there when it is counted, so OR-ing it in later changes
  // nothing; they are cleared when the loop ends.
  auto refill = [&] {
    bitBuffer |= Load64(input + inputPos) << bitCount;
    inputPos += static_cast<int32_t>((63 - bitCount) >> 3);
    bitCount |= 56;
  };
  auto consume = [&bitBuffer, &bitCount](uint32_t n) {
    bitBuffer >>= n;
    bitCount -= n;
  };
  // Follows sub-table links from a first-level entry; returns the final
  // entry's word with its bits consumed, or Op 99 for an invalid code.
  auto resolve = [&bitBuffer, &consume](const HuffEntry* entry) -> uint32_t {
    while (entry->Op > kOpLiteral) {
      if (entry->Op == kOpInvalid) return kOpInvalid;
      consume(entry->Bits);
      entry = &entry->Link[LowBits(bitBuffer, entry->Op - 16u)];
    }
    const uint32_t w = Word(*entry);
    consume(WordBits(w));
    return w;
  };

  while (inputPos <= inputEnd && windowPos <= kFastWindowLimit) {
    refill();
    uint32_t w = Word(literals[bitBuffer & literalMask]);
    if (WordOp(w) == kOpLiteral) {
      // Up to three literals on one refill. Each next entry is looked up
      // as soon as the bits of the one before are gone (at least 56 - 2 *
      // 15 bits are left, more than any first-level index), before the
      // byte is stored: the lookups form the critical path.
      consume(WordBits(w));
      uint32_t next = Word(literals[bitBuffer & literalMask]);
      window[windowPos++] = static_cast<uint8_t>(WordBase(w));
      w = next;
      if (WordOp(w) == kOpLiteral) {
        consume(WordBits(w));
        next = Word(literals[bitBuffer & literalMask]);
        window[windowPos++] = static_cast<uint8_t>(WordBase(w));
        w = next;
        if (WordOp(w) == kOpLiteral) {
          consume(WordBits(w));
          window[windowPos++] = static_cast<uint8_t>(WordBase(w));
          continue;
        }
      }
      // A refill only adds bits above the count: the entry stays valid.
      refill();
    }
    if (WordOp(w) > kOpLiteral) {
      w = resolve(&literals[bitBuffer & literalMask]);
      if (WordOp(w) == kOpInvalid) {
        exit = FastExit::kInvalid;
        break;
      }
      if (WordOp(w) == kOpLiteral) {
        window[windowPos++] = static_cast<uint8_t>(WordBase(w));
        continue;
      }
    } else {
      consume(WordBits(w));
    }
    if (WordOp(w) == kOpEndOfBlock) {
      exit = FastExit::kEndOfBlock;
      break;
    }
    const uint32_t length = WordBase(w) + LowBits(bitBuffer, WordOp(w));
    consume(WordOp(w));
    if (distances == nullptr) {  // a length in a literals-only block
      exit = FastExit::kInvalid;
      break;
    }
    w = Word(distances[bitBuffer & distanceMask]);
    if (WordOp(w) > kOpLiteral) {
      w = resolve(&distances[bitBuffer & distanceMask]);
      if (WordOp(w) == kOpInvalid) {
        exit = FastExit::kInvalid;
        break;
      }
    } else {
      consume(WordBits(w));
    }
    const uint32_t distance = WordBase(w) + LowBits(bitBuffer, WordOp(w));
    consume(WordOp(w));

    const uint32_t source = (windowPos - distance) & (kWindowSize - 1);
    uint8_t* const to = window + windowPos;
    if (distance >= 8 && source + length + 16 <= kWindowSize) {
      // Whole words, the first two unconditionally. The source runs at
      // least a word behind the destination, so each word read holds final
      // bytes (or, past the match's end, bytes that only land past its end
      // too). Up to 15 bytes past the match get overwritten: they are older
      // window content, still needed as history, saved before and put back
      // after.
      const uint8_t* from = window + source;
      uint8_t* const end = to + length;
      const uint64_t keep0 = Load64(end);
      const uint64_t keep1 = Load64(end + 8);
      Store64(to, Load64(from));
      Store64(to + 8, Load64(from + 8));
      for (uint32_t i = 16; i < length; i += 8) Store64(to + i, Load64(from + i));
      Store64(end, keep0);
      Store64(end + 8, keep1);
    } else if (distance == 1) {
      std::memset(to, window[source], length);
    } else {
      for (uint32_t i = 0; i < length; ++i) to[i] = window[(source + i) & (kWindowSize - 1)];
    }
    windowPos += length;
  }

  // Whole bytes stay in the bit buffer; the bits above the count go.
  e.BitBuffer = bitBuffer & ((uint64_t{1} << bitCount) - 1);
  e.BitCount = bitCount;
  e.InputPos = inputPos;
  e.WindowPos = windowPos;
  return exit;
}

// --- blocks -----------------------------------------------------------------

// Symbols of a fixed or dynamic block up to its end-of-block code. The
// decoding steps start with the abort and input tests; the fast path never
// changes either (only a refill of the input buffer does).
TUnzipResult InflateCodes(Engine& e, const HuffEntry* literals, int32_t literalBits,
                          const HuffEntry* distances, int32_t distanceBits) {
  while (!e.AbortRequested && !e.InputExhausted) {
    if (e.InputPos + kFastInputMargin <= e.InputLast + 1 && e.WindowPos <= kFastWindowLimit) {
      switch (DecodeFast(e, literals, literalBits, distances, distanceBits)) {
        case FastExit::kEndOfBlock: return urOk;
        case FastExit::kInvalid: return urArchiveError;
        case FastExit::kLeave: break;
      }
    }
    Step step;
    const TUnzipResult r = CarefulStep(e, literals, literalBits, distances, distanceBits, step);
    if (r != urOk) return r;
    if (step == Step::kEndOfBlock) return urOk;
  }
  return e.AbortRequested ? urUserAbort : urReadError;
}

// A stored block: LEN and its complement at the next byte boundary, then
// LEN bytes. Whole bytes still in the bit buffer come first, the rest is
// copied straight from the input buffer.
TUnzipResult InflateStored(Engine& e) {
  e.DumpBits(e.BitCount % 8);
  e.NeedBits(16);
  uint32_t length = e.PeekBits(16);
  e.DumpBits(16);
  e.NeedBits(16);
  if (length != (~e.PeekBits(16) & 0xFFFF)) return urArchiveError;
  e.DumpBits(16);

  uint8_t* const window = e.OutputWindow;
  while (length > 0 && !e.AbortRequested && !e.InputExhausted) {
    if (e.BitCount >= 8) {
      window[e.WindowPos++] = static_cast<uint8_t>(e.BitBuffer);
      e.DumpBits(8);
      --length;
    } else {
      if (e.InputPos > e.InputLast) {
        e.RefillInput();
        if (e.InputExhausted || e.AbortRequested) break;
      }
      uint32_t n = static_cast<uint32_t>(e.InputLast + 1 - e.InputPos);
      if (n > length) n = length;
      if (n > kWindowSize - e.WindowPos) n = kWindowSize - e.WindowPos;
      std::memcpy(window + e.WindowPos, e.InputBuffer + e.InputPos, n);
      e.InputPos += static_cast<int32_t>(n);
      e.WindowPos += n;
      length -= n;
    }
    if (e.WindowPos == kWindowSize && !WindowFull(e)) return urWriteError;
  }
  if (e.AbortRequested) return urUserAbort;
  return e.InputExhausted ? urReadError : urOk;
}

TUnzipResult InflateFixed(Engine& e) {
  uint16_t lengths[288];
  for (unsigned i = 0; i < 288; ++i) lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
  Tables literals;
  if (literals.Build(lengths, 288, 257, kLengthBases, kLengthExtras, kFixedLiteralBits) !=
      kHuffComplete) {
    return urArchiveError;  // cannot happen: the fixed code is complete
  }
  for (unsigned i = 0; i < 30; ++i) lengths[i] = 5;
  Tables distances;
  if (distances.Build(lengths, 30, 0, kDistanceBases, kDistanceExtras, kFixedDistanceBits) >
      kHuffIncomplete) {
    return urArchiveError;
  }
  return InflateCodes(e, literals.table, literals.bits, distances.table, distances.bits);
}

TUnzipResult InflateDynamic(Engine& e) {
  const uint32_t literalCount = 257 + e.GetBits(5);
  const uint32_t distanceCount = 1 + e.GetBits(5);
  const uint32_t codeLengthCount = 4 + e.GetBits(4);
  // The 5-bit fields cannot say more than 288 and 32, which are accepted
  // (two more than RFC 1951 allows each; the extra symbols are invalid
  // codes if they are ever used).
  if (literalCount > 288 || distanceCount > 32) return urArchiveError;

  uint16_t lengths[320] = {};
  {
    uint16_t codeLengthLengths[19] = {};
    for (uint32_t i = 0; i < codeLengthCount; ++i) {
      codeLengthLengths[kCodeLengthOrder[i]] = static_cast<uint16_t>(e.GetBits(3));
    }
    Tables codeLengths;
    if (codeLengths.Build(codeLengthLengths, 19, 19, nullptr, nullptr, kCodeLengthBits) !=
            kHuffComplete ||
        codeLengths.table == nullptr) {
      return urArchiveError;
    }
    const uint32_t bits = static_cast<uint32_t>(codeLengths.bits);
    const uint32_t total = literalCount + distanceCount;
    uint32_t i = 0;
    uint16_t previous = 0;
    while (i < total) {
      e.NeedBits(bits);
      const HuffEntry& entry = codeLengths.table[e.PeekBits(bits)];
      // The free half of a one-code code-length code has no symbol.
      if (entry.Op == kOpInvalid) return urArchiveError;
      e.DumpBits(entry.Bits);
      const uint16_t symbol = entry.Base;
      uint32_t repeat;
      uint16_t value;
      if (symbol < 16) {
        lengths[i++] = previous = symbol;
        continue;
      }
      if (symbol == 16) {
        repeat = 3 + e.GetBits(2);
        value = previous;
      } else if (symbol == 17) {
        repeat = 3 + e.GetBits(3);
        value = previous = 0;
      } else {
        repeat = 11 + e.GetBits(7);
        value = previous = 0;
      }
      if (i + repeat > total) return urArchiveError;
      while (repeat-- > 0) lengths[i++] = value;
    }
  }

  Tables literals;
  if (literals.Build(lengths, literalCount, 257, kLengthBases, kLengthExtras,
                     kDynamicLiteralBits) != kHuffComplete ||
      literals.table == nullptr) {
    return urArchiveError;
  }
  Tables distances;
  if (distances.Build(lengths + literalCount, distanceCount, 0, kDistanceBases, kDistanceExtras,
                      kDynamicDistanceBits) > kHuffIncomplete) {
    return urArchiveError;
  }
  // No distance codes at all: a block of literals only (a length symbol in
  // it is an error, found when it is met).
  return InflateCodes(e, literals.table, literals.bits, distances.table, distances.bits);
}

TUnzipResult InflateBlock(Engine& e, bool& last) {
  last = e.GetBits(1) != 0;
  switch (e.GetBits(2)) {
    case 0: return InflateStored(e);
    case 1: return InflateFixed(e);
    case 2: return InflateDynamic(e);
    default: return urArchiveError;
  }
}

}  // namespace

// Blocks until the one marked last, then the final partial window. The bits
// behind the last block stay in the bit reader: a data descriptor may follow.
//
// Once the input is exhausted the input buffer keeps delivering bytes it
// already delivered; whatever is decoded from them is noise. A valid entry
// never gets there (its data is followed by the rest of the archive, and
// reading stops only 2 bytes past its compressed size), so a malformed code
// or even an end of the last block met after that point is reported as what
// it is: the input ran out.
TUnzipResult InflateEntry(Engine& e) {
  e.InputPos = 0;
  e.InputLast = -1;
  e.WindowPos = 0;
  e.BitCount = 0;
  e.BitBuffer = 0;
  bool last = false;
  do {
    const TUnzipResult r = InflateBlock(e, last);
    if (r == urArchiveError && e.InputExhausted) return urReadError;
    if (r != urOk) return r;
  } while (!last);
  if (e.InputExhausted) return urReadError;
  return e.FlushWindow(e.WindowPos) ? urOk : urWriteError;
}

}  // namespace unzip
