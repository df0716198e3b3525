#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <set>
#include <string>

#include "shapebutton/fyoutlines.h"

using namespace fyeverbutton;

namespace {

constexpr double kPi = std::numbers::pi;

Outline Build(TFyButtonKind kind, int32_t w, int32_t h, int32_t depth = 2, int32_t peaks = 6,
              double ratio = 0.5, double arc = kDefaultArcAngle) {
  return BuildOutline({kind, w, h, depth, peaks, ratio, arc});
}

// Twice the signed area of polygon `first`..`first + count`.
int64_t Area2(const Tpoints& p, size_t first, size_t count) {
  int64_t a = 0;
  for (size_t i = 0; i < count; ++i) {
    const TPoint& u = p[first + i];
    const TPoint& v = p[first + (i + 1) % count];
    a += static_cast<int64_t>(u.x) * v.y - static_cast<int64_t>(v.x) * u.y;
  }
  return a;
}

}  // namespace

TEST(Outline, KnownPointsAndCounts) {
  const struct {
    OutlineParams p;
    Tintegers counts;  // empty: not checked
    size_t at;
    TPoint point;
  } rows[] = {
      {{bkRect, 100, 40}, {4}, 2, {100, 40}},
      {{bkArrow, 90, 60}, {7}, 0, {0, 20}},
      {{bkArrow, 90, 60}, {7}, 4, {45, 60}},
      {{bkCross, 100, 90}, {}, 0, {22, 30}},       // ninths truncate: 100 * 2 div 9
      {{bkRoundRect, 100, 40, 3}, {}, 0, {6, 0}},  // corner radius 2 * depth
      {{bkRoundRect, 100, 40, 3}, {}, 5, {100, 6}},
      {{bkElliptic, 200, 100}, {196}, 0, {100, 0}},  // max(8, M - 2 s) from the top, clockwise
      {{bkElliptic, 200, 100}, {196}, 49, {200, 50}},
      {{bkElliptic, 6, 6}, {8}, 0, {3, 0}},
      {{bkPoly, 100, 100, 2, 5}, {5}, 0, {50, 0}},
      {{bkDonut, 200, 100, 2, 6, 0.4}, {192, 192}, 192, {100, 30}},  // the hole's top centre
      {{bkOval, 100, 40}, {76}, 1, {80, 0}},  // the right end starts at the top
      {{bkOval, 100, 40}, {76}, 38, {21, 40}},
      {{bkOval, 100, 40}, {76}, 48, {6, 34}},  // the left end, an eighth of a turn in
      {{bkArrow1, 120, 60}, {11}, 8, {25, 20}},
      {{bkOval, 40, 100}, {76}, 1, {40, 80}},                  // the lower end starts at the right
      {{bkOval, 100, 5}, {4}, 2, {100, 5}},                    // k = 1: the rectangle instead
      {{bkArc, 120, 50, 2, 6, 0.5, 0.05}, {4}, 2, {120, 50}},  // too flat: the rectangle
      {{bkArc, 101, 30, 2, 6, 0.5, kPi}, {75}, 0, {0, 50}},    // round(0.5) goes to the even 0
      {{bkArc, 4, 4, 2, 6, 0.5, kPi}, {3}, 2, {2, 1}},         // a single inner point mid-arc
      {{bkArc, 3, 3}, {3}, 0, {0, 1}},
  };
  for (const auto& r : rows) {
    const Outline o = BuildOutline(r.p);
    const std::string what = std::string(kButtonKindNames[r.p.kind]) + " " +
                             std::to_string(r.p.width) + "x" + std::to_string(r.p.height);
    EXPECT_TRUE(r.counts.empty() || o.set.counts == r.counts) << what;
    ASSERT_LT(r.at, o.set.points.size()) << what;
    EXPECT_EQ(o.set.points[r.at], r.point) << what << " point " << r.at;
  }
  // Both of the donut's rings run the same way round.
  const Tpoints& d = Build(bkDonut, 200, 100, 2, 6, 0.4).set.points;
  EXPECT_EQ(Area2(d, 0, 192) > 0, Area2(d, 192, 192) > 0);
  // The star's inner vertex over the outer radius.
  for (int32_t peaks : {3, 4, 5, 7}) {
    const Tpoints p = Build(bkPolyStar, 2000, 2000, 2, peaks).set.points;
    const double want = peaks > 4 ? std::cos(2 * kPi / peaks) / std::cos(kPi / peaks) : 1.0 / 3;
    EXPECT_NEAR(std::hypot(p[1].x - 1000.0, p[1].y - 1000.0) / 1000.0, want, 0.001) << peaks;
  }
}

TEST(Outline, ArcBandHeightAndRings) {
  // At pi the radius is W div 2: a half ring of radius 50 around (W/2, R),
  // M div s outer points and round(p * ratio) inner ones.
  const Outline half = Build(bkArc, 101, 30, 2, 6, 0.5, kPi);
  ASSERT_TRUE(half.arcResizes);
  EXPECT_EQ(half.arcHeight, 50);
  for (int32_t i = 0; i < 75; ++i) {
    const TPoint pt = half.set.points[static_cast<size_t>(i)];
    EXPECT_NEAR(std::hypot(pt.x - 50.5, pt.y - 50.0), i < 50 ? 50.0 : 25.0, 0.75) << i;
  }
  // Two thirds of pi, chord 200: R = round(200 / (2 sin 60)) = 115; the
  // height R (1 - ratio cos 60) = 86.25.
  EXPECT_EQ(Build(bkArc, 200, 100).arcHeight, 86);
}

// Symmetric drawings stay symmetric under both mirrors at any size: the
// crosses and the rounded rectangle, whose corners lie on circles of radius
// 2 * depth.
TEST(Outline, MirrorsAndCircles) {
  for (const auto& [w, h] : {std::pair{90, 90}, std::pair{180, 90}, std::pair{90, 180}}) {
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    for (TFyButtonKind kind : {bkCross, bkCross1, bkRoundRect}) {
      std::set<std::pair<int32_t, int32_t>> all, mx, my;
      for (TPoint q : Build(kind, w, h, 3).set.points) {
        all.insert({q.x, q.y});
        mx.insert({w - q.x, q.y});
        my.insert({q.x, h - q.y});
      }
      EXPECT_EQ(all, mx) << kButtonKindNames[kind] << " " << size;
      EXPECT_EQ(all, my) << kButtonKindNames[kind] << " " << size;
    }
    for (TPoint q : Build(bkRoundRect, w, h, 3).set.points) {
      const double cx = q.x < w / 2 ? 6 : w - 6, cy = q.y < h / 2 ? 6 : h - 6;
      const bool edge = (q.x > 6 && q.x < w - 6) || (q.y > 6 && q.y < h - 6);
      EXPECT_TRUE(edge || std::abs(std::hypot(q.x - cx, q.y - cy) - 6) < 0.75) << q.x << "," << q.y;
    }
  }
}

// Any size keeps every kind a sound set in its box; absurd sizes and depths
// neither overflow nor make points without bound.
TEST(Outline, EveryKindAtEverySize) {
  const int32_t sizes[][2] = {{200, 100}, {100, 200}, {75, 25}, {37, 23}, {16, 16}, {9, 40}};
  const int32_t big = std::numeric_limits<int32_t>::max();
  for (size_t k = 0; k < kButtonKindNames.size(); ++k) {
    const auto kind = static_cast<TFyButtonKind>(k);
    for (const auto& size : sizes) {
      for (int32_t depth : {1, 2, 5}) {
        // Corners of radius 2 * depth need a short side of twice that.
        if (kind == bkRoundRect && 4 * depth > std::min(size[0], size[1])) continue;
        const Outline o = Build(kind, size[0], size[1], depth, 7, 0.6);
        const int32_t w = size[0], h = o.arcResizes ? o.arcHeight : size[1];
        const std::string what = std::string(kButtonKindNames[k]) + " " + std::to_string(w) + "x" +
                                 std::to_string(h) + " depth " + std::to_string(depth);
        // Every polygon has three points or more and encloses an area; the
        // counts cover the points exactly; every point lies in the box.
        ASSERT_EQ(o.set.counts.size(), o.set.levels.size()) << what;
        size_t first = 0;
        for (int32_t n : o.set.counts) {
          ASSERT_GE(n, 3) << what;
          EXPECT_NE(Area2(o.set.points, first, static_cast<size_t>(n)), 0) << what;
          first += static_cast<size_t>(n);
        }
        EXPECT_EQ(first, o.set.points.size()) << what;
        for (const TPoint& p : o.set.points) {
          EXPECT_TRUE(p.x >= 0 && p.x <= w && p.y >= 0 && p.y <= h) << what;
        }
      }
    }
    for (int32_t depth : {big, -big, 0}) {
      const Outline o = Build(kind, big, big, depth, 1000, 1.0, 2 * kPi);
      EXPECT_LE(o.set.points.size(), 2u * kMaxRingPoints + 4) << kButtonKindNames[k];
      int64_t total = 0;
      for (int32_t n : o.set.counts) total += n;
      EXPECT_EQ(total, static_cast<int64_t>(o.set.points.size())) << kButtonKindNames[k];
    }
  }
}

TEST(UserOutline, FallbacksAndScaling) {
  EXPECT_EQ(UserOutline(nullptr, {}, 50, 20, 2).points,
            (Tpoints{{0, 0}, {50, 0}, {50, 20}, {0, 20}}));
  // Incomplete: the rectangle, thinned (a 2-pixel side is too short at
  // depth 3, so the polygon loses its corners and vanishes).
  PolygonSet incomplete{{{1, 1}}, {}, {}};
  EXPECT_EQ(UserOutline(&incomplete, {}, 50, 20, 2).counts, Tintegers{4});
  EXPECT_TRUE(UserOutline(&incomplete, {}, 2, 2, 3).Empty());
  // The box (10, 10)-(30, 20) scaled onto 100 x 40, truncating.
  PolygonSet user{{{10, 10}, {30, 10}, {30, 20}, {10, 20}, {15, 13}, {25, 13}, {25, 17}, {15, 17}},
                  {4, 4},
                  {0, 1}};
  const PolygonSet s = UserOutline(&user, {10, 10, 30, 20}, 100, 40, 2);
  EXPECT_EQ(
      s.points,
      (Tpoints{{0, 0}, {100, 0}, {100, 40}, {0, 40}, {25, 12}, {75, 12}, {75, 28}, {25, 28}}));
  EXPECT_EQ(s.levels, (Tintegers{0, 1}));
  // A box thinner than a pixel puts everything at (0, 0), which thins away.
  EXPECT_TRUE(UserOutline(&user, {10, 10, 10, 20}, 100, 40, 2).Empty());
}

TEST(RegionString, DecodesPairsAndAcceptsOnlyBlocksThatHoldWhatTheyClaim) {
  EXPECT_EQ(DecodeRegionString("AxBy!\x80Z"), (std::vector<uint8_t>{65, 66, 0}));  // odd: Z ignored
  EXPECT_EQ(DecodeRegionString("!A"), std::vector<uint8_t>{193});
  EXPECT_TRUE(DecodeRegionString("").empty());
  // Header: size 32, type 1 (rectangles), count, size of the rectangles,
  // bounds; then the rectangles.
  auto block = [](uint32_t headerSize, uint32_t type, uint32_t count, size_t rects) {
    std::vector<uint8_t> b(32 + 16 * rects);
    for (size_t i = 0; i < 4; ++i) {
      b[i] = static_cast<uint8_t>(headerSize >> (8 * i));
      b[4 + i] = static_cast<uint8_t>(type >> (8 * i));
      b[8 + i] = static_cast<uint8_t>(count >> (8 * i));
    }
    return b;
  };
  EXPECT_TRUE(IsRegionDataBlock(block(32, 1, 2, 2)));
  EXPECT_TRUE(IsRegionDataBlock(block(32, 1, 0, 0)));
  EXPECT_FALSE(IsRegionDataBlock(block(32, 1, 3, 2)));           // claims more than it holds
  EXPECT_FALSE(IsRegionDataBlock(block(32, 1, 0x10000001, 2)));  // count * 16 would wrap
  EXPECT_FALSE(IsRegionDataBlock(block(32, 2, 1, 1)));           // not rectangles
  EXPECT_FALSE(IsRegionDataBlock(block(16, 1, 1, 1)));           // header too small
  EXPECT_FALSE(IsRegionDataBlock(block(64, 1, 1, 1)));           // header past the block
  EXPECT_FALSE(IsRegionDataBlock(std::vector<uint8_t>(31)));
}
