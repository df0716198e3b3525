#include <gtest/gtest.h>

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

// The outer corners of one-pixel stairs lie exactly on the bound and go;
// a point on the line between its neighbours, or a real corner, stays.
TEST(SmoothingRemoves, CutsStairCornersOnTheBound) {
  const struct {
    TPoint a, p, b;
    bool removed;
  } cases[] = {{{0, 0}, {1, 0}, {1, 1}, true},   {{0, 0}, {1, 0}, {40, 40}, true},
               {{0, 0}, {5, 0}, {10, 0}, false}, {{3, 3}, {9, 1}, {3, 3}, true},
               {{0, 0}, {2, 0}, {2, 2}, false},  {{0, 0}, {1, 1}, {3, 0}, false}};
  for (const auto& c : cases)
    EXPECT_EQ(SmoothingRemoves(c.a, c.p, c.b), c.removed) << c.p.x << "," << c.p.y;
}
