// Rotation, point-in-polygon tests and polygon sets as callers hand them in.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>

#include "shapebutton/rotatergn.h"
#include "shapebutton/rotatergn_detail.h"
#include "unit/geometry/pixel_regions.h"

using namespace rotatergn;

TEST(Rounding, HalvesGoToTheEvenNeighbourAndExtremesSaturate) {
  const std::pair<double, int32_t> cases[] = {{2.5, 2},          {3.5, 4},          {-2.5, -2},
                                              {-0.7, -1},        {std::nan(""), 0}, {1e300, INT_MAX},
                                              {-1e300, INT_MIN}};
  for (const auto& [v, want] : cases) EXPECT_EQ(RoundHalfEven(v), want) << v;
}

TEST(RotatePoints, KnownTurns) {
  Tpoints p{{10, 0}, {0, 10}, {0, 0}, {-7, 3}, {123456789, -987654}};
  RotatePoints(p, 900);  // counter-clockwise on a y-down screen
  EXPECT_EQ(p, (Tpoints{{0, -10}, {10, 0}, {0, 0}, {3, 7}, {-987654, -123456789}}));
  Tpoints ends{{INT_MIN, 0}, {0, INT_MIN}};  // no overflow at the ends of the range
  RotatePoints(ends, 900);
  EXPECT_EQ(ends, (Tpoints{{0, INT_MAX}, {INT_MIN, 0}}));

  Tpoints q{{0, 0}, {50, 20}, {100, 40}, {60, 20}};
  RotatePointsAbout(q, 50, 20, 1800);
  EXPECT_EQ(q, (Tpoints{{100, 40}, {50, 20}, {0, 0}, {40, 20}}));
}

// The polar form defines each rounded image; the rotation may compute it
// another way only where both round alike. Turns by multiples of 30 degrees
// put small points on exact halves (where the ways part, e.g. (0, -37) by
// -60 degrees), so every one of them meets every point of a grid.
TEST(RotatePoints, RoundLikeThePolarForm) {
  const double pi = std::acos(-1.0);
  auto polar = [pi](TPoint p, int32_t a) {
    const double r = std::sqrt(static_cast<double>(p.x) * p.x + static_cast<double>(p.y) * p.y);
    if (RoundHalfEven(r) == 0) return p;
    const double turn = a * pi / 1800.0;
    const double th = p.x == 0 ? (p.y > 0 ? turn - pi / 2 : turn + pi / 2)
                               : std::atan2(-static_cast<double>(p.y), p.x) + turn;
    return TPoint{RoundHalfEven(r * std::cos(th)), RoundHalfEven(-r * std::sin(th))};
  };
  std::vector<int32_t> angles;
  for (int32_t a = -1650; a <= 1800; a += 150) angles.push_back(a);
  for (int32_t a : {1, 7, 299, 301, -451, 1234}) angles.push_back(a);
  for (int32_t a : angles) {
    for (int32_t x = -40; x <= 40; ++x) {
      for (int32_t y = -40; y <= 40; ++y) {
        Tpoints one{{x, y}};
        RotatePoints(one, a);
        ASSERT_EQ(one[0], polar({x, y}, a)) << x << "," << y << " by " << a;
      }
    }
  }
}

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

// Sets from outside (a region string, a caller's arrays) may be inconsistent:
// counts past the points, negative counts, missing or extreme levels, codes
// that are no vertex codes, rectangles in any order. Nothing may read past
// the arrays (the sanitizer build checks) or take unbounded time.
TEST(PolygonSets, InconsistentInputStaysWithinItsArrays) {
  // A count past the end is cut to what remains; levels go in order, INT_MAX
  // (odd) last and cut out, and the first taken is copied.
  const Tpoints five{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {3, 3}};
  const auto plan = RegionCombinationPlan(five, Tintegers{3, -2, 9, 4}, Tintegers{INT_MAX});
  ASSERT_EQ(plan.size(), 4u);
  EXPECT_EQ(plan[1].first * 10 + plan[1].count, 32u);
  EXPECT_EQ(plan[3].op, CombineOp::kDiff);
  EXPECT_EQ(plan[0].op, CombineOp::kCopy);

  std::mt19937 rng(8);
  std::uniform_int_distribution<int32_t> small(-3, 12), coord(-50, 50);
  for (int round = 0; round < 2000; ++round) {
    Tpoints points(rng() % 16);
    for (TPoint& p : points) p = {coord(rng), coord(rng)};
    Tintegers counts(rng() % 5), levels(rng() % 5);
    for (int32_t& c : counts) c = small(rng);
    for (int32_t& l : levels) l = round % 7 == 0 ? INT_MIN + 3 + small(rng) : small(rng);
    Tpoints inset = points;
    InsetPolygons(inset, counts, levels, small(rng));
    (void)BevelQuads(points, Tpoints(inset.begin(), inset.begin() + inset.size() / 2), counts,
                     levels);
    (void)PolygonLevels(points, counts);
    Tintegers thin_counts = counts, thin_levels = levels;
    ThinPolygons(inset, thin_counts, thin_levels, small(rng));
    size_t total = 0;
    for (int32_t c : thin_counts) total += static_cast<size_t>(c);
    EXPECT_EQ(total, inset.size());
    EXPECT_EQ(thin_levels.size(), thin_counts.size());
    TRgnpoints tagged{points, Tintegers(points.size() / 2)};
    for (int32_t& tag : tagged.tags) tag = small(rng) - 4;
    (void)TraceVertices(tagged);
    (void)SmoothPolygons(tagged);

    std::vector<TRect> rects(1 + rng() % 6);
    for (TRect& r : rects) r = {coord(rng), coord(rng), coord(rng), coord(rng)};
    Tpoints traced;
    Tintegers traced_counts, traced_levels;
    if (!RegionToPolygons(rects, traced, traced_counts, traced_levels)) continue;
    total = 0;
    for (int32_t c : traced_counts) total += static_cast<size_t>(c);
    EXPECT_EQ(total, traced.size());
    EXPECT_EQ(traced_levels.size(), traced_counts.size());
  }
}
