#include <gtest/gtest.h>

#include <algorithm>
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

// Every polygon has three points or more and encloses an area; the counts
// cover the points exactly; every point lies in the box.
void ExpectSoundSet(const PolygonSet& s, int32_t w, int32_t h, const std::string& what) {
  ASSERT_EQ(s.counts.size(), s.levels.size()) << what;
  size_t first = 0;
  for (int32_t n : s.counts) {
    ASSERT_GE(n, 3) << what;
    EXPECT_NE(Area2(s.points, first, static_cast<size_t>(n)), 0) << what << " degenerate";
    first += static_cast<size_t>(n);
  }
  EXPECT_EQ(first, s.points.size()) << what;
  for (const TPoint& p : s.points) {
    EXPECT_TRUE(p.x >= 0 && p.x <= w && p.y >= 0 && p.y <= h)
        << what << ": (" << p.x << ", " << p.y << ") outside " << w << " x " << h;
  }
}

}  // namespace

TEST(Outline, KnownCorners) {
  EXPECT_EQ(Build(bkRect, 100, 40).set.points, (Tpoints{{0, 0}, {100, 0}, {100, 40}, {0, 40}}));
  EXPECT_EQ(Build(bkArrow, 90, 60).set.points,
            (Tpoints{{0, 20}, {45, 20}, {45, 0}, {90, 30}, {45, 60}, {45, 40}, {0, 40}}));
  // Ninths truncate: 100 * 2 div 9 = 22.
  EXPECT_EQ(Build(bkCross, 100, 90).set.points[0], (TPoint{22, 30}));
  // Corner radius 2 * depth: the top edge runs from r to W - r.
  const Tpoints round = Build(bkRoundRect, 100, 40, 3).set.points;
  EXPECT_EQ(round[0], (TPoint{6, 0}));
  EXPECT_EQ(round[5], (TPoint{100, 6}));
  // Ellipse: max(8, M - 2 s) points from the top centre, clockwise.
  const Outline ellipse = Build(bkElliptic, 200, 100);
  ASSERT_EQ(ellipse.set.counts, Tintegers{196});
  EXPECT_EQ(ellipse.set.points[0], (TPoint{100, 0}));
  EXPECT_EQ(ellipse.set.points[49], (TPoint{200, 50}));
  EXPECT_EQ(Build(bkElliptic, 6, 6).set.counts, Tintegers{8});
  EXPECT_EQ(Build(bkPoly, 100, 100, 2, 5).set.counts, Tintegers{5});
}

TEST(Outline, StarInnerRatio) {
  // The inner vertex's distance from the centre over the outer radius.
  for (int32_t peaks : {3, 4, 5, 7}) {
    const Tpoints p = Build(bkPolyStar, 2000, 2000, 2, peaks).set.points;
    ASSERT_EQ(p.size(), 2u * static_cast<size_t>(peaks));
    const double ratio = std::hypot(p[1].x - 1000.0, p[1].y - 1000.0) / 1000.0;
    const double want = peaks > 4 ? std::cos(2 * kPi / peaks) / std::cos(kPi / peaks) : 1.0 / 3;
    EXPECT_NEAR(ratio, want, 0.001) << peaks << " peaks";
  }
}

TEST(Outline, ArcBand) {
  // Below 0.1 radians: the plain rectangle, and no new height.
  Outline flat = Build(bkArc, 120, 50, 2, 6, 0.5, 0.05);
  EXPECT_FALSE(flat.arcResizes);
  EXPECT_EQ(flat.set.points, (Tpoints{{0, 0}, {120, 0}, {120, 50}, {0, 50}}));

  // At pi the radius is W div 2: a half ring of radius 50 around (W/2, R).
  const Outline half = Build(bkArc, 101, 30, 2, 6, 0.5, kPi);
  ASSERT_TRUE(half.arcResizes);
  EXPECT_EQ(half.arcHeight, 50);
  const int32_t p = 101 / 2;  // M div s
  const int32_t q = 25;       // round(p * ratio)
  ASSERT_EQ(half.set.counts, Tintegers{p + q});
  for (int32_t i = 0; i < p + q; ++i) {
    const TPoint pt = half.set.points[static_cast<size_t>(i)];
    EXPECT_NEAR(std::hypot(pt.x - 50.5, pt.y - 50.0), i < p ? 50.0 : 25.0, 0.75) << i;
  }
  EXPECT_EQ(half.set.points[0], (TPoint{0, 50}));  // round(0.5) goes to the even 0

  // Two thirds of pi, chord 200: R = round(200 / (2 sin 60)) = 115; the
  // height R (1 - ratio cos 60) = 86.25.
  const Outline third = Build(bkArc, 200, 100);
  EXPECT_EQ(third.arcHeight, 86);
  ExpectSoundSet(third.set, 200, third.arcHeight, "arc 200");

  // Too few points for a step: three outer points, a single inner point in
  // the middle of the inner arc.
  const Outline tiny = Build(bkArc, 3, 3);  // p = 1, q = 0
  EXPECT_EQ(tiny.set.counts, Tintegers{3});
  ExpectSoundSet(tiny.set, 3, tiny.arcHeight, "tiny arc");
  const Outline one = Build(bkArc, 4, 4, 2, 6, 0.5, kPi);  // p = 2, q = 1
  ASSERT_EQ(one.set.counts, Tintegers{3});
  EXPECT_EQ(one.set.points[2], (TPoint{2, 1}));
}

TEST(Outline, DonutHasAHole) {
  const Outline d = Build(bkDonut, 200, 100, 2, 6, 0.4);
  const int32_t n = 200 - 4 * 2;
  EXPECT_EQ(d.set.counts, (Tintegers{n, n}));
  EXPECT_EQ(d.set.levels, (Tintegers{0, 1}));
  EXPECT_EQ(d.set.points[static_cast<size_t>(n)], (TPoint{100, 30}));  // inner top centre
  // Both run the same way round.
  EXPECT_EQ(Area2(d.set.points, 0, static_cast<size_t>(n)) > 0,
            Area2(d.set.points, static_cast<size_t>(n), static_cast<size_t>(n)) > 0);
}

TEST(Outline, OvalBothWaysAndTooThin) {
  const Outline wide = Build(bkOval, 100, 40);  // k = 36
  ASSERT_EQ(wide.set.counts, Tintegers{76});
  EXPECT_EQ(wide.set.points[0], (TPoint{79, 0}));
  EXPECT_EQ(wide.set.points[1], (TPoint{80, 0}));  // right end starts at the top
  EXPECT_EQ(wide.set.points[38], (TPoint{21, 40}));
  const Outline tall = Build(bkOval, 40, 100);
  ASSERT_EQ(tall.set.counts, Tintegers{76});
  EXPECT_EQ(tall.set.points[0], (TPoint{40, 79}));
  EXPECT_EQ(tall.set.points[1], (TPoint{40, 80}));  // the lower end starts at the right
  // A short side of 5 at depth 2 leaves k = 1: the rectangle instead.
  EXPECT_EQ(Build(bkOval, 100, 5).set.points, (Tpoints{{0, 0}, {100, 0}, {100, 5}, {0, 5}}));
}

// Symmetric drawings stay symmetric under both mirrors at any size: the
// crosses and the rounded rectangle, whose corners lie on circles of radius
// 2 * depth; straight kinds keep their edges upright but for the slanted
// ones their drawing has; a stadium's
// points follow each other closely but for its two straight sides.
TEST(Outline, MirrorsCirclesAndTheBox) {
  for (const auto& [w, h] : {std::pair{90, 90}, std::pair{180, 90}, std::pair{90, 180}}) {
    for (TFyButtonKind kind : {bkCross, bkCross1, bkRoundRect}) {
      std::set<std::pair<int32_t, int32_t>> all, mx, my;
      for (TPoint q : Build(kind, w, h, 3).set.points) {
        all.insert({q.x, q.y});
        mx.insert({w - q.x, q.y});
        my.insert({q.x, h - q.y});
      }
      EXPECT_EQ(all, mx) << kButtonKindNames[kind] << " " << w << "x" << h;
      EXPECT_EQ(all, my) << kButtonKindNames[kind] << " " << w << "x" << h;
    }
    for (TPoint q : Build(bkRoundRect, w, h, 3).set.points) {
      const double cx = q.x < w / 2 ? 6 : w - 6, cy = q.y < h / 2 ? 6 : h - 6;
      const bool edge = (q.x > 6 && q.x < w - 6) || (q.y > 6 && q.y < h - 6);
      EXPECT_TRUE(edge || std::abs(std::hypot(q.x - cx, q.y - cy) - 6) < 0.75) << q.x << "," << q.y;
    }
    for (const auto& [kind, slanted] : {std::pair{bkRect, 0}, {bkCutRect, 2}, {bkArrow1, 4}}) {
      const Tpoints p = Build(kind, w, h).set.points;
      int n = 0;
      for (size_t i = 0; i < p.size(); ++i) {
        const TPoint a = p[i], b = p[(i + 1) % p.size()];
        n += a.x != b.x && a.y != b.y;
      }
      EXPECT_EQ(n, slanted) << kButtonKindNames[kind] << " " << w << "x" << h;
    }
    const Tpoints oval = Build(bkOval, w, h).set.points;
    int jumps = 0;
    for (size_t i = 0; i < oval.size(); ++i) {
      const TPoint a = oval[i], b = oval[(i + 1) % oval.size()];
      jumps += std::hypot(a.x - b.x, a.y - b.y) > 4;
    }
    EXPECT_EQ(jumps, w == h ? 0 : 2) << w << "x" << h;
  }
}

TEST(Outline, EveryKindStaysInItsBoxAtEverySize) {
  const int32_t sizes[][2] = {{200, 100}, {100, 200}, {75, 25}, {37, 23}, {16, 16}, {9, 40}};
  for (size_t k = 0; k < kButtonKindNames.size(); ++k) {
    const auto kind = static_cast<TFyButtonKind>(k);
    for (const auto& size : sizes) {
      for (int32_t depth : {1, 2, 5}) {
        // Corners of radius 2 * depth need a short side of twice that.
        if (kind == bkRoundRect && 4 * depth > std::min(size[0], size[1])) continue;
        const Outline o = Build(kind, size[0], size[1], depth, 7, 0.6);
        const std::string what = std::string(kButtonKindNames[k]) + " " + std::to_string(size[0]) +
                                 "x" + std::to_string(size[1]) + " depth " + std::to_string(depth);
        ExpectSoundSet(o.set, size[0], o.arcResizes ? o.arcHeight : size[1], what);
      }
    }
  }
}

TEST(Outline, AbsurdSizesNeitherOverflowNorExplode) {
  const int32_t big = std::numeric_limits<int32_t>::max();
  for (size_t k = 0; k < kButtonKindNames.size(); ++k) {
    for (int32_t depth : {big, -big, 0}) {
      const Outline o = Build(static_cast<TFyButtonKind>(k), big, big, depth, 1000, 1.0, 2 * kPi);
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

TEST(RegionString, DecodesPairs) {
  EXPECT_EQ(DecodeRegionString("A?"), std::vector<uint8_t>{65});
  EXPECT_EQ(DecodeRegionString("!A"), std::vector<uint8_t>{193});
  EXPECT_EQ(DecodeRegionString("AxBy!\x80Z"), (std::vector<uint8_t>{65, 66, 0}));  // odd: Z ignored
  EXPECT_TRUE(DecodeRegionString("").empty());
}

TEST(RegionString, OnlyBlocksThatHoldWhatTheyClaim) {
  // Header: size 32, type 1 (rectangles), count, size of the rectangles,
  // bounds; then the rectangles.
  auto block = [](uint32_t headerSize, uint32_t type, uint32_t count, size_t rects) {
    std::vector<uint8_t> b(32 + 16 * rects);
    auto put = [&](size_t at, uint32_t v) {
      for (int i = 0; i < 4; ++i)
        b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(0, headerSize);
    put(4, type);
    put(8, count);
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
