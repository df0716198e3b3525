// Polygon sets and GDI regions, against the real region services.
#include <gtest/gtest.h>

#include <random>

#include "shapebutton/rotatergn_win32.h"
#include "unit/geometry/pixel_regions.h"

using namespace rotatergn;

namespace {

q::RegionHandle RectRegion(int l, int t, int r, int b) {
  return q::RegionHandle(CreateRectRgn(l, t, r, b));
}

q::RegionHandle Combined(const q::RegionHandle& a, const q::RegionHandle& b, int mode) {
  q::RegionHandle out = RectRegion(0, 0, 0, 0);
  CombineRgn(out.Get(), a.Get(), b.Get(), mode);
  return out;
}

q::RegionHandle MaskRegion(const geotest::Mask& mask) {
  q::RegionHandle region = RectRegion(0, 0, 0, 0);
  for (const TRect& r : geotest::BandedRects(mask)) {
    q::RegionHandle piece = RectRegion(r.left, r.top, r.right, r.bottom);
    CombineRgn(region.Get(), region.Get(), piece.Get(), RGN_OR);
  }
  return region;
}

// Pixels in a region: the sum of its rectangles.
long long Area(HRGN region) {
  const DWORD size = GetRegionData(region, 0, nullptr);
  std::vector<DWORD> storage((size + 3) / 4);
  auto* data = reinterpret_cast<RGNDATA*>(storage.data());
  if (size == 0 || GetRegionData(region, size, data) == 0) return -1;
  const auto* rects = reinterpret_cast<const RECT*>(data->Buffer);
  long long area = 0;
  for (DWORD i = 0; i < data->rdh.nCount; ++i)
    area += static_cast<long long>(rects[i].right - rects[i].left) * (rects[i].bottom - rects[i].top);
  return area;
}

struct Set {
  Tpoints points;
  Tintegers counts, levels;
};

Set Traced(HRGN region) {
  Set s;
  EXPECT_TRUE(RegionToPolygons(region, s.points, s.counts, s.levels));
  return s;
}

q::RegionHandle Rebuilt(const Set& s) { return PolygonsToRegion(s.points, s.counts, s.levels); }

}  // namespace

TEST(PolygonsToRegion, LevelsAddAndCutInOrder) {
  const Tpoints outer{{0, 0}, {100, 0}, {100, 40}, {0, 40}};
  q::RegionHandle rect = PolygonsToRegion(outer, Tintegers{4}, Tintegers{0});
  ASSERT_TRUE(rect);
  EXPECT_TRUE(EqualRgn(rect.Get(), RectRegion(0, 0, 100, 40).Get()));

  // Listed hole first: levels, not order, decide. Island inside the hole;
  // a negative level and a two-point polygon take no part.
  Tpoints set{{20, 10}, {80, 10}, {80, 30}, {20, 30}};
  set.insert(set.end(), outer.begin(), outer.end());
  set.insert(set.end(), {{40, 15}, {60, 15}, {60, 25}, {40, 25}});
  set.insert(set.end(), {{0, 0}, {500, 0}, {500, 500}, {0, 500}});
  set.insert(set.end(), {{0, 0}, {90, 90}});
  q::RegionHandle nested = PolygonsToRegion(set, Tintegers{4, 4, 4, 4, 2}, Tintegers{1, 0, 2, -1, 0});
  q::RegionHandle expected = Combined(RectRegion(0, 0, 100, 40), RectRegion(20, 10, 80, 30), RGN_DIFF);
  expected = Combined(expected, RectRegion(40, 15, 60, 25), RGN_OR);
  ASSERT_TRUE(nested);
  EXPECT_TRUE(EqualRgn(nested.Get(), expected.Get()));

  EXPECT_FALSE(PolygonsToRegion({}, {}, {}));
  EXPECT_FALSE(PolygonsToRegion(outer, Tintegers{4}, Tintegers{-1}));
}

TEST(PolygonsToRegion, RotatedOutlineCoversTheTurnedBox) {
  Tpoints rect{{0, 0}, {100, 0}, {100, 40}, {0, 40}};
  RotatePointsAbout(rect, 50, 20, 900);
  q::RegionHandle region = PolygonsToRegion(rect, Tintegers{4}, Tintegers{0});
  RECT box{};
  ASSERT_NE(GetRgnBox(region.Get(), &box), ERROR);
  EXPECT_EQ(box.left, 30);
  EXPECT_EQ(box.top, -30);
  EXPECT_EQ(box.right, 70);
  EXPECT_EQ(box.bottom, 70);
  EXPECT_EQ(Area(region.Get()), 4000);
}

TEST(RegionToPolygons, RingRoundTripsWithItsHole) {
  q::RegionHandle ring = Combined(RectRegion(0, 0, 30, 30), RectRegion(10, 10, 20, 20), RGN_DIFF);
  const Set s = Traced(ring.Get());
  EXPECT_EQ(s.counts, (Tintegers{4, 4}));
  EXPECT_EQ(s.levels, (Tintegers{0, 1}));
  q::RegionHandle back = Rebuilt(s);
  EXPECT_TRUE(EqualRgn(back.Get(), ring.Get()));
  EXPECT_EQ(Area(back.Get()), 800);
}

// Shapes without one-pixel steps keep every pixel through tracing and
// rebuilding: holes, islands and corners shared diagonally included.
TEST(RegionToPolygons, RectilinearRegionsRoundTripExactly) {
  std::mt19937 rng(31);
  for (int round = 0; round < 150; ++round) {
    const geotest::Mask mask = geotest::Scaled(geotest::RandomMask(rng, 8, 7, 0.55), 3);
    q::RegionHandle region = MaskRegion(mask);
    if (Area(region.Get()) == 0) continue;
    const Set s = Traced(region.Get());
    q::RegionHandle back = Rebuilt(s);
    ASSERT_TRUE(back);
    EXPECT_TRUE(EqualRgn(back.Get(), region.Get())) << "round " << round;
  }
}

TEST(RegionToPolygons, EllipseKeepsItsAreaWithinHalfAPixelPerStep) {
  q::RegionHandle ellipse(CreateEllipticRgn(0, 0, 200, 100));
  const Set s = Traced(ellipse.Get());
  ASSERT_EQ(s.counts.size(), 1u);
  q::RegionHandle back = Rebuilt(s);
  const long long area = Area(ellipse.Get());
  q::RegionHandle changed = Combined(back, ellipse, RGN_XOR);
  // Cutting a stair corner changes at most half a pixel; a 200 x 100
  // outline has fewer than 600 of them.
  EXPECT_LT(Area(changed.Get()), 300);
  EXPECT_NEAR(static_cast<double>(Area(back.Get())), static_cast<double>(area), 150.0);
  RECT a{}, b{};
  GetRgnBox(ellipse.Get(), &a);
  GetRgnBox(back.Get(), &b);
  EXPECT_LE(std::abs(a.left - b.left) + std::abs(a.right - b.right), 2);
  EXPECT_LE(std::abs(a.top - b.top) + std::abs(a.bottom - b.bottom), 2);
}

TEST(RegionToPolygons, EmptyOrMissingRegionLeavesTheOutputs) {
  Tpoints points{{7, 7}};
  Tintegers counts{1}, levels{0};
  q::RegionHandle empty = RectRegion(0, 0, 0, 0);
  EXPECT_FALSE(RegionToPolygons(empty.Get(), points, counts, levels));
  EXPECT_FALSE(RegionToPolygons(nullptr, points, counts, levels));
  EXPECT_EQ(points, (Tpoints{{7, 7}}));
  EXPECT_EQ(counts, (Tintegers{1}));
}
