// Polygon sets and GDI regions, against the real region services.
#include <gtest/gtest.h>

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

// Pixels in a region: the sum of its rectangles.
long long Area(const q::RegionHandle& region) {
  const DWORD size = GetRegionData(region.Get(), 0, nullptr);
  std::vector<DWORD> storage((size + 3) / 4);
  auto* data = reinterpret_cast<RGNDATA*>(storage.data());
  if (size == 0 || GetRegionData(region.Get(), size, data) == 0) return -1;
  const auto* rects = reinterpret_cast<const RECT*>(data->Buffer);
  long long area = 0;
  for (DWORD i = 0; i < data->rdh.nCount; ++i)
    area +=
        static_cast<long long>(rects[i].right - rects[i].left) * (rects[i].bottom - rects[i].top);
  return area;
}

// The region traced into polygons and built again.
q::RegionHandle RoundTrip(const q::RegionHandle& region, Tintegers* levels = nullptr) {
  Tpoints points;
  Tintegers counts, lv;
  EXPECT_TRUE(RegionToPolygons(region.Get(), points, counts, lv));
  if (levels) *levels = lv;
  return PolygonsToRegion(points, counts, lv);
}

}  // namespace

TEST(PolygonsToRegion, LevelsAddAndCutInOrder) {
  const Tpoints outer{{0, 0}, {100, 0}, {100, 40}, {0, 40}};
  EXPECT_TRUE(EqualRgn(PolygonsToRegion(outer, Tintegers{4}, Tintegers{0}).Get(),
                       Rect(0, 0, 100, 40).Get()));
  // The hole is listed first: levels, not order, decide. An island in the
  // hole; a negative level and a two-point polygon take no part.
  Tpoints set{{20, 10}, {80, 10}, {80, 30}, {20, 30}};
  set.insert(set.end(), outer.begin(), outer.end());
  set.insert(set.end(), {{40, 15},
                         {60, 15},
                         {60, 25},
                         {40, 25},
                         {0, 0},
                         {500, 0},
                         {500, 500},
                         {0, 500},
                         {0, 0},
                         {90, 90}});
  q::RegionHandle nested =
      PolygonsToRegion(set, Tintegers{4, 4, 4, 4, 2}, Tintegers{1, 0, 2, -1, 0});
  q::RegionHandle expected = Combined(Combined(Rect(0, 0, 100, 40), Rect(20, 10, 80, 30), RGN_DIFF),
                                      Rect(40, 15, 60, 25), RGN_OR);
  EXPECT_TRUE(EqualRgn(nested.Get(), expected.Get()));
  EXPECT_FALSE(PolygonsToRegion({}, {}, {}));
  EXPECT_FALSE(PolygonsToRegion(outer, Tintegers{4}, Tintegers{-1}));

  // The outline turned a quarter about its centre covers the turned box.
  Tpoints turned = outer;
  RotatePointsAbout(turned, 50, 20, 900);
  EXPECT_TRUE(EqualRgn(PolygonsToRegion(turned, Tintegers{4}, Tintegers{0}).Get(),
                       Rect(30, -30, 70, 70).Get()));
}

// A ring read from the region's data and built again keeps its hole (the
// portable tests prove the tracing on every pixel pattern); an empty or
// missing region leaves the outputs as they were.
TEST(RegionToPolygons, RingRoundTripsWithItsHoleAndEmptyRegionsLeaveTheOutputs) {
  q::RegionHandle ring = Combined(Rect(0, 0, 30, 30), Rect(10, 10, 20, 20), RGN_DIFF);
  Tintegers levels;
  q::RegionHandle back = RoundTrip(ring, &levels);
  EXPECT_EQ(levels, (Tintegers{0, 1}));
  EXPECT_TRUE(EqualRgn(back.Get(), ring.Get()));

  Tpoints points{{7, 7}};
  Tintegers counts{1};
  EXPECT_FALSE(RegionToPolygons(Rect(0, 0, 0, 0).Get(), points, counts, levels));
  EXPECT_FALSE(RegionToPolygons(nullptr, points, counts, levels));
  EXPECT_EQ(points, (Tpoints{{7, 7}}));
  EXPECT_EQ(counts, (Tintegers{1}));
}

TEST(RegionToPolygons, EllipseChangesOnlyAtItsStairCorners) {
  q::RegionHandle ellipse(CreateEllipticRgn(0, 0, 200, 100));
  Tintegers levels;
  q::RegionHandle back = RoundTrip(ellipse, &levels);
  EXPECT_EQ(levels, (Tintegers{0}));
  // Cutting a stair corner changes at most half a pixel, and a 200 x 100
  // outline has fewer than 600 of them.
  EXPECT_LT(Area(Combined(back, ellipse, RGN_XOR)), 300);
  RECT a{}, b{};
  GetRgnBox(ellipse.Get(), &a);
  GetRgnBox(back.Get(), &b);
  EXPECT_LE(std::abs(a.left - b.left) + std::abs(a.right - b.right) + std::abs(a.top - b.top) +
                std::abs(a.bottom - b.bottom),
            2);
}
