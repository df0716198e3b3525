#include "support/bit_writer.h"

#include <algorithm>
#include <queue>
#include <stdexcept>
#include <string>

namespace qtest {

void BitWriter::Put(uint32_t value, unsigned count) {
  for (unsigned i = 0; i < count; ++i) {
    acc_ |= ((value >> i) & 1u) << pending_;
    if (++pending_ == 8) {
      bytes_.push_back(static_cast<uint8_t>(acc_));
      acc_ = 0;
      pending_ = 0;
    }
  }
}

void BitWriter::PutCode(uint32_t code, unsigned length) {
  for (unsigned i = length; i > 0; --i) Put((code >> (i - 1)) & 1u, 1);
}

void BitWriter::AlignToByte() {
  if (pending_ != 0) Put(0, 8 - pending_);
}

void BitWriter::PutBytes(const Bytes& data) {
  AlignToByte();
  bytes_.insert(bytes_.end(), data.begin(), data.end());
}

Bytes BitWriter::Finish() const {
  Bytes out = bytes_;
  if (pending_ != 0) out.push_back(static_cast<uint8_t>(acc_));
  return out;
}

std::vector<uint16_t> CanonicalCodes(const std::vector<uint8_t>& lengths) {
  unsigned count[17] = {};
  for (uint8_t l : lengths) {
    if (l > 16) throw std::invalid_argument("code length above 16");
    ++count[l];
  }
  count[0] = 0;
  uint32_t next[18] = {};
  uint32_t code = 0;
  for (unsigned bits = 1; bits <= 16; ++bits) {
    code = (code + count[bits - 1]) << 1;
    next[bits] = code;
  }
  std::vector<uint16_t> codes(lengths.size(), 0);
  for (size_t i = 0; i < lengths.size(); ++i) {
    if (lengths[i] != 0) codes[i] = static_cast<uint16_t>(next[lengths[i]]++);
  }
  return codes;
}

std::vector<uint8_t> HuffmanLengths(const std::vector<uint64_t>& frequencies, unsigned maxLength) {
  std::vector<uint64_t> freq = frequencies;
  std::vector<size_t> used;  // symbols present
  for (size_t i = 0; i < freq.size(); ++i) {
    if (freq[i] != 0) used.push_back(i);
  }
  std::vector<uint8_t> lengths(freq.size(), 0);
  if (used.size() == 1) lengths[used[0]] = 1;
  if (used.size() < 2) return lengths;
  for (;;) {
    // Merge the two lightest nodes; a leaf's length is the merges above it.
    const size_t n = used.size();
    std::vector<size_t> parent(2 * n, 0);
    using Node = std::pair<uint64_t, size_t>;
    std::priority_queue<Node, std::vector<Node>, std::greater<Node>> heap;
    for (size_t i = 0; i < n; ++i) heap.push({freq[used[i]], i});
    size_t next = n;
    while (heap.size() > 1) {
      const Node a = heap.top();
      heap.pop();
      const Node b = heap.top();
      heap.pop();
      parent[a.second] = parent[b.second] = next;
      heap.push({a.first + b.first, next++});
    }
    unsigned longest = 0;
    for (size_t i = 0; i < n; ++i) {
      unsigned depth = 0;
      for (size_t p = i; p != next - 1; p = parent[p]) ++depth;
      lengths[used[i]] = static_cast<uint8_t>(std::min(depth, 255u));
      longest = std::max(longest, depth);
    }
    if (longest <= maxLength) return lengths;
    for (size_t i : used) freq[i] = (freq[i] + 1) / 2;  // flatter, until it fits
  }
}

// The length symbols form groups: 257-264 without extra bits (lengths 3 to
// 10), then groups of four symbols with 1, 2, ... 5 extra bits, each group's
// range twice the one before; 285 stands alone for 258.
SymbolExtra LengthSymbol(unsigned length) {
  if (length < 3 || length > 258) throw std::invalid_argument("match length out of range");
  if (length == 258) return {285, 0, 0};
  if (length < 11) return {254 + length, 0, 0};
  unsigned base = 11;
  unsigned symbol = 265;
  for (unsigned extra = 1; extra <= 5; ++extra) {
    for (unsigned i = 0; i < 4; ++i, ++symbol) {
      const unsigned span = 1u << extra;
      if (length < base + span) return {symbol, extra, length - base};
      base += span;
    }
  }
  throw std::logic_error("length symbol not found");
}

// Distance symbols 0-3 stand for 1-4; from there on pairs of symbols share
// an extra bit count that grows by one per pair.
SymbolExtra DistanceSymbol(unsigned distance) {
  if (distance < 1 || distance > 32768) throw std::invalid_argument("distance out of range");
  if (distance <= 4) return {distance - 1, 0, 0};
  unsigned base = 5;
  unsigned symbol = 4;
  for (unsigned extra = 1; extra <= 13; ++extra) {
    for (unsigned i = 0; i < 2; ++i, ++symbol) {
      const unsigned span = 1u << extra;
      if (distance < base + span) return {symbol, extra, distance - base};
      base += span;
    }
  }
  throw std::logic_error("distance symbol not found");
}

std::vector<uint8_t> FixedLiteralLengths() {
  std::vector<uint8_t> l(288);
  for (unsigned i = 0; i < 288; ++i) l[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
  return l;
}

namespace {

// The order in which a dynamic header sends the code-length code's lengths.
constexpr unsigned kCodeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                           11, 4,  12, 3, 13, 2, 14, 1, 15};

// A complete code-length code with every symbol present: 13 codes of 4 bits
// and 6 of 5 bits (13/16 + 6/32 = 1).
std::vector<uint8_t> AllSymbolsCodeLengthCode() {
  std::vector<uint8_t> l(19, 4);
  for (unsigned s = 13; s < 19; ++s) l[s] = 5;
  return l;
}

}  // namespace

void DeflateWriter::Header(bool last, unsigned type) {
  bits_.Put(last ? 1 : 0, 1);
  bits_.Put(type, 2);
}

void DeflateWriter::StoredBlock(bool last, const Bytes& data) {
  const auto len = static_cast<uint16_t>(data.size());
  StoredBlockRaw(last, len, static_cast<uint16_t>(~len), data);
}

void DeflateWriter::StoredBlockRaw(bool last, uint16_t len, uint16_t nlen, const Bytes& data) {
  Header(last, 0);
  bits_.AlignToByte();
  bits_.Put(len, 16);
  bits_.Put(nlen, 16);
  bits_.PutBytes(data);
}

void DeflateWriter::ReservedBlock(bool last) { Header(last, 3); }

void DeflateWriter::UseCodes(const std::vector<uint8_t>& literal,
                             const std::vector<uint8_t>& distance) {
  litLengths_ = literal;
  distLengths_ = distance;
  litCodes_ = CanonicalCodes(literal);
  distCodes_ = CanonicalCodes(distance);
}

void DeflateWriter::BeginFixed(bool last) {
  Header(last, 1);
  UseCodes(FixedLiteralLengths(), std::vector<uint8_t>(32, 5));
}

void DeflateWriter::BeginDynamic(bool last, const std::vector<uint8_t>& literal,
                                 const std::vector<uint8_t>& distance) {
  std::vector<CodeLengthItem> items;
  for (uint8_t l : literal) items.push_back({l});
  for (uint8_t l : distance) items.push_back({l});
  BeginDynamicRaw(last, static_cast<unsigned>(literal.size() - 257),
                  static_cast<unsigned>(distance.size() - 1), 15, AllSymbolsCodeLengthCode(), items,
                  literal, distance);
}

void DeflateWriter::BeginDynamicRaw(bool last, unsigned hlit, unsigned hdist, unsigned hclen,
                                    const std::vector<uint8_t>& codeLengthLengths,
                                    const std::vector<CodeLengthItem>& items,
                                    const std::vector<uint8_t>& literal,
                                    const std::vector<uint8_t>& distance) {
  Header(last, 2);
  bits_.Put(hlit, 5);
  bits_.Put(hdist, 5);
  bits_.Put(hclen, 4);
  for (unsigned i = 0; i < 4 + hclen; ++i) bits_.Put(codeLengthLengths[kCodeLengthOrder[i]], 3);
  const std::vector<uint16_t> clCodes = CanonicalCodes(codeLengthLengths);
  for (const CodeLengthItem& item : items) {
    if (codeLengthLengths[item.symbol] == 0) {
      throw std::logic_error("code-length symbol " + std::to_string(item.symbol) + " has no code");
    }
    bits_.PutCode(clCodes[item.symbol], codeLengthLengths[item.symbol]);
    if (item.symbol == 16) bits_.Put(item.extra, 2);
    if (item.symbol == 17) bits_.Put(item.extra, 3);
    if (item.symbol == 18) bits_.Put(item.extra, 7);
  }
  UseCodes(literal, distance);
}

void DeflateWriter::LiteralSymbol(unsigned symbol) {
  if (symbol >= litLengths_.size() || litLengths_[symbol] == 0) {
    throw std::logic_error("literal/length symbol " + std::to_string(symbol) + " has no code");
  }
  bits_.PutCode(litCodes_[symbol], litLengths_[symbol]);
}

void DeflateWriter::DistanceCode(unsigned symbol) {
  if (symbol >= distLengths_.size() || distLengths_[symbol] == 0) {
    throw std::logic_error("distance symbol " + std::to_string(symbol) + " has no code");
  }
  bits_.PutCode(distCodes_[symbol], distLengths_[symbol]);
}

void DeflateWriter::Literal(uint8_t byte) { LiteralSymbol(byte); }

void DeflateWriter::Literals(const Bytes& bytes) {
  for (uint8_t b : bytes) Literal(b);
}

void DeflateWriter::Match(unsigned length, unsigned distance) {
  const SymbolExtra l = LengthSymbol(length);
  LiteralSymbol(l.symbol);
  bits_.Put(l.extraValue, l.extraBits);
  const SymbolExtra d = DistanceSymbol(distance);
  DistanceCode(d.symbol);
  bits_.Put(d.extraValue, d.extraBits);
}

}  // namespace qtest
