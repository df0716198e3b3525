// Method 1 (shrunk): dynamic LZW with 9- to 13-bit codes. Code 256 is an
// escape: sub-code 1 widens the codes by one bit, sub-code 2 frees every leaf
// of the string table (a partial clear). Freed and unused codes form one
// free list in increasing order, and a new string always takes its head.
// The decoder adds the entry for the previous code and the first byte of the
// current one after decoding the current one, a step behind the encoder.
//
// No memory is allocated: the string table and the output staging buffer
// share the engine's 32,768-byte OutputWindow; the decode stack is local.
#include <cstring>

#include "unzip/decoders.h"

namespace unzip {
namespace {

constexpr int kEscape = 256;
constexpr int kFirstCode = 257;                          // first string code
constexpr int kLastSlot = 8192;                          // last table slot
constexpr int kEndOfList = 8193;                         // free list: none left
constexpr uint32_t kSlots = kLastSlot - kFirstCode + 1;  // 7,936
constexpr uint32_t kMinCodeSize = 9;
constexpr uint32_t kMaxCodeSize = 13;

// OutputWindow, carved up: the staging buffer first (FlushWindow writes from
// the window's start), one spare byte that puts the prefix table on an even
// offset, then the suffix table. The prefix table holds, for a string code,
// the code of the string it extends; for a free code, the negated number of
// the next free code. The staging buffer takes what the tables leave: each
// flush is a write to the output file.
constexpr uint32_t kSuffixAt = kWindowSize - kSlots;
constexpr uint32_t kPrefixAt = kSuffixAt - 2 * kSlots;
constexpr uint32_t kStageSize = kPrefixAt - 1;
static_assert(kPrefixAt % 2 == 0 && kStageSize >= 4096);
// The decode stack fills downward from its last byte. A chain that is no
// cycle visits each of the 7,936 entries once at most, plus one byte for a
// code read while free: the stack holds that.
constexpr int kStackBytes = static_cast<int>(kSlots) + 2;
constexpr int kStackTop = kStackBytes - 1;

// A string entry holds a code below 8192 (bits 13 to 15 clear); a free entry
// holds -258 .. -8193 (bits 14 and 15 set).
constexpr uint16_t kFree = 0x4000;

class Unshrinker {
 public:
  // The window comes from the allocator: aligned for 16-bit entries.
  explicit Unshrinker(Engine& e)
      : e_(e),
        w_(e.OutputWindow),
        prefix_(reinterpret_cast<int16_t*>(e.OutputWindow + kPrefixAt)),
        suffix_(e.OutputWindow + kSuffixAt) {}

  TUnzipResult Run();

 private:
  uint16_t Raw(int code) const { return static_cast<uint16_t>(prefix_[code - kFirstCode]); }
  void SetRaw(int code, uint16_t v) { prefix_[code - kFirstCode] = static_cast<int16_t>(v); }
  int Prefix(int code) const { return prefix_[code - kFirstCode]; }
  void SetPrefix(int code, int v) { prefix_[code - kFirstCode] = static_cast<int16_t>(v); }
  uint8_t& Suffix(int code) { return suffix_[code - kFirstCode]; }

  bool Put(uint8_t b) {
    w_[staged_++] = b;
    return staged_ != kStageSize || FlushStage();
  }
  bool PutBytes(const uint8_t* p, uint32_t n);
  bool FlushStage() {
    const bool ok = e_.FlushWindow(staged_);
    staged_ = 0;
    return ok;
  }

  // Emits the string of `code` (a string code, or a free code, which stands
  // for the previous string plus its own first byte). False: malformed.
  bool DecodeString(int code, TUnzipResult* result);
  void PartialClear();

  Engine& e_;
  uint8_t* w_;
  int16_t* prefix_;  // entries of codes 257 to 8192
  uint8_t* suffix_;
  uint32_t staged_ = 0;
  int nextFree_ = kFirstCode;
  int highest_ = kFirstCode - 1;  // the highest code ever taken for a string
  int lastCode_ = 0;
  uint8_t lastChar_ = 0;
  uint64_t produced_ = 0;  // bytes emitted so far
};

bool Unshrinker::PutBytes(const uint8_t* p, uint32_t n) {
  while (n > 0) {
    uint32_t k = kStageSize - staged_;
    if (k > n) k = n;
    std::memcpy(w_ + staged_, p, k);
    staged_ += k;
    p += k;
    n -= k;
    if (staged_ == kStageSize && !FlushStage()) return false;
  }
  return true;
}

bool Unshrinker::DecodeString(int code, TUnzipResult* result) {
  uint8_t stack[kStackBytes];
  int top = kStackTop;  // bytes are at top + 1 .. kStackTop
  if (Prefix(code) < 0) {
    stack[top--] = lastChar_;
    code = lastCode_;
  }
  // A well-formed chain visits each table entry at most once, so it fits
  // the stack; a longer one is a cycle planted by a malformed stream.
  while (code > kEscape) {
    if (top < 0) {
      *result = urArchiveError;
      return false;
    }
    stack[top--] = Suffix(code);
    code = Prefix(code);
  }
  // A chain ends on a literal; a free entry met on the way (only a malformed
  // stream refers to one) ends it too, with an arbitrary first byte.
  lastChar_ = static_cast<uint8_t>(code);
  const uint32_t n = static_cast<uint32_t>(kStackTop - top);
  if (!Put(lastChar_) || !PutBytes(stack + top + 1, n)) {
    *result = urWriteError;
    return false;
  }
  produced_ += n + 1;
  return true;
}

// Frees every leaf: each code in use that no code in use extends (an entry
// that names itself as its prefix counts as extended). The free list is then
// made anew in increasing order, so it holds the leaves among the codes
// still free. Only codes up to the highest ever taken are looked at: those
// above it were never taken and still form the list's tail in order, so a
// clear costs in proportion to the codes in use, not to the table.
void Unshrinker::PartialClear() {
  // Which codes some code in use extends; a prefix that is itself free (a
  // clear freed it before the entry was made) keeps nothing alive. Free
  // entries land on slot 0 and below, which no code uses. A malformed stream
  // may name a never-taken code as a prefix: its mark lands above highest_,
  // where nothing is read.
  uint8_t extended[kLastSlot + 1];
  std::memset(extended, 0, static_cast<size_t>(highest_) + 1);
  for (int c = kFirstCode; c <= highest_; ++c) {
    const uint16_t r = Raw(c);
    extended[(r & kFree) ? 0 : r] = 1;
  }
  // The free codes in increasing order, gathered without branching (half
  // the table may be leaves, in no order a predictor could follow), then
  // chained, and the never-taken codes behind them.
  uint16_t freeCodes[kSlots + 1];
  uint32_t n = 0;
  for (int c = kFirstCode; c <= highest_; ++c) {
    freeCodes[n] = static_cast<uint16_t>(c);
    n += ((Raw(c) & kFree) != 0) | (extended[c] == 0);
  }
  freeCodes[n++] = static_cast<uint16_t>(highest_ < kLastSlot ? highest_ + 1 : kEndOfList);
  nextFree_ = freeCodes[0];
  for (uint32_t k = 0; k + 1 < n; ++k) SetPrefix(freeCodes[k], -freeCodes[k + 1]);
}

TUnzipResult Unshrinker::Run() {
  // Free list: 257, 258, ..., 8192, then none.
  for (int c = kFirstCode; c <= kLastSlot; ++c) SetPrefix(c, -(c + 1));

  // Counted in bits: an entry of 4 GiB of compressed data has 2^35 of them.
  int64_t bitsLeft = static_cast<int64_t>(e_.CompressedSize) * 8;
  uint32_t codeSize = kMinCodeSize;
  const uint32_t wanted = e_.UncompressedSize;
  if (wanted == 0) return urOk;
  if (bitsLeft < codeSize) return urReadError;

  // The first code is a literal: a string or an escape before any output
  // cannot be valid.
  const uint32_t first = e_.GetBits(codeSize);
  bitsLeft -= codeSize;
  if (first >= kEscape) return urArchiveError;
  lastCode_ = static_cast<int>(first);
  lastChar_ = static_cast<uint8_t>(first);
  if (!Put(lastChar_)) return urWriteError;
  produced_ = 1;

  // Decoding stops where the entry's data ends: at the compressed size
  // (a last partial code is padding), or once the declared size is out, so
  // that a malformed stream cannot expand without bound. Other damage shows
  // in the driver's CRC comparison.
  while (!e_.AbortRequested && codeSize <= bitsLeft && produced_ < wanted && !e_.InputExhausted) {
    const int code = static_cast<int>(e_.GetBits(codeSize));
    bitsLeft -= codeSize;
    if (code == kEscape) {
      const uint32_t sub = e_.GetBits(codeSize);
      bitsLeft -= codeSize;
      if (sub == 1) {
        if (++codeSize > kMaxCodeSize) return urArchiveError;
      } else if (sub == 2) {
        PartialClear();
      } else {
        return urArchiveError;
      }
      continue;
    }
    if (code < kEscape) {
      lastChar_ = static_cast<uint8_t>(code);
      if (!Put(lastChar_)) return urWriteError;
      ++produced_;
    } else {
      TUnzipResult result = urOk;
      if (!DecodeString(code, &result)) return result;
    }
    if (nextFree_ <= kLastSlot) {
      const int f = nextFree_;
      if (f > highest_) highest_ = f;
      nextFree_ = -Prefix(f);
      SetPrefix(f, lastCode_);
      Suffix(f) = lastChar_;
    }
    lastCode_ = code;
  }
  if (e_.AbortRequested) return urUserAbort;  // staged bytes are dropped
  if (!FlushStage()) return urWriteError;
  // Data that ends short of the declared size ran out: a fact, not a matter
  // for the CRC (which an empty output matches when the header's CRC is 0).
  return produced_ < wanted ? urReadError : urOk;
}

}  // namespace

TUnzipResult UnshrinkEntry(Engine& e) {
  // The end of the data is known only from the compressed size.
  if (e.CompressedSize == DescriptorSizeMarker) return urNotSupported;
  e.ResetInput();
  std::memset(e.OutputWindow, 0, kWindowSize);
  Unshrinker decoder(e);
  return decoder.Run();
}

}  // namespace unzip
