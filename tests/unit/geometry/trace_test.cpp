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

std::string Show(const Mask& m) {
  std::string s;
  for (const auto& row : m) {
    for (bool b : row) s += b ? '#' : '.';
    s += '\n';
  }
  return s;
}

}  // namespace

TEST(RegionToPolygons, KnownShapes) {
  // One rectangle: clockwise from its top-left.
  const Set r = Trace(std::vector<TRect>{{10, 20, 110, 60}});
  EXPECT_EQ(r.points, (Tpoints{{10, 20}, {110, 20}, {110, 60}, {10, 60}}));
  EXPECT_EQ(r.levels, (Tintegers{0}));
  // An L of two bands: six vertices.
  EXPECT_EQ(Trace(std::vector<TRect>{{0, 0, 10, 5}, {0, 5, 20, 10}}).points,
            (Tpoints{{0, 0}, {10, 0}, {10, 5}, {20, 5}, {20, 10}, {0, 10}}));
  // A ring: the hole also runs clockwise around its own area, at level 1.
  const Set ring =
      Trace(std::vector<TRect>{{0, 0, 30, 10}, {0, 10, 10, 20}, {20, 10, 30, 20}, {0, 20, 30, 30}});
  EXPECT_EQ(ring.points,
            (Tpoints{{0, 0}, {30, 0}, {30, 30}, {0, 30}, {10, 10}, {20, 10}, {20, 20}, {10, 20}}));
  EXPECT_EQ(ring.levels, (Tintegers{0, 1}));
  // Squares touching only at a corner: one outline through that point twice.
  EXPECT_EQ(Trace(std::vector<TRect>{{0, 0, 10, 10}, {10, 10, 20, 20}}).points,
            (Tpoints{{0, 0}, {10, 0}, {10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}, {0, 10}}));
  EXPECT_EQ(Trace(std::vector<TRect>{{10, 0, 20, 10}, {0, 10, 10, 20}}).counts, (Tintegers{8}));
  // No rectangle with an area: the outputs stay as they were.
  Tpoints points{{1, 2}};
  Tintegers counts{1}, levels{7};
  EXPECT_FALSE(
      RegionToPolygons(std::vector<TRect>{{5, 5, 5, 9}, {3, 3, 1, 1}}, points, counts, levels));
  EXPECT_EQ(levels, (Tintegers{7}));
}

TEST(RegionToPolygons, SmoothingCutsOnlyOnePixelStairs) {
  std::vector<TRect> stairs, wide;
  for (int32_t i = 0; i < 10; ++i) stairs.push_back({0, i, i + 1, i + 1});
  EXPECT_EQ(Trace(stairs).points, (Tpoints{{0, 0}, {10, 10}, {0, 10}}));
  for (int32_t i = 0; i < 5; ++i) wide.push_back({0, 2 * i, 2 * i + 2, 2 * i + 2});
  EXPECT_EQ(Trace(wide).counts, (Tintegers{12}));
  // Two pixels touching at a corner: every corner sits on the bound, and
  // cutting them all would leave nothing; the shape stays whole.
  const Set pixels = Trace(std::vector<TRect>{{0, 0, 1, 1}, {1, 1, 2, 2}});
  EXPECT_EQ(pixels.counts, (Tintegers{8}));
  // A hole in a ring of diagonal pixels:   .##.
  // smoothing cuts the ring down to the    #..#
  // hole's corners; levels come from the   .##.
  // outlines before it.
  EXPECT_EQ(
      Trace(std::vector<TRect>{{1, 0, 3, 1}, {0, 1, 1, 2}, {3, 1, 4, 2}, {1, 2, 3, 3}}).levels,
      (Tintegers{0, 1}));
}

// Any pixel pattern: the outlines before smoothing cover exactly the region's
// pixels when combined by their levels, run clockwise and are rectilinear;
// smoothing keeps every polygon with at least three points. Without one-pixel
// steps nothing is smoothed and the whole conversion keeps every pixel:
// holes, islands and diagonal contacts included.
TEST(RegionToPolygons, TracedOutlinesCoverExactlyTheRegion) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 600; ++round) {
    const int w = 3 + round % 11, h = 3 + (round / 11) % 9;
    const Mask mask = geotest::RandomMask(rng, w, h, 0.25 + 0.25 * (round % 3));
    const std::vector<TRect> rects = geotest::BandedRects(mask);
    if (rects.empty()) continue;
    TRgnpoints traced = TraceVertices(RegionVertices(rects));
    Tintegers counts;
    for (size_t i = 0; i < traced.tags.size(); ++i) {
      if (i == 0 || traced.tags[i] != traced.tags[i - 1]) counts.push_back(0);
      ++counts.back();
    }
    const Tintegers levels = PolygonLevels(traced.points, counts);
    ASSERT_EQ(geotest::CoveredByLevels(traced.points, counts, levels, w, h), mask) << Show(mask);
    size_t first = 0;
    for (int32_t count : counts) {
      const auto poly = std::span<const TPoint>(traced.points).subspan(first, size_t(count));
      first += size_t(count);
      EXPECT_GT(geotest::TwiceArea(poly), 0) << Show(mask);
      for (size_t i = 0; i < poly.size(); ++i) {
        const TPoint a = poly[i], b = poly[NextIndex(i, poly.size())];
        EXPECT_TRUE(a.x == b.x || a.y == b.y) << Show(mask);
      }
    }
    const Tintegers smoothed = SmoothPolygons(traced);
    ASSERT_EQ(smoothed.size(), counts.size());
    for (int32_t c : smoothed) EXPECT_GE(c, 3) << Show(mask);

    const Mask coarse = geotest::Scaled(mask, 2);
    const Set s = Trace(geotest::BandedRects(coarse));
    ASSERT_EQ(geotest::CoveredByLevels(s.points, s.counts, s.levels, 2 * w, 2 * h), coarse)
        << Show(coarse);
  }
}

// The bound is met with equality by stair corners; everywhere else the
// decision is the one of Heron's formula in 80-bit arithmetic.
TEST(SmoothingRemoves, AgreesWithExtendedPrecisionHeron) {
  EXPECT_TRUE(SmoothingRemoves({0, 0}, {1, 0}, {1, 1}));
  EXPECT_TRUE(SmoothingRemoves({0, 0}, {1, 0}, {40, 40}));
  EXPECT_FALSE(SmoothingRemoves({0, 0}, {5, 0}, {10, 0}));  // on a straight line
  EXPECT_TRUE(SmoothingRemoves({3, 3}, {9, 1}, {3, 3}));    // neighbours coincide
  std::mt19937 rng(17);
  std::uniform_int_distribution<int32_t> coord(-30, 30);
  auto len = [](TPoint u, TPoint v) {
    return std::sqrt(static_cast<long double>(int64_t(u.x - v.x) * (u.x - v.x) +
                                              int64_t(u.y - v.y) * (u.y - v.y)));
  };
  for (int i = 0; i < 200000; ++i) {
    const TPoint a{coord(rng), coord(rng)}, p{coord(rng), coord(rng)}, b{coord(rng), coord(rng)};
    const int64_t cross = int64_t(b.x - a.x) * (p.y - a.y) - int64_t(b.y - a.y) * (p.x - a.x);
    if (cross != 0 &&
        2 * cross * cross == int64_t(b.x - a.x) * (b.x - a.x) + int64_t(b.y - a.y) * (b.y - a.y))
      continue;  // exactly on the bound
    const long double la = len(p, a), lb = len(p, b), lc = len(b, a), s = (la + lb + lc) / 2;
    const long double area = std::sqrt(std::max(0.0L, (s - la) * s * (s - lb) * (s - lc)));
    const long double h = area > 0.1L && lc > 0.1L ? 2 * area / lc : lc;
    ASSERT_EQ(SmoothingRemoves(a, p, b), h <= 1 / std::sqrt(2.0L))
        << a.x << "," << a.y << " " << p.x << "," << p.y << " " << b.x << "," << b.y;
  }
}
