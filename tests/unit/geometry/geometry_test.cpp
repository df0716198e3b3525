// Rotation, point-in-polygon tests, insetting, bevel quads, thinning and
// tracing regions into outlines, against pixel masks worked out here.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <span>
#include <vector>

#include "shapebutton/rotatergn.h"
#include "shapebutton/rotatergn_detail.h"

using namespace rotatergn;

namespace {

// mask[y][x]: whether pixel (x, y) is in the region.
using Mask = std::vector<std::vector<bool>>;

// Runs of each row, rows with equal runs merged into bands, bands top to
// bottom and rectangles left to right: the canonical form of a region.
std::vector<TRect> BandedRects(const Mask& mask) {
  std::vector<TRect> rects;
  auto runs = [&](size_t y) {
    std::vector<std::pair<int32_t, int32_t>> r;
    const auto& row = mask[y];
    for (size_t x = 0; x < row.size(); ++x)
      if (row[x] && (x == 0 || !row[x - 1]))
        r.emplace_back(int32_t(x), int32_t(x));
      else if (row[x])
        r.back().second = int32_t(x);
    for (auto& run : r) ++run.second;
    return r;
  };
  for (size_t y = 0; y < mask.size();) {
    const auto band = runs(y);
    size_t end = y + 1;
    while (end < mask.size() && runs(end) == band) ++end;
    for (const auto& [l, r] : band)
      rects.push_back({l, static_cast<int32_t>(y), r, static_cast<int32_t>(end)});
    y = end;
  }
  return rects;
}

// Even-odd by a ray to the right, half-open in y, written independently of
// the module; meant for points off the outline.
bool EvenOdd(std::span<const TPoint> poly, double x, double y) {
  bool inside = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const TPoint a = poly[i], b = poly[j];
    if ((a.y > y) != (b.y > y) && x < a.x + (y - a.y) * (b.x - a.x) / double(b.y - a.y))
      inside = !inside;
  }
  return inside;
}

bool CentreInside(std::span<const TPoint> poly, int32_t px, int32_t py) {
  return EvenOdd(poly, px + 0.5, py + 0.5);
}

// The pixels of a polygon set combined as a region is built from it: level
// by level, even levels added, odd levels cut out.
Mask CoveredByLevels(std::span<const TPoint> points, std::span<const int32_t> counts,
                     std::span<const int32_t> levels, int width, int height) {
  Mask mask(static_cast<size_t>(height), std::vector<bool>(static_cast<size_t>(width)));
  int32_t top = 0;
  for (int32_t l : levels) top = std::max(top, l);
  for (int32_t level = 0; level <= top; ++level) {
    size_t first = 0;
    for (size_t k = 0; k < counts.size(); ++k) {
      const auto poly = points.subspan(first, static_cast<size_t>(counts[k]));
      first += static_cast<size_t>(counts[k]);
      if (levels[k] != level || poly.empty()) continue;
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          if (CentreInside(poly, x, y)) mask[size_t(y)][size_t(x)] = level % 2 == 0;
    }
  }
  return mask;
}

// Twice the signed area, y downward: positive for clockwise on the screen.
int64_t TwiceArea(std::span<const TPoint> poly) {
  int64_t sum = 0;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++)
    sum += int64_t(poly[j].x) * poly[i].y - int64_t(poly[i].x) * poly[j].y;
  return sum;
}

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

TEST(Rounding, HalvesGoToTheEvenNeighbourAndExtremesSaturate) {
  const std::pair<double, int32_t> cases[] = {{2.5, 2},         {3.5, 4},          {-2.5, -2},
                                              {-0.7, -1},       {std::nan(""), 0}, {1e300, INT_MAX},
                                              {-1e300, INT_MIN}};
  for (const auto& [v, want] : cases) EXPECT_EQ(RoundHalfEven(v), want) << v;
}

TEST(RotatePoints, KnownTurns) {
  Tpoints p{{123456789, -987654}};
  RotatePoints(p, 900);  // counter-clockwise on a y-down screen
  EXPECT_EQ(p, (Tpoints{{-987654, -123456789}}));
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
          ASSERT_EQ(PointInRingPolygon(poly, {x, y}), EvenOdd(poly, x, y)) << x << "," << y;
        }
        if (!OnOutline(doubled, 2 * x + 1, 2 * y + 1)) {
          ASSERT_EQ(PointInPolygon(poly, y + 0.5, x + 0.5), CentreInside(poly, x, y));
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

  auto consistent = [](const Tpoints& points, const Tintegers& counts, const Tintegers& levels) {
    size_t total = 0;
    for (int32_t c : counts) total += static_cast<size_t>(c);
    return total == points.size() && levels.size() == counts.size();
  };
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
    EXPECT_TRUE(consistent(inset, thin_counts, thin_levels));
    TRgnpoints tagged{points, Tintegers(points.size() / 2)};
    for (int32_t& tag : tagged.tags) tag = small(rng) - 4;
    (void)TraceVertices(tagged);
    (void)SmoothPolygons(tagged);

    std::vector<TRect> rects(1 + rng() % 6);
    for (TRect& r : rects) r = {coord(rng), coord(rng), coord(rng), coord(rng)};
    Tpoints traced;
    Tintegers traced_counts, traced_levels;
    if (RegionToPolygons(rects, traced, traced_counts, traced_levels)) {
      EXPECT_TRUE(consistent(traced, traced_counts, traced_levels));
    }
  }
}

TEST(InsetPolygons, ReversedRectangleAndSharpTip) {
  // Run the other way round: the probe, not the direction, finds the inside.
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
  EXPECT_EQ(TwiceArea(strip), 0);
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
      in ^= CentreInside(all.subspan(first, size_t(c)), x, y);
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
}

TEST(RegionToPolygons, KnownShapes) {
  // A ring: both outlines clockwise from their top-left, the hole at level 1.
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
    std::bernoulli_distribution on(0.25 + 0.25 * (round % 3));
    Mask mask(static_cast<size_t>(h), std::vector<bool>(static_cast<size_t>(w))), coarse;
    for (auto& row : mask)
      for (size_t x = 0; x < row.size(); ++x) row[x] = on(rng);
    const std::vector<TRect> rects = BandedRects(mask);
    if (rects.empty()) continue;
    TRgnpoints traced = TraceVertices(RegionVertices(rects));
    Tintegers counts;
    for (size_t i = 0; i < traced.tags.size(); ++i) {
      if (i == 0 || traced.tags[i] != traced.tags[i - 1]) counts.push_back(0);
      ++counts.back();
    }
    const Tintegers levels = PolygonLevels(traced.points, counts);
    ASSERT_EQ(CoveredByLevels(traced.points, counts, levels, w, h), mask) << Show(mask);
    size_t first = 0;
    for (int32_t count : counts) {
      const auto poly = std::span<const TPoint>(traced.points).subspan(first, size_t(count));
      first += size_t(count);
      EXPECT_GT(TwiceArea(poly), 0) << Show(mask);
      for (size_t i = 0; i < poly.size(); ++i) {
        const TPoint a = poly[i], b = poly[NextIndex(i, poly.size())];
        EXPECT_TRUE(a.x == b.x || a.y == b.y) << Show(mask);
      }
    }
    const Tintegers smoothed = SmoothPolygons(traced);
    ASSERT_EQ(smoothed.size(), counts.size());
    for (int32_t c : smoothed) EXPECT_GE(c, 3) << Show(mask);

    for (const auto& row : mask) {  // every pixel a 2 x 2 block: no one-pixel steps
      std::vector<bool> wide;
      for (bool b : row) wide.insert(wide.end(), 2, b);
      coarse.insert(coarse.end(), 2, wide);
    }
    const Set s = Trace(BandedRects(coarse));
    ASSERT_EQ(CoveredByLevels(s.points, s.counts, s.levels, 2 * w, 2 * h), coarse) << Show(coarse);
  }
}
