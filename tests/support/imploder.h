// Test-only encoder of the implode method (ZIP method 6) in its four
// variants: 4K or 8K dictionary, with or without a literal tree. Trees are
// prefix codes of lengths 1 to 16 covering every symbol, stored run-length
// coded in front of the data; codes go into the stream inverted.
#pragma once

#include <cstdint>
#include <vector>

#include "support/lz_parse.h"
#include "support/zip_writer.h"

namespace qtest {

struct ImplodeOptions {
  bool literalTree = true;  // flag bit 2
  bool dict8k = true;       // flag bit 1
  bool matches = true;
  bool preStart = false;    // matches may reach before the start (zeros)
  // Code lengths to use instead of those the data suggests (each must form
  // a complete code over 256 or 64 symbols).
  std::vector<uint8_t> literalLengths, lengthLengths, distanceLengths;
};

// The general purpose flags that go with the options.
uint16_t ImplodeFlags(const ImplodeOptions& options);

// The longest match a variant codes: 2 or 3, plus 63 + 255.
uint32_t ImplodeMaxLength(bool literalTree);

// Prefix-code lengths (at most `maxLength`, every symbol at least 1) from
// symbol counts, forming a complete code.
std::vector<uint8_t> LimitedCodeLengths(const std::vector<uint32_t>& counts, unsigned maxLength);

// A tree description: the number of groups less one, then one byte per group
// of equal lengths, (repeat - 1) << 4 | (length - 1).
Bytes ImplodeTree(const std::vector<uint8_t>& lengths);

Bytes Implode(const Bytes& data, const ImplodeOptions& options = {});

// Codes a given parse (matches of the variant's lengths, distances up to its
// dictionary size, before the start allowed); `matches` and `preStart` of
// the options are not used.
Bytes ImplodeTokens(const std::vector<LzToken>& tokens, const ImplodeOptions& options);

}  // namespace qtest
