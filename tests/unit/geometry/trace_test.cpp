#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "shapebutton/rotatergn.h"
#include "unit/geometry/pixel_regions.h"

using namespace rotatergn;
using geotest::Mask;

namespace {

struct Set {
  Tpoints points;
  Tintegers counts, levels;
};

Set Trace(std::span<const TRect> rects) {
  Set s;
  EXPECT_TRUE(RegionToPolygons(rects, s.points, s.counts, s.levels));
  return s;
}

std::span<const TPoint> Polygon(const Set& s, size_t k) {
  size_t first = 0;
  for (size_t i = 0; i < k; ++i) first += static_cast<size_t>(s.counts[i]);
  return std::span<const TPoint>(s.points).subspan(first, static_cast<size_t>(s.counts[k]));
}

std::string Show(const Mask& m) {
  std::string s;
  for (const auto& row : m) {
    for (bool b : row) s += b ? '#' : '.';
    s += '\n';
  }
  return s;
}

}  // namespace

TEST(RegionToPolygons, RectangleAndLShape) {
  const std::vector<TRect> one{{10, 20, 110, 60}};
  const Set r = Trace(one);
  EXPECT_EQ(r.points, (Tpoints{{10, 20}, {110, 20}, {110, 60}, {10, 60}}));
  EXPECT_EQ(r.counts, (Tintegers{4}));
  EXPECT_EQ(r.levels, (Tintegers{0}));

  const std::vector<TRect> ell{{0, 0, 10, 5}, {0, 5, 20, 10}};
  const Set l = Trace(ell);
  EXPECT_EQ(l.points, (Tpoints{{0, 0}, {10, 0}, {10, 5}, {20, 5}, {20, 10}, {0, 10}}));
  EXPECT_EQ(l.levels, (Tintegers{0}));
}

TEST(RegionToPolygons, RingGivesAnOuterBoundaryAndAHole) {
  const std::vector<TRect> ring{{0, 0, 30, 10}, {0, 10, 10, 20}, {20, 10, 30, 20}, {0, 20, 30, 30}};
  const Set s = Trace(ring);
  ASSERT_EQ(s.counts, (Tintegers{4, 4}));
  EXPECT_EQ(s.levels, (Tintegers{0, 1}));
  EXPECT_EQ(Polygon(s, 1)[0], (TPoint{10, 10}));
  // Both run clockwise around their own area.
  EXPECT_GT(geotest::TwiceArea(Polygon(s, 0)), 0);
  EXPECT_GT(geotest::TwiceArea(Polygon(s, 1)), 0);
}

TEST(RegionToPolygons, AHoleInARingOfDiagonalPixelsStaysAHole) {
  // .##.
  // #..#   Smoothing cuts the ring down to the hole's corners; the levels
  // .##.   come from the outlines before that.
  const std::vector<TRect> ring{{1, 0, 3, 1}, {0, 1, 1, 2}, {3, 1, 4, 2}, {1, 2, 3, 3}};
  const Set s = Trace(ring);
  EXPECT_EQ(s.levels, (Tintegers{0, 1}));
}

TEST(RegionToPolygons, StaircaseBecomesADiagonal) {
  // Rows 1, 2, ..., 10 pixels wide: nineteen stair corners.
  std::vector<TRect> stairs;
  for (int32_t i = 0; i < 10; ++i) stairs.push_back({0, i, i + 1, i + 1});
  const Set s = Trace(stairs);
  EXPECT_EQ(s.points, (Tpoints{{0, 0}, {10, 10}, {0, 10}}));
  // Two-pixel steps are real corners and stay.
  std::vector<TRect> wide;
  for (int32_t i = 0; i < 5; ++i) wide.push_back({0, 2 * i, 2 * i + 2, 2 * i + 2});
  EXPECT_EQ(Trace(wide).counts, (Tintegers{12}));
}

TEST(RegionToPolygons, RectanglesTouchingOnlyAtACorner) {
  // One outline visiting the shared point twice.
  const std::vector<TRect> squares{{0, 0, 10, 10}, {10, 10, 20, 20}};
  const Set s = Trace(squares);
  EXPECT_EQ(s.points, (Tpoints{{0, 0}, {10, 0}, {10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}, {0, 10}}));
  // The other diagonal.
  const std::vector<TRect> other{{10, 0, 20, 10}, {0, 10, 10, 20}};
  const Set o = Trace(other);
  EXPECT_EQ(o.counts, (Tintegers{8}));
  Mask expected(20, std::vector<bool>(20));
  for (size_t y = 0; y < 20; ++y)
    for (size_t x = 0; x < 20; ++x) expected[y][x] = (x >= 10) == (y < 10);
  EXPECT_EQ(geotest::CoveredByLevels(o.points, o.counts, o.levels, 20, 20), expected);
  // Two single pixels: every corner sits on the smoothing bound, and
  // smoothing them all away would leave nothing. The shape stays.
  const std::vector<TRect> pixels{{0, 0, 1, 1}, {1, 1, 2, 2}};
  const Set p = Trace(pixels);
  EXPECT_EQ(p.counts, (Tintegers{8}));
  EXPECT_EQ(geotest::TwiceArea(p.points), 4);
}

TEST(RegionToPolygons, EmptyRegionLeavesTheOutputsAlone) {
  Tpoints points{{1, 2}};
  Tintegers counts{1}, levels{7};
  EXPECT_FALSE(RegionToPolygons({}, points, counts, levels));
  const std::vector<TRect> empty{{5, 5, 5, 9}, {3, 3, 1, 1}};
  EXPECT_FALSE(RegionToPolygons(empty, points, counts, levels));
  EXPECT_EQ(points, (Tpoints{{1, 2}}));
  EXPECT_EQ(levels, (Tintegers{7}));
}

// Any pixel pattern: the traced outlines, before smoothing, cover exactly the
// region's pixels, run clockwise, are rectilinear and nest by their levels.
TEST(RegionToPolygons, TracedOutlinesCoverExactlyTheRegion) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 600; ++round) {
    const int w = 3 + round % 11, h = 3 + (round / 11) % 9;
    const Mask mask = geotest::RandomMask(rng, w, h, 0.25 + 0.5 * (round % 3) / 2);
    const std::vector<TRect> rects = geotest::BandedRects(mask);
    if (rects.empty()) continue;
    const TRgnpoints traced = TraceVertices(RegionVertices(rects));
    Tintegers counts;
    for (size_t i = 0; i < traced.tags.size(); ++i) {
      if (i == 0 || traced.tags[i] != traced.tags[i - 1]) counts.push_back(0);
      ++counts.back();
    }
    ASSERT_EQ(geotest::CoveredPixels(traced.points, counts, w, h), mask) << Show(mask);
    Set s{traced.points, counts, PolygonLevels(traced.points, counts)};
    ASSERT_EQ(geotest::CoveredByLevels(s.points, s.counts, s.levels, w, h), mask) << Show(mask);
    for (size_t k = 0; k < counts.size(); ++k) {
      const auto poly = Polygon(s, k);
      EXPECT_GT(geotest::TwiceArea(poly), 0) << Show(mask);
      for (size_t i = 0; i < poly.size(); ++i) {
        const TPoint a = poly[i], b = poly[NextIndex(i, poly.size())];
        EXPECT_TRUE(a.x == b.x || a.y == b.y) << Show(mask);
      }
    }
  }
}

// With no one-pixel steps nothing is smoothed, and the whole conversion keeps
// the region: pixels, and holes at odd levels.
TEST(RegionToPolygons, RegionsWithoutOnePixelStepsRoundTrip) {
  std::mt19937 rng(99);
  for (int round = 0; round < 200; ++round) {
    const Mask mask = geotest::Scaled(geotest::RandomMask(rng, 7, 6, 0.6), 2);
    const std::vector<TRect> rects = geotest::BandedRects(mask);
    if (rects.empty()) continue;
    const Set s = Trace(rects);
    ASSERT_EQ(geotest::CoveredByLevels(s.points, s.counts, s.levels, 14, 12), mask) << Show(mask);
  }
}

TEST(RegionToPolygons, SmoothingNeverLosesAPolygonOrLeavesFewerThanThreePoints) {
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    const Mask mask = geotest::RandomMask(rng, 10, 10, 0.5);
    const std::vector<TRect> rects = geotest::BandedRects(mask);
    if (rects.empty()) continue;
    TRgnpoints traced = TraceVertices(RegionVertices(rects));
    const int32_t polygons = traced.tags.back();
    const Tintegers counts = SmoothPolygons(traced);
    ASSERT_EQ(static_cast<int32_t>(counts.size()), polygons);
    for (int32_t c : counts) EXPECT_GE(c, 3) << Show(mask);
  }
}

// The bound is met with equality by stair corners; the decision elsewhere is
// the one of Heron's formula in 80-bit arithmetic.
TEST(SmoothingRemoves, AgreesWithExtendedPrecisionHeron) {
  EXPECT_TRUE(SmoothingRemoves({0, 0}, {1, 0}, {1, 1}));
  EXPECT_TRUE(SmoothingRemoves({0, 0}, {1, 0}, {40, 40}));
  EXPECT_FALSE(SmoothingRemoves({0, 0}, {5, 0}, {10, 0}));  // on a straight line
  EXPECT_TRUE(SmoothingRemoves({3, 3}, {9, 1}, {3, 3}));    // neighbours coincide
  std::mt19937 rng(17);
  std::uniform_int_distribution<int32_t> coord(-30, 30);
  int decided = 0;
  for (int i = 0; i < 200000; ++i) {
    const TPoint a{coord(rng), coord(rng)}, p{coord(rng), coord(rng)}, b{coord(rng), coord(rng)};
    const int64_t cross = int64_t(b.x - a.x) * (p.y - a.y) - int64_t(b.y - a.y) * (p.x - a.x);
    const int64_t c2 = int64_t(b.x - a.x) * (b.x - a.x) + int64_t(b.y - a.y) * (b.y - a.y);
    if (cross != 0 && 2 * cross * cross == c2) continue;  // exactly on the bound
    auto len = [](TPoint u, TPoint v) {
      return std::sqrt(static_cast<long double>(int64_t(u.x - v.x) * (u.x - v.x) + int64_t(u.y - v.y) * (u.y - v.y)));
    };
    const long double la = len(p, a), lb = len(p, b), lc = len(b, a), s = (la + lb + lc) / 2;
    const long double area = std::sqrt(std::max(0.0L, (s - la) * s * (s - lb) * (s - lc)));
    const long double h = area > 0.1L && lc > 0.1L ? 2 * area / lc : lc;
    ASSERT_EQ(SmoothingRemoves(a, p, b), h <= 1 / std::sqrt(2.0L))
        << a.x << "," << a.y << " " << p.x << "," << p.y << " " << b.x << "," << b.y;
    ++decided;
  }
  EXPECT_GT(decided, 190000);
}
