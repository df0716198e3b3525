#include "support/encoders.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <queue>
#include <set>
#include <stdexcept>
#include <unordered_map>

namespace qtest {

namespace {

constexpr uint32_t kHashBits = 15;

uint32_t Hash3(const uint8_t* p) {
  const uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
  return (v * 2654435761u) >> (32 - kHashBits);
}

}  // namespace

std::vector<LzToken> LzParse(const Bytes& data, const LzParams& p) {
  // With preStart the data is searched behind maxDistance zero bytes.
  const size_t lead = p.preStart ? p.maxDistance : 0;
  Bytes text(lead, 0);
  text.insert(text.end(), data.begin(), data.end());
  const size_t n = text.size();
  std::vector<int64_t> head(size_t{1} << kHashBits, -1);
  std::vector<int64_t> prev(n, -1);
  auto insert = [&](size_t i) {
    if (i + 3 > n) return;
    const uint32_t h = Hash3(&text[i]);
    prev[i] = head[h];
    head[h] = static_cast<int64_t>(i);
  };
  for (size_t i = 0; i < lead; ++i) insert(i);

  std::vector<LzToken> out;
  size_t i = lead;
  while (i < n) {
    uint32_t bestLen = 0, bestDist = 0;
    const uint32_t limit = static_cast<uint32_t>(std::min<size_t>(p.maxLength, n - i));
    if (limit >= p.minLength && i + 3 <= n) {
      int64_t cand = head[Hash3(&text[i])];
      for (uint32_t tries = 0; cand >= 0 && tries < p.maxChain; ++tries, cand = prev[cand]) {
        const size_t dist = i - static_cast<size_t>(cand);
        if (dist > p.maxDistance) break;
        uint32_t len = 0;
        while (len < limit && text[cand + len] == text[i + len]) ++len;
        if (len > bestLen) {
          bestLen = len;
          bestDist = static_cast<uint32_t>(dist);
          if (len == limit) break;
        }
      }
      // Two-byte matches (implode without a literal tree) are not hashed:
      // look at the few nearest positions.
      if (p.minLength < 3 && bestLen < p.minLength) {
        for (uint32_t d = 1; d <= 16 && d <= i && d <= p.maxDistance; ++d) {
          uint32_t len = 0;
          while (len < limit && text[i - d + len] == text[i + len]) ++len;
          if (len >= p.minLength && len > bestLen) {
            bestLen = len;
            bestDist = d;
          }
        }
      }
    }
    if (bestLen >= p.minLength) {
      LzToken t;
      t.length = bestLen;
      t.distance = bestDist;
      out.push_back(t);
      for (uint32_t k = 0; k < bestLen; ++k) insert(i + k);
      i += bestLen;
    } else {
      LzToken t;
      t.literal = text[i];
      out.push_back(t);
      insert(i);
      ++i;
    }
  }
  return out;
}

Bytes LzReplay(const std::vector<LzToken>& tokens) {
  Bytes out;
  for (const LzToken& t : tokens) {
    if (t.length == 0) {
      out.push_back(t.literal);
      continue;
    }
    for (uint32_t k = 0; k < t.length; ++k) {
      const int64_t from = static_cast<int64_t>(out.size()) - t.distance;
      out.push_back(from < 0 ? 0 : out[static_cast<size_t>(from)]);
    }
  }
  return out;
}

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
    while (code >= (1u << w.CodeSize())) w.Escape(1);
    w.Code(code);
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
        std::memcmp(&data[pos], &data[lastPos], lastLen) == 0 &&
        data[pos + lastLen] == data[lastPos]) {
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
    if (pos < n &&
        ((o.clearEvery != 0 && sinceClear >= o.clearEvery) || (o.clearWhenFull && full))) {
      w.Escape(2);
      table.PartialClear(st);
      ++st.clears;
      sinceClear = 0;
    }
  }
  return w.bytes();
}

namespace {

constexpr uint8_t kEscape = 144;

uint32_t LengthMask(int factor) { return 0xFFu >> factor; }

unsigned IndexWidth(size_t n) {
  unsigned bits = 1;
  while ((size_t{1} << bits) < n) ++bits;
  return bits;
}

// The escaped byte stream: literals (144 doubled as 144, 0) and matches as
// 144, V[, extra length], low distance byte.
Bytes Intermediate(const std::vector<LzToken>& tokens, int factor) {
  const uint32_t mask = LengthMask(factor);
  Bytes out;
  for (const LzToken& t : tokens) {
    if (t.length == 0) {
      out.push_back(t.literal);
      if (t.literal == kEscape) out.push_back(0);
      continue;
    }
    const uint32_t len = t.length - 3;
    const uint32_t d = t.distance - 1;
    const uint32_t v = ((d >> 8) << (8 - factor)) | std::min(len, mask);
    if (v == 0 || v > 255) throw std::logic_error("reduce: match cannot be coded");
    out.push_back(kEscape);
    out.push_back(static_cast<uint8_t>(v));
    if (len >= mask) out.push_back(static_cast<uint8_t>(len - mask));
    out.push_back(static_cast<uint8_t>(d & 0xFF));
  }
  return out;
}

}  // namespace

Bytes ReduceCodeStream(const Bytes& inter, const std::vector<std::vector<uint8_t>>& sets) {
  BitWriter bits;
  for (int x = 255; x >= 0; --x) {
    const auto& s = sets[static_cast<size_t>(x)];
    bits.Put(static_cast<uint32_t>(s.size()), 6);
    for (uint8_t b : s) bits.Put(b, 8);
  }
  uint8_t last = 0;
  for (uint8_t ch : inter) {
    const auto& s = sets[last];
    if (s.empty()) {
      bits.Put(ch, 8);
    } else {
      const auto it = std::find(s.begin(), s.end(), ch);
      if (it == s.end()) {
        bits.Put(1, 1);
        bits.Put(ch, 8);
      } else {
        bits.Put(0, 1);
        bits.Put(static_cast<uint32_t>(it - s.begin()), IndexWidth(s.size()));
      }
    }
    last = ch;
  }
  return bits.Finish();
}

Bytes Reduce(const Bytes& data, const ReduceOptions& o) {
  if (o.factor < 1 || o.factor > 4) throw std::invalid_argument("reduce factor");
  const LzParams p{.minLength = o.matches ? 3u : ~0u,
                   .maxLength = LengthMask(o.factor) + 255 + 3,
                   .maxDistance = (1u << o.factor) * 256,
                   .preStart = o.preStart};
  std::vector<LzToken> tokens;
  size_t at = 0;  // output position of the token
  for (const LzToken& t : LzParse(data, p)) {
    // V = 0 means a literal 144: a 3-byte match at distance 256 or less
    // has no code, so it goes as literals.
    if (t.length == 3 && t.distance <= 256) {
      for (uint32_t k = 0; k < 3; ++k) tokens.push_back({0, 0, data[at + k]});
    } else {
      tokens.push_back(t);
    }
    at += t.length == 0 ? 1 : t.length;
  }
  const Bytes inter = Intermediate(tokens, o.factor);

  // Follower statistics over the escaped stream, which the decoder follows.
  std::vector<std::array<uint32_t, 256>> pairs(256);
  for (auto& row : pairs) row.fill(0);
  uint8_t last = 0;
  for (uint8_t ch : inter) {
    ++pairs[last][ch];
    last = ch;
  }
  std::vector<std::vector<uint8_t>> sets(256);
  for (int x = 0; x < 256; ++x) {
    std::vector<int> order(256);
    for (int i = 0; i < 256; ++i) order[static_cast<size_t>(i)] = i;
    const auto& row = pairs[static_cast<size_t>(x)];
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
      return row[static_cast<size_t>(a)] > row[static_cast<size_t>(b)];
    });
    const int forced = o.setSize[static_cast<size_t>(x)];
    size_t size = 0;
    if (forced >= 0) {
      size = static_cast<size_t>(std::min(forced, 63));
    } else {
      while (size < 32 && row[static_cast<size_t>(order[size])] > 1) ++size;
    }
    for (size_t i = 0; i < size; ++i)
      sets[static_cast<size_t>(x)].push_back(static_cast<uint8_t>(order[i]));
  }
  return ReduceCodeStream(inter, sets);
}

namespace {

void CheckComplete(const std::vector<uint8_t>& lengths) {
  uint64_t sum = 0;
  for (uint8_t l : lengths) {
    if (l < 1 || l > 16) throw std::invalid_argument("implode: code length out of range");
    sum += uint64_t{1} << (16 - l);
  }
  if (sum != (uint64_t{1} << 16)) throw std::invalid_argument("implode: code is not complete");
}

class Tree {
 public:
  explicit Tree(std::vector<uint8_t> lengths) : lengths_(std::move(lengths)) {
    CheckComplete(lengths_);
    codes_ = CanonicalCodes(lengths_);
  }
  // Inverted, as the format stores every code.
  void Put(BitWriter& bits, uint32_t symbol) const {
    const unsigned l = lengths_[symbol];
    bits.PutCode(~uint32_t{codes_[symbol]} & ((1u << l) - 1), l);
  }
  const std::vector<uint8_t>& lengths() const { return lengths_; }

 private:
  std::vector<uint8_t> lengths_;
  std::vector<uint16_t> codes_;
};

}  // namespace

uint16_t ImplodeFlags(const ImplodeOptions& o) {
  return static_cast<uint16_t>((o.dict8k ? 2 : 0) | (o.literalTree ? 4 : 0));
}

Bytes ImplodeTree(const std::vector<uint8_t>& lengths) {
  Bytes out(1, 0);  // the group count goes first
  for (size_t i = 0; i < lengths.size();) {
    size_t run = 1;
    while (run < 16 && i + run < lengths.size() && lengths[i + run] == lengths[i]) ++run;
    out.push_back(static_cast<uint8_t>(((run - 1) << 4) | (lengths[i] - 1u)));
    i += run;
  }
  out[0] = static_cast<uint8_t>(out.size() - 2);
  return out;
}

Bytes Implode(const Bytes& data, const ImplodeOptions& o) {
  const uint32_t base = o.literalTree ? 3 : 2;
  const LzParams p{.minLength = o.matches ? base : ~0u,
                   .maxLength = base + 63 + 255,  // length code 63 and a byte
                   .maxDistance = o.dict8k ? 8192u : 4096u,
                   .preStart = o.preStart};
  return ImplodeTokens(LzParse(data, p), o);
}

Bytes ImplodeTokens(const std::vector<LzToken>& tokens, const ImplodeOptions& o) {
  const uint32_t base = o.literalTree ? 3 : 2;
  const unsigned lowBits = o.dict8k ? 7 : 6;

  std::vector<uint32_t> litCount(256, 0), lenCount(64, 0), distCount(64, 0);
  for (const LzToken& t : tokens) {
    if (t.length == 0) {
      ++litCount[t.literal];
    } else {
      ++lenCount[std::min<uint32_t>(t.length - base, 63)];
      ++distCount[(t.distance - 1) >> lowBits];
    }
  }
  auto pick = [](const std::vector<uint8_t>& given, const std::vector<uint32_t>& counts) {
    if (!given.empty()) return given;
    std::vector<uint64_t> weights(counts.begin(), counts.end());
    for (auto& w : weights) ++w;  // every symbol gets a code: the tree is complete
    return HuffmanLengths(weights, 16);
  };
  const Tree lit(pick(o.literalLengths, litCount));
  const Tree len(pick(o.lengthLengths, lenCount));
  const Tree dist(pick(o.distanceLengths, distCount));

  Bytes out;
  auto append = [&out](const Bytes& b) { out.insert(out.end(), b.begin(), b.end()); };
  if (o.literalTree) append(ImplodeTree(lit.lengths()));
  append(ImplodeTree(len.lengths()));
  append(ImplodeTree(dist.lengths()));

  BitWriter bits;
  for (const LzToken& t : tokens) {
    if (t.length == 0) {
      bits.Put(1, 1);
      if (o.literalTree) {
        lit.Put(bits, t.literal);
      } else {
        bits.Put(t.literal, 8);
      }
      continue;
    }
    bits.Put(0, 1);
    const uint32_t d = t.distance - 1;
    bits.Put(d & ((1u << lowBits) - 1), lowBits);
    dist.Put(bits, d >> lowBits);
    const uint32_t l = t.length - base;
    if (l >= 63) {
      len.Put(bits, 63);
      bits.Put(l - 63, 8);
    } else {
      len.Put(bits, l);
    }
  }
  append(bits.Finish());
  return out;
}

}  // namespace qtest
