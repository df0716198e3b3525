#include "support/shrinker.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <unordered_map>
#include <vector>

namespace qtest {
namespace {

constexpr int kFirstCode = 257;
constexpr int kLastSlot = 8192;  // a table slot, but no 13-bit code names it
constexpr int kNone = 8193;

uint32_t Key(int prefix, uint8_t byte) { return static_cast<uint32_t>(prefix) << 8 | byte; }

// The string table as the decoder keeps it, held as sets: a new string takes
// the lowest free code; a partial clear frees every code below the lowest
// free one that no other code below it extends.
class StringTable {
 public:
  explicit StringTable(int codeLimit) : limit_(codeLimit) {
    for (int c = kFirstCode; c <= kLastSlot; ++c) free_.insert(c);
  }

  int Head() const { return free_.empty() ? kNone : *free_.begin(); }
  // Literals, and string codes not freed.
  bool Valid(int code) const { return code < kFirstCode || inUse_[static_cast<size_t>(code)]; }
  // The code (literal or string) for `prefix` extended by `byte`; -1: none.
  int Find(int prefix, uint8_t byte) const {
    const auto it = dict_.find(Key(prefix, byte));
    return it == dict_.end() ? -1 : it->second;
  }

  void Add(int prefix, uint8_t byte, ShrinkStats& st) {
    const int f = Head();
    if (f == kNone) return;
    free_.erase(f);
    if (everFreed_.count(f)) ++st.reusedCodes;
    prefix_[f] = prefix;
    inUse_[f] = true;
    // Codes the encoder must not write are kept out of the search.
    if (f < limit_ && f < kLastSlot) dict_.emplace(Key(prefix, byte), f);
    suffix_[f] = byte;
  }

  void PartialClear(ShrinkStats& st) {
    const int head = Head();
    for (int c = head + 1; c <= kLastSlot; ++c) {
      if (inUse_[c]) {
        ++st.clearsWithPending;
        break;
      }
    }
    std::vector<bool> referenced(kNone + 1, false);
    for (int c = kFirstCode; c <= kLastSlot; ++c) {
      if (!inUse_[c]) continue;
      const int p = prefix_[c];
      if (p >= kFirstCode) referenced[p] = true;
    }
    for (int c = kFirstCode; c <= kLastSlot; ++c) {
      if (referenced[c] || !inUse_[c]) continue;
      inUse_[c] = false;
      free_.insert(c);
      everFreed_.insert(c);
      ++st.freedCodes;
      const auto it = dict_.find(Key(prefix_[c], suffix_[c]));
      if (it != dict_.end() && it->second == c) dict_.erase(it);
    }
  }

 private:
  int limit_;
  std::set<int> free_;
  std::set<int> everFreed_;
  std::unordered_map<uint32_t, int> dict_;
  std::vector<int> prefix_ = std::vector<int>(kNone + 1, 0);
  std::vector<uint8_t> suffix_ = std::vector<uint8_t>(kNone + 1, 0);
  std::vector<bool> inUse_ = std::vector<bool>(kNone + 1, false);
};

}  // namespace

Bytes Shrink(const Bytes& data, const ShrinkOptions& o, ShrinkStats* stats) {
  ShrinkStats local;
  ShrinkStats& st = stats != nullptr ? *stats : local;
  st = ShrinkStats{};
  ShrinkCodeWriter w;
  if (data.empty()) return {};
  const int limit = static_cast<int>(std::min<uint32_t>(o.codeLimit, kLastSlot));
  StringTable table(limit);
  auto emit = [&](uint32_t code) {
    while (code >= (1u << w.CodeSize())) w.Widen();
    w.Code(code);
    ++st.codes;
    st.maxCodeSize = std::max<uint32_t>(st.maxCodeSize, w.CodeSize());
  };

  const size_t n = data.size();
  emit(data[0]);
  int lastCode = data[0];
  size_t lastPos = 0, lastLen = 1, pos = 1;
  uint32_t sinceClear = 1;
  while (pos < n) {
    // Longest string in the table...
    int code = data[pos];
    size_t len = 1;
    while (pos + len < n) {
      const int next = table.Find(code, data[pos + len]);
      if (next < 0) break;
      code = next;
      ++len;
    }
    // ...or the entry the decoder is about to add: the previous string plus
    // its own first byte, named by the lowest free code. The decoder finds
    // that string through the previous code, so a clear must not have freed
    // it.
    const int head = table.Head();
    if (head < limit && table.Valid(lastCode) && lastLen + 1 > len && pos + lastLen + 1 <= n &&
        std::memcmp(&data[pos], &data[lastPos], lastLen) == 0 && data[pos + lastLen] == data[lastPos]) {
      code = head;
      len = lastLen + 1;
      ++st.freeCodeUses;
    }
    emit(static_cast<uint32_t>(code));
    table.Add(lastCode, data[pos], st);
    lastCode = code;
    lastPos = pos;
    lastLen = len;
    pos += len;
    ++sinceClear;
    const bool full = table.Head() >= limit;
    if (pos < n && ((o.clearEvery != 0 && sinceClear >= o.clearEvery) || (o.clearWhenFull && full))) {
      w.PartialClear();
      table.PartialClear(st);
      ++st.clears;
      sinceClear = 0;
    }
  }
  return w.bytes();
}

}  // namespace qtest
