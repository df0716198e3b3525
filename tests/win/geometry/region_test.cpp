// Polygon sets and GDI regions, against the real region services.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "shapebutton/rotatergn_win32.h"

using namespace rotatergn;

namespace {

q::RegionHandle Rect(int l, int t, int r, int b) {
  return q::RegionHandle(CreateRectRgn(l, t, r, b));
}

q::RegionHandle Combined(const q::RegionHandle& a, const q::RegionHandle& b, int mode) {
  q::RegionHandle out = Rect(0, 0, 0, 0);
  CombineRgn(out.Get(), a.Get(), b.Get(), mode);
  return out;
}

// The region traced into polygons and built again.
q::RegionHandle RoundTrip(const q::RegionHandle& region, Tintegers& levels) {
  Tpoints points;
  Tintegers counts;
  EXPECT_TRUE(RegionToPolygons(region.Get(), points, counts, levels));
  return PolygonsToRegion(points, counts, levels);
}

}  // namespace

TEST(PolygonsToRegion, LevelsAddAndCutInOrder) {
  const Tpoints outer{{0, 0}, {100, 0}, {100, 40}, {0, 40}};
  // The hole is listed first: levels, not order, decide. An island in the
  // hole; a negative level and a two-point polygon take no part.
  Tpoints set{{20, 10}, {80, 10}, {80, 30}, {20, 30}};
  set.insert(set.end(), outer.begin(), outer.end());
  const Tpoints rest{{40, 15}, {60, 15},   {60, 25}, {40, 25}, {0, 0},
                     {500, 0}, {500, 500}, {0, 500}, {0, 0},   {90, 90}};
  set.insert(set.end(), rest.begin(), rest.end());
  q::RegionHandle expected = Combined(Combined(Rect(0, 0, 100, 40), Rect(20, 10, 80, 30), RGN_DIFF),
                                      Rect(40, 15, 60, 25), RGN_OR);
  EXPECT_TRUE(
      EqualRgn(PolygonsToRegion(set, Tintegers{4, 4, 4, 4, 2}, Tintegers{1, 0, 2, -1, 0}).Get(),
               expected.Get()));
  EXPECT_FALSE(PolygonsToRegion({}, {}, {}));
  EXPECT_FALSE(PolygonsToRegion(outer, Tintegers{4}, Tintegers{-1}));
}

// A ring read from the region's data and built again keeps its hole, an
// ellipse changes only at its stair corners (the portable tests prove the
// tracing on every pixel pattern); an empty or missing region leaves the
// outputs as they were.
TEST(RegionToPolygons, RegionsRoundTripAndEmptyRegionsLeaveTheOutputs) {
  q::RegionHandle ring = Combined(Rect(0, 0, 30, 30), Rect(10, 10, 20, 20), RGN_DIFF);
  Tintegers levels;
  EXPECT_TRUE(EqualRgn(RoundTrip(ring, levels).Get(), ring.Get()));
  EXPECT_EQ(levels, (Tintegers{0, 1}));

  q::RegionHandle ellipse(CreateEllipticRgn(0, 0, 200, 100));
  q::RegionHandle changed = Combined(RoundTrip(ellipse, levels), ellipse, RGN_XOR);
  EXPECT_EQ(levels, (Tintegers{0}));
  // Cutting a stair corner changes at most half a pixel, and a 200 x 100
  // outline has fewer than 600 of them.
  int pixels = 0;
  for (int y = -2; y < 102; ++y)
    for (int x = -2; x < 202; ++x) pixels += PtInRegion(changed.Get(), x, y) != 0;
  EXPECT_LT(pixels, 300);

  Tpoints points{{7, 7}};
  Tintegers counts{1};
  EXPECT_FALSE(RegionToPolygons(Rect(0, 0, 0, 0).Get(), points, counts, levels));
  EXPECT_FALSE(RegionToPolygons(nullptr, points, counts, levels));
  EXPECT_EQ(points, (Tpoints{{7, 7}}));
  EXPECT_EQ(counts, (Tintegers{1}));
}

// Bevel bands built from joined quad runs cover exactly the pixels GDI gives
// the quads one by one: a band region that lost or gained a pixel would show
// as a notch or a stray dot in the button's bevel.
TEST(QuadsToRegion, JoinedRunsCoverTheQuadsPixelsExactly) {
  for (int spike : {0, 1}) {
    for (int angle : {0, 450, 1234}) {
      // An ellipse, or a twelve-point star, turned about its centre.
      const int n = spike ? 12 : 196;
      Tpoints outer;
      for (int i = 0; i < n; ++i) {
        const double a = 2 * std::numbers::pi * i / n, r = spike && i % 2 ? 0.5 : 1.0;
        outer.push_back({int32_t(std::lround(100 + 100 * r * std::cos(a))),
                         int32_t(std::lround(50 + 50 * r * std::sin(a)))});
      }
      Tpoints inner = outer;
      InsetPolygons(inner, Tintegers{n}, Tintegers{0}, 3);
      RotatePointsAbout(outer, 100, 50, angle);
      RotatePointsAbout(inner, 100, 50, angle);
      const BevelQuadLists bands = BevelQuads(outer, inner, Tintegers{n}, Tintegers{0});
      for (const QuadList* list : {&bands.first, &bands.second}) {
        std::vector<POINT> points;
        for (const TPoint& p : list->points) points.push_back(POINT{p.x, p.y});
        const std::vector<INT> fours(static_cast<size_t>(list->quads), 4);
        const q::RegionHandle plain(
            ::CreatePolyPolygonRgn(points.data(), fours.data(), list->quads, ALTERNATE));
        const q::RegionHandle joined = QuadsToRegion(*list);
        ASSERT_TRUE(joined && plain);
        EXPECT_TRUE(::EqualRgn(joined.Get(), plain.Get())) << spike << " at " << angle;
      }
    }
  }
  EXPECT_FALSE(QuadsToRegion(QuadList{}));
}
