// Shades of the shaped button's face, on plain RGB values (red in the low
// byte); system colours are resolved by the caller first. Portable.
#pragma once

#include <cstdint>

namespace fyeverbutton {

// Each channel gains 32, channels of 224 and more become 255.
constexpr uint32_t LightenRGB(uint32_t rgb) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t ch = (rgb >> shift) & 0xFF;
    out |= (ch >= 224 ? 255u : ch + 32) << shift;
  }
  return out;
}

// Each channel loses 32, channels below 32 become 0.
constexpr uint32_t DarkenRGB(uint32_t rgb) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t ch = (rgb >> shift) & 0xFF;
    out |= (ch >= 32 ? ch - 32 : 0u) << shift;
  }
  return out;
}

}  // namespace fyeverbutton
