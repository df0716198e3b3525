// The arithmetic of a shaped button's face: which bevels and frames a 3D
// kind shows, the solid colours of bands and frames, the geometry of the
// linear and circular gradients, and where the design-time marker of the
// rotation point goes. Portable; the renderer draws what this computes.
//
// Colours are plain RGB values (see fycolors.h); angles are tenths of a
// degree, positive counter-clockwise on the screen.
#pragma once

#include <array>
#include <cstdint>

#include "shapebutton/fyeverbutton_types.h"
#include "shapebutton/rotatergn.h"

namespace fyeverbutton {

// What the 3D step draws on top of the background.
struct FaceEffects {
  bool outerBevel = false;    // the outer bevel bands
  bool innerBevel = false;    // the inner bevel bands and the inner frame
  bool outlineFrame = false;  // the frame along the outline
};

// Kinds that are flat at rest show their 3D look while the pointer is over
// the button; dkNone and dkFlattenSimple only the outer bevel.
FaceEffects EffectsFor(TFy3DKind kind, bool hover);

// The focus outline shows on the active button when ShowFocusRGN allows
// it; a gradient button shows it only while enabled.
constexpr bool ShowsFocus(bool active, bool showFocusRgn, bool gradient, bool enabled) {
  return active && showFocusRgn && (!gradient || enabled);
}

// Solid bands and frames, from the button colour (resolved to RGB).
struct BevelColors {
  uint32_t outerLit = 0;
  uint32_t outerShaded = 0;
  uint32_t innerLit = 0;
  uint32_t innerShaded = 0;
  uint32_t frame = 0;  // outline, inner and focus frames
};

// Pressed exchanges the outer bands' shades; a disabled button has its own
// paler row whether pressed or not.
BevelColors SolidBevelColors(uint32_t buttonColor, bool enabled, bool pressed);

// A gradient line or a ring's box, in face pixels.
struct GradientSegment {
  int32_t x1 = 0;
  int32_t y1 = 0;
  int32_t x2 = 0;
  int32_t y2 = 0;
};

// Lines 3 pixels apart at right angles to the direction `angle`, from the
// corner or edge where the sweep starts (the top edge for 0, the left edge
// for 900, the top-left corner for 450) across a width x height face; each
// line is as long as the face's diagonal. Lines 0..Steps() are drawn 3
// pixels wide, line i in the colour of step i of Steps().
class LinearGradient {
 public:
  LinearGradient(int32_t width, int32_t height, int32_t angle);
  int32_t Steps() const { return steps_; }
  GradientSegment Line(int32_t i) const;
  // Line i as the 3-pixel band a filled polygon covers (which leaves out
  // its right and bottom edges): a line on row y covers rows y - 1..y + 1.
  std::array<rotatergn::TPoint, 4> Band(int32_t i) const;

 private:
  double s_ = 0, c_ = 0, diagonal_ = 0, x0_ = 0, y0_ = 0;
  int32_t steps_ = 0;
};

// Rings 3 pixels apart and 3 pixels wide about the face centre, the
// outermost reaching the corners, ring i in the colour of step i of
// Steps(); ring 0 is the 3-pixel dot at the centre. Filled discs painted
// from the outermost inward make the same rings.
class CircularGradient {
 public:
  CircularGradient(int32_t width, int32_t height);
  int32_t Steps() const { return steps_; }
  // The disc out to ring i's outer edge, as the bounding box of an ellipse
  // (right and bottom outside).
  GradientSegment Disc(int32_t i) const;

 private:
  int32_t cx_ = 0, cy_ = 0, steps_ = 0;
};

// The column of a gradient bitmap `width` pixels wide that gives step i of
// n: width * i / n, never past the last column, 0 when n is 0.
int32_t GradientColumn(int32_t width, int32_t i, int32_t n);
// The row GradientBitmapLine picks: that row when the bitmap has it, else 0.
int32_t GradientRow(int32_t height, int32_t line);
// A gradient bitmap's colour adjusted for the band it fills: -1 darker,
// 1 lighter, 2 lighter twice, anything else unchanged.
uint32_t AdjustGradientRGB(uint32_t rgb, int mode);

// Where the design-time marker of the rotation point (px, py) of the unturned
// bw x bh button lands in its turned window.
rotatergn::TPoint RotationMarker(int32_t bw, int32_t bh, int32_t angle, int32_t px, int32_t py);

}  // namespace fyeverbutton
