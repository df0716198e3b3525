#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "shapebutton/rotatergn.h"
#include "unit/geometry/pixel_regions.h"

using namespace rotatergn;

namespace {

const Tpoints kRect{{0, 0}, {100, 0}, {100, 40}, {0, 40}};

Tpoints Ellipse(int n, double w, double h) {
  Tpoints p;
  for (int i = 0; i < n; ++i) {
    const double t = 2 * std::numbers::pi * i / n;
    p.push_back({RoundHalfEven(w / 2 + std::sin(t) * w / 2), RoundHalfEven(h / 2 - std::cos(t) * h / 2)});
  }
  return p;
}

Tintegers One(const Tpoints& p) { return {static_cast<int32_t>(p.size())}; }

}  // namespace

TEST(InsetPolygons, RectangleShrinksAndAHoleGrows) {
  Tpoints outline = kRect;
  InsetPolygons(outline, One(outline), Tintegers{0}, 2);
  EXPECT_EQ(outline, (Tpoints{{2, 2}, {98, 2}, {98, 38}, {2, 38}}));
  Tpoints hole = kRect;
  InsetPolygons(hole, One(hole), Tintegers{1}, 2);
  EXPECT_EQ(hole, (Tpoints{{-2, -2}, {102, -2}, {102, 42}, {-2, 42}}));
  // Running the other way round changes nothing: the probe finds the inside.
  Tpoints reversed(kRect.rbegin(), kRect.rend());
  InsetPolygons(reversed, One(reversed), Tintegers{0}, 2);
  EXPECT_EQ(reversed, (Tpoints{{2, 38}, {98, 38}, {98, 2}, {2, 2}}));
}

TEST(InsetPolygons, OutlinesMoveIntoTheFilledMaterial) {
  for (int depth : {1, 2, 5, 9}) {
    for (const Tpoints& shape : {Ellipse(196, 200, 100), Ellipse(40, 120, 120), Ellipse(7, 90, 60)}) {
      Tpoints inner = shape, hole = shape;
      InsetPolygons(inner, One(shape), Tintegers{0}, depth);
      InsetPolygons(hole, One(shape), Tintegers{1}, depth);
      for (size_t i = 0; i < shape.size(); ++i) {
        EXPECT_TRUE(PointInPolygon(shape, inner[i].y, inner[i].x)) << "depth " << depth << " vertex " << i;
        EXPECT_FALSE(PointInPolygon(shape, hole[i].y, hole[i].x)) << "depth " << depth << " vertex " << i;
        const double moved = std::hypot(inner[i].x - shape[i].x, inner[i].y - shape[i].y);
        EXPECT_GE(moved, depth - 1.0);
        EXPECT_LE(moved, 2.0 * depth + 1.0);
      }
      EXPECT_LT(geotest::TwiceArea(inner), geotest::TwiceArea(shape));
      EXPECT_GT(geotest::TwiceArea(hole), geotest::TwiceArea(shape));
    }
  }
}

TEST(InsetPolygons, SharpCornersMoveTwiceTheDepth) {
  // The tip at (100, 10) turns by far more than 120 degrees: depth/sin h
  // would throw it 30 pixels; it moves 2 * depth along its bisector.
  Tpoints wedge{{0, 0}, {100, 10}, {0, 20}};
  InsetPolygons(wedge, One(wedge), Tintegers{0}, 3);
  EXPECT_EQ(wedge[1], (TPoint{94, 10}));
}

TEST(InsetPolygons, SpikesAndCollapsedPolygonsStayWhileOthersMove) {
  // Polygon 0 is one point repeated; polygon 1 has a spike at (20, 80), where
  // the outline turns straight back; polygon 2 is an ordinary rectangle.
  Tpoints set{{5, 5}, {5, 5}, {5, 5},
              {0, 0}, {40, 0}, {40, 40}, {20, 40}, {20, 80}, {20, 40}, {0, 40}};
  set.insert(set.end(), kRect.begin(), kRect.end());
  InsetPolygons(set, Tintegers{3, 7, 4}, Tintegers{0, 0, 0}, 2);
  EXPECT_EQ(set[0], (TPoint{5, 5}));
  EXPECT_EQ(set[2], (TPoint{5, 5}));
  EXPECT_EQ(set[7], (TPoint{20, 80}));
  EXPECT_EQ(set[3], (TPoint{2, 2}));
  EXPECT_EQ(Tpoints(set.begin() + 10, set.end()), (Tpoints{{2, 2}, {98, 2}, {98, 38}, {2, 38}}));
}

TEST(InsetPolygons, AStripThinnerThanTwiceTheDepthCollapsesInsteadOfTurningInsideOut) {
  // Without the repair the ends' moves cross and the inset is the strip
  // flipped over (area -192); with it, each end meets in one point.
  Tpoints strip{{0, 0}, {100, 0}, {100, 2}, {0, 2}};
  InsetPolygons(strip, One(strip), Tintegers{0}, 2);
  EXPECT_EQ(geotest::TwiceArea(strip), 0);
  EXPECT_EQ(strip[1], strip[2]);
  EXPECT_EQ(strip[3], strip[0]);
}

TEST(BevelQuads, EdgeDirectionsPickTheLitAndShadedLists) {
  Tpoints inner = kRect;
  InsetPolygons(inner, One(kRect), Tintegers{0}, 2);
  const BevelQuadLists filled = BevelQuads(kRect, inner, One(kRect), Tintegers{0});
  // Clockwise outer boundary: top and left are lit, right and bottom shaded.
  EXPECT_EQ(filled.first.quads, 2);
  EXPECT_EQ(filled.first.points, (Tpoints{{0, 0}, {2, 2}, {98, 2}, {100, 0},      // top
                                          {0, 40}, {2, 38}, {2, 2}, {0, 0}}));    // left
  EXPECT_EQ(filled.first.counts, (Tintegers{4, 4}));
  EXPECT_EQ(filled.second.points, (Tpoints{{100, 0}, {98, 2}, {98, 38}, {100, 40},  // right
                                           {100, 40}, {98, 38}, {2, 38}, {0, 40}}));  // bottom
  // A hole is lit from the other side: its right and bottom edges.
  const BevelQuadLists hole = BevelQuads(kRect, inner, One(kRect), Tintegers{1});
  EXPECT_EQ(hole.first.points, filled.second.points);
  EXPECT_EQ(hole.second.points, filled.first.points);

  // The split between the lists lies on the down-right diagonal.
  const Tpoints diamond{{10, 0}, {20, 10}, {10, 20}, {0, 10}};
  const BevelQuadLists d = BevelQuads(diamond, diamond, One(diamond), Tintegers{0});
  EXPECT_EQ(d.first.quads, 1);   // up-right, the last edge
  EXPECT_EQ(d.second.quads, 3);  // down-right and up-left lie on the split
  EXPECT_EQ(d.first.points[0], (TPoint{0, 10}));
}

TEST(ThinPolygons, DropsPointsCloserThanTheDepthAndVanishingPolygons) {
  Tpoints row;
  for (int32_t x = 0; x <= 30; x += 3) row.push_back({x, 0});
  row.push_back({30, 30});
  row.push_back({0, 30});
  Tpoints tiny{{0, 0}, {4, 0}, {4, 4}, {0, 4}};
  Tpoints set = row;
  set.insert(set.end(), tiny.begin(), tiny.end());
  set.insert(set.end(), kRect.begin(), kRect.end());
  Tintegers counts{static_cast<int32_t>(row.size()), 4, 4}, levels{0, 1, 2};
  ThinPolygons(set, counts, levels, 5);
  EXPECT_EQ(counts, (Tintegers{8, 4}));
  EXPECT_EQ(levels, (Tintegers{0, 2}));
  EXPECT_EQ(Tpoints(set.begin(), set.begin() + 8),
            (Tpoints{{0, 0}, {6, 0}, {12, 0}, {18, 0}, {24, 0}, {30, 0}, {30, 30}, {0, 30}}));

  // Below 2 the spacing is still 2: points 2 apart all go.
  Tpoints close{{0, 0}, {2, 0}, {4, 0}, {4, 2}, {4, 4}};
  Tintegers c{5}, l{0};
  ThinPolygons(close, c, l, 1);
  EXPECT_EQ(close, (Tpoints{{0, 0}, {4, 0}, {4, 4}}));

  Tpoints all_tiny = tiny;
  Tintegers tc{4}, tl{0};
  ThinPolygons(all_tiny, tc, tl, 5);
  EXPECT_TRUE(all_tiny.empty() && tc.empty() && tl.empty());
}
