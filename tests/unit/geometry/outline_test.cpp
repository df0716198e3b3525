// Insetting, bevel quads, thinning and tracing regions into outlines.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "shapebutton/rotatergn.h"
#include "unit/geometry/pixel_regions.h"

using namespace rotatergn;
using geotest::Mask;

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


struct Set {
  Tpoints points;
  Tintegers counts, levels;
};

Set Trace(std::span<const TRect> rects) {
  Set s;
  EXPECT_TRUE(RegionToPolygons(rects, s.points, s.counts, s.levels));
  return s;
}

std::string Show(const Mask& m) {
  std::string s;
  for (const auto& row : m) {
    for (bool b : row) s += b ? '#' : '.';
    s += '\n';
  }
  return s;
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

TEST(RegionToPolygons, KnownShapes) {
  // One rectangle: clockwise from its top-left.
  const Set r = Trace(std::vector<TRect>{{10, 20, 110, 60}});
  EXPECT_EQ(r.points, (Tpoints{{10, 20}, {110, 20}, {110, 60}, {10, 60}}));
  EXPECT_EQ(r.levels, (Tintegers{0}));
  // A ring: the hole also runs clockwise around its own area, at level 1.
  const Set ring =
      Trace(std::vector<TRect>{{0, 0, 30, 10}, {0, 10, 10, 20}, {20, 10, 30, 20}, {0, 20, 30, 30}});
  EXPECT_EQ(ring.points,
            (Tpoints{{0, 0}, {30, 0}, {30, 30}, {0, 30}, {10, 10}, {20, 10}, {20, 20}, {10, 20}}));
  EXPECT_EQ(ring.levels, (Tintegers{0, 1}));
  // Squares touching only at a corner: one outline through that point twice.
  EXPECT_EQ(Trace(std::vector<TRect>{{10, 0, 20, 10}, {0, 10, 10, 20}}).counts, (Tintegers{8}));
  // No rectangle with an area: the outputs stay as they were.
  Tpoints points{{1, 2}};
  Tintegers counts{1}, levels{7};
  EXPECT_FALSE(
      RegionToPolygons(std::vector<TRect>{{5, 5, 5, 9}, {3, 3, 1, 1}}, points, counts, levels));
  EXPECT_EQ(levels, (Tintegers{7}));
}

TEST(RegionToPolygons, SmoothingCutsOnlyOnePixelStairs) {
  std::vector<TRect> stairs, wide;
  for (int32_t i = 0; i < 10; ++i) stairs.push_back({0, i, i + 1, i + 1});
  EXPECT_EQ(Trace(stairs).points, (Tpoints{{0, 0}, {10, 10}, {0, 10}}));
  for (int32_t i = 0; i < 5; ++i) wide.push_back({0, 2 * i, 2 * i + 2, 2 * i + 2});
  EXPECT_EQ(Trace(wide).counts, (Tintegers{12}));
  // Two pixels touching at a corner: every corner sits on the bound, and
  // cutting them all would leave nothing; the shape stays whole.
  const Set pixels = Trace(std::vector<TRect>{{0, 0, 1, 1}, {1, 1, 2, 2}});
  EXPECT_EQ(pixels.counts, (Tintegers{8}));
  // A hole in a ring of diagonal pixels:   .##.
  // smoothing cuts the ring down to the    #..#
  // hole's corners; levels come from the   .##.
  // outlines before it.
  EXPECT_EQ(
      Trace(std::vector<TRect>{{1, 0, 3, 1}, {0, 1, 1, 2}, {3, 1, 4, 2}, {1, 2, 3, 3}}).levels,
      (Tintegers{0, 1}));
}

// Any pixel pattern: the outlines before smoothing cover exactly the region's
// pixels when combined by their levels, run clockwise and are rectilinear;
// smoothing keeps every polygon with at least three points. Without one-pixel
// steps nothing is smoothed and the whole conversion keeps every pixel:
// holes, islands and diagonal contacts included.
TEST(RegionToPolygons, TracedOutlinesCoverExactlyTheRegion) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 600; ++round) {
    const int w = 3 + round % 11, h = 3 + (round / 11) % 9;
    const Mask mask = geotest::RandomMask(rng, w, h, 0.25 + 0.25 * (round % 3));
    const std::vector<TRect> rects = geotest::BandedRects(mask);
    if (rects.empty()) continue;
    TRgnpoints traced = TraceVertices(RegionVertices(rects));
    Tintegers counts;
    for (size_t i = 0; i < traced.tags.size(); ++i) {
      if (i == 0 || traced.tags[i] != traced.tags[i - 1]) counts.push_back(0);
      ++counts.back();
    }
    const Tintegers levels = PolygonLevels(traced.points, counts);
    ASSERT_EQ(geotest::CoveredByLevels(traced.points, counts, levels, w, h), mask) << Show(mask);
    size_t first = 0;
    for (int32_t count : counts) {
      const auto poly = std::span<const TPoint>(traced.points).subspan(first, size_t(count));
      first += size_t(count);
      EXPECT_GT(geotest::TwiceArea(poly), 0) << Show(mask);
      for (size_t i = 0; i < poly.size(); ++i) {
        const TPoint a = poly[i], b = poly[NextIndex(i, poly.size())];
        EXPECT_TRUE(a.x == b.x || a.y == b.y) << Show(mask);
      }
    }
    const Tintegers smoothed = SmoothPolygons(traced);
    ASSERT_EQ(smoothed.size(), counts.size());
    for (int32_t c : smoothed) EXPECT_GE(c, 3) << Show(mask);

    const Mask coarse = geotest::Scaled(mask, 2);
    const Set s = Trace(geotest::BandedRects(coarse));
    ASSERT_EQ(geotest::CoveredByLevels(s.points, s.counts, s.levels, 2 * w, 2 * h), coarse)
        << Show(coarse);
  }
}
