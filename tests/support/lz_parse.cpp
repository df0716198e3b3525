#include "support/lz_parse.h"

#include <algorithm>

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

}  // namespace qtest
