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
    p.push_back(
        {RoundHalfEven(w / 2 + std::sin(t) * w / 2), RoundHalfEven(h / 2 - std::cos(t) * h / 2)});
  }
  return p;
}

Tintegers One(const Tpoints& p) { return {static_cast<int32_t>(p.size())}; }

Tpoints Inset(Tpoints p, int32_t level, int32_t depth) {
  InsetPolygons(p, One(p), Tintegers{level}, depth);
  return p;
}

}  // namespace

TEST(InsetPolygons, RectangleShrinksAndAHoleGrows) {
  EXPECT_EQ(Inset(kRect, 0, 2), (Tpoints{{2, 2}, {98, 2}, {98, 38}, {2, 38}}));
  EXPECT_EQ(Inset(kRect, 1, 2), (Tpoints{{-2, -2}, {102, -2}, {102, 42}, {-2, 42}}));
  // The other way round: the probe, not the direction, finds the inside.
  EXPECT_EQ(Inset(Tpoints(kRect.rbegin(), kRect.rend()), 0, 2),
            (Tpoints{{2, 38}, {98, 38}, {98, 2}, {2, 2}}));
  // The tip at (100, 10) is far sharper than 60 degrees: depth/sin h would
  // throw it 30 pixels; it moves 2 * depth along its bisector.
  EXPECT_EQ(Inset(Tpoints{{0, 0}, {100, 10}, {0, 20}}, 0, 3)[1], (TPoint{94, 10}));
}

TEST(InsetPolygons, OutlinesMoveIntoTheFilledMaterial) {
  for (int depth : {1, 2, 5, 9}) {
    for (const Tpoints& shape :
         {Ellipse(196, 200, 100), Ellipse(40, 120, 120), Ellipse(7, 90, 60)}) {
      const Tpoints inner = Inset(shape, 0, depth), hole = Inset(shape, 1, depth);
      for (size_t i = 0; i < shape.size(); ++i) {
        EXPECT_TRUE(PointInPolygon(shape, inner[i].y, inner[i].x)) << depth << " " << i;
        EXPECT_FALSE(PointInPolygon(shape, hole[i].y, hole[i].x)) << depth << " " << i;
        const double moved = std::hypot(inner[i].x - shape[i].x, inner[i].y - shape[i].y);
        EXPECT_GE(moved, depth - 1.0);
        EXPECT_LE(moved, 2.0 * depth + 1.0);
      }
    }
  }
}

TEST(InsetPolygons, SpikesCollapsedPolygonsAndThinStrips) {
  // Polygon 0 is one point repeated; polygon 1 turns straight back at
  // (20, 80); polygon 2 is an ordinary rectangle, inset as usual.
  Tpoints set{{5, 5},   {5, 5},   {5, 5},   {0, 0},   {40, 0},
              {40, 40}, {20, 40}, {20, 80}, {20, 40}, {0, 40}};
  set.insert(set.end(), kRect.begin(), kRect.end());
  InsetPolygons(set, Tintegers{3, 7, 4}, Tintegers{0, 0, 0}, 2);
  EXPECT_EQ(set[0], (TPoint{5, 5}));
  EXPECT_EQ(set[7], (TPoint{20, 80}));
  EXPECT_EQ(set[3], (TPoint{2, 2}));
  EXPECT_EQ(Tpoints(set.begin() + 10, set.end()), Inset(kRect, 0, 2));
  // A strip thinner than twice the depth: without the repair the ends' moves
  // cross and the inset is the strip flipped over; with it each end meets in
  // one point and nothing turns inside out.
  const Tpoints strip = Inset(Tpoints{{0, 0}, {100, 0}, {100, 2}, {0, 2}}, 0, 2);
  EXPECT_EQ(geotest::TwiceArea(strip), 0);
  EXPECT_EQ(strip[1], strip[2]);
  EXPECT_EQ(strip[3], strip[0]);
}

TEST(BevelQuads, EdgeDirectionsPickTheLitAndShadedLists) {
  const Tpoints inner = Inset(kRect, 0, 2);
  const BevelQuadLists filled = BevelQuads(kRect, inner, One(kRect), Tintegers{0});
  // Clockwise outer boundary: top and left lit, right and bottom shaded;
  // each quad is (outer k, inner k, inner k+1, outer k+1).
  EXPECT_EQ(filled.first.points,
            (Tpoints{{0, 0}, {2, 2}, {98, 2}, {100, 0}, {0, 40}, {2, 38}, {2, 2}, {0, 0}}));
  EXPECT_EQ(filled.first.counts, (Tintegers{4, 4}));
  EXPECT_EQ(filled.second.quads, 2);
  EXPECT_EQ(filled.second.points[0], (TPoint{100, 0}));
  // A hole is lit from the other side.
  const BevelQuadLists hole = BevelQuads(kRect, inner, One(kRect), Tintegers{1});
  EXPECT_EQ(hole.first.points, filled.second.points);
  EXPECT_EQ(hole.second.points, filled.first.points);
  // The split lies on the down-right diagonal: only the up-right edge is lit.
  const Tpoints diamond{{10, 0}, {20, 10}, {10, 20}, {0, 10}};
  const BevelQuadLists d = BevelQuads(diamond, diamond, One(diamond), Tintegers{0});
  EXPECT_EQ(d.first.quads, 1);
  EXPECT_EQ(d.first.points[0], (TPoint{0, 10}));
}

// The joined runs cover exactly the quads' pixels: at every pixel centre the
// crossings of the runs' outlines and of the quads' own agree in parity, as
// a run leaves out only edges two of its quads share.
TEST(JoinQuadRuns, RunsKeepTheQuadsPixelsAndReallyJoin) {
  auto inside = [](std::span<const TPoint> all, std::span<const int32_t> sizes, int x, int y) {
    bool in = false;
    for (size_t first = 0; int32_t c : sizes) {
      in ^= geotest::CentreInside(all.subspan(first, size_t(c)), x, y);
      first += size_t(c);
    }
    return in;
  };
  size_t runs = 0, quads = 0;
  for (const Tpoints& shape : {Ellipse(96, 100, 50), Ellipse(7, 90, 60)}) {
    for (int depth : {1, 5}) {
      const BevelQuadLists bands = BevelQuads(shape, Inset(shape, 0, depth), One(shape), {});
      for (const QuadList* list : {&bands.first, &bands.second}) {
        Tpoints points;
        Tintegers counts;
        JoinQuadRuns(*list, points, counts);
        runs += counts.size();
        quads += size_t(list->quads);
        for (int y = -1; y <= 61; ++y)
          for (int x = -1; x <= 101; ++x)
            ASSERT_EQ(inside(points, counts, x, y), inside(list->points, list->counts, x, y))
                << x << "," << y << " depth " << depth;
      }
    }
  }
  EXPECT_LT(runs * 5, quads);
}

TEST(ThinPolygons, DropsClosePointsAndVanishingPolygons) {
  Tpoints set;
  for (int32_t x = 0; x <= 30; x += 3) set.push_back({x, 0});  // 3 apart
  set.insert(set.end(), {{30, 30}, {0, 30}, {0, 0}, {4, 0}, {4, 4}, {0, 4}});
  set.insert(set.end(), kRect.begin(), kRect.end());
  Tintegers counts{13, 4, 4}, levels{0, 1, 2};
  ThinPolygons(set, counts, levels, 5);
  EXPECT_EQ(counts, (Tintegers{8, 4}));  // the 4 x 4 square vanished with its level
  EXPECT_EQ(levels, (Tintegers{0, 2}));
  EXPECT_EQ(Tpoints(set.begin(), set.begin() + 8),
            (Tpoints{{0, 0}, {6, 0}, {12, 0}, {18, 0}, {24, 0}, {30, 0}, {30, 30}, {0, 30}}));
  // Below 2 the spacing is still 2.
  Tpoints close{{0, 0}, {2, 0}, {4, 0}, {4, 2}, {4, 4}};
  Tintegers c{5}, l{0};
  ThinPolygons(close, c, l, 1);
  EXPECT_EQ(close, (Tpoints{{0, 0}, {4, 0}, {4, 4}}));
}
