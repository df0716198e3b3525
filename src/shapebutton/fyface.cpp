#include "shapebutton/fyface.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "shapebutton/fycolors.h"
#include "shapebutton/fyplacement.h"

namespace fyeverbutton {

using rotatergn::RoundHalfEven;

namespace {

// Tenths of a degree to radians, taken in one turn first so that huge
// angles keep their precision.
double Radians(int32_t angle) { return NormalizeAngle(angle) * std::numbers::pi / 1800; }

}  // namespace

FaceEffects EffectsFor(TFy3DKind kind, bool hover) {
  FaceEffects e;
  e.outerBevel = kind == dk3D || kind == dk3dsimple || kind == dk3dBorder || hover;
  e.innerBevel = kind == dk3dBorder || (hover && kind == dk3dBorderFlatten);
  e.outlineFrame = kind == dk3D || kind == dk3dBorder ||
                   (hover && (kind == dkFlatten || kind == dk3dBorderFlatten));
  return e;
}

BevelColors SolidBevelColors(uint32_t bc, bool enabled, bool pressed) {
  BevelColors c;
  const bool light = IsLightRGB(bc);
  if (!enabled) {
    const uint32_t pale = LightenRGB(bc);
    c.outerLit = c.innerLit = LightenRGB(pale);
    c.outerShaded = c.innerShaded = DarkenRGB(pale);
    c.frame = light ? DarkenRGB(bc) : LightenRGB(LightenRGB(pale));
    return c;
  }
  const uint32_t lit = LightenRGB(bc), shaded = DarkenRGB(bc);
  c.outerLit = pressed ? shaded : lit;
  c.outerShaded = pressed ? lit : shaded;
  c.innerLit = lit;
  c.innerShaded = shaded;
  c.frame = light ? DarkenRGB(shaded) : LightenRGB(lit);
  return c;
}

LinearGradient::LinearGradient(int32_t width, int32_t height, int32_t angle) {
  const double w = width, h = height;
  const double a = Radians(angle);
  c_ = std::cos(a);
  s_ = std::sin(a);
  diagonal_ = std::sqrt(w * w + h * h);
  steps_ = std::max(0, RoundHalfEven((std::fabs(w * s_) + std::fabs(h * c_)) / 3));
  // The first line passes through the corner (or along the edge) the sweep
  // starts from; zero counts as non-negative.
  if (c_ >= 0 && s_ >= 0) {
    x0_ = (1 - s_ * s_) * w;
    y0_ = -w * s_ * c_;
  } else if (s_ >= 0) {
    x0_ = h * s_ * c_;
    y0_ = (1 - s_ * s_) * h;
  } else if (c_ < 0) {
    x0_ = s_ * s_ * w;
    y0_ = w * s_ * c_ + h;
  } else {
    x0_ = w - h * s_ * c_;
    y0_ = (1 - c_ * c_) * h;
  }
}

GradientSegment LinearGradient::Line(int32_t i) const {
  const double x = x0_ + i * 3 * s_, y = y0_ + i * 3 * c_;
  return {RoundHalfEven(x), RoundHalfEven(y), RoundHalfEven(x - diagonal_ * c_),
          RoundHalfEven(y + diagonal_ * s_)};
}

std::array<rotatergn::TPoint, 4> LinearGradient::Band(int32_t i) const {
  const GradientSegment l = Line(i);
  // Half the width along the step direction each way; the half pixel puts
  // the band's edges between pixel rows, as a 3-pixel pen lies.
  // A quarter turn's cosine or sine is a few 1e-17 rather than 0; left in,
  // it tips edges that fall exactly on a half pixel (row 0 at 900 lost).
  auto snap = [](double v) { return std::fabs(v) < 1e-9 ? 0.0 : v; };
  const double nx = snap(1.5 * s_), ny = snap(1.5 * c_);
  auto at = [](int32_t x, int32_t y, double dx, double dy) {
    return rotatergn::TPoint{RoundHalfEven(x + dx + 0.5), RoundHalfEven(y + dy + 0.5)};
  };
  return {at(l.x1, l.y1, -nx, -ny), at(l.x2, l.y2, -nx, -ny), at(l.x2, l.y2, nx, ny),
          at(l.x1, l.y1, nx, ny)};
}

CircularGradient::CircularGradient(int32_t width, int32_t height)
    : cx_(width / 2), cy_(height / 2) {
  const double w = width, h = height;
  steps_ = std::max(0, RoundHalfEven(std::sqrt(w * w + h * h) / 2 / 3));
}

GradientSegment CircularGradient::Disc(int32_t i) const {
  const int64_t r = int64_t{3} * i + 1;
  return {Saturate(cx_ - r), Saturate(cy_ - r), Saturate(cx_ + r + 1), Saturate(cy_ + r + 1)};
}

int32_t GradientColumn(int32_t width, int32_t i, int32_t n) {
  if (n == 0 || width <= 0) return 0;
  const int64_t x = int64_t{width} * i / n;
  return static_cast<int32_t>(std::clamp<int64_t>(x, 0, width - 1));
}

int32_t GradientRow(int32_t height, int32_t line) { return height > line ? line : 0; }

uint32_t AdjustGradientRGB(uint32_t rgb, int mode) {
  switch (mode) {
    case -1: return DarkenRGB(rgb);
    case 1: return LightenRGB(rgb);
    case 2: return LightenRGB(LightenRGB(rgb));
    default: return rgb;
  }
}

rotatergn::TPoint RotationMarker(int32_t bw, int32_t bh, int32_t angle, int32_t px, int32_t py) {
  const double t = Radians(angle), c = std::cos(t), s = std::sin(t);
  const double hw = bw / 2.0, hh = bh / 2.0;
  // Half the turned box, plus the point's offset from the centre, turned.
  const double a = std::fabs(c * hw) + std::fabs(s * hh);
  const double b = std::fabs(s * hw) + std::fabs(c * hh);
  return {RoundHalfEven(a + c * (px - hw) + s * (py - hh)),
          RoundHalfEven(b - s * (px - hw) + c * (py - hh))};
}

}  // namespace fyeverbutton
