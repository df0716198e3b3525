#include "shapebutton/fyframes.h"

#include <algorithm>

namespace fyeverbutton {

int64_t FrameLeft(TFyHAlign align, int32_t explicitLeft, int32_t margin, int32_t width,
                  int64_t frameWidth) {
  switch (align) {
    case haLeft: return margin;
    case haCenter: return (width - frameWidth) / 2;
    case haRight: return int64_t{width} - margin - frameWidth;
    case haNone: break;
  }
  return explicitLeft;
}

int64_t FrameTop(TFyVAlign align, int32_t explicitTop, int32_t margin, int32_t height,
                 int64_t frameHeight) {
  switch (align) {
    case vaTop: return margin;
    case vaCenter: return (height - frameHeight) / 2;
    case vaBottom: return int64_t{height} - margin - frameHeight;
    case vaNone: break;
  }
  return explicitTop;
}

int GlyphCopies(int frames, int64_t frameWidth, int64_t frameHeight, GlyphState state,
                GlyphCopy (&out)[2]) {
  // The source starts as frame 0; each step that moves it leaves it moved
  // for the steps after it.
  FrameRect source{0, 0, frameWidth, frameHeight};
  int n = 0;
  auto copy = [&](bool merge) { out[n++] = {source, 0, 0, merge}; };
  auto move = [&](int64_t dx, int64_t dy) {
    source.left += dx;
    source.right += dx;
    source.top += dy;
    source.bottom += dy;
  };
  if (!state.pressed && state.enabled && !state.hover) copy(false);
  if (!state.enabled) {
    if (frames == 1) {
      copy(true);
    } else {
      move(frameWidth, 0);
      copy(false);
    }
  }
  if (!state.pressed && state.enabled && state.hover) {
    if (frames >= 3) move(2 * frameWidth, 0);
    copy(false);
  }
  if (state.pressed) {
    move(frames == 4 ? 3 * frameWidth - 1 : -1, -1);
    // Moved one up and left, the source's first column and row lie before
    // the frame: they are left out, and the rest lands one pixel further.
    source.left += 1;
    source.top += 1;
    out[n++] = {source, 1, 1, false};
  }
  return n;
}

void KeyColourCopy(const ConstPixelRows& strip, const FrameRect& source, const PixelRows& target,
                   int64_t destX, int64_t destY) {
  if (!strip.bits || strip.width <= 0 || strip.height <= 0) return;
  if (!target.bits || target.width <= 0 || target.height <= 0) return;
  const uint8_t k0 = strip.bits[0], k1 = strip.bits[1], k2 = strip.bits[2];
  // Source row y lands on target row y - top + destY: only rows inside the
  // strip whose target row lies inside the target are copied (and the
  // same for columns), so the ranges are cut once instead of per pixel.
  const int64_t dy = destY - source.top, dx = destX - source.left;
  const int64_t y0 = std::max({source.top, int64_t{0}, -dy});
  const int64_t y1 = std::min({source.bottom, int64_t{strip.height}, target.height - dy});
  const int64_t x0 = std::max({source.left, int64_t{0}, -dx});
  const int64_t x1 = std::min({source.right, int64_t{strip.width}, target.width - dx});
  for (int64_t y = y0; y < y1; ++y) {
    const uint8_t* s = strip.bits + y * strip.stride + x0 * 3;
    uint8_t* t = target.bits + (y + dy) * target.stride + (x0 + dx) * 3;
    for (int64_t x = x0; x < x1; ++x, s += 3, t += 3) {
      if (s[0] != k0 || s[1] != k1 || s[2] != k2) {
        t[0] = s[0];
        t[1] = s[1];
        t[2] = s[2];
      }
    }
  }
}

}  // namespace fyeverbutton
