// The outlines a 200 x 100 button is made of, and the shape rebuild's
// geometry steps, for the benchmarks; plus a timer.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "shapebutton/rotatergn.h"

namespace geobench {

using namespace rotatergn;

constexpr int kWidth = 200, kHeight = 100, kDepth = 2, kAngle = 300;

struct Outline {
  const char* name;
  Tpoints points;
  Tintegers counts, levels;
};

inline TPoint OnEllipse(double t, double scale) {
  return {RoundHalfEven(kWidth / 2.0 + std::sin(t) * scale * kWidth / 2.0),
          RoundHalfEven(kHeight / 2.0 - std::cos(t) * scale * kHeight / 2.0)};
}

inline Outline Ellipse() {
  const int n = std::max(8, std::max(kWidth, kHeight) - 2 * std::max(2, kDepth));  // 196
  Outline o{"ellipse", {}, {n}, {0}};
  for (int i = 0; i < n; ++i) o.points.push_back(OnEllipse(2 * std::numbers::pi * i / n, 1));
  return o;
}

inline Outline RoundedRect() {
  const int r = 2 * kDepth, w = kWidth, h = kHeight;
  int s[4], c[4];
  for (int i = 1; i <= 3; ++i) {
    s[i] = RoundHalfEven(r * std::sin(i * std::numbers::pi / 8));
    c[i] = RoundHalfEven(r * std::cos(i * std::numbers::pi / 8));
  }
  Outline o{"rounded rectangle", {{r, 0}, {w - r, 0}}, {20}, {0}};
  for (int i = 1; i <= 3; ++i) o.points.push_back({w - r + s[i], r - c[i]});
  o.points.insert(o.points.end(), {{w, r}, {w, h - r}});
  for (int i = 1; i <= 3; ++i) o.points.push_back({w - r + c[i], h - r + s[i]});
  o.points.insert(o.points.end(), {{w - r, h}, {r, h}});
  for (int i = 1; i <= 3; ++i) o.points.push_back({r - s[i], h - r + c[i]});
  o.points.insert(o.points.end(), {{0, h - r}, {0, r}});
  for (int i = 1; i <= 3; ++i) o.points.push_back({r - c[i], r - s[i]});
  return o;
}

inline Outline Star() {
  const int n = 20;  // peaks: 40 points
  const double k = std::cos(2 * std::numbers::pi / n) / std::cos(std::numbers::pi / n);
  Outline o{"star", {}, {2 * n}, {0}};
  for (int i = 0; i < n; ++i) {
    const double t = 2 * std::numbers::pi * i / n;
    o.points.push_back(OnEllipse(t, 1));
    o.points.push_back(OnEllipse(t + std::numbers::pi / n, k));
  }
  return o;
}

// The geometry of one shape rebuild: three insets, five rotations about the
// centre, two pairs of bevel quad lists. What the regions are made from.
struct Rebuilt {
  Tpoints base, first, focus, outline, second;
  BevelQuadLists outer, inner;
};

inline void RebuildGeometry(const Outline& o, Rebuilt& r, int angle = kAngle) {
  r.base = o.points;
  r.first = o.points;
  InsetPolygons(r.first, o.counts, o.levels, kDepth);
  r.focus = o.points;
  InsetPolygons(r.focus, o.counts, o.levels, kDepth + 4);
  CopyPoints(o.points, r.outline);
  r.second = r.first;
  InsetPolygons(r.second, o.counts, o.levels, kDepth);
  for (Tpoints* p : {&r.base, &r.focus, &r.first, &r.outline, &r.second})
    RotatePointsAbout(*p, kWidth / 2, kHeight / 2, angle);
  r.outer = BevelQuads(r.base, r.first, o.counts, o.levels);
  r.inner = BevelQuads(r.first, r.second, o.counts, o.levels);
}

// Banded rectangles of the ellipse inscribed in (0, 0)-(w, h), sampled at
// pixel centres, consecutive equal rows merged: what a region's data holds.
inline std::vector<TRect> EllipseRects(int w, int h) {
  std::vector<TRect> rects;
  for (int y = 0; y < h; ++y) {
    const double v = (y + 0.5 - h / 2.0) / (h / 2.0);
    const double half = w / 2.0 * std::sqrt(std::max(0.0, 1 - v * v));
    const int left = static_cast<int>(std::ceil(w / 2.0 - half - 0.5));
    const int right = static_cast<int>(std::floor(w / 2.0 + half - 0.5)) + 1;
    if (left >= right) continue;
    if (!rects.empty() && rects.back().bottom == y && rects.back().left == left &&
        rects.back().right == right)
      rects.back().bottom = y + 1;
    else
      rects.push_back({left, y, right, y + 1});
  }
  return rects;
}

// Microseconds per call: the best of 41 batches of at least 2 ms each, after
// sizing the batch. Short batches and the minimum keep the figure close to
// an undisturbed run on a busy machine.
template <typename F>
double MicrosPerCall(F&& f) {
  using Clock = std::chrono::steady_clock;
  long calls = 1;
  for (;;) {  // size a batch
    const auto t0 = Clock::now();
    for (long i = 0; i < calls; ++i) f();
    if (Clock::now() - t0 >= std::chrono::milliseconds(2)) break;
    calls *= 2;
  }
  double best = 1e300;
  for (int batch = 0; batch < 41; ++batch) {
    const auto t0 = Clock::now();
    for (long i = 0; i < calls; ++i) f();
    const std::chrono::duration<double, std::micro> took = Clock::now() - t0;
    best = std::min(best, took.count() / static_cast<double>(calls));
  }
  return best;
}

inline void Row(const char* what, const char* shape, double us) {
  std::printf("%-34s %-18s %9.2f us\n", what, shape, us);
}

// The portable operations, one line each, for every outline.
inline void PortableRows(const std::vector<Outline>& outlines) {
  for (const Outline& o : outlines) {
    Tpoints work;
    Row("InsetPolygons (depth 2)", o.name, MicrosPerCall([&] {
          work = o.points;
          InsetPolygons(work, o.counts, o.levels, kDepth);
        }));
    Tpoints inset = o.points;
    InsetPolygons(inset, o.counts, o.levels, kDepth);
    Row("BevelQuads", o.name, MicrosPerCall([&] {
          BevelQuadLists q = BevelQuads(o.points, inset, o.counts, o.levels);
          work.swap(q.first.points);
        }));
    Row("RotatePointsAbout (30 deg)", o.name, MicrosPerCall([&] {
          work = o.points;
          RotatePointsAbout(work, kWidth / 2, kHeight / 2, kAngle);
        }));
    Rebuilt r;
    Row("rebuild geometry (3 insets, ...)", o.name, MicrosPerCall([&] { RebuildGeometry(o, r); }));
  }
}

}  // namespace geobench
