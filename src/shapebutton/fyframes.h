// Frame strips of the shaped button: where a frame goes on the button,
// which part of the glyph strip each state shows, and the key-colour copy
// on raw 24-bit rows. Portable.
//
// A strip holds `frames` frames of equal width side by side; frame k covers
// the columns k*fw .. (k+1)*fw - 1 with fw = strip width / frames. Glyph
// frames: 0 normal, 1 disabled, 2 hover, 3 pressed.
//
// Coordinates are 64-bit: a strip is at most 2^31 pixels wide and the
// placement adds and subtracts any 32-bit margins, so no sum can overflow.
#pragma once

#include <cstddef>
#include <cstdint>

#include "shapebutton/fyeverbutton_types.h"

namespace fyeverbutton {

// A rectangle of strip pixels: left and top inside, right and bottom not.
struct FrameRect {
  int64_t left = 0;
  int64_t top = 0;
  int64_t right = 0;
  int64_t bottom = 0;
};

// Where a frame of frameWidth x frameHeight goes on a width x height
// button: against an edge at the `margin`, centred, or at the explicit
// coordinate (haNone / vaNone).
int64_t FrameLeft(TFyHAlign align, int32_t explicitLeft, int32_t margin, int32_t width,
                  int64_t frameWidth);
int64_t FrameTop(TFyVAlign align, int32_t explicitTop, int32_t margin, int32_t height,
                 int64_t frameHeight);

struct GlyphState {
  bool pressed = false;
  bool enabled = true;
  bool hover = false;
};

// One copy of part of a glyph strip onto the face, its top-left corner
// (dx, dy) away from the frame's place; `merge` combines the source with
// the face's brush (source AND brush), which dims a one-frame glyph on a
// disabled button.
struct GlyphCopy {
  FrameRect source;
  int64_t dx = 0;
  int64_t dy = 0;
  bool merge = false;
};

// The copies a glyph strip of `frames` frames (1..4), each frameWidth x
// frameHeight, gets in `state`, in drawing order; returns how many (0..2).
//
// Pressed shows the frame one pixel right and down of its place, without
// its last column and row. The column and row it uncovers keep what the
// face had: the copy starts at the frame's own first column, so neither the
// previous frame's last column nor anything outside the strip shows there
// (for every copy mode, and with a four-frame strip too, where the column
// before the pressed frame is the hover frame's).
//
// A disabled button that is drawn pressed gets the pressed copy on top of
// the disabled one, its source moved on from the disabled frame's.
int GlyphCopies(int frames, int64_t frameWidth, int64_t frameHeight, GlyphState state,
                GlyphCopy (&out)[2]);

// Rows of 24-bit pixels (blue, green, red), `stride` bytes apart.
template <typename Byte>
struct Rows {
  Byte* bits = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  ptrdiff_t stride = 0;
};
using PixelRows = Rows<uint8_t>;
using ConstPixelRows = Rows<const uint8_t>;

// Copies the pixels of `source` in `strip` that differ from the strip's
// pixel (0, 0) into `target`, the source's top-left corner landing at
// (destX, destY). Parts of the source outside the strip and parts of the
// destination outside the target are skipped: the target keeps its pixels
// there, and a source that ends at a frame's edge never reaches into the
// next frame.
void KeyColourCopy(const ConstPixelRows& strip, const FrameRect& source, const PixelRows& target,
                   int64_t destX, int64_t destY);

}  // namespace fyeverbutton
