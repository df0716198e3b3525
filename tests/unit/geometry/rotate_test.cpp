#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "shapebutton/rotatergn.h"

using namespace rotatergn;

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-3.5), -4);
  EXPECT_EQ(RoundHalfEven(2.4999999), 2);
  EXPECT_EQ(RoundHalfEven(-0.7), -1);
  EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
  EXPECT_EQ(RoundHalfEven(1e300), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(RoundHalfEven(-1e300), std::numeric_limits<int32_t>::min());
}

TEST(RotatePoints, QuarterTurnsAndFixedPoints) {
  Tpoints p{{10, 0}, {0, 10}, {0, 0}, {-7, 3}};
  RotatePoints(p, 900);  // counter-clockwise on a y-down screen
  EXPECT_EQ(p, (Tpoints{{0, -10}, {10, 0}, {0, 0}, {3, 7}}));
  RotatePoints(p, -900);
  EXPECT_EQ(p, (Tpoints{{10, 0}, {0, 10}, {0, 0}, {-7, 3}}));

  Tpoints q{{13, -4}, {-200, 150}};
  const Tpoints original = q;
  RotatePoints(q, 0);
  EXPECT_EQ(q, original);
  RotatePoints(q, 3600);
  EXPECT_EQ(q, original);
  Tpoints origin{{0, 0}};
  RotatePoints(origin, 123);
  EXPECT_EQ(origin, (Tpoints{{0, 0}}));
}

TEST(RotatePoints, QuarterTurnsAreExactFarFromTheOrigin) {
  const TPoint p{123456789, -987654};
  for (int32_t angle : {900, -2700, 1800, 2700, -900, 3600, -7200}) {
    Tpoints q{p};
    RotatePoints(q, angle);
    const int turns = ((angle / 900) % 4 + 4) % 4;
    const TPoint expected = turns == 0 ? p
                            : turns == 1 ? TPoint{p.y, -p.x}
                            : turns == 2 ? TPoint{-p.x, -p.y}
                                         : TPoint{-p.y, p.x};
    EXPECT_EQ(q[0], expected) << angle;
  }
  // One step off a quarter turn goes the long way round, within a pixel of it.
  Tpoints near{p};
  RotatePoints(near, 1);
  RotatePoints(near, 899);
  EXPECT_LE(std::abs(near[0].x - p.y), 1);
  EXPECT_LE(std::abs(near[0].y + p.x), 1);
  // No overflow at the ends of the range.
  Tpoints ends{{INT32_MIN, 0}, {0, INT32_MIN}};
  RotatePoints(ends, 900);
  EXPECT_EQ(ends, (Tpoints{{0, INT32_MAX}, {INT32_MIN, 0}}));
}

TEST(RotatePoints, TurningBackReturnsEveryPointWithinAPixel) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int32_t> coord(-600, 600), angle(-3600, 3600);
  for (int round = 0; round < 200; ++round) {
    Tpoints p(50);
    for (TPoint& pt : p) pt = {coord(rng), coord(rng)};
    const Tpoints original = p;
    const int32_t a = angle(rng);
    RotatePoints(p, a);
    for (size_t i = 0; i < p.size(); ++i) {  // distance from the origin kept
      const double r0 = std::hypot(original[i].x, original[i].y);
      EXPECT_NEAR(std::hypot(p[i].x, p[i].y), r0, 0.71) << "angle " << a;
    }
    RotatePoints(p, -a);
    for (size_t i = 0; i < p.size(); ++i) {
      EXPECT_LE(std::abs(p[i].x - original[i].x), 1) << "angle " << a;
      EXPECT_LE(std::abs(p[i].y - original[i].y), 1) << "angle " << a;
    }
  }
}

TEST(RotatePointsAbout, HalfTurnAboutAPivot) {
  Tpoints p{{0, 0}, {50, 20}, {100, 40}, {60, 20}};
  RotatePointsAbout(p, 50, 20, 1800);
  EXPECT_EQ(p, (Tpoints{{100, 40}, {50, 20}, {0, 0}, {40, 20}}));
}

TEST(RotatePointsAbout, MatchesTheExactTurnWithinAPixelAndKeepsThePivot) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int32_t> coord(-400, 400), angle(-1799, 1800);
  for (int round = 0; round < 200; ++round) {
    const int32_t cx = coord(rng), cy = coord(rng), a = angle(rng);
    Tpoints p{{cx, cy}};
    for (int i = 0; i < 20; ++i) p.push_back({coord(rng), coord(rng)});
    const Tpoints original = p;
    RotatePointsAbout(p, cx, cy, a);
    EXPECT_LE(std::abs(p[0].x - cx), 1);
    EXPECT_LE(std::abs(p[0].y - cy), 1);
    const double t = a * std::acos(-1.0) / 1800;
    for (size_t i = 0; i < p.size(); ++i) {
      const double dx = original[i].x - cx, dy = original[i].y - cy;
      // Counter-clockwise on screen: y is flipped around the turn.
      const double ex = cx + dx * std::cos(t) + dy * std::sin(t);
      const double ey = cy - dx * std::sin(t) + dy * std::cos(t);
      EXPECT_LE(std::abs(p[i].x - ex), 1.0001) << "angle " << a;
      EXPECT_LE(std::abs(p[i].y - ey), 1.0001) << "angle " << a;
    }
  }
}
