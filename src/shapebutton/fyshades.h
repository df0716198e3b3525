// The face's colour functions on framework colours: system colours are
// resolved to RGB before any arithmetic, and what reaches GDI is always a
// plain RGB value (a marker such as clNone never becomes a COLORREF with
// flag bits). Windows-only; the arithmetic itself is in fycolors.h.
#pragma once

#include "gui/color.h"
#include "shapebutton/fycolors.h"

namespace fyeverbutton {

inline uint32_t Rgb(gui::TColor c) { return gui::ColorToRGB(c) & 0xFFFFFFu; }
inline gui::TColor AsColor(uint32_t rgb) { return static_cast<gui::TColor>(rgb & 0xFFFFFFu); }

inline gui::TColor Lighten(gui::TColor c) { return AsColor(LightenRGB(Rgb(c))); }
inline gui::TColor Darken(gui::TColor c) { return AsColor(DarkenRGB(Rgb(c))); }
inline int Brightness(gui::TColor c) { return BrightnessRGB(Rgb(c)); }
inline gui::TColor BlendColor(gui::TColor c1, gui::TColor c2, int max, int pos) {
  return AsColor(BlendRGB(Rgb(c1), Rgb(c2), max, pos));
}

}  // namespace fyeverbutton
