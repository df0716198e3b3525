// Shades of the shaped button's face, on plain RGB values (red in the low
// byte); system colours are resolved by the caller first. Only the low three
// bytes of a value take part: a marker such as clNone reads as white.
// Portable.
#pragma once

#include <algorithm>
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

// Red + green + blue, 0..765.
constexpr int BrightnessRGB(uint32_t rgb) {
  return static_cast<int>((rgb & 0xFF) + ((rgb >> 8) & 0xFF) + ((rgb >> 16) & 0xFF));
}

// Light colours get dark frames and markers, dark ones light.
constexpr bool IsLightRGB(uint32_t rgb) { return BrightnessRGB(rgb) > 360; }

// Step `pos` of `max` from c1 to c2: per channel c1 + (c2 - c1) * pos / max,
// the product first, the quotient truncated toward zero. With max 0, c1 as
// it is. A step outside 0..max cannot carry a channel into its neighbour:
// channels are held to 0..255.
constexpr uint32_t BlendRGB(uint32_t c1, uint32_t c2, int32_t max, int32_t pos) {
  if (max == 0) return c1;
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int64_t a = (c1 >> shift) & 0xFF, b = (c2 >> shift) & 0xFF;
    const int64_t ch = a + (b - a) * pos / max;
    out |= static_cast<uint32_t>(std::clamp<int64_t>(ch, 0, 255)) << shift;
  }
  return out;
}

}  // namespace fyeverbutton
