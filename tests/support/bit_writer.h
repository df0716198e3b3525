// Hand-built deflate streams for tests: a bit writer in deflate's bit order,
// canonical prefix codes, and a block writer that can also break the format
// on purpose (wrong complements, invalid symbols, codes that do not add up).
// Everything here is computed from the format's rules, independently of the
// engine's own tables.
#pragma once

#include <cstdint>
#include <vector>

#include "support/zip_writer.h"

namespace qtest {

// Bits are packed least significant first into bytes, as deflate reads them.
class BitWriter {
 public:
  // The low `count` bits of `value` (count <= 32), least significant first.
  void Put(uint32_t value, unsigned count);
  // A prefix code of `length` bits: its most significant bit goes first.
  void PutCode(uint32_t code, unsigned length);
  // Zero bits up to the next byte boundary.
  void AlignToByte();
  // Whole bytes at a byte boundary (aligns first).
  void PutBytes(const Bytes& data);
  // The stream, its last byte filled up with zero bits.
  Bytes Finish() const;

 private:
  Bytes bytes_;
  uint32_t acc_ = 0;
  unsigned pending_ = 0;  // bits in acc_, fewer than 8
};

// The canonical code of each symbol for a list of code lengths (0: absent),
// assigned by increasing length, then increasing symbol value.
std::vector<uint16_t> CanonicalCodes(const std::vector<uint8_t>& lengths);

// Code lengths of at most `maxLength` bits for symbols with the given
// frequencies (0: symbol absent): a Huffman code, its frequencies flattened
// until it fits. One used symbol gets length 1.
std::vector<uint8_t> HuffmanLengths(const std::vector<uint64_t>& frequencies, unsigned maxLength);

// Length symbol (257-285) and extra bits for a match length of 3 to 258, and
// distance symbol (0-29) and extra bits for a distance of 1 to 32,768.
struct SymbolExtra {
  unsigned symbol;
  unsigned extraBits;
  unsigned extraValue;
};
SymbolExtra LengthSymbol(unsigned length);
SymbolExtra DistanceSymbol(unsigned distance);

// Code lengths of the fixed literal/length code (288 symbols).
std::vector<uint8_t> FixedLiteralLengths();

// One item of a dynamic block's code-length sequence: a symbol 0-18 and, for
// 16, 17 and 18, the value of its extra bits (2, 3 and 7 bits).
struct CodeLengthItem {
  unsigned symbol;
  unsigned extra = 0;
};

// Writes deflate blocks. Symbols go through the code of the block begun last.
class DeflateWriter {
 public:
  // A stored block with the right LEN and NLEN.
  void StoredBlock(bool last, const Bytes& data);
  // A stored block with the given LEN and NLEN fields, followed by `data`.
  void StoredBlockRaw(bool last, uint16_t len, uint16_t nlen, const Bytes& data);
  // A block header with block type 3 (reserved).
  void ReservedBlock(bool last);
  // A fixed-code block; symbols follow.
  void BeginFixed(bool last);
  // A dynamic block whose header transmits these lengths (NLit = size of
  // `literal`, 257-288; NDist = size of `distance`, 1-32) plainly, one
  // code-length symbol per length, through a complete code-length code in
  // which all 19 symbols are present.
  void BeginDynamic(bool last, const std::vector<uint8_t>& literal,
                    const std::vector<uint8_t>& distance);
  // A dynamic block header written field by field: HLIT, HDIST and HCLEN as
  // given (their 5, 5 and 4 bits), `codeLengthLengths` (19 lengths in symbol
  // order, sent in the format's permuted order, the first 4 + HCLEN of
  // them), then `items` through that code. The symbols that follow use
  // `literal` and `distance`.
  void BeginDynamicRaw(bool last, unsigned hlit, unsigned hdist, unsigned hclen,
                       const std::vector<uint8_t>& codeLengthLengths,
                       const std::vector<CodeLengthItem>& items,
                       const std::vector<uint8_t>& literal, const std::vector<uint8_t>& distance);

  void Literal(uint8_t byte);
  void Literals(const Bytes& bytes);
  // A length/distance pair with its extra bits.
  void Match(unsigned length, unsigned distance);
  // Any literal/length symbol (0-287) and any distance symbol (0-31), with
  // extra bits given by the caller.
  void LiteralSymbol(unsigned symbol);
  void DistanceCode(unsigned symbol);
  void EndOfBlock() { LiteralSymbol(256); }

  BitWriter& Bits() { return bits_; }
  Bytes Finish() const { return bits_.Finish(); }

 private:
  void Header(bool last, unsigned type);
  void UseCodes(const std::vector<uint8_t>& literal, const std::vector<uint8_t>& distance);

  BitWriter bits_;
  std::vector<uint8_t> litLengths_, distLengths_;
  std::vector<uint16_t> litCodes_, distCodes_;
};

}  // namespace qtest
