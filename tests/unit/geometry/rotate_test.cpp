#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>

#include "shapebutton/rotatergn.h"

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
  RotatePoints(p, -2700);
  EXPECT_EQ(p, (Tpoints{{-10, 0}, {0, -10}, {0, 0}, {7, -3}, {-123456789, 987654}}));
  Tpoints ends{{INT_MIN, 0}, {0, INT_MIN}};  // no overflow at the ends of the range
  RotatePoints(ends, 900);
  EXPECT_EQ(ends, (Tpoints{{0, INT_MAX}, {INT_MIN, 0}}));

  Tpoints q{{0, 0}, {50, 20}, {100, 40}, {60, 20}};
  RotatePointsAbout(q, 50, 20, 1800);
  EXPECT_EQ(q, (Tpoints{{100, 40}, {50, 20}, {0, 0}, {40, 20}}));
}

// Each result is rounded at most twice: within a pixel of the exact turn.
TEST(RotatePoints, StayWithinAPixelOfTheExactTurn) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int32_t> coord(-600, 600), angle(-3600, 3600);
  for (int round = 0; round < 300; ++round) {
    const int32_t cx = coord(rng), cy = coord(rng), a = angle(rng);
    Tpoints p;
    for (int i = 0; i < 20; ++i) p.push_back({coord(rng), coord(rng)});
    Tpoints about = p;
    RotatePointsAbout(about, cx, cy, a);
    const double t = a * std::acos(-1.0) / 1800;
    for (size_t i = 0; i < p.size(); ++i) {
      const double dx = p[i].x - cx, dy = p[i].y - cy;
      EXPECT_LE(std::abs(about[i].x - (cx + dx * std::cos(t) + dy * std::sin(t))), 1.0001) << a;
      EXPECT_LE(std::abs(about[i].y - (cy - dx * std::sin(t) + dy * std::cos(t))), 1.0001) << a;
    }
  }
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
