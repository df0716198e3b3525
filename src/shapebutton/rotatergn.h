// Polygon geometry of the shaped button: rotation, point-in-polygon tests,
// insetting with bevel quads, thinning, and tracing a region's rectangles
// back into polygons. Portable (no window system); the region handles live in
// rotatergn_win32.h.
//
// A polygon set is three arrays: the points, the number of points of each
// polygon (polygon k's points follow polygon k-1's) and one nesting level per
// polygon (0 outer boundary, 1 hole, 2 island in the hole, ...; even levels
// are filled, odd levels are holes). Polygons close implicitly. Coordinates
// are screen pixels, y growing downward. The module has no state.
//
// Every operation accepts inconsistent sets without reading out of bounds:
// a count that runs past the points is cut to the points that remain (a
// negative count is 0), and a polygon without a level has level 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace rotatergn {

struct TPoint {
  int32_t x = 0;
  int32_t y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};
using Tpoints = std::vector<TPoint>;
using Tintegers = std::vector<int32_t>;

// Points with one integer tag each: a vertex code while a region is traced,
// the polygon number afterwards.
struct TRgnpoints {
  Tpoints points;
  Tintegers tags;
};

// One rectangle of a region's data: left and top inside, right and bottom
// outside.
struct TRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

constexpr size_t NextIndex(size_t i, size_t n) { return i + 1 == n ? 0 : i + 1; }
constexpr size_t PrevIndex(size_t i, size_t n) { return i == 0 ? n - 1 : i - 1; }

// Nearest integer, exact halves to the even neighbour; NaN gives 0 and
// values beyond the 32-bit range saturate.
int32_t RoundHalfEven(double v);

// Rotates every point about (0, 0) by `angle` tenths of a degree,
// counter-clockwise on the screen; each result is rounded.
void RotatePoints(std::span<TPoint> points, int32_t angle);

// Rotates about (cx, cy): first about the origin (rounded), then shifted by
// the rounded difference between the pivot and its own image. The double
// rounding can put a point one pixel off the exactly rounded image; outlines
// made elsewhere with the same two steps match pixel for pixel.
void RotatePointsAbout(std::span<TPoint> points, int32_t cx, int32_t cy, int32_t angle);

// Even-odd test of a floating-point point: inside when the crossings on the
// left and on the right are both odd. A point on an edge's crossing counts on
// neither side.
bool PointInPolygon(std::span<const TPoint> points, double y, double x);

// The same test for an integer point, robust against vertices lying on the
// test row: a vertex on the row counts once, and only where the outline
// passes through the row rather than touching it.
bool PointInRingPolygon(std::span<const TPoint> points, TPoint point);

void CopyPoints(const Tpoints& source, Tpoints& destination);

// Moves every vertex by `depth` pixels into the filled material: outer
// boundaries shrink, holes grow. Corners sharper than 60 degrees move 2*depth
// along their bisector, spikes and all-equal polygons stay. Where the moves of
// two neighbours cross, the less sharp vertex takes the sharper one's point.
void InsetPolygons(std::span<TPoint> points, std::span<const int32_t> counts,
                   std::span<const int32_t> levels, int32_t depth);
// The same insets without the index that keeps polygons of hundreds of
// points fast: each probe reads every edge of its polygon. For the few
// points of simple outlines; a program that insets nothing larger links
// only this one.
void InsetSmallPolygons(std::span<TPoint> points, std::span<const int32_t> counts,
                        std::span<const int32_t> levels, int32_t depth);
using InsetFunction = void (*)(std::span<TPoint> points, std::span<const int32_t> counts,
                               std::span<const int32_t> levels, int32_t depth);

// Quads (four points each) with their counts (4 each).
struct QuadList {
  Tpoints points;
  Tintegers counts;
  int32_t quads = 0;
};
struct BevelQuadLists {
  QuadList first;   // clockwise outer boundary: top and left edges
  QuadList second;  // clockwise outer boundary: bottom and right edges
};

// One quad (outer k, inner k, inner k+1, outer k+1) per edge of the outer
// set; `inner` has the outer set's layout (an inset of it). The edge's
// direction picks the list, so that each list can be filled in one light.
BevelQuadLists BevelQuads(std::span<const TPoint> outer, std::span<const TPoint> inner,
                          std::span<const int32_t> counts, std::span<const int32_t> levels);

// Joins each run of quads that follow one another along a ring (a quad
// starting on the edge where the previous one ended) into one polygon: the
// run's outer points forward, then its inner points back. Filled alternately
// the polygons cover exactly the pixels the quads do, because every edge
// left out is one two quads share and so crossed every scanline twice. A
// band of n quads costs about half the edges, and regions are built per edge.
void JoinQuadRuns(const QuadList& quads, Tpoints& points, Tintegers& counts);

// Keeps the first point and every later point farther than `distance` from
// the last point kept; a polygon left with fewer than 3 points becomes empty.
void ThinPolygon(Tpoints& points, int32_t distance);

// Thins each polygon with distance max(2, depth); polygons that vanish leave
// the set with their counts and levels.
void ThinPolygons(Tpoints& points, Tintegers& counts, Tintegers& levels, int32_t depth);

// Traces a region given as its rectangles, in the y-x banded order of a
// region's data, into a polygon set: each polygon runs clockwise on the
// screen around its own area, one-pixel staircases become diagonal edges,
// and levels come from containment (of the outlines before smoothing). With
// no non-empty rectangle the outputs are left as they are and the answer is
// false. Quadratic at worst in the number of rectangles.
bool RegionToPolygons(std::span<const TRect> rects, Tpoints& points, Tintegers& counts,
                      Tintegers& levels);

// The steps of RegionToPolygons, for callers and tests that need one alone.
// Boundary vertices of the rectangles with their vertex codes: c in 1..4 is a
// convex corner whose only inside quadrant is c (1 below-right, 2 below-left,
// 3 above-left, 4 above-right), -c a concave corner whose only outside
// quadrant is c.
TRgnpoints RegionVertices(std::span<const TRect> rects);
// Walks the vertices into closed polygons; the tags become polygon numbers
// (1, 2, ...), the points come polygon by polygon.
TRgnpoints TraceVertices(const TRgnpoints& vertices);
// Removes, pass by pass, vertices that lie within 1/sqrt(2) of their
// neighbours' line (one-pixel stair corners), in every polygon that has more
// than 4 points; a pass that would leave a polygon fewer than 3 points is not
// made. Returns the polygons' counts.
Tintegers SmoothPolygons(TRgnpoints& traced);
// Whether smoothing removes p between its neighbours: p lies within
// 1/sqrt(2) of their line, or the neighbours coincide.
bool SmoothingRemoves(TPoint prev, TPoint p, TPoint next);
// Level of each polygon: how many other polygons contain its first point.
Tintegers PolygonLevels(std::span<const TPoint> points, std::span<const int32_t> counts);

// How a polygon set becomes one region: the polygons taken in level order
// (negative levels never), the first copied, then even levels added and odd
// levels subtracted.
enum class CombineOp { kCopy, kOr, kDiff };
struct CombineStep {
  size_t first = 0;  // index of the polygon's first point
  size_t count = 0;  // its points
  CombineOp op = CombineOp::kCopy;
};
std::vector<CombineStep> RegionCombinationPlan(std::span<const TPoint> points,
                                               std::span<const int32_t> counts,
                                               std::span<const int32_t> levels);

}  // namespace rotatergn
