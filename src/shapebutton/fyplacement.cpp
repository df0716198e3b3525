#include "shapebutton/fyplacement.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace fyeverbutton {
namespace {

using rotatergn::RoundHalfEven;

double Radians(int64_t tenths) { return static_cast<double>(tenths) * std::numbers::pi / 1800; }

// Half the growth of the bounding box of a w x h box turned by t.
double GrowX(double t, double w, double h) {
  return std::abs(std::cos(t) * w) / 2 + std::abs(std::sin(t) * h) / 2 - w / 2;
}
double GrowY(double t, double w, double h) {
  return std::abs(std::sin(t) * w) / 2 + std::abs(std::cos(t) * h) / 2 - h / 2;
}

}  // namespace

int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

int32_t TurnRemainder(int64_t angle) {
  // angle = high * 2^32 + low, and 2^32 = 1696 modulo 3600: a value of the
  // same remainder in 32 bits, then the sign of angle's own remainder.
  const auto high = static_cast<int32_t>(angle >> 32);
  const auto low = static_cast<uint32_t>(angle);
  int32_t r = (high % 3600 * 1696 + static_cast<int32_t>(low % 3600)) % 3600;
  if (angle > 0 && r < 0) r += 3600;
  if (angle < 0 && r > 0) r -= 3600;
  return r;
}

int32_t NormalizeAngle(int64_t angle) {
  int32_t a = TurnRemainder(angle);  // -3599..3599
  if (a >= 1801) a -= 3600;
  if (a <= -1800) a += 3600;
  return a;
}

Extent TurnedSize(int32_t width, int32_t height, int32_t angle) {
  const double a = Radians(angle);
  const double c = std::abs(std::cos(a)), s = std::abs(std::sin(a));
  return {RoundHalfEven(c * width + s * height), RoundHalfEven(s * width + c * height)};
}

WindowPos TurnedPosition(int32_t left, int32_t top, int32_t width, int32_t height, int32_t cx,
                         int32_t cy, int32_t angle, int32_t pendingChange) {
  const double a = Radians(angle);
  const double before = Radians(static_cast<int64_t>(angle) - pendingChange);
  const double w = width, h = height;
  // The box centre's offset from the pivot once turned by t.
  auto px = [&](double t) { return std::cos(t) * (w / 2 - cx) + std::sin(t) * (h / 2 - cy); };
  auto py = [&](double t) { return std::sin(t) * (cx - w / 2) + std::cos(t) * (h / 2 - cy); };
  const int64_t newTop = static_cast<int64_t>(top) - RoundHalfEven(GrowY(a, w, h)) +
                         RoundHalfEven(GrowY(before, w, h)) + RoundHalfEven(py(a)) -
                         RoundHalfEven(py(before));
  const int64_t newLeft = static_cast<int64_t>(left) - RoundHalfEven(GrowX(a, w, h)) +
                          RoundHalfEven(GrowX(before, w, h)) + RoundHalfEven(px(a)) -
                          RoundHalfEven(px(before));
  return {Saturate(newLeft), Saturate(newTop)};
}

OutsideResize ResizeFromOutside(int32_t windowWidth, int32_t windowHeight, int32_t buttonWidth,
                                int32_t buttonHeight, int32_t angle) {
  const double a = Radians(angle);
  const double c = std::abs(std::cos(a)), s = std::abs(std::sin(a));
  OutsideResize r{buttonWidth, buttonHeight, windowWidth, windowHeight, false};
  if (s < 0.00001) {
    r.buttonWidth = windowWidth;
    r.buttonHeight = windowHeight;
  } else if (c < 0.00001) {
    r.buttonWidth = windowHeight;
    r.buttonHeight = windowWidth;
  } else {
    const double w = c * buttonWidth + s * buttonHeight;
    const double h = s * buttonWidth + c * buttonHeight;
    const double k = w >= 1 && h >= 1 ? std::max(windowWidth / w, windowHeight / h) : 1.0;
    r.windowWidth = RoundHalfEven(k * w);
    r.windowHeight = RoundHalfEven(k * h);
    r.buttonWidth = RoundHalfEven(buttonWidth * k);
    r.buttonHeight = RoundHalfEven(buttonHeight * k);
    r.moveWindow = true;
  }
  return r;
}

void BuildShapeGeometry(PolygonSet outline, const ShapeParams& p, ShapeGeometry& out) {
  ShapeGeometry::InsetCache& c = out.insets;
  if (!c.valid || c.depth != p.depth || c.borderFocus != p.borderFocus || !(c.outline == outline)) {
    // first and focus from the outline, second from first. Copies are made
    // anew rather than assigned: the program then needs no assigning copy.
    const int64_t d = p.depth;
    const int32_t depths[3] = {p.depth, Saturate(p.borderFocus ? 2 * d + 4 : d + 4), p.depth};
    for (size_t i = 0; i < 3; ++i) {
      c.sets[i] = Tpoints(i == 2 ? c.sets[0] : outline.points);
      p.inset(c.sets[i], outline.counts, outline.levels, depths[i]);
    }
    c.outline = PolygonSet(outline);
    c.depth = p.depth;
    c.borderFocus = p.borderFocus;
    c.valid = true;
  }
  out.base = std::move(outline);
  const Tintegers& counts = out.base.counts;
  const Tintegers& levels = out.base.levels;

  const int32_t cx = p.width / 2, cy = p.height / 2;
  const int32_t dx = Saturate(Half(static_cast<int64_t>(p.windowWidth) - p.width));
  const int32_t dy = Saturate(Half(static_cast<int64_t>(p.windowHeight) - p.height));
  Tpoints* const sets[] = {&out.base.points, &out.first, &out.focus, &out.second};
  for (size_t i = 0; i < 4; ++i) {
    Tpoints& set = *sets[i];
    if (i > 0) set = Tpoints(c.sets[i - 1]);
    rotatergn::RotatePointsAbout(set, cx, cy, p.angle);
    for (TPoint& pt : set) {
      pt = {Saturate(static_cast<int64_t>(pt.x) + dx), Saturate(static_cast<int64_t>(pt.y) + dy)};
    }
  }
  out.outer = rotatergn::BevelQuads(out.base.points, out.first, counts, levels);
  out.inner = rotatergn::BevelQuads(out.first, out.second, counts, levels);
}

}  // namespace fyeverbutton
