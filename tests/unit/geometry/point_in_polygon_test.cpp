#include <gtest/gtest.h>

#include <random>

#include "shapebutton/rotatergn.h"
#include "shapebutton/rotatergn_detail.h"
#include "unit/geometry/pixel_regions.h"

using namespace rotatergn;

namespace {

bool OnSegment(TPoint a, TPoint b, int32_t x, int32_t y) {
  const int64_t cross = int64_t(b.x - a.x) * (y - a.y) - int64_t(b.y - a.y) * (x - a.x);
  return cross == 0 && std::min(a.x, b.x) <= x && x <= std::max(a.x, b.x) &&
         std::min(a.y, b.y) <= y && y <= std::max(a.y, b.y);
}

bool OnOutline(const Tpoints& poly, int32_t x, int32_t y) {
  for (size_t i = 0; i < poly.size(); ++i)
    if (OnSegment(poly[i], poly[NextIndex(i, poly.size())], x, y)) return true;
  return false;
}

}  // namespace

// Small coordinates put many vertices and horizontal edges on the test rows,
// which is where the integer test's row rule matters. The floating-point
// test is used with probes off the vertices' rows: pixel centres here.
TEST(PointInPolygon, BothTestsAgreeWithEvenOddOffTheOutline) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int32_t> coord(0, 12);
  std::uniform_int_distribution<int> size(3, 9);
  int checked = 0;
  for (int round = 0; round < 400; ++round) {
    Tpoints poly(static_cast<size_t>(size(rng)));
    for (TPoint& p : poly) p = {coord(rng), coord(rng)};
    Tpoints doubled;
    for (TPoint p : poly) doubled.push_back({2 * p.x, 2 * p.y});
    for (int32_t y = -1; y <= 13; ++y)
      for (int32_t x = -1; x <= 13; ++x) {
        if (!OnOutline(poly, x, y)) {
          ASSERT_EQ(PointInRingPolygon(poly, {x, y}), geotest::EvenOdd(poly, x, y))
              << "round " << round << " " << x << "," << y;
          ++checked;
        }
        if (!OnOutline(doubled, 2 * x + 1, 2 * y + 1)) {
          ASSERT_EQ(PointInPolygon(poly, y + 0.5, x + 0.5), geotest::CentreInside(poly, x, y))
              << "round " << round << " " << x + 0.5 << "," << y + 0.5;
          ++checked;
        }
      }
  }
  EXPECT_GT(checked, 40000);
}

TEST(PointInPolygon, VerticesOnTheRowCountOnlyWhereTheOutlineCrosses) {
  // A diamond: the row through its side vertices, and a notch whose lower
  // vertex touches the row of a point below it.
  const Tpoints diamond{{10, 0}, {20, 10}, {10, 20}, {0, 10}};
  EXPECT_TRUE(PointInRingPolygon(diamond, {10, 10}));
  EXPECT_FALSE(PointInRingPolygon(diamond, {-5, 10}));
  EXPECT_FALSE(PointInRingPolygon(diamond, {25, 10}));
  const Tpoints notch{{0, 0}, {10, 0}, {15, 8}, {20, 0}, {30, 0}, {30, 20}, {0, 20}};
  EXPECT_TRUE(PointInRingPolygon(notch, {5, 8}));
  EXPECT_TRUE(PointInRingPolygon(notch, {25, 8}));
  EXPECT_FALSE(PointInRingPolygon(notch, {15, 4}));
  // A horizontal edge on the row between a rising and a falling edge.
  const Tpoints hat{{0, 20}, {5, 10}, {15, 10}, {20, 20}};
  EXPECT_FALSE(PointInRingPolygon(hat, {-3, 10}));
  EXPECT_TRUE(PointInRingPolygon(hat, {10, 15}));
}

TEST(PointInRingPolygon, RepeatedPointsAndDegenerateRingsChangeNothing) {
  const Tpoints ring{{0, 0}, {0, 0}, {10, 0}, {10, 10}, {10, 10}, {10, 10}, {0, 10}, {0, 0}};
  EXPECT_TRUE(PointInRingPolygon(ring, {5, 5}));
  EXPECT_TRUE(PointInRingPolygon(ring, {3, 7}));
  EXPECT_FALSE(PointInRingPolygon(ring, {15, 0}));
  EXPECT_FALSE(PointInRingPolygon(Tpoints{}, {0, 0}));
  EXPECT_FALSE(PointInRingPolygon(Tpoints{{1, 1}, {1, 1}}, {1, 1}));
  EXPECT_FALSE(PointInRingPolygon(Tpoints{{0, 0}, {5, 5}}, {2, 3}));
  EXPECT_FALSE(PointInPolygon(Tpoints{}, 0.5, 0.5));
}

// The banded index used by insetting must answer exactly as the plain test,
// on vertex rows and band borders too.
TEST(PointInPolygon, BandedIndexAnswersAsThePlainTest) {
  std::mt19937 rng(21);
  std::uniform_int_distribution<int> size(16, 70);
  std::uniform_real_distribution<double> unit(0, 1);
  int differing_answers = 0;
  for (int round = 0; round < 300; ++round) {
    const int32_t spread = round % 3 == 0 ? 5 : round % 3 == 1 ? 200 : 100000;
    std::uniform_int_distribution<int32_t> coord(-spread, spread);
    Tpoints poly(static_cast<size_t>(size(rng)));
    for (TPoint& p : poly) p = {coord(rng), coord(rng)};
    if (round % 5 == 0) poly[3].y = 40 * spread;  // one long spike
    const ProbeIndex index(poly);
    for (int probe = 0; probe < 400; ++probe) {
      const TPoint v = poly[rng() % poly.size()];
      const double y = probe % 2 ? v.y : -spread + 2.0 * spread * unit(rng);
      const double x = -spread + 2.0 * spread * unit(rng);
      const bool plain = PointInPolygon(poly, y, x);
      ASSERT_EQ(index.Inside(y, x), plain) << "round " << round << " probe " << probe;
      differing_answers += plain;
    }
  }
  EXPECT_GT(differing_answers, 1000);
}
