// Numbers in text, for the places that print them (log lines, messages, time
// stamps, temporary names) without the C runtime's formatter and the
// floating-point and locale code it brings into a Windows image.
#pragma once

#include <cstdint>
#include <string>

namespace q {

// Writes the low `width` digits of `value` in `base` (10 or 16, lower case)
// at `out`, zero-padded, and returns the position behind them. No zero.
inline char* PutDigits(char* out, uint32_t value, int width, uint32_t base = 10) {
  for (int i = width - 1; i >= 0; --i) {
    out[i] = "0123456789abcdef"[value % base];
    value /= base;
  }
  return out + width;
}

// `n` / `d` (d not zero), the remainder in `rest`, in 32-bit steps: on i686 a
// 64-bit division calls a library routine that would come into the image
// only for this.
inline uint64_t DivideWide(uint64_t n, uint32_t d, uint32_t& rest) {
  if (n >> 32 == 0) {
    rest = static_cast<uint32_t>(n) % d;
    return static_cast<uint32_t>(n) / d;
  }
  uint64_t quotient = 0;
  uint64_t r = 0;  // below 2 * d
  for (int bit = 63; bit >= 0; --bit) {
    r = (r << 1) | ((n >> bit) & 1);
    quotient <<= 1;
    if (r >= d) {
      r -= d;
      quotient |= 1;
    }
  }
  rest = static_cast<uint32_t>(r);
  return quotient;
}

// `magnitude` in decimal, with a minus sign when `negative` (and not zero):
// one routine for every integer type the programs print.
inline std::string Decimal(uint64_t magnitude, bool negative = false) {
  char digits[21];
  char* at = digits + sizeof digits;
  do {
    uint32_t digit = 0;
    magnitude = DivideWide(magnitude, 10, digit);
    *--at = static_cast<char>('0' + digit);
  } while (magnitude != 0);
  if (negative && at[0] != '0') *--at = '-';
  return std::string(at, digits + sizeof digits);
}

inline std::string SignedDecimal(int64_t value) {
  // The magnitude of the most negative value still fits the unsigned type.
  return Decimal(value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value),
                 value < 0);
}

}  // namespace q
