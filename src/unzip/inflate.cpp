// Method 8: deflate (RFC 1951).
//
// Output goes through 32,768-byte windows, each flushed (written and folded
// into the CRC) when it is full, the last one when the final block ends;
// matches reach up to 32,768 bytes back, before the first byte into zeros.
// The decoder keeps that history in a buffer of its own, linear rather than
// circular: the window being filled sits behind 32 KB of history (zeros at
// first). When the window is full it is flushed and the buffer slides down
// by 32 KB. A match source is then always one contiguous range behind the
// write position, and writing a little past the position harms nothing.
//
// Two paths decode the same symbols. The careful path follows the engine's
// reading rules to the letter: it asks NeedBits for each field, so the input
// buffer is refilled (with its message pump and progress update) exactly when
// the next byte is needed. The fast path runs while the input buffer holds
// at least 16 more bytes: it keeps the bit reader in registers, refills it a
// word at a time, and copies matches 8 or 16 bytes at a time. It never
// refills the input buffer, and it flushes a full window before it decodes
// the next symbol, as the careful path does, so nobody can tell which path
// decoded what.
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "unzip/decoders.h"
#include "unzip/deflate_format.h"
#include "unzip/huffman.h"

namespace unzip {
namespace {

using namespace deflate;

// Base lengths and extra bits of length symbols 257 to 285; symbols 286 and
// 287 carry 99 extra bits, which makes them invalid codes.
constexpr uint16_t kLengthBases[kLiteralLengthSymbols - kFirstLengthSymbol] = {
    3,  4,  5,  6,  7,  8,  9,  10,  11,  13,  15,  17,  19,  23, 27, 31,
    35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 0,  0};
constexpr uint16_t kLengthExtras[kLiteralLengthSymbols - kFirstLengthSymbol] = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0, 99, 99};
// Base distances and extra bits of distance symbols 0 to 29. A dynamic block
// may declare 31 or 32 distance codes; symbols 30 and 31 then get entries
// with 99 extra bits, so they decode as invalid codes and the tables are
// never read past their end.
constexpr uint16_t kDistanceBases[kDistanceSymbols] = {
    1,   2,   3,   4,   5,    7,    9,    13,   17,   25,   33,   49,    65,    97,    129, 193,
    257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 0,   0};
constexpr uint16_t kDistanceExtras[kDistanceSymbols] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3, 4,
                                                        4,  5,  5,  6,  6,  7,  7,  8,  8,  9, 9,
                                                        10, 10, 11, 11, 12, 12, 13, 13, 99, 99};
// The order in which a dynamic block sends the code-length code's lengths.
constexpr uint8_t kCodeLengthOrder[kCodeLengthSymbols] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                          11, 4,  12, 3, 13, 2, 14, 1, 15};

// First-level table widths. Any width decodes the same symbols; for
// dynamic blocks 10 and 8 bits measured fastest (fewer codes need a
// sub-table, and the tables still stay in the first-level cache).
constexpr int32_t kFixedLiteralBits = 7;
constexpr int32_t kFixedDistanceBits = 5;
constexpr int32_t kDynamicLiteralBits = 10;
constexpr int32_t kDynamicDistanceBits = 8;
constexpr int32_t kCodeLengthBits = 7;

// A code-length code is read through its first-level table alone.
static_assert(kCodeLengthBits >= static_cast<int32_t>(kMaxCodeLengthLength));
constexpr bool FixedLengthsWithinLongest() {
  for (unsigned i = 0; i < kLiteralLengthSymbols; ++i) {
    if (FixedLiteralLength(i) > kFixedLiteralLongest) return false;
  }
  return true;
}
static_assert(FixedLengthsWithinLongest());

// The farthest distance the tables can produce is the format's.
static_assert(kDistanceBases[kDistanceCodes - 1] + (1u << kDistanceExtras[kDistanceCodes - 1]) -
                  1 ==
              kMaxDistance);
static_assert(kLengthBases[kLiteralLengthSymbols - kFirstLengthSymbol - 3] == kMaxMatch);

// The decoder's buffer: 32 KB of history, the window being filled, and room
// for what the fast path writes past the window's end before it flushes:
// two literals and a longest match, plus the overrun of the last 16-byte
// piece of a match copy.
constexpr uint32_t kWindowStart = kWindowSize;
constexpr uint32_t kWindowEnd = 2 * kWindowSize;
constexpr uint32_t kFastLiteralsBeforeMatch = 2;
constexpr uint32_t kCopyPiece = 16;
constexpr uint32_t kBufferSize = kWindowEnd + kFastLiteralsBeforeMatch + kMaxMatch + kCopyPiece;
// Every match source lies in the buffer: the history before the window is a
// whole distance long.
static_assert(kWindowStart >= kMaxDistance);
// The fast path starts a pass at most one byte before the window's end.
static_assert(kBufferSize - (kWindowEnd - 1) >=
              kFastLiteralsBeforeMatch + kMaxMatch + (kCopyPiece - 1));

// Table storage: the tables of a dynamic block's two codes (the code-length
// code's tables come and go before them), and the fixed block's, which are
// built once and kept.
constexpr size_t kDynamicTableEntries =
    HuffTableBound(kDynamicLiteralBits, kLiteralLengthSymbols, kMaxCodeLength) +
    HuffTableBound(kDynamicDistanceBits, kDistanceSymbols, kMaxCodeLength);
static_assert(HuffTableBound(kCodeLengthBits, kCodeLengthSymbols, kMaxCodeLengthLength) <=
              kDynamicTableEntries);
constexpr size_t kFixedTableEntries =
    HuffTableBound(kFixedLiteralBits, kLiteralLengthSymbols, kFixedLiteralLongest) +
    HuffTableBound(kFixedDistanceBits, kDistanceCodes, kFixedDistanceLength);

// One code's tables as a decoder uses them.
struct Code {
  const HuffEntry* table = nullptr;
  int32_t bits = 0;
};

int Build(HuffArena& arena, const uint16_t* lengths, unsigned n, unsigned s, const uint16_t* bases,
          const uint16_t* extras, int32_t wantedBits, Code& code) {
  HuffEntry* table = nullptr;
  code.bits = wantedBits;
  const int result = BuildHuffmanTables(lengths, static_cast<uint16_t>(n), static_cast<uint16_t>(s),
                                        bases, extras, arena, table, code.bits);
  code.table = table;
  return result;
}

// The fixed block's codes, built on first use and kept for the process.
struct FixedCodes {
  HuffEntry entries[kFixedTableEntries];
  Code literals, distances;
  bool ok = false;

  FixedCodes() {
    HuffArena arena(entries, kFixedTableEntries);
    uint16_t lengths[kLiteralLengthSymbols];
    for (unsigned i = 0; i < kLiteralLengthSymbols; ++i) lengths[i] = FixedLiteralLength(i);
    const int lit = Build(arena, lengths, kLiteralLengthSymbols, kFirstLengthSymbol, kLengthBases,
                          kLengthExtras, kFixedLiteralBits, literals);
    for (unsigned i = 0; i < kDistanceCodes; ++i) lengths[i] = kFixedDistanceLength;
    const int dist = Build(arena, lengths, kDistanceCodes, 0, kDistanceBases, kDistanceExtras,
                           kFixedDistanceBits, distances);
    // The fixed literal code is complete; the distance code leaves two
    // codes free (the format's 30 of 32).
    ok = lit == kHuffComplete && dist <= kHuffIncomplete;
  }
};

const FixedCodes& Fixed() {
  static const FixedCodes codes;
  return codes;
}

inline uint64_t Load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

inline void Copy8(uint8_t* to, const uint8_t* from) { std::memcpy(to, from, 8); }
inline void Copy16(uint8_t* to, const uint8_t* from) { std::memcpy(to, from, 16); }

inline uint32_t LowBits(uint64_t value, unsigned n) {
  return static_cast<uint32_t>(value) & ((1u << n) - 1);
}

// An entry as one word: Op in bits 0-7, Bits in 8-15, Base in 16-31. One
// load instead of three.
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

// The fast path needs this many bytes in the input buffer: a pass refills
// the bit buffer at most twice, each refill reading a word and taking up to
// 7 bytes.
constexpr int32_t kFastInputMargin = 16;
static_assert(kFastInputMargin >= 7 + 8);
// A refill leaves at least 56 bits: enough for a whole length/distance pair
// (two codes and their extra bits) or three literals, and after two
// literals still more than a first-level index.
constexpr unsigned kRefillBits = 56;
static_assert(kRefillBits == (kRefillBits | 7u) - 7u && kRefillBits + 7 < 64);
static_assert(2 * kMaxCodeLength + kMaxLengthExtra + kMaxDistanceExtra <= kRefillBits);
static_assert(3 * kMaxCodeLength <= kRefillBits);
static_assert(kRefillBits - 2 * kMaxCodeLength >= kDynamicLiteralBits &&
              kRefillBits - 2 * kMaxCodeLength >= kFixedLiteralBits);

enum class FastExit { kLeave, kEndOfBlock, kInvalid, kWriteError };
enum class Step { kMore, kEndOfBlock };

class Inflater {
 public:
  explicit Inflater(Engine& e) : e_(e) {}
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  TUnzipResult Run();

 private:
  // --- the window -----------------------------------------------------------
  // Flushes the full window and slides the buffer down by 32 KB, keeping the
  // last 32 KB as history and anything written past the window's end.
  bool WindowFull() {
    const bool ok = e_.FlushBytes(buffer_ + kWindowStart, kWindowSize);
    std::memmove(buffer_, buffer_ + kWindowStart,
                 static_cast<size_t>(out_ - buffer_) - kWindowStart);
    out_ -= kWindowSize;
    history_ = buffer_;
    return ok;
  }
  // The zeros before the first output byte are written only when a match
  // first reaches back to them (valid streams never do): most entries are
  // small, and 32 KB of zeros each would cost more than decoding some.
  void NeedHistory(const uint8_t* from) {
    if (from < history_) {
      std::memset(buffer_, 0, kWindowStart);
      history_ = buffer_;
    }
  }
  uint8_t* WindowEnd() const { return buffer_ + kWindowEnd; }
  // One output byte; a full window is flushed at once.
  bool Put(uint8_t byte) {
    *out_++ = byte;
    return out_ != WindowEnd() || WindowFull();
  }
  bool CopyMatch(uint32_t length, uint32_t distance);

  // --- blocks -----------------------------------------------------------------
  TUnzipResult Block(bool& last);
  TUnzipResult Stored();
  TUnzipResult Fixed();
  TUnzipResult Dynamic();
  TUnzipResult Codes(const HuffEntry* literals, int32_t literalBits, const HuffEntry* distances,
                     int32_t distanceBits);
  TUnzipResult CarefulStep(const HuffEntry* literals, int32_t literalBits,
                           const HuffEntry* distances, int32_t distanceBits, Step& step);
  FastExit DecodeFast(const HuffEntry* literals, int32_t literalBits, const HuffEntry* distances,
                      int32_t distanceBits);

  Engine& e_;
  uint8_t* buffer_ = nullptr;    // kBufferSize bytes, then the tables
  HuffEntry* tables_ = nullptr;  // kDynamicTableEntries entries
  uint8_t* out_ = nullptr;       // next write position, in the window
  uint8_t* history_ = nullptr;   // matches may read from here on
};

// Copies a match of `length` bytes from `distance` back, in pieces that end
// at the window's end (where the window is flushed). A piece whose source
// lies at least its length behind moves as a block; otherwise byte by byte
// in increasing order, so that an overlapping source repeats the bytes just
// written.
bool Inflater::CopyMatch(uint32_t length, uint32_t distance) {
  while (length > 0) {
    uint32_t piece = static_cast<uint32_t>(WindowEnd() - out_);
    if (piece > length) piece = length;
    const uint8_t* from = out_ - distance;
    NeedHistory(from);
    if (distance >= piece) {
      std::memcpy(out_, from, piece);
    } else {
      for (uint32_t i = 0; i < piece; ++i) out_[i] = from[i];
    }
    out_ += piece;
    length -= piece;
    if (out_ == WindowEnd() && !WindowFull()) return false;
  }
  return true;
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
    table += entry->Base;
    entry = &table[e.PeekBits(k)];
  }
  e.DumpBits(entry->Bits);
  return entry;
}

// One literal/length symbol and, for a length, its distance: urOk with
// `step` telling whether the block goes on.
TUnzipResult Inflater::CarefulStep(const HuffEntry* literals, int32_t literalBits,
                                   const HuffEntry* distances, int32_t distanceBits, Step& step) {
  step = Step::kMore;
  const HuffEntry* entry = DecodeCareful(e_, literals, literalBits);
  if (entry == nullptr) return urArchiveError;
  if (entry->Op == kOpLiteral) return Put(static_cast<uint8_t>(entry->Base)) ? urOk : urWriteError;
  if (entry->Op == kOpEndOfBlock) {
    step = Step::kEndOfBlock;
    return urOk;
  }
  const uint32_t lengthExtra = entry->Op;
  e_.NeedBits(lengthExtra);
  const uint32_t length = entry->Base + e_.PeekBits(lengthExtra);
  e_.DumpBits(lengthExtra);
  if (distances == nullptr) return urArchiveError;  // a length in a literals-only block
  entry = DecodeCareful(e_, distances, distanceBits);
  if (entry == nullptr) return urArchiveError;
  const uint32_t distanceExtra = entry->Op;
  e_.NeedBits(distanceExtra);
  const uint32_t distance = entry->Base + e_.PeekBits(distanceExtra);
  e_.DumpBits(distanceExtra);
  return CopyMatch(length, distance) ? urOk : urWriteError;
}

// --- fast path --------------------------------------------------------------

// Long on purpose: one loop keeps the bit buffer and both tables in registers.
// Decodes symbols while the input buffer holds enough bytes; returns kLeave
// when it runs short. Every code is at most 15 bits, extra bits at most 5
// (length) and 13 (distance): a refill to 56 bits or more serves a whole
// length/distance pair, or three literals.
FastExit Inflater::DecodeFast(const HuffEntry* literals, int32_t literalBits,
                              const HuffEntry* distances, int32_t distanceBits) {
  uint64_t bitBuffer = e_.BitBuffer;
  uint32_t bitCount = e_.BitCount;
  const uint8_t* in = e_.InputBuffer + e_.InputPos;
  const uint8_t* const inLimit = e_.InputBuffer + e_.InputLast + 1 - kFastInputMargin;
  uint8_t* out = out_;
  const uint64_t literalMask = (uint64_t{1} << literalBits) - 1;
  const uint64_t distanceMask = (uint64_t{1} << distanceBits) - 1;
  FastExit exit = FastExit::kLeave;

  // Tops the bit buffer up to 56-63 bits (kRefillBits is a bit mask here). The word read may carry
  // bits of the next, not yet counted byte above the count: they are the same bits that byte puts
  // there when it is counted, so OR-ing it in later changes nothing; they are cleared when the loop
  // ends.
  auto refill = [&] {
    bitBuffer |= Load64(in) << bitCount;
    in += (63 - bitCount) >> 3;
    bitCount |= kRefillBits;
  };
  auto consume = [&bitBuffer, &bitCount](uint32_t n) {
    bitBuffer >>= n;
    bitCount -= n;
  };
  // Follows sub-table links from the first-level entry `w` of `table`;
  // returns the final entry's word with its bits consumed, or Op 99 for an
  // invalid code.
  auto resolve = [&bitBuffer, &consume](const HuffEntry* table, uint32_t w) -> uint32_t {
    while (WordOp(w) > kOpLiteral) {
      if (WordOp(w) == kOpInvalid) return kOpInvalid;
      consume(WordBits(w));
      table += WordBase(w);
      w = Word(table[LowBits(bitBuffer, WordOp(w) - 16u)]);
    }
    consume(WordBits(w));
    return w;
  };

  while (in <= inLimit) {
    if (out >= WindowEnd()) {
      out_ = out;
      const bool ok = WindowFull();
      out = out_;
      if (!ok) {
        exit = FastExit::kWriteError;
        break;
      }
    }
    refill();
    uint32_t w = Word(literals[bitBuffer & literalMask]);
    if (WordOp(w) == kOpLiteral) {
      // Up to three literals on one refill. Each next entry is looked up
      // as soon as the bits of the one before are gone (at least 56 - 2 *
      // 15 bits are left, more than any first-level index), before the
      // byte is stored: the lookups form the critical path.
      consume(WordBits(w));
      uint32_t next = Word(literals[bitBuffer & literalMask]);
      *out++ = static_cast<uint8_t>(WordBase(w));
      w = next;
      if (WordOp(w) == kOpLiteral) {
        consume(WordBits(w));
        next = Word(literals[bitBuffer & literalMask]);
        *out++ = static_cast<uint8_t>(WordBase(w));
        w = next;
        if (WordOp(w) == kOpLiteral) {
          consume(WordBits(w));
          *out++ = static_cast<uint8_t>(WordBase(w));
          continue;
        }
      }
      // A refill only adds bits above the count: the entry stays valid.
      refill();
    }
    if (WordOp(w) > kOpLiteral) {
      w = resolve(literals, w);
      if (WordOp(w) == kOpInvalid) {
        exit = FastExit::kInvalid;
        break;
      }
      if (WordOp(w) == kOpLiteral) {
        *out++ = static_cast<uint8_t>(WordBase(w));
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
      w = resolve(distances, w);
      if (WordOp(w) == kOpInvalid) {
        exit = FastExit::kInvalid;
        break;
      }
    } else {
      consume(WordBits(w));
    }
    const uint32_t distance = WordBase(w) + LowBits(bitBuffer, WordOp(w));
    consume(WordOp(w));

    // The source is whole and behind: the write position is at least 32 KB
    // into the buffer. Copies run in 16- or 8-byte pieces and may write up
    // to 15 bytes past the match, where nothing is kept yet. With the source
    // at least a piece behind, every piece read holds final bytes (past the
    // match's end, bytes that only land past its end too).
    const uint8_t* from = out - distance;
    NeedHistory(from);
    uint8_t* const end = out + length;
    if (distance >= 16) {
      do {
        Copy16(out, from);
        out += 16;
        from += 16;
      } while (out < end);
    } else if (distance >= 8) {
      do {
        Copy8(out, from);
        out += 8;
        from += 8;
      } while (out < end);
    } else if (distance == 1) {
      std::memset(out, *from, length);
    } else {
      for (uint32_t i = 0; i < length; ++i) out[i] = from[i];
    }
    out = end;
  }

  // Leave with no full window pending, whole bytes in the bit buffer and the
  // bits above the count cleared.
  if (exit != FastExit::kWriteError && out >= WindowEnd()) {
    out_ = out;
    if (!WindowFull()) exit = FastExit::kWriteError;
    out = out_;
  }
  out_ = out;
  e_.BitBuffer = bitBuffer & ((uint64_t{1} << bitCount) - 1);
  e_.BitCount = bitCount;
  e_.InputPos = static_cast<int32_t>(in - e_.InputBuffer);
  return exit;
}

// --- blocks -----------------------------------------------------------------

// Symbols of a fixed or dynamic block up to its end-of-block code. The
// decoding steps start with the abort and input tests; the fast path never
// changes either (only a refill of the input buffer does).
TUnzipResult Inflater::Codes(const HuffEntry* literals, int32_t literalBits,
                             const HuffEntry* distances, int32_t distanceBits) {
  while (!e_.AbortRequested && !e_.InputExhausted) {
    if (e_.InputPos + kFastInputMargin <= e_.InputLast + 1) {
      switch (DecodeFast(literals, literalBits, distances, distanceBits)) {
        case FastExit::kEndOfBlock: return urOk;
        case FastExit::kInvalid: return urArchiveError;
        case FastExit::kWriteError: return urWriteError;
        case FastExit::kLeave: break;
      }
    }
    Step step;
    const TUnzipResult r = CarefulStep(literals, literalBits, distances, distanceBits, step);
    if (r != urOk) return r;
    if (step == Step::kEndOfBlock) return urOk;
  }
  return e_.AbortRequested ? urUserAbort : urReadError;
}

// A stored block: LEN and its complement at the next byte boundary, then
// LEN bytes. Whole bytes still in the bit buffer come first, the rest is
// copied straight from the input buffer.
TUnzipResult Inflater::Stored() {
  e_.DumpBits(e_.BitCount % 8);
  e_.NeedBits(16);
  uint32_t length = e_.PeekBits(16);
  e_.DumpBits(16);
  e_.NeedBits(16);
  if (length != (~e_.PeekBits(16) & 0xFFFF)) return urArchiveError;
  e_.DumpBits(16);

  while (length > 0 && !e_.AbortRequested && !e_.InputExhausted) {
    if (e_.BitCount >= 8) {
      const auto byte = static_cast<uint8_t>(e_.BitBuffer);
      e_.DumpBits(8);
      --length;
      if (!Put(byte)) return urWriteError;
      continue;
    }
    if (e_.InputPos > e_.InputLast) {
      e_.RefillInput();
      if (e_.InputExhausted || e_.AbortRequested) break;
    }
    uint32_t n = static_cast<uint32_t>(e_.InputLast + 1 - e_.InputPos);
    if (n > length) n = length;
    const auto room = static_cast<uint32_t>(WindowEnd() - out_);
    if (n > room) n = room;
    std::memcpy(out_, e_.InputBuffer + e_.InputPos, n);
    e_.InputPos += static_cast<int32_t>(n);
    out_ += n;
    length -= n;
    if (out_ == WindowEnd() && !WindowFull()) return urWriteError;
  }
  if (e_.AbortRequested) return urUserAbort;
  return e_.InputExhausted ? urReadError : urOk;
}

TUnzipResult Inflater::Fixed() {
  const FixedCodes& fixed = unzip::Fixed();
  if (!fixed.ok) return urArchiveError;  // cannot happen: the fixed codes are well formed
  return Codes(fixed.literals.table, fixed.literals.bits, fixed.distances.table,
               fixed.distances.bits);
}

TUnzipResult Inflater::Dynamic() {
  Engine& e = e_;
  const uint32_t literalCount = 257 + e.GetBits(5);
  const uint32_t distanceCount = 1 + e.GetBits(5);
  const uint32_t codeLengthCount = 4 + e.GetBits(4);
  // The 5-bit fields cannot say more than 288 and 32, which are accepted
  // (two more than RFC 1951 allows each; the extra symbols are invalid
  // codes if they are ever used).
  if (literalCount > kLiteralLengthSymbols || distanceCount > kDistanceSymbols) {
    return urArchiveError;
  }

  HuffArena arena(tables_, kDynamicTableEntries);
  uint16_t lengths[kMaxCodeLengths] = {};
  {
    uint16_t codeLengthLengths[kCodeLengthSymbols] = {};
    for (uint32_t i = 0; i < codeLengthCount; ++i) {
      codeLengthLengths[kCodeLengthOrder[i]] = static_cast<uint16_t>(e.GetBits(3));
    }
    Code codeLengths;
    if (Build(arena, codeLengthLengths, kCodeLengthSymbols, kCodeLengthSymbols, nullptr, nullptr,
              kCodeLengthBits, codeLengths) != kHuffComplete ||
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

  arena.Reset();
  Code literals;
  if (Build(arena, lengths, literalCount, kFirstLengthSymbol, kLengthBases, kLengthExtras,
            kDynamicLiteralBits, literals) != kHuffComplete ||
      literals.table == nullptr) {
    return urArchiveError;
  }
  Code distances;
  if (Build(arena, lengths + literalCount, distanceCount, 0, kDistanceBases, kDistanceExtras,
            kDynamicDistanceBits, distances) > kHuffIncomplete) {
    return urArchiveError;
  }
  // No distance codes at all: a block of literals only (a length symbol in
  // it is an error, found when it is met).
  return Codes(literals.table, literals.bits, distances.table, distances.bits);
}

TUnzipResult Inflater::Block(bool& last) {
  last = e_.GetBits(1) != 0;
  switch (e_.GetBits(2)) {
    case 0: return Stored();
    case 1: return Fixed();
    case 2: return Dynamic();
    default: return urArchiveError;
  }
}

TUnzipResult Inflater::Run() {
  // One block: the buffer, then the tables at the next entry boundary. It
  // stays with the engine: thousands of small entries would otherwise each
  // map, fault in and unmap it.
  constexpr size_t kTablesAt =
      (kBufferSize + alignof(HuffEntry) - 1) / alignof(HuffEntry) * alignof(HuffEntry);
  if (e_.InflateStore == nullptr) {
    e_.InflateStore =
        static_cast<uint8_t*>(std::malloc(kTablesAt + kDynamicTableEntries * sizeof(HuffEntry)));
  }
  buffer_ = e_.InflateStore;
  if (buffer_ == nullptr) return urWriteError;  // no window, no output (as the driver does)
  tables_ = reinterpret_cast<HuffEntry*>(buffer_ + kTablesAt);
  out_ = buffer_ + kWindowStart;
  history_ = out_;
  e_.InputPos = 0;
  e_.InputLast = -1;
  e_.WindowPos = 0;
  e_.BitCount = 0;
  e_.BitBuffer = 0;
  bool last = false;
  do {
    const TUnzipResult r = Block(last);
    if (r == urArchiveError && e_.InputExhausted) return urReadError;
    if (r != urOk) return r;
  } while (!last);
  if (e_.InputExhausted) return urReadError;
  const auto pending = static_cast<uint32_t>(out_ - (buffer_ + kWindowStart));
  e_.WindowPos = pending;
  return e_.FlushBytes(buffer_ + kWindowStart, pending) ? urOk : urWriteError;
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
  Inflater inflater(e);
  return inflater.Run();
}

}  // namespace unzip
