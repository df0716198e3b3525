#include "support/imploder.h"

#include <algorithm>
#include <functional>
#include <queue>
#include <stdexcept>

#include "support/bit_writer.h"
#include "support/lz_parse.h"

namespace qtest {
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

uint32_t ImplodeMaxLength(bool literalTree) { return (literalTree ? 3u : 2u) + 63 + 255; }

std::vector<uint8_t> LimitedCodeLengths(const std::vector<uint32_t>& counts, unsigned maxLength) {
  std::vector<uint64_t> weight(counts.begin(), counts.end());
  for (auto& w : weight) ++w;  // every symbol gets a code
  for (;;) {
    // Huffman: merge the two lightest; depth of a leaf = number of merges
    // above it.
    const size_t n = weight.size();
    std::vector<size_t> parent(2 * n, 0);
    using Node = std::pair<uint64_t, size_t>;
    std::priority_queue<Node, std::vector<Node>, std::greater<Node>> heap;
    for (size_t i = 0; i < n; ++i) heap.push({weight[i], i});
    size_t next = n;
    while (heap.size() > 1) {
      const Node a = heap.top();
      heap.pop();
      const Node b = heap.top();
      heap.pop();
      parent[a.second] = parent[b.second] = next;
      heap.push({a.first + b.first, next++});
    }
    const size_t root = next - 1;
    std::vector<uint8_t> lengths(n);
    unsigned longest = 0;
    for (size_t i = 0; i < n; ++i) {
      unsigned d = 0;
      for (size_t p = i; p != root; p = parent[p]) ++d;
      lengths[i] = static_cast<uint8_t>(std::max(d, 1u));
      longest = std::max(longest, d);
    }
    if (longest <= maxLength) return lengths;
    for (auto& w : weight) w = w / 2 + 1;  // flatter, until it fits
  }
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
  std::vector<LzToken> tokens;
  if (o.matches) {
    LzParams p;
    p.minLength = o.literalTree ? 3 : 2;
    p.maxLength = ImplodeMaxLength(o.literalTree);
    p.maxDistance = o.dict8k ? 8192 : 4096;
    p.preStart = o.preStart;
    tokens = LzParse(data, p);
  } else {
    for (uint8_t b : data) {
      LzToken t;
      t.literal = b;
      tokens.push_back(t);
    }
  }
  return ImplodeTokens(tokens, o);
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
    return given.empty() ? LimitedCodeLengths(counts, 16) : given;
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
