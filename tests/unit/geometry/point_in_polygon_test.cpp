#include <gtest/gtest.h>

#include <random>

#include "shapebutton/rotatergn.h"
#include "shapebutton/rotatergn_detail.h"
#include "unit/geometry/pixel_regions.h"

using namespace rotatergn;

namespace {

bool OnOutline(const Tpoints& poly, int32_t x, int32_t y) {
  for (size_t i = 0; i < poly.size(); ++i) {
    const TPoint a = poly[i], b = poly[NextIndex(i, poly.size())];
    if (int64_t(b.x - a.x) * (y - a.y) == int64_t(b.y - a.y) * (x - a.x) &&
        std::min(a.x, b.x) <= x && x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= y &&
        y <= std::max(a.y, b.y))
      return true;
  }
  return false;
}

Tpoints RandomPolygon(std::mt19937& rng, int32_t spread, size_t min_size, size_t max_size) {
  std::uniform_int_distribution<int32_t> coord(0, spread);
  Tpoints poly(min_size + rng() % (max_size - min_size + 1));
  for (TPoint& p : poly) p = {coord(rng), coord(rng)};
  return poly;
}

}  // namespace

// Small coordinates put many vertices and horizontal edges on the test rows,
// where the integer test's row rule matters. The floating-point test is used
// with probes off the vertices' rows: pixel centres here.
TEST(PointInPolygon, BothTestsAgreeWithEvenOddOffTheOutline) {
  std::mt19937 rng(3);
  for (int round = 0; round < 400; ++round) {
    Tpoints poly = RandomPolygon(rng, 12, 3, 9), doubled;
    for (TPoint p : poly) doubled.push_back({2 * p.x, 2 * p.y});
    for (int32_t y = -1; y <= 13; ++y)
      for (int32_t x = -1; x <= 13; ++x) {
        if (!OnOutline(poly, x, y)) {
          ASSERT_EQ(PointInRingPolygon(poly, {x, y}), geotest::EvenOdd(poly, x, y))
              << x << "," << y;
        }
        if (!OnOutline(doubled, 2 * x + 1, 2 * y + 1)) {
          ASSERT_EQ(PointInPolygon(poly, y + 0.5, x + 0.5), geotest::CentreInside(poly, x, y));
        }
      }
  }
  // Repeated points and fewer than three distinct ones.
  const Tpoints ring{{0, 0}, {0, 0}, {10, 0}, {10, 10}, {10, 10}, {0, 10}, {0, 0}};
  EXPECT_TRUE(PointInRingPolygon(ring, {3, 7}));
  EXPECT_FALSE(PointInRingPolygon(ring, {15, 0}));
  EXPECT_FALSE(PointInRingPolygon(Tpoints{{1, 1}, {5, 5}, {1, 1}}, {3, 3}));
  for (int32_t x : {0, 10}) EXPECT_FALSE(PointInRingPolygon(ring, {x, 5})) << "on an edge";
  EXPECT_FALSE(PointInPolygon(Tpoints{}, 0.5, 0.5));
}

// The banded index used by insetting answers exactly as the plain test, on
// vertex rows and band borders too, with and without long spikes.
TEST(PointInPolygon, BandedIndexAnswersAsThePlainTest) {
  std::mt19937 rng(21);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int round = 0; round < 300; ++round) {
    const int32_t spread = round % 3 == 0 ? 5 : round % 3 == 1 ? 200 : 100000;
    Tpoints poly = RandomPolygon(rng, spread, 16, 70);
    if (round % 5 == 0) poly[3].y = 40 * spread;
    const ProbeIndex index(poly);
    for (int probe = 0; probe < 400; ++probe) {
      const double y = probe % 2 ? poly[rng() % poly.size()].y : spread * unit(rng);
      const double x = spread * unit(rng);
      ASSERT_EQ(index.Inside(y, x), PointInPolygon(poly, y, x)) << round << " " << probe;
    }
  }
}
