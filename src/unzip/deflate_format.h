// The numbers of the deflate format (RFC 1951) that the decoder and the
// table builder size their arrays and loops by.
#pragma once

#include <cstdint>

namespace unzip::deflate {

// Literal/length alphabet: literals 0-255, end of block 256, lengths
// 257-285, and 286-287, which the fixed code has and no stream may use.
inline constexpr unsigned kLiteralLengthSymbols = 288;
inline constexpr unsigned kEndOfBlock = 256;
inline constexpr unsigned kFirstLengthSymbol = 257;
// Distance alphabet: 0-29 in use; a dynamic block may declare 32 (the two
// above are invalid if used).
inline constexpr unsigned kDistanceCodes = 30;
inline constexpr unsigned kDistanceSymbols = 32;
// A dynamic block's code lengths: both alphabets in one run.
inline constexpr unsigned kMaxCodeLengths = kLiteralLengthSymbols + kDistanceSymbols;
// The code-length alphabet, whose own lengths come in 3-bit fields.
inline constexpr unsigned kCodeLengthSymbols = 19;
inline constexpr unsigned kMaxCodeLengthLength = 7;

// Longest code, most extra bits of a length and of a distance, longest
// match, farthest distance.
inline constexpr unsigned kMaxCodeLength = 15;
inline constexpr unsigned kMaxLengthExtra = 5;
inline constexpr unsigned kMaxDistanceExtra = 13;
inline constexpr unsigned kMaxMatch = 258;
inline constexpr unsigned kMaxDistance = 32768;

// The fixed code's length of literal/length symbol i; every fixed distance
// code is 5 bits long.
constexpr uint16_t FixedLiteralLength(unsigned i) {
  return i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
}
inline constexpr unsigned kFixedLiteralLongest = 9;
inline constexpr unsigned kFixedDistanceLength = 5;

}  // namespace unzip::deflate
