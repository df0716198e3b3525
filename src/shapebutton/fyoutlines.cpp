#include "shapebutton/fyoutlines.h"

#include <algorithm>
#include <cmath>

#include "common/little_endian.h"
#include "shapebutton/fyplacement.h"

namespace fyeverbutton {
namespace {

using rotatergn::RoundHalfEven;
constexpr double kPi = std::numbers::pi;

// (k * v) div d, without overflow for any 32-bit v.
int32_t Part(int64_t k, int32_t v, int64_t d) { return Saturate(k * v / d); }

int32_t RingPoints(int64_t n) {
  return static_cast<int32_t>(std::clamp<int64_t>(n, 8, kMaxRingPoints));
}

// The point at parameter t on the ellipse inscribed in the box, scaled by k
// about the box centre; t = 0 is the top centre, growing clockwise.
TPoint OnEllipse(double w, double h, double t, double k) {
  return {RoundHalfEven(w / 2 + std::sin(t) * k * w / 2),
          RoundHalfEven(h / 2 - std::cos(t) * k * h / 2)};
}

PolygonSet OnePolygon(Tpoints points) {
  PolygonSet s;
  s.counts.push_back(static_cast<int32_t>(points.size()));
  s.levels.push_back(0);
  s.points = std::move(points);
  return s;
}

PolygonSet EllipseOutline(double w, double h, int32_t n) {
  Tpoints pts(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) pts[static_cast<size_t>(i)] = OnEllipse(w, h, 2 * kPi * i / n, 1);
  return OnePolygon(std::move(pts));
}

PolygonSet RoundRectOutline(int32_t w, int32_t h, int32_t depth) {
  const int64_t r = Saturate(2 * static_cast<int64_t>(depth));
  // Clockwise from the top right, each corner gives five points: where the
  // side before it ends, three on its arc, and where the side after it
  // starts. A corner's offsets from its centre are the corner before's
  // turned by a quarter. The polygon starts where the top side starts.
  const int64_t cx[4] = {w - r, w - r, r, r};
  const int64_t cy[4] = {r, h - r, h - r, r};
  Tpoints p(20);
  for (int i = 0; i <= 4; ++i) {
    int64_t dx = RoundHalfEven(r * std::sin(i * kPi / 8));
    int64_t dy = -int64_t{RoundHalfEven(r * std::cos(i * kPi / 8))};
    for (size_t k = 0; k < 4; ++k) {
      p[(5 * k + static_cast<size_t>(i) + 1) % 20] = {Saturate(cx[k] + dx), Saturate(cy[k] + dy)};
      const int64_t x = dx;
      dx = -dy;
      dy = x;
    }
  }
  return OnePolygon(std::move(p));
}

PolygonSet StarOutline(double w, double h, int32_t n) {
  const double k = n > 4 ? std::cos(2 * kPi / n) / std::cos(kPi / n) : 1.0 / 3;
  Tpoints p;
  p.reserve(2 * static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    const double t = 2 * kPi * i / n;
    p.push_back(OnEllipse(w, h, t, 1));
    p.push_back(OnEllipse(w, h, t + kPi / n, k));
  }
  return OnePolygon(std::move(p));
}

Outline ArcOutline(const OutlineParams& prm) {
  const double a = prm.arcAngle;
  Outline o;
  if (!(a >= 0.1)) {  // NaN too
    o.set = RectOutline(prm.width, prm.height);
    return o;
  }
  const int32_t w = prm.width;
  const int64_t m = std::max(prm.width, prm.height);
  const int64_t s = std::max(2, prm.depth);
  const double rho = prm.radiusRatio;
  const int64_t p = std::min<int64_t>(m / s, kMaxRingPoints);
  const int32_t q = std::clamp(RoundHalfEven(static_cast<double>(p) * rho), 0, kMaxRingPoints);
  const int32_t radius = a >= kPi ? w / 2 : RoundHalfEven(w / (2 * std::sin(a / 2)));
  const int32_t inner = RoundHalfEven(radius * rho);
  const double R = radius;
  o.arcResizes = true;
  o.arcHeight = a < kPi ? RoundHalfEven(R * (1 - rho * std::cos(a / 2)))
                        : RoundHalfEven(R - R * std::cos(a / 2));
  // Fewer than two outer points leave no step between them: three points
  // (both ends and the middle) keep the band a shape.
  const int32_t outer = p < 2 ? 3 : static_cast<int32_t>(p);
  Tpoints pts(static_cast<size_t>(outer) + static_cast<size_t>(q));
  for (int32_t i = 0; i < outer; ++i) {
    const double t = i * a / (outer - 1) - a / 2;
    pts[static_cast<size_t>(i)] = {RoundHalfEven(w / 2.0 + R * std::sin(t)),
                                   RoundHalfEven(R - R * std::cos(t))};
  }
  // Stored backwards, so the polygon runs out along the outer arc and back
  // along the inner one; a single inner point sits at its middle.
  for (int32_t j = 0; j < q; ++j) {
    const double t = q == 1 ? 0.0 : j * a / (q - 1) - a / 2;
    pts[static_cast<size_t>(outer + q - 1 - j)] = {RoundHalfEven(w / 2.0 + inner * std::sin(t)),
                                                   RoundHalfEven(R - inner * std::cos(t))};
  }
  o.set = OnePolygon(std::move(pts));
  return o;
}

PolygonSet DonutOutline(double w, double h, int32_t n, double rho) {
  PolygonSet s = EllipseOutline(w, h, n);
  s.points.resize(2 * static_cast<size_t>(n));
  for (int32_t i = n; i < 2 * n; ++i)
    s.points[static_cast<size_t>(i)] = OnEllipse(w, h, 2 * kPi * i / n, rho);
  s.counts.push_back(n);
  s.levels.push_back(1);
  return s;
}

// Points given in ninths of the box.
PolygonSet NinthsOutline(std::span<const TPoint> ninths, int32_t w, int32_t h) {
  Tpoints p;
  p.reserve(ninths.size());
  for (TPoint n : ninths) p.push_back({Part(n.x, w, 9), Part(n.y, h, 9)});
  return OnePolygon(std::move(p));
}

constexpr TPoint kCross[] = {{2, 3}, {3, 2}, {3, 1}, {4, 0}, {5, 0}, {6, 1}, {6, 2}, {7, 3},
                             {8, 3}, {9, 4}, {9, 5}, {8, 6}, {7, 6}, {6, 7}, {6, 8}, {5, 9},
                             {4, 9}, {3, 8}, {3, 7}, {2, 6}, {1, 6}, {0, 5}, {0, 4}, {1, 3}};
constexpr TPoint kCross1[] = {{0, 0}, {2, 0}, {4, 2}, {5, 2}, {7, 0}, {9, 0}, {9, 2},
                              {7, 4}, {7, 5}, {9, 7}, {9, 9}, {7, 9}, {5, 7}, {4, 7},
                              {2, 9}, {0, 9}, {0, 7}, {2, 5}, {2, 4}, {0, 2}};

// A stadium: a semicircle of k points on each short side, joined by the
// long sides.
PolygonSet OvalOutline(int32_t w, int32_t h, int32_t depth) {
  const int64_t s = std::max(2, depth);
  const int64_t shortSide = std::min(w, h);
  const int64_t k64 = shortSide - 2 * s;
  if (k64 < 2) return RectOutline(w, h);
  const int32_t k = static_cast<int32_t>(std::min<int64_t>(k64, kMaxRingPoints));
  const double W = w, H = h;
  const int64_t hw = w, hh = h;
  Tpoints p(2 * static_cast<size_t>(k) + 4);
  auto at = [](int64_t x, int64_t y) { return TPoint{Saturate(x), Saturate(y)}; };
  if (w > h) {
    p[0] = at(hw - hh / 2 - 1, 0);
    for (int32_t i = 1; i <= k; ++i) {
      const double t = (i - 1) * kPi / k;
      p[static_cast<size_t>(i)] = {RoundHalfEven(W - H / 2 + std::sin(t) * H / 2),
                                   RoundHalfEven(H / 2 - std::cos(t) * H / 2)};
    }
    p[static_cast<size_t>(k) + 1] = at(hw - hh / 2 - 1, hh);
    p[static_cast<size_t>(k) + 2] = at(hh / 2 + 1, hh);
    for (int32_t j = k + 3; j <= 2 * k + 2; ++j) {
      const double t = (j - k - 3) * kPi / k;
      p[static_cast<size_t>(j)] = {RoundHalfEven(H / 2 - std::sin(t) * H / 2),
                                   RoundHalfEven(H / 2 + std::cos(t) * H / 2)};
    }
    p[2 * static_cast<size_t>(k) + 3] = at(hh / 2 + 1, 0);
  } else {
    p[0] = at(hw, hh - hw / 2 - 1);
    for (int32_t i = 1; i <= k; ++i) {
      const double t = (i - 1) * kPi / k;
      p[static_cast<size_t>(i)] = {Saturate(hw - RoundHalfEven(W / 2 - std::cos(t) * W / 2)),
                                   RoundHalfEven(H - W / 2 + std::sin(t) * W / 2)};
    }
    p[static_cast<size_t>(k) + 1] = at(0, hh - hw / 2 - 1);
    p[static_cast<size_t>(k) + 2] = at(0, hw / 2 + 1);
    for (int32_t j = k + 3; j <= 2 * k + 2; ++j) {
      const double t = (j - k - 3) * kPi / k;
      p[static_cast<size_t>(j)] = {Saturate(hw - RoundHalfEven(W / 2 + std::cos(t) * W / 2)),
                                   RoundHalfEven(W / 2 - std::sin(t) * W / 2)};
    }
    p[2 * static_cast<size_t>(k) + 3] = at(hw, hw / 2 + 1);
  }
  return OnePolygon(std::move(p));
}

}  // namespace

PolygonSet RectOutline(int32_t width, int32_t height) {
  return OnePolygon({{0, 0}, {width, 0}, {width, height}, {0, height}});
}

Outline BuildOutline(const OutlineParams& p) {
  const int32_t w = p.width, h = p.height;
  const double W = w, H = h;
  const int64_t m = std::max(w, h);
  const int64_t s = std::max(2, p.depth);
  const int32_t peaks = std::clamp(p.peaks, 3, kMaxRingPoints);
  Outline o;
  switch (p.kind) {
    case bkRect:
    case bkUser: o.set = RectOutline(w, h); break;
    case bkRoundRect: o.set = RoundRectOutline(w, h, p.depth); break;
    case bkElliptic: o.set = EllipseOutline(W, H, RingPoints(m - 2 * s)); break;
    case bkPoly: o.set = EllipseOutline(W, H, peaks); break;
    case bkPolyStar: o.set = StarOutline(W, H, peaks); break;
    case bkArc: o = ArcOutline(p); break;
    case bkDonut: o.set = DonutOutline(W, H, RingPoints(m - 4 * s), p.radiusRatio); break;
    case bkArrow:
      o.set = OnePolygon({{0, h / 3},
                          {w / 2, h / 3},
                          {w / 2, 0},
                          {w, h / 2},
                          {w / 2, h},
                          {w / 2, Part(2, h, 3)},
                          {0, Part(2, h, 3)}});
      break;
    case bkArrow1:
      o.set = OnePolygon({{0, h},
                          {0, h / 4},
                          {w / 12, h / 6},
                          {Part(2, w, 3), h / 6},
                          {Part(2, w, 3), 0},
                          {w, h / 4},
                          {Part(2, w, 3), h / 2},
                          {Part(2, w, 3), h / 3},
                          {Part(5, w, 24), h / 3},
                          {w / 6, Part(9, h, 24)},
                          {w / 6, h}});
      break;
    case bkArrow2:
      o.set = OnePolygon({{w / 6, 0},
                          {w / 6, Part(15, h, 24)},
                          {Part(5, w, 24), Part(2, h, 3)},
                          {Part(2, w, 3), Part(2, h, 3)},
                          {Part(2, w, 3), h / 2},
                          {w, Part(3, h, 4)},
                          {Part(2, w, 3), h},
                          {Part(2, w, 3), Part(5, h, 6)},
                          {w / 12, Part(5, h, 6)},
                          {0, Part(3, h, 4)},
                          {0, 0}});
      break;
    case bkCross: o.set = NinthsOutline(kCross, w, h); break;
    case bkCutRect:
      o.set = OnePolygon(
          {{0, h / 6}, {w / 6, 0}, {w, 0}, {w, Part(5, h, 6)}, {Part(5, w, 6), h}, {0, h}});
      break;
    case bkCross1: o.set = NinthsOutline(kCross1, w, h); break;
    case bkOval: o.set = OvalOutline(w, h, p.depth); break;
  }
  return o;
}

Outline BuildPlainOutline(const OutlineParams& p) {
  Outline o;
  o.set = p.kind == bkRoundRect ? RoundRectOutline(p.width, p.height, p.depth)
                                : RectOutline(p.width, p.height);
  return o;
}

PolygonSet UserOutline(const PolygonSet* user, const RegionBox& box, int32_t width, int32_t height,
                       int32_t depth) {
  if (!user) return RectOutline(width, height);
  PolygonSet s;
  if (user->points.empty() || user->counts.empty() || user->levels.empty()) {
    s = RectOutline(width, height);
  } else {
    const int64_t bw = static_cast<int64_t>(box.right) - box.left;
    const int64_t bh = static_cast<int64_t>(box.bottom) - box.top;
    s.points.reserve(user->points.size());
    for (TPoint p : user->points) {
      if (bw < 1 || bh < 1) {
        s.points.push_back({0, 0});
      } else {
        s.points.push_back({Saturate((p.x - static_cast<int64_t>(box.left)) * width / bw),
                            Saturate((p.y - static_cast<int64_t>(box.top)) * height / bh)});
      }
    }
    s.counts = user->counts;
    s.levels = user->levels;
  }
  rotatergn::ThinPolygons(s.points, s.counts, s.levels, depth);
  return s;
}

std::vector<uint8_t> DecodeRegionString(std::string_view text) {
  std::vector<uint8_t> bytes(text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto first = static_cast<uint8_t>(text[2 * i]);
    const auto second = static_cast<uint8_t>(text[2 * i + 1]);
    bytes[i] = first == '!' ? static_cast<uint8_t>(second - 128) : first;
  }
  return bytes;
}

bool IsRegionDataBlock(std::span<const uint8_t> bytes) {
  constexpr size_t kHeader = 32, kRect = 16;
  constexpr uint32_t kRectangles = 1;
  if (bytes.size() < kHeader) return false;
  const uint32_t headerSize = q::Le32(bytes.data());
  if (headerSize < kHeader || headerSize > bytes.size()) return false;
  if (q::Le32(bytes.data() + 4) != kRectangles) return false;
  return q::Le32(bytes.data() + 8) <= (bytes.size() - headerSize) / kRect;
}

const Outline& CachedOutline(const OutlineParams& p, OutlineBuilder build, OutlineCache& cache) {
  if (cache.build != build || !(cache.params == p)) {
    cache.outline = build(p);
    cache.params = p;
    cache.build = build;
  }
  return cache.outline;
}

}  // namespace fyeverbutton
