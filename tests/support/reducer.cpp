#include "support/reducer.h"

#include <algorithm>
#include <stdexcept>

#include "support/bit_writer.h"
#include "support/lz_parse.h"

namespace qtest {
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

uint32_t ReduceMaxLength(int factor) { return LengthMask(factor) + 255 + 3; }
uint32_t ReduceMaxDistance(int factor) { return ((1u << factor) - 1) * 256 + 256; }

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
  std::vector<LzToken> tokens;
  if (o.matches) {
    LzParams p;
    p.minLength = 3;
    p.maxLength = ReduceMaxLength(o.factor);
    p.maxDistance = ReduceMaxDistance(o.factor);
    p.preStart = o.preStart;
    size_t at = 0;  // output position of the token
    for (const LzToken& t : LzParse(data, p)) {
      // V = 0 means a literal 144: a 3-byte match at distance 256 or less
      // has no code, so it goes as literals.
      if (t.length == 3 && t.distance <= 256) {
        for (uint32_t k = 0; k < 3; ++k) {
          LzToken lit;
          lit.literal = data[at + k];
          tokens.push_back(lit);
        }
      } else {
        tokens.push_back(t);
      }
      at += t.length == 0 ? 1 : t.length;
    }
  } else {
    for (uint8_t b : data) {
      LzToken lit;
      lit.literal = b;
      tokens.push_back(lit);
    }
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
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return row[static_cast<size_t>(a)] > row[static_cast<size_t>(b)]; });
    const int forced = o.setSize[static_cast<size_t>(x)];
    size_t size = 0;
    if (forced >= 0) {
      size = static_cast<size_t>(std::min(forced, 63));
    } else {
      while (size < 32 && row[static_cast<size_t>(order[size])] > 1) ++size;
    }
    for (size_t i = 0; i < size; ++i) sets[static_cast<size_t>(x)].push_back(static_cast<uint8_t>(order[i]));
  }
  return ReduceCodeStream(inter, sets);
}

}  // namespace qtest
