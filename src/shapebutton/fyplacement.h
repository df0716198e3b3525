// Where a shaped button's window goes and what its shape is made of once
// turned: angle normalisation, the window size of a turned box, the window
// position that keeps the rotation point still, the scaling of a turned
// button resized from outside, and the polygon work of a shape rebuild
// (insets, rotation into the window, bevel quads). Portable.
//
// Angles are tenths of a degree, positive counter-clockwise on the screen.
#pragma once

#include <cstdint>

#include "shapebutton/fyoutlines.h"
#include "shapebutton/rotatergn.h"

namespace fyeverbutton {

// Into -1799..1800 (3600 is a full turn), for any value.
int32_t NormalizeAngle(int64_t angle);

// angle % 3600 (the whole turns dropped, the sign kept), and v / 2, both
// without a 64-bit division: where code is kept smallest, an i686 build
// makes that a library call.
int32_t TurnRemainder(int64_t angle);
inline int64_t Half(int64_t v) { return (v + (v < 0 ? 1 : 0)) >> 1; }

// Clamped to the 32-bit range.
int32_t Saturate(int64_t v);

struct Extent {
  int32_t width = 0;
  int32_t height = 0;
};

// The bounding box of a width x height box turned by `angle`: the window
// size of a turned button.
Extent TurnedSize(int32_t width, int32_t height, int32_t angle);

struct WindowPos {
  int32_t left = 0;
  int32_t top = 0;
};

// The window's new top-left corner after the button (width x height,
// rotation point (cx, cy) in its unturned box) has turned by
// `pendingChange` to `angle`, so that the rotation point keeps its place on
// the parent. Each term is rounded by itself; with no change the position
// is (left, top).
WindowPos TurnedPosition(int32_t left, int32_t top, int32_t width, int32_t height, int32_t cx,
                         int32_t cy, int32_t angle, int32_t pendingChange);

// A turned button whose window was resized from outside to
// windowWidth x windowHeight.
struct OutsideResize {
  int32_t buttonWidth = 0;
  int32_t buttonHeight = 0;
  int32_t windowWidth = 0;
  int32_t windowHeight = 0;
  // The window must be moved to the window size above (a turned button
  // scales by one factor, so its window cannot take any shape it is given).
  bool moveWindow = false;
};

// At rest (or upside down) the button takes the window's size, turned a
// quarter it takes it crosswise; at any other angle both sides scale by the
// one factor that makes the turned box cover the new window size.
OutsideResize ResizeFromOutside(int32_t windowWidth, int32_t windowHeight, int32_t buttonWidth,
                                int32_t buttonHeight, int32_t angle);

// What a shape rebuild needs besides the outline.
struct ShapeParams {
  int32_t width = 0;  // the unturned box
  int32_t height = 0;
  int32_t depth = 2;
  bool borderFocus = false;  // the focus outline lies inside the inner bevel
  int32_t angle = 0;
  int32_t windowWidth = 0;
  int32_t windowHeight = 0;
  // InsetSmallPolygons where the outlines are known to be small.
  rotatergn::InsetFunction inset = rotatergn::InsetPolygons;
};

// The turned shape in window coordinates. `base` is the outline (the window
// region and the outline frame); `first` and `second` the outline inset once
// and twice by the depth (the bevels' inner edges), `focus` the focus
// outline; all four share base's counts and levels.
struct ShapeGeometry {
  // The insets are made before the turn, so they depend on the outline and
  // the depths only: a spinning button (25 rebuilds a second, the outline
  // unchanged) takes them from here instead of insetting again.
  struct InsetCache {
    bool valid = false;
    PolygonSet outline;
    int32_t depth = 0;
    bool borderFocus = false;
    Tpoints sets[3];  // first, focus, second
  } insets;
  OutlineCache outlines;  // the base outline, by the properties it comes from

  PolygonSet base;
  Tpoints first;
  Tpoints focus;
  Tpoints second;
  rotatergn::BevelQuadLists outer;  // first: lit quads, second: shaded quads
  rotatergn::BevelQuadLists inner;  // first: shaded quads, second: lit quads
};

// Insets the outline, turns everything about the box centre and centres it
// in the window, and cuts the bevel bands into quads.
void BuildShapeGeometry(PolygonSet outline, const ShapeParams& p, ShapeGeometry& out);

}  // namespace fyeverbutton
