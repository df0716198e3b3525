// Bevel bands built from joined quad runs cover exactly the pixels of their
// quads: a band region that lost or gained a pixel would show as a notch or
// a stray dot in the button's bevel.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "shapebutton/rotatergn_win32.h"

using namespace rotatergn;

namespace {

q::RegionHandle QuadByQuad(const QuadList& list) {
  std::vector<POINT> points;
  for (const TPoint& p : list.points) points.push_back(POINT{p.x, p.y});
  const std::vector<INT> counts(static_cast<size_t>(list.quads), 4);
  return q::RegionHandle(
      ::CreatePolyPolygonRgn(points.data(), counts.data(), list.quads, ALTERNATE));
}

// A ring of n points on an ellipse (or a star when `spike` > 0), clockwise
// on screen for a filled outline; a hole runs the other way.
void AddRing(Tpoints& points, Tintegers& counts, Tintegers& levels, double cx, double cy, double rx,
             double ry, int n, double spike, int32_t level) {
  for (int i = 0; i < n; ++i) {
    const int k = level % 2 == 0 ? i : n - i;
    const double a = 2 * std::numbers::pi * k / n;
    const double r = (i % 2 == 1) ? 1.0 - spike : 1.0;
    points.push_back({static_cast<int32_t>(std::lround(cx + rx * r * std::cos(a))),
                      static_cast<int32_t>(std::lround(cy + ry * r * std::sin(a)))});
  }
  counts.push_back(n);
  levels.push_back(level);
}

TEST(QuadsToRegion, JoinedRunsCoverTheQuadsPixelsExactly) {
  struct Shape {
    const char* name;
    bool hole;
    int points;
    double spike;
  };
  size_t totalRuns = 0, totalQuads = 0;
  for (const Shape& shape : {Shape{"ellipse", false, 196, 0.0}, Shape{"donut", true, 192, 0.0},
                             Shape{"star", false, 12, 0.5}, Shape{"rounded", false, 20, 0.0}}) {
    for (int angle : {0, 300, 450, 1234, 2700}) {
      for (int depth : {1, 2, 5}) {
        Tpoints outer;
        Tintegers counts, levels;
        AddRing(outer, counts, levels, 100, 50, 100, 50, shape.points, shape.spike, 0);
        if (shape.hole) AddRing(outer, counts, levels, 100, 50, 40, 20, shape.points, 0, 1);
        Tpoints inner = outer;
        InsetPolygons(inner, counts, levels, depth);
        RotatePointsAbout(outer, 100, 50, angle);
        RotatePointsAbout(inner, 100, 50, angle);
        const BevelQuadLists bands = BevelQuads(outer, inner, counts, levels);
        for (const QuadList* list : {&bands.first, &bands.second}) {
          SCOPED_TRACE(testing::Message() << shape.name << " at " << angle << ", depth " << depth);
          const q::RegionHandle joined = QuadsToRegion(*list);
          const q::RegionHandle plain = QuadByQuad(*list);
          ASSERT_TRUE(joined && plain);
          EXPECT_TRUE(::EqualRgn(joined.Get(), plain.Get()));
          Tpoints points;
          Tintegers runs;
          JoinQuadRuns(*list, points, runs);
          totalRuns += runs.size();
          totalQuads += static_cast<size_t>(list->quads);
        }
      }
    }
  }
  // Runs really join: a band falls into a few runs, not one per quad.
  EXPECT_LT(totalRuns * 5, totalQuads);
  EXPECT_FALSE(QuadsToRegion(QuadList{}));
}

}  // namespace
