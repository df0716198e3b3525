// Fixed-width numbers in text, for the few places that print them (log time
// stamps, temporary names) without the C runtime's formatter and the
// floating-point and locale code it brings into a Windows image.
#pragma once

#include <cstdint>

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

}  // namespace q
