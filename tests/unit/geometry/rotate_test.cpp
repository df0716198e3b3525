#include <gtest/gtest.h>

#include <cmath>
#include <climits>
#include <random>

#include "shapebutton/rotatergn.h"

using namespace rotatergn;

TEST(Rounding, HalvesGoToTheEvenNeighbourAndExtremesSaturate) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-0.7), -1);
  EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
  EXPECT_EQ(RoundHalfEven(1e300), INT_MAX);
  EXPECT_EQ(RoundHalfEven(-1e300), INT_MIN);
}

TEST(RotatePoints, KnownTurns) {
  Tpoints p{{10, 0}, {0, 10}, {0, 0}, {-7, 3}, {123456789, -987654}};
  RotatePoints(p, 900);  // counter-clockwise on a y-down screen
  EXPECT_EQ(p, (Tpoints{{0, -10}, {10, 0}, {0, 0}, {3, 7}, {-987654, -123456789}}));
  RotatePoints(p, -2700);
  EXPECT_EQ(p, (Tpoints{{-10, 0}, {0, -10}, {0, 0}, {7, -3}, {-123456789, 987654}}));
  const Tpoints before = p;
  RotatePoints(p, 0);
  EXPECT_EQ(p, before);
  RotatePoints(p, 3600);
  EXPECT_EQ(p, before);
  Tpoints ends{{INT_MIN, 0}, {0, INT_MIN}};  // no overflow at the ends of the range
  RotatePoints(ends, 900);
  EXPECT_EQ(ends, (Tpoints{{0, INT_MAX}, {INT_MIN, 0}}));

  Tpoints q{{0, 0}, {50, 20}, {100, 40}, {60, 20}};
  RotatePointsAbout(q, 50, 20, 1800);
  EXPECT_EQ(q, (Tpoints{{100, 40}, {50, 20}, {0, 0}, {40, 20}}));
}

// Each result is rounded at most twice: within a pixel of the exact turn, and
// turning back returns every point within a pixel.
TEST(RotatePoints, StayWithinAPixelOfTheExactTurn) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int32_t> coord(-600, 600), angle(-3600, 3600);
  for (int round = 0; round < 300; ++round) {
    const int32_t cx = coord(rng), cy = coord(rng), a = angle(rng);
    Tpoints p;
    for (int i = 0; i < 20; ++i) p.push_back({coord(rng), coord(rng)});
    const Tpoints original = p;
    Tpoints about = p;
    RotatePoints(p, a);
    RotatePointsAbout(about, cx, cy, a);
    const double t = a * std::acos(-1.0) / 1800;
    for (size_t i = 0; i < p.size(); ++i) {
      const double dx = original[i].x - cx, dy = original[i].y - cy;
      EXPECT_LE(std::abs(about[i].x - (cx + dx * std::cos(t) + dy * std::sin(t))), 1.0001) << a;
      EXPECT_LE(std::abs(about[i].y - (cy - dx * std::sin(t) + dy * std::cos(t))), 1.0001) << a;
    }
    RotatePoints(p, -a);
    for (size_t i = 0; i < p.size(); ++i) {
      EXPECT_LE(std::abs(p[i].x - original[i].x), 1) << a;
      EXPECT_LE(std::abs(p[i].y - original[i].y), 1) << a;
    }
  }
}
