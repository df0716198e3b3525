// Insetting, bevel quads and thinning of polygon sets.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "shapebutton/rotatergn.h"
#include "shapebutton/rotatergn_detail.h"

namespace rotatergn {

namespace {

// Direction from `from` to `to` with y upward, vertical directions exact.
// Horizontal ones are what atan2 must answer for a zero rise (-0 or -pi),
// without its cost: outlines are full of such edges.
double DirectionTo(TPoint from, TPoint to) {
  if (to.x == from.x) return to.y <= from.y ? std::numbers::pi / 2 : -std::numbers::pi / 2;
  if (to.y == from.y) return to.x > from.x ? -0.0 : -std::numbers::pi;
  return -std::atan2(static_cast<double>(to.y) - from.y, static_cast<double>(to.x) - from.x);
}

TPoint Moved(TPoint p, TPoint offset, int sign) {
  return TPoint{Saturate(static_cast<int64_t>(p.x) + sign * static_cast<int64_t>(offset.x)),
                Saturate(static_cast<int64_t>(p.y) + sign * static_cast<int64_t>(offset.y))};
}

struct Inset {
  TPoint point;
  int32_t sharpness = 0;  // |round(1000 cos h)|: 0 straight, 1000 a spike
};

// The plain scan in ProbeIndex's place: the same answers, every edge read.
struct PlainProbes {
  std::span<const TPoint> poly;
  bool Inside(double y, double x) const { return PointInPolygon(poly, y, x); }
};

// The inset of vertex v of `poly` (the polygon's own points).
template <typename Probes>
Inset InsetVertex(std::span<const TPoint> poly, const Probes& probes, size_t v, bool filled,
                  int32_t depth) {
  const size_t n = poly.size();
  const TPoint p = poly[v];
  size_t next = v, prev = v;
  for (size_t s = 1; s < n && next == v; ++s)
    if (!(poly[(v + s) % n] == p)) next = (v + s) % n;
  for (size_t s = 1; s < n && prev == v; ++s)
    if (!(poly[(v + n - s) % n] == p)) prev = (v + n - s) % n;
  if (next == v) return {p, 0};  // every point of the polygon is p

  const double ap = DirectionTo(p, poly[prev]);
  const double an = DirectionTo(p, poly[next]);
  const double bisector = (ap + an) / 2;
  const double half_turn = (ap - an) / 2;
  Inset out{p, std::abs(RoundHalfEven(1000 * std::cos(half_turn)))};
  const double sin_h = std::abs(std::sin(half_turn));
  if (sin_h < 0.001) return out;  // the outline turns straight back: no bisector

  // The bisector's sign is ambiguous (directions wrap at +-pi); a probe just
  // beside the vertex tells whether it points into the polygon.
  const double probe = 0.011 / sin_h;
  const bool inside =
      probes.Inside(p.y - std::sin(bisector) * probe, p.x + std::cos(bisector) * probe);
  // depth/sin h keeps both edges exactly `depth` away; below 60 degrees that
  // distance explodes toward the tip, so the move is capped at 2*depth.
  const double reach = sin_h >= 0.5 ? depth / sin_h : 2.0 * depth;
  const TPoint offset{RoundHalfEven(std::cos(bisector) * reach),
                      RoundHalfEven(-std::sin(bisector) * reach)};
  out.point = Moved(p, offset, inside == filled ? 1 : -1);
  return out;
}

bool StrictlyBetween(int32_t x, int32_t a, int32_t b) {
  return (a < x && x < b) || (b < x && x < a);
}

// Whether the moves p1->q1 and p2->q2 cross, judged by the x of their lines'
// intersection only (vertical moves never cross). Doubles rather than 32-bit
// products: equal for screen coordinates, and no overflow for others.
bool MovesCross(TPoint p1, TPoint q1, TPoint p2, TPoint q2) {
  const double ax = static_cast<double>(q1.x) - p1.x, ay = static_cast<double>(q1.y) - p1.y;
  const double bx = static_cast<double>(q2.x) - p2.x, by = static_cast<double>(q2.y) - p2.y;
  const double cross = bx * ay - by * ax;
  if (cross == 0) return false;
  const double numerator =
      bx * ax * (static_cast<double>(p2.y) - p1.y) + ay * p1.x * bx - by * p2.x * ax;
  // A whole number: compared with the ends in integers.
  const int32_t x = RoundHalfEven(numerator / cross);
  return StrictlyBetween(x, p1.x, q1.x) && StrictlyBetween(x, p2.x, q2.x);
}

// InsetPolygons, the probes of each polygon's inside answered by Probes.
template <typename Probes>
void InsetWith(std::span<TPoint> points, std::span<const int32_t> counts,
               std::span<const int32_t> levels, int32_t depth) {
  std::vector<Inset> inset(points.size());
  size_t used = 0;
  ForEachPolygon(points.size(), counts, [&](size_t k, PolygonRange r) {
    const std::span<const TPoint> poly = points.subspan(r.first, r.count);
    const bool filled = LevelOf(levels, k) % 2 == 0;
    const Probes probes{poly};
    for (size_t v = 0; v < r.count; ++v)
      inset[r.first + v] = InsetVertex(poly, probes, v, filled, depth);
    used = r.first + r.count;
  });

  // Where two neighbours' moves cross, the less sharp vertex takes the
  // sharper one's point. A point copied backwards can make the predecessor's
  // move cross in turn, hence another pass. Copies only spread points that
  // exist, and chains settle within a few passes (seven at most over 200,000
  // random polygons); the cap only guards against an input that would keep
  // trading points for ever.
  const size_t max_passes = 2 * used + 8;
  bool again = true;
  for (size_t pass = 0; again && pass < max_passes; ++pass) {
    again = false;
    ForEachPolygon(points.size(), counts, [&](size_t, PolygonRange r) {
      for (size_t a = 0; a < r.count; ++a) {
        const size_t i = r.first + a, j = r.first + NextIndex(a, r.count);
        if (!MovesCross(points[i], inset[i].point, points[j], inset[j].point)) continue;
        if (inset[i].sharpness <= inset[j].sharpness) {
          inset[i] = inset[j];
          again = true;
        } else {
          inset[j] = inset[i];
        }
      }
    });
  }
  for (size_t i = 0; i < used; ++i) points[i] = inset[i].point;
}

}  // namespace

void InsetPolygons(std::span<TPoint> points, std::span<const int32_t> counts,
                   std::span<const int32_t> levels, int32_t depth) {
  InsetWith<ProbeIndex>(points, counts, levels, depth);
}

void InsetSmallPolygons(std::span<TPoint> points, std::span<const int32_t> counts,
                        std::span<const int32_t> levels, int32_t depth) {
  InsetWith<PlainProbes>(points, counts, levels, depth);
}

BevelQuadLists BevelQuads(std::span<const TPoint> outer, std::span<const TPoint> inner,
                          std::span<const int32_t> counts, std::span<const int32_t> levels) {
  BevelQuadLists lists;
  ForEachPolygon(outer.size(), counts, [&](size_t k, PolygonRange r) {
    if (r.first + r.count > inner.size()) return;  // inner set is shorter: no band
    const bool filled = LevelOf(levels, k) % 2 == 0;
    for (size_t a = 0; a < r.count; ++a) {
      const size_t i = r.first + a, j = r.first + NextIndex(a, r.count);
      const int64_t dx = static_cast<int64_t>(outer[j].x) - outer[i].x;
      const int64_t dy = static_cast<int64_t>(outer[j].y) - outer[i].y;
      // Filled: edges running right or up (split at the diagonal) face the
      // light. A hole's edges face the other way; its split differs for
      // edges running left.
      const bool first = filled ? dy < dx : !(dx >= 0 && dy < dx);
      QuadList& list = first ? lists.first : lists.second;
      for (const TPoint& q : {outer[i], inner[i], inner[j], outer[j]}) list.points.push_back(q);
      list.counts.push_back(4);
      ++list.quads;
    }
  });
  return lists;
}

void JoinQuadRuns(const QuadList& quads, Tpoints& points, Tintegers& counts) {
  points.clear();
  counts.clear();
  const size_t n = std::min(static_cast<size_t>(std::max(quads.quads, 0)), quads.points.size() / 4);
  const TPoint* q = quads.points.data();
  // Quad k is (outer i, inner i, inner j, outer j).
  for (size_t first = 0; first < n;) {
    size_t last = first;
    while (last + 1 < n && q[4 * (last + 1)] == q[4 * last + 3] &&
           q[4 * (last + 1) + 1] == q[4 * last + 2]) {
      ++last;
    }
    const size_t start = points.size();
    points.push_back(q[4 * first]);
    for (size_t k = first; k <= last; ++k) points.push_back(q[4 * k + 3]);
    for (size_t k = last + 1; k-- > first;) points.push_back(q[4 * k + 2]);
    points.push_back(q[4 * first + 1]);
    counts.push_back(static_cast<int32_t>(points.size() - start));
    first = last + 1;
  }
}

void ThinPolygon(Tpoints& points, int32_t distance) {
  if (points.empty()) return;
  Tpoints kept{points.front()};
  for (size_t i = 1; i < points.size(); ++i) {
    const double dx = static_cast<double>(points[i].x) - kept.back().x;
    const double dy = static_cast<double>(points[i].y) - kept.back().y;
    if (std::sqrt(dx * dx + dy * dy) > distance) kept.push_back(points[i]);
  }
  if (kept.size() < 3) kept.clear();
  points = std::move(kept);
}

void ThinPolygons(Tpoints& points, Tintegers& counts, Tintegers& levels, int32_t depth) {
  const int32_t distance = std::max(2, depth);
  Tpoints out_points;
  Tintegers out_counts, out_levels;
  ForEachPolygon(points.size(), counts, [&](size_t k, PolygonRange r) {
    Tpoints poly(points.begin() + static_cast<ptrdiff_t>(r.first),
                 points.begin() + static_cast<ptrdiff_t>(r.first + r.count));
    ThinPolygon(poly, distance);
    if (poly.size() < 2) return;
    out_points.insert(out_points.end(), poly.begin(), poly.end());
    out_counts.push_back(static_cast<int32_t>(poly.size()));
    out_levels.push_back(LevelOf(levels, k));
  });
  points = std::move(out_points);
  counts = std::move(out_counts);
  levels = std::move(out_levels);
}

}  // namespace rotatergn
